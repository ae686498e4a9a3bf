// The control widgets: gestures, snapping, the silent setValue, texts, the
// switches and their group, and the meter's repaints.
#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <cmath>
#include <limits>
#include <memory>

#include "editor-program/button.h"
#include "editor-program/button_group.h"
#include "editor-program/dark_look.h"
#include "editor-program/knob.h"
#include "editor-program/logo_widget.h"
#include "editor-program/slider.h"
#include "editor-program/style.h"
#include "editor-program/value_text.h"
#include "editor-program/vumeter.h"
#include "programs/parameter.h"
#include "tests/editor-program/support/paint_counter.h"

namespace {

// Lets the tests see what a control paints.
template <typename Base>
class Probe : public Base {
public:
    using Base::Base;
    using Base::showingValue;
};

std::unique_ptr<Control> makeControl(const QString& kind) {
    std::unique_ptr<Control> control;
    if (kind == "knob") control = std::make_unique<Probe<Knob>>("Tune");
    else control = std::make_unique<Probe<Slider>>("Tune");
    control->resize(38, 28);
    return control;
}

bool showing(Control* control) {
    if (auto* knob = dynamic_cast<Probe<Knob>*>(control)) return knob->showingValue();
    return static_cast<Probe<Slider>*>(control)->showingValue();
}

void mouse(QWidget* widget, QEvent::Type type, QPointF position, Qt::MouseButtons buttons,
           Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, position, widget->mapToGlobal(position), button, buttons, modifiers);
    QApplication::sendEvent(widget, &event);
}

// Drags `pixels` towards "more" (up for the knob, right for the slider) in
// three moves, then releases.
void drag(Control* control, double pixels, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const bool vertical = dynamic_cast<Knob*>(control) != nullptr;
    const QPointF start(19, 14);
    mouse(control, QEvent::MouseButtonPress, start, Qt::LeftButton, modifiers);
    for (int i = 1; i <= 3; ++i) {
        const double moved = pixels * i / 3;
        const QPointF to = vertical ? start - QPointF(0, moved) : start + QPointF(moved, 0);
        mouse(control, QEvent::MouseMove, to, Qt::LeftButton, modifiers);
    }
    mouse(control, QEvent::MouseButtonRelease, start, Qt::NoButton, modifiers);
}

void wheel(QWidget* widget, int angle, Qt::KeyboardModifiers modifiers = Control::kWheelModifier) {
    const QPointF position(19, 14);
    QWheelEvent event(position, widget->mapToGlobal(position), QPoint(), QPoint(0, angle), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

// Contrast ratio of two colours by their relative luminance (sRGB), 1 to 21.
double contrast(const QColor& a, const QColor& b) {
    auto luminance = [](const QColor& c) {
        auto linear = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const double x = luminance(a), y = luminance(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

QList<float> emitted(const QSignalSpy& spy) {
    QList<float> values;
    for (const QList<QVariant>& arguments : spy) values.append(arguments.at(0).toFloat());
    return values;
}

}  // namespace

class ControlsTest : public QObject {
    Q_OBJECT
private slots:
    void kinds_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("knob") << "knob";
        QTest::newRow("slider") << "slider";
    }

    void dragMovesByDirectionAndShiftIsFiner_data() { kinds_data(); }
    void dragMovesByDirectionAndShiftIsFiner() {
        QFETCH(QString, kind);
        for (const double pixels : {9.0, -9.0}) {
            double moved[2];
            for (const bool fine : {false, true}) {
                auto control = makeControl(kind);
                control->setValue(0.5f);
                QSignalSpy spy(control.get(), &Control::valueChanged);
                drag(control.get(), pixels, fine ? Qt::ShiftModifier : Qt::NoModifier);
                const QList<float> values = emitted(spy);
                QCOMPARE(values.size(), 3);
                for (int i = 0; i < values.size(); ++i) {
                    const float previous = i == 0 ? 0.5f : values[i - 1];
                    QVERIFY2(pixels > 0 ? values[i] > previous : values[i] < previous, qPrintable(kind));
                }
                QCOMPARE(control->value(), values.last());
                moved[fine] = control->value() - 0.5;
            }
            QVERIFY(std::abs(moved[1] * 10 - moved[0]) < 1e-4);
        }
    }

    void knobSpansTheRangeIn150Pixels() {
        auto control = makeControl("knob");
        drag(control.get(), 75);
        QCOMPARE(control->value(), 0.5f);
        drag(control.get(), 300);  // clamped at the top
        QCOMPARE(control->value(), 1.0f);
    }

    void wheelSteps_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("steps");
        QTest::addColumn<float>("start");
        QTest::addColumn<int>("angle");
        QTest::addColumn<bool>("fine");
        QTest::addColumn<float>("expected");
        for (const QString kind : {"knob", "slider"}) {
            const QByteArray k = kind.toUtf8();
            QTest::newRow(k + " continuous up") << kind << 0 << 0.5f << 120 << false << 0.51f;
            QTest::newRow(k + " continuous down two") << kind << 0 << 0.5f << -240 << false << 0.48f;
            QTest::newRow(k + " continuous shift") << kind << 0 << 0.5f << 120 << true << 0.501f;
            QTest::newRow(k + " 48 steps up") << kind << 48 << 0.0f << 120 << false << 1.0f / 48;
            QTest::newRow(k + " 48 steps down") << kind << 48 << 0.5f << -120 << false << 23.0f / 48;
            QTest::newRow(k + " half notch stays") << kind << 48 << 0.5f << 60 << false << 0.5f;
            QTest::newRow(k + " on/off") << kind << 1 << 0.0f << 120 << false << 1.0f;
            QTest::newRow(k + " 200 steps like continuous") << kind << 200 << 0.5f << 120 << false << 0.51f;
        }
    }
    void wheelSteps() {
        QFETCH(QString, kind);
        QFETCH(int, steps);
        QFETCH(float, start);
        QFETCH(int, angle);
        QFETCH(bool, fine);
        QFETCH(float, expected);
        auto control = makeControl(kind);
        control->setHints(steps, 0, 0);
        control->setValue(start);
        QSignalSpy spy(control.get(), &Control::valueChanged);
        wheel(control.get(), angle, Control::kWheelModifier | (fine ? Qt::ShiftModifier : Qt::NoModifier));
        QVERIFY(std::abs(control->value() - expected) < 1e-5);
        QCOMPARE(spy.size(), expected == start ? 0 : 1);
        QVERIFY(showing(control.get()) == (expected != start));
    }

    // The wheel turns a control only with the modifier held or during a
    // drag; otherwise it is left to what holds the control.
    void wheelTurnsOnlyWithTheModifierOrInADrag_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("modifier");
        QTest::addColumn<bool>("dragging");
        QTest::addColumn<bool>("turns");
        for (const QString kind : {"knob", "slider"}) {
            QTest::newRow(qPrintable(kind + " plain")) << kind << false << false << false;
            QTest::newRow(qPrintable(kind + " with the modifier")) << kind << true << false << true;
            QTest::newRow(qPrintable(kind + " in a drag")) << kind << false << true << true;
        }
    }
    void wheelTurnsOnlyWithTheModifierOrInADrag() {
        QFETCH(QString, kind);
        QFETCH(bool, modifier);
        QFETCH(bool, dragging);
        QFETCH(bool, turns);
        auto control = makeControl(kind);
        control->setValue(0.5f);
        if (dragging) mouse(control.get(), QEvent::MouseButtonPress, QPointF(19, 14), Qt::LeftButton);
        const QPointF at(19, 14);
        QWheelEvent event(at, control->mapToGlobal(at), QPoint(), QPoint(0, 120),
                          dragging ? Qt::LeftButton : Qt::NoButton,
                          modifier ? Control::kWheelModifier : Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(control.get(), &event);
        QCOMPARE(event.isAccepted(), turns);
        QCOMPARE(control->value() != 0.5f, turns);
    }

    // The value shows in place of the label as soon as the pointer is over
    // the control, and until it leaves (a drag ended meanwhile included).
    void hoverShowsTheValueAtOnce_data() { kinds_data(); }
    void hoverShowsTheValueAtOnce() {
        QFETCH(QString, kind);
        auto control = makeControl(kind);
        QVERIFY(!showing(control.get()));
        QEnterEvent enter(QPointF(19, 14), QPointF(19, 14), control->mapToGlobal(QPointF(19, 14)));
        QApplication::sendEvent(control.get(), &enter);
        QVERIFY(showing(control.get()));
        drag(control.get(), 10);
        QVERIFY(showing(control.get()));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(control.get(), &leave);
        QVERIFY(!showing(control.get()));
    }

    void doubleClickReturnsToTheDefault_data() { kinds_data(); }
    void doubleClickReturnsToTheDefault() {
        QFETCH(QString, kind);
        auto control = makeControl(kind);
        control->setDefaultValue(0.25f);
        control->setValue(0.8f);
        QSignalSpy spy(control.get(), &Control::valueChanged);
        QTest::mouseDClick(control.get(), Qt::LeftButton, Qt::NoModifier, QPoint(19, 14));
        QCOMPARE(control->value(), 0.25f);
        QCOMPARE(emitted(spy), QList<float>{0.25f});
        QTest::mouseDClick(control.get(), Qt::LeftButton, Qt::NoModifier, QPoint(19, 14));
        QCOMPARE(spy.size(), 1);  // already there
    }

    void setValueIsSilentAndClamped_data() {
        QTest::addColumn<float>("given");
        QTest::addColumn<float>("shown");
        QTest::newRow("inside") << 0.3f << 0.3f;
        QTest::newRow("NaN") << std::numeric_limits<float>::quiet_NaN() << 0.0f;
        QTest::newRow("above") << 1.5f << 1.0f;
        QTest::newRow("below") << -2.0f << 0.0f;
    }
    void setValueIsSilentAndClamped() {
        QFETCH(float, given);
        QFETCH(float, shown);
        for (const QString kind : {"knob", "slider"}) {
            auto control = makeControl(kind);
            control->setValue(0.6f);
            QSignalSpy spy(control.get(), &Control::valueChanged);
            control->setValue(given);
            QCOMPARE(control->value(), shown);
            QCOMPARE(spy.size(), 0);
        }
    }

    void userChangesSnapToSteps_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("steps");
        for (const QString kind : {"knob", "slider"}) {
            QTest::newRow(qPrintable(kind + " on/off")) << kind << 1;
            QTest::newRow(qPrintable(kind + " 48")) << kind << 48;
        }
    }
    void userChangesSnapToSteps() {
        QFETCH(QString, kind);
        QFETCH(int, steps);
        auto control = makeControl(kind);
        control->setHints(steps, 0, 0);
        QSignalSpy spy(control.get(), &Control::valueChanged);
        // Small moves up and down: every value lands on a step.
        for (const double pixels : {7.0, 13.0, 40.0, -11.0, 80.0, -25.0, -80.0}) drag(control.get(), pixels);
        QVERIFY(!spy.isEmpty());
        for (const float value : emitted(spy)) {
            const float scaled = value * static_cast<float>(steps);
            QVERIFY2(std::abs(scaled - std::round(scaled)) < 1e-4, qPrintable(QString::number(value)));
        }
        if (steps == 1) QCOMPARE(emitted(spy), (QList<float>{1.0f, 0.0f}));
    }

    void defaultTextFollowsTheHints_data() {
        QTest::addColumn<int>("steps");
        QTest::addColumn<int>("offset");
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("tune centre") << 48 << -24 << 0.5f << "0";
        QTest::newRow("pan left") << 200 << -100 << 0.25f << "-50";
        QTest::newRow("switch") << 1 << 0 << 1.0f << "1";
        QTest::newRow("continuous in percent") << 0 << 0 << 0.42f << "42";
    }
    void defaultTextFollowsTheHints() {
        QFETCH(int, steps);
        QFETCH(int, offset);
        QFETCH(float, value);
        QFETCH(QString, text);
        Knob knob("Pan");
        knob.setHints(steps, offset, 0);
        knob.setValue(value);
        QCOMPARE(knob.valueText(), text);
        QCOMPARE(knob.toolTip(), "Pan: " + text);
        QCOMPARE(knob.label(), QString("Pan"));
    }

    void formatterTextShowsWhileDragging_data() { kinds_data(); }
    void formatterTextShowsWhileDragging() {
        QFETCH(QString, kind);
        auto control = makeControl(kind);
        control->setHints(48, -24, 0);
        control->setFormatter([](float value) { return QString::number(std::lround(value * 48) - 24) + " st"; });
        control->setValue(0.5f);
        QCOMPARE(control->valueText(), QString("0 st"));
        QVERIFY(!showing(control.get()));
        mouse(control.get(), QEvent::MouseButtonPress, QPointF(19, 14), Qt::LeftButton);
        QVERIFY(showing(control.get()));
        mouse(control.get(), QEvent::MouseMove, kind == "knob" ? QPointF(19, 4) : QPointF(35, 14), Qt::LeftButton);
        QVERIFY(showing(control.get()));
        QVERIFY(control->value() > 0.5f);
        QCOMPARE(control->valueText(), QString::number(std::lround(control->value() * 48) - 24) + " st");
        QVERIFY(control->toolTip().endsWith(control->valueText()));
        mouse(control.get(), QEvent::MouseButtonRelease, QPointF(19, 4), Qt::NoButton);
        QVERIFY(!showing(control.get()));
    }

    void buttonTogglesAndEmits() {
        Button button("Loop");
        button.resize(38, 18);
        QSignalSpy spy(&button, &Control::valueChanged);
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(button.value(), 1.0f);
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(button.value(), 0.0f);
        QCOMPARE(emitted(spy), (QList<float>{1.0f, 0.0f}));
        button.setValue(0.7f);  // from the plug-in: lit, silent
        QCOMPARE(spy.size(), 2);
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(emitted(spy).last(), 0.0f);
    }

    // Walks a control through every step, one wheel notch at a time (Shift
    // where a notch would skip steps): every step is reached, and the text
    // shown for it is the step the plug-in plays for the value sent.
    void everyStepIsReachedAndShownAsPlayed_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("steps");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("parameter");  // instrument parameter, or 100 + master value
        QTest::addColumn<QString>("unit");
        QTest::newRow("finetune knob") << "knob" << 200 << -100 << 3 << " ct";
        QTest::newRow("tune knob") << "knob" << 48 << -24 << 2 << " st";
        QTest::newRow("master tune slider") << "slider" << 48 << -24 << 101 << " st";
        QTest::newRow("bend range slider") << "slider" << 24 << 0 << 103 << " st";
    }
    void everyStepIsReachedAndShownAsPlayed() {
        QFETCH(QString, kind);
        QFETCH(int, steps);
        QFETCH(int, offset);
        QFETCH(int, parameter);
        QFETCH(QString, unit);
        auto control = makeControl(kind);
        control->setHints(steps, offset, 0);
        control->setFormatter([parameter](float value) {
            return parameter >= 100 ? masterValueText(parameter - 100, value) : instrumentValueText(parameter, value);
        });
        control->setValue(0.0f);
        QSignalSpy spy(control.get(), &Control::valueChanged);
        for (int k = 1; k <= steps; k++) {
            wheel(control.get(), 120, Control::kWheelModifier | (steps > 100 ? Qt::ShiftModifier : Qt::NoModifier));
            QCOMPARE(spy.size(), k);
            const float sent = spy.last().at(0).toFloat();
            QCOMPARE(playedStep(sent, steps), k);
            const int shown = k + offset;
            const QString sign = shown > 0 && offset < 0 ? "+" : "";
            QCOMPARE(control->valueText(), sign + QString::number(shown) + unit);
        }
    }

    // The instruments' switches play on above 0.5, the delay's from 0.5:
    // a switch at exactly 0.5 looks, reads and toggles as it plays.
    void switchAtHalfShowsAsItPlays() {
        for (const bool onAtHalf : {false, true}) {
            Button button("Loop");
            button.setOnAtHalf(onAtHalf);
            button.resize(38, 18);
            button.setValue(0.0f);
            const QImage off = button.grab().toImage();
            button.setValue(1.0f);
            const QImage on = button.grab().toImage();
            QVERIFY(on != off);
            button.setValue(0.5f);
            QCOMPARE(button.isOn(), onAtHalf);
            QCOMPARE(button.grab().toImage(), onAtHalf ? on : off);
            QSignalSpy spy(&button, &Control::valueChanged);
            QTest::mouseClick(&button, Qt::LeftButton);
            QCOMPARE(emitted(spy), QList<float>{onAtHalf ? 0.0f : 1.0f});
        }
        QCOMPARE(instrumentValueText(18, 0.5f), QString("off"));
        QCOMPARE(instrumentValueText(18, 0.51f), QString("on"));
        QCOMPARE(delayValueText(4, 0.5f, true), QString("on"));
    }

    void buttonGroup_data() {
        QTest::addColumn<bool>("exclusive");
        QTest::newRow("exclusive") << true;
        QTest::newRow("free") << false;
    }
    void buttonGroup() {
        QFETCH(bool, exclusive);
        ButtonGroup group;
        for (const char* label : {"A", "B", "C"}) group.addButton(label);
        group.setExclusive(exclusive);
        group.resize(120, 18);
        group.show();
        QVERIFY(QTest::qWaitForWindowExposed(&group));
        QCOMPARE(group.count(), 3);
        QCOMPARE(group.button(3), nullptr);
        QSignalSpy first(group.button(0), &Control::valueChanged);
        QSignalSpy second(group.button(1), &Control::valueChanged);
        QVERIFY(group.button(0)->geometry().right() < group.button(1)->geometry().left());  // a row
        QTest::mouseClick(group.button(0), Qt::LeftButton);
        QTest::mouseClick(group.button(1), Qt::LeftButton);
        QCOMPARE(group.button(1)->value(), 1.0f);
        QCOMPARE(group.button(0)->value(), exclusive ? 0.0f : 1.0f);
        QCOMPARE(emitted(first), exclusive ? (QList<float>{1.0f, 0.0f}) : QList<float>{1.0f});
        QCOMPARE(emitted(second), QList<float>{1.0f});
        QCOMPARE(group.button(2)->value(), 0.0f);
    }

    // Every text against what it is drawn on: at least 4.5 to 1.
    void textsAreLegible() {
        const QPalette palette = darkPalette();
        const struct {
            const char* what;
            QColor text, background;
        } pairs[] = {
            {"control label in a row", style::kDimText, style::kPanel},
            {"control label in the top strip", style::kDimText, style::kBackground},
            {"value in a row", style::kAccent, style::kPanel},
            {"value in the top strip", style::kAccent, style::kBackground},
            {"switch off", style::kDimText, style::kPanel},
            {"switch on", style::kText, style::kAccentDim},
            {"instrument name", style::kText, style::kPanel},
            {"window text", palette.color(QPalette::WindowText), palette.color(QPalette::Window)},
            {"browser entry", palette.color(QPalette::Text), palette.color(QPalette::Base)},
            {"button", palette.color(QPalette::ButtonText), palette.color(QPalette::Button)},
            {"tooltip", palette.color(QPalette::ToolTipText), palette.color(QPalette::ToolTipBase)},
            {"selected entry", palette.color(QPalette::HighlightedText), palette.color(QPalette::Highlight)},
            {"disabled text", palette.color(QPalette::Disabled, QPalette::WindowText), palette.color(QPalette::Window)},
        };
        for (const auto& pair : pairs)
            QVERIFY2(contrast(pair.text, pair.background) >= 4.5,
                     qPrintable(QString("%1: %2").arg(pair.what).arg(contrast(pair.text, pair.background))));
    }

    void noWidgetTakesFocus() {
        Knob knob("K");
        Slider slider("S");
        Button button("B");
        ButtonGroup group;
        Vumeter meter;
        LogoWidget logo;
        for (QWidget* widget : std::initializer_list<QWidget*>{&knob, &slider, &button, &group, &meter, &logo})
            QCOMPARE(widget->focusPolicy(), Qt::NoFocus);
        QVERIFY(knob.minimumSizeHint().width() <= 38 && knob.minimumSizeHint().height() <= 28);
        QVERIFY(slider.minimumSizeHint().width() <= 38 && slider.minimumSizeHint().height() <= 28);
    }

    void logoClicks() {
        LogoWidget logo;
        logo.resize(140, 52);
        QSignalSpy spy(&logo, &LogoWidget::clicked);
        QTest::mouseClick(&logo, Qt::LeftButton, Qt::NoModifier, QPoint(50, 20));
        QCOMPARE(spy.size(), 1);
    }

    void vumeterRepaintsOnlyWhenTheBarMoves() {
        Vumeter meter;
        meter.resize(6, 50);  // 48 pixels of bar
        PaintCounter counter;
        meter.installEventFilter(&counter);
        meter.show();
        QVERIFY(QTest::qWaitForWindowExposed(&meter));
        QTest::qWait(20);
        // Rising levels (no falloff involved) and whether the bar's pixel
        // height changes: -60 dB is the bottom, one pixel is 1.25 dB.
        const struct {
            float level;
            bool repaints;
        } steps[] = {{0.0f, false},   {0.001f, false}, {0.00115f, true}, {0.00115f, false}, {0.00116f, false},
                     {0.1f, true},    {0.1f, false},   {0.1005f, false}, {1.0f, true},      {0.995f, false},
                     {1.0f, false},   {4.0f, false}};
        for (const auto& step : steps) {
            counter.paints = 0;
            meter.setLevel(step.level);
            QTest::qWait(10);
            QVERIFY2((counter.paints > 0) == step.repaints, qPrintable(QString::number(step.level)));
        }
        meter.setLevel(std::numeric_limits<float>::quiet_NaN());  // falls, from full
        QVERIFY(meter.level() > 0.0f);
        QTest::qWait(800);
        meter.setLevel(std::numeric_limits<float>::quiet_NaN());
        QCOMPARE(meter.level(), 0.0f);
    }
};

QTEST_MAIN(ControlsTest)
#include "controls_test.moc"
