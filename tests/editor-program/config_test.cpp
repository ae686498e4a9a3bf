// The settings store, the dialog that edits it, and the status lines.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QtTest>

#include "editor-program/config_dialog.h"
#include "editor-program/qt_startup.h"
#include "editor-program/settings.h"
#include "editor-program/status_bar.h"
#include "tests/editor-program/support/temporary_settings.h"

class ConfigTest : public QObject {
    Q_OBJECT
    TemporarySettings settings;

private slots:
    void init() { settings.clear(); }

    void settingsKeepFlagsAndPathInTheTestFolder() {
        QCOMPARE(Settings::flag(Settings::kZoomCentered), false);
        QCOMPARE(Settings::flag(Settings::kZoomCentered, true), true);  // the fallback while unset
        Settings::setFlag(Settings::kZoomCentered, true);
        QCOMPARE(Settings::flag(Settings::kZoomCentered, false), true);

        QCOMPARE(Settings::userPath(), QString());
        Settings::setUserPath("/home/someone/samples");
        QCOMPARE(Settings::userPath(), QString("/home/someone/samples"));
        QVERIFY(QFile::exists(settings.path() + "/Quaxel2/UIQuaxel2VST.conf"));
        Settings::setUserPath({});
        QCOMPARE(Settings::userPath(), QString());
        QVERIFY(!QSettings("Quaxel2", "UIQuaxel2VST").contains(Settings::kUserPath));
    }

    void checkboxWritesItsSetting_data() {
        QTest::addColumn<QString>("key");
        for (const char* key : {Settings::kEnableLoopAutomation, Settings::kDisableKeyboardFocus,
                                Settings::kSetDragScroll, Settings::kZoomCentered})
            QTest::newRow(key) << QString(key);
    }

    void checkboxWritesItsSetting() {
        QFETCH(QString, key);
        const QByteArray name = key.toLatin1();
        Settings::setFlag(name.constData(), true);
        ConfigDialog dialog;
        auto* box = dialog.findChild<QCheckBox*>(key);
        QVERIFY(box);
        QVERIFY(box->isChecked());  // shows what is stored

        box->click();
        QCOMPARE(Settings::flag(name.constData(), true), false);  // saved at once
        box->click();
        QCOMPARE(Settings::flag(name.constData(), false), true);
    }

    // The size is saved and the program told at once; a size set by hand
    // in the file that is no size of the window counts as none.
    void windowSizeIsSavedAndApplied() {
        QCOMPARE(Settings::windowScale(), 0);
        QSettings("Quaxel2", "UIQuaxel2VST").setValue(Settings::kWindowScale, 175);
        QCOMPARE(Settings::windowScale(), 0);

        QList<int> applied;
        ConfigDialog dialog([&applied](int percent) { applied << percent; });
        auto* sizes = dialog.findChild<QComboBox*>(Settings::kWindowScale);
        QVERIFY(sizes);
        QCOMPARE(sizes->currentText(), QString("100 %"));  // the size the dialog is drawn at
        QCOMPARE(sizes->count(), 3);
        sizes->setFocus();
        QTest::keyClick(sizes, Qt::Key_Down);
        QTest::keyClick(sizes, Qt::Key_Down);
        QCOMPARE(applied, (QList<int>{150, 200}));
        QCOMPARE(Settings::windowScale(), 200);
    }

    // With no size set, the desktop's scale as X publishes it chooses.
    void desktopScaleChoosesTheSize_data() {
        QTest::addColumn<QByteArray>("resources");
        QTest::addColumn<int>("percent");
        QTest::newRow("none") << QByteArray("") << 100;
        QTest::newRow("96 dpi") << QByteArray("Xft.antialias:\t1\nXft.dpi:\t96\n") << 100;
        QTest::newRow("120 dpi") << QByteArray("Xft.dpi:\t120\n") << 150;
        QTest::newRow("144 dpi") << QByteArray("Xcursor.size:\t48\nXft.dpi:\t144\n") << 150;
        QTest::newRow("168 dpi") << QByteArray("Xft.dpi:\t168") << 200;
        QTest::newRow("192 dpi") << QByteArray("Xft.dpi: 192\n") << 200;
        QTest::newRow("288 dpi") << QByteArray("Xft.dpi:\t288\n") << 200;
        QTest::newRow("nonsense") << QByteArray("Xft.dpi:\tlarge\n") << 100;
        QTest::newRow("another resource") << QByteArray("Xft.dpiscale:\t2\n") << 100;
    }

    void desktopScaleChoosesTheSize() {
        QFETCH(QByteArray, resources);
        QFETCH(int, percent);
        QCOMPARE(windowScaleOfResources(resources.constData()), percent);
    }

    void dialogShowsEveryOption() {
        ConfigDialog dialog;
        QStringList labels;
        for (QLabel* label : dialog.findChildren<QLabel*>()) labels << label->text();
        for (const char* text : {"Enable loop automation : ", "Disable keyboard focus : ", "Mouse drag Waveform : ",
                                 "Zoom always centered : ", "Try to load as raw : ", "not implemented yet !",
                                 "Grain size for AKAIZE effect : ",
                                 "check this to enable host automation for loop start, loop end & "
                                 "start play."})
            QVERIFY2(labels.contains(text), text);
        QCOMPARE(dialog.windowTitle(), QString("Quaxel2 settings"));
        // The two rows that do nothing are drawn disabled, the grain size
        // as a figure and not as a field.
        QStringList disabled;
        for (QWidget* widget : dialog.findChildren<QWidget*>())
            if (!widget->isEnabled())
                disabled << (qobject_cast<QLabel*>(widget) ? static_cast<QLabel*>(widget)->text() : widget->metaObject()->className());
        disabled.sort();
        QCOMPARE(disabled, (QStringList{"1000", "Grain size for AKAIZE effect : ", "QCheckBox", "Try to load as raw : "}));
        QCOMPARE(dialog.findChild<QLabel*>("grainSize")->text(), QString("1000"));
    }

    // The check boxes are filled light with a dark tick on the dark window.
    void checkBoxesStandOut() {
        ConfigDialog dialog;
        auto* box = dialog.findChild<QCheckBox*>(Settings::kZoomCentered);
        const QPalette& palette = box->palette();
        auto luminance = [](const QColor& c) {
            auto linear = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
            return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
        };
        auto contrast = [&](const QColor& a, const QColor& b) {
            const double x = luminance(a), y = luminance(b);
            return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
        };
        QVERIFY(contrast(palette.color(QPalette::Base), palette.color(QPalette::Window)) >= 4.5);
        QVERIFY(contrast(palette.color(QPalette::Text), palette.color(QPalette::Base)) >= 4.5);
        QVERIFY(contrast(palette.color(QPalette::WindowText), palette.color(QPalette::Window)) >= 4.5);
    }

    // One dialog at a time, closed when the editor's window goes.
    void dialogClosesWithTheEditor() {
        auto frame = std::make_unique<QWidget>();
        auto* editor = new QWidget(frame.get());
        frame->show();
        QPointer<ConfigDialog> dialog = ConfigDialog::open(editor);
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(ConfigDialog::open(editor), dialog.data());
        frame.reset();
        QTRY_VERIFY(!dialog);
    }

    // Markers in seconds, their frames on hover, and the zoom as a factor.
    void statusBarTexts() {
        StatusBar status;
        status.setSampleRate(44100);
        status.setLoopStart(1234);
        status.setLoopEnd(8639999);
        status.setMarker(2, 44100 * 59 + 44078);  // 59.9995 s rounds up to a minute
        QCOMPARE(status.text(StatusBar::kLoopStartLine), QString("loop start : 0.028 s"));
        QCOMPARE(status.text(StatusBar::kLoopEndLine), QString("loop end : 3:15.918"));
        QCOMPARE(status.text(StatusBar::kStartLine), QString("start : 1:00.000"));
        QCOMPARE(status.lineToolTip(StatusBar::kLoopEndLine), QString("loop end at frame 8639999"));
        QCOMPARE(status.text(StatusBar::kMessageLine), QString());
        status.setSampleRate(0);
        QCOMPARE(status.text(StatusBar::kLoopStartLine), QString("loop start : 1234 frames"));

        const QList<QPair<double, QString>> zooms = {
            {100.0, "whole sample"}, {64.0, "1.6x"}, {25.0, "4.0x"}, {100.0 / std::pow(1.25, 11), "12x"}, {1.0 / 16, "1600x"}};
        for (const auto& [framesPerColumn, shown] : zooms) {
            status.setZoom(framesPerColumn, 100.0);
            QCOMPARE(status.text(StatusBar::kZoomLine), "zoom : " + shown);
        }
        QCOMPARE(status.lineToolTip(StatusBar::kZoomLine), QString("16 pixels per frame"));
    }
};

QTEST_MAIN(ConfigTest)
#include "config_test.moc"
