// The waveform panel against a real plug-in end: what it draws from the
// shared record, and what its zooming, scrolling and marker drags write to
// the record and send to the plug-in.
#include <QLabel>
#include <QtTest>

#include "editor-program/scroll_bar.h"
#include "editor-program/settings.h"
#include "editor-program/shown_instrument.h"
#include "editor-program/status_bar.h"
#include "editor-program/style.h"
#include "editor-program/time_ruler.h"
#include "editor-program/waveform_display.h"
#include "editor-program/waveform_markers.h"
#include "editor-program/waveformz.h"
#include "tests/editor-program/support/bridge_fixture.h"
#include "tests/editor-program/support/paint_counter.h"
#include "tests/editor-program/support/temporary_settings.h"

namespace {

constexpr int kLength = 40700;  // 100 frames per column when all is shown
constexpr int kRate = 10000;    // 4.07 seconds
constexpr int kInstrument = 3;

// As the plug-in fills the record for a new waveform: columns 100 to 199
// swing to +-0.8, the rest is silence; loop from column 100 to 300.
void fillRecord(SampleData& record) {
    record.length = kLength;
    record.sampleRate = kRate;
    record.channels = 1;
    record.columns = 407;
    record.framesPerColumn = record.fullFramesPerColumn = kLength / 407.0;
    record.viewStart = 0;
    record.waveformReady = 1;
    record.loopOn = 0;
    record.startPlay = 0;
    record.loopStart = 10000;
    record.loopEnd = 30000;
    for (int column = 0; column < 407; column++) {
        const bool loud = column >= 100 && column < 200;
        record.maxPeaks[column] = loud ? 0.8f : 0.0f;
        record.minPeaks[column] = loud ? -0.8f : 0.0f;
    }
}

void mouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, at, widget->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : button, held,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

int count(const std::vector<SentMessage>& messages, FromUiOpcode opcode) {
    return static_cast<int>(
        std::count_if(messages.begin(), messages.end(), [opcode](const SentMessage& m) { return m.opcode == opcode; }));
}

// A display on its own fixture showing instrument kInstrument, the
// record filled as the plug-in's answer to the request for its waveform.
struct Panel {
    BridgeFixture fixture;
    StatusBar status;
    ShownInstrument shown;
    WaveformDisplay display{fixture.link(), shown};
    Waveformz* waveform = display.findChild<Waveformz*>();
    InstrumentData& instrument = fixture.fillSlot(0, kInstrument, "wave");

    explicit Panel(double framesPerColumn = 0, int viewStart = 0) {
        fillRecord(*fixture.sample);
        if (framesPerColumn > 0) fixture.sample->framesPerColumn = framesPerColumn;
        fixture.sample->viewStart = viewStart;
        display.setStatusBar(&status);
        show(&instrument);
    }
    // Shows `record` and answers the request as the plug-in does.
    void show(InstrumentData* record) {
        shown.show(record);
        display.shownChanged();
        display.waveformReady();
    }
    // Turns the instrument's reverse switch, as the plug-in records it; the
    // panel notices on its next poll.
    void reverse(bool on) {
        instrument.parameterRecord[parameter_map::instrument::kReverse].value = on ? 1.0f : 0.0f;
        display.poll();
    }
    Marker* marker(int kind) const {
        for (Marker* each : waveform->findChildren<Marker*>())
            if (each->kind() == kind) return each;
        return nullptr;
    }
    // Drags marker `kind` by its handle through `columns`, releasing on the last.
    void drag(int kind, const QList<int>& columns) {
        Marker* it = marker(kind);
        const int y = kind == 2 ? it->height() - 2 : 2;
        mouse(it, QEvent::MouseButtonPress, {Marker::kWidth / 2, y}, Qt::LeftButton);
        for (int column : columns) mouse(it, QEvent::MouseMove, {column - it->x(), y}, Qt::LeftButton);
        mouse(it, QEvent::MouseButtonRelease, {columns.last() - it->x(), y}, Qt::LeftButton);
    }
};

// The status line of marker `kind`.
constexpr StatusBar::Line kMarkerLine[3] = {StatusBar::kLoopStartLine, StatusBar::kLoopEndLine, StatusBar::kStartLine};

// The columns of the picture's row `y` that show the waveform.
QList<int> accentColumns(QWidget* waveform, int y) {
    const QImage image = waveform->grab().toImage();
    QList<int> columns;
    for (int x = 0; x < image.width(); x++)
        if (image.pixelColor(x, y) == style::kAccent) columns << x;
    return columns;
}

QList<int> range(int from, int to) {
    QList<int> all;
    for (int x = from; x < to; x++) all << x;
    return all;
}

void wheel(QWidget* widget, int column, int notches) {
    QWheelEvent event(QPointF(column, 30), widget->mapToGlobal(QPointF(column, 30)), QPoint(), QPoint(0, 120 * notches),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(widget, &event);
}

SentMessage markerMessage(int instrument, int kind, int frame) {
    return {fromUiParameter, 640 + 4 * instrument + kind, 0, 0, float(frame) / float(kLength), {}};
}

}  // namespace

class WaveformTest : public QObject {
    Q_OBJECT
    TemporarySettings settings;

private slots:
    void init() { settings.clear(); }

    void drawsColumnsAndLoopFromRecord() {
        Panel panel;
        const int middle = Waveformz::kHeight / 2;
        auto pixel = [&](int column, int y) { return panel.waveform->grab().toImage().pixelColor(column, y); };

        QCOMPARE(pixel(150, middle - 20), style::kAccent);  // a loud column, above and below the centre
        QCOMPARE(pixel(150, middle + 20), style::kAccent);
        QCOMPARE(pixel(50, middle - 20), style::kBackground);   // silence
        QCOMPARE(pixel(250, middle - 20), style::kBackground);  // in the loop, but the loop is off

        panel.fixture.sample->loopOn = 1;
        panel.display.waveformReady();
        QVERIFY(pixel(250, middle - 20) != style::kBackground);  // shaded
        QCOMPARE(pixel(350, middle - 20), style::kBackground);   // after the loop end
        QCOMPARE(pixel(50, middle - 20), style::kBackground);    // before the loop start
    }

    void wheelZoom_data() {
        QTest::addColumn<double>("framesPerColumn");
        QTest::addColumn<int>("viewStart");
        QTest::addColumn<bool>("centred");
        QTest::addColumn<bool>("disabled");
        QTest::addColumn<bool>("reversed");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("notches");
        QTest::addColumn<double>("wantFramesPerColumn");
        QTest::addColumn<int>("wantViewStart");
        QTest::addColumn<QString>("wantZoom");
        // The frame under the mouse stays under it; a notch is a factor of 1.25.
        QTest::newRow("in at the mouse") << 100.0 << 0 << false << false << false << 100 << 1 << 80.0 << 2000 << "1.3x";
        QTest::newRow("in at the middle") << 100.0 << 0 << true << false << false << 100 << 1 << 80.0 << 4060 << "1.3x";
        QTest::newRow("two notches") << 100.0 << 0 << false << false << false << 0 << 2 << 64.0 << 0 << "1.6x";
        // Mirrored, column 100 shows frame 30699, as before the zoom.
        QTest::newRow("in at the mouse, reversed") << 100.0 << 0 << false << false << true << 100 << 1 << 80.0 << 6140 << "1.3x";
        // 7140 is the last start while 80 frames per column are shown.
        QTest::newRow("out keeps the view inside") << 80.0 << 7140 << false << false << false << 0 << -1 << 100.0 << 0 << "whole sample";
        QTest::newRow("out past the whole sample") << 100.0 << 0 << false << false << false << 0 << -1 << 100.0 << 0 << "whole sample";
        QTest::newRow("in past 1/16") << 1.0 / 16 << 800 << false << false << false << 0 << 1 << 1.0 / 16 << 800 << "1600x";
        QTest::newRow("wheel turned off") << 100.0 << 0 << false << true << false << 100 << 1 << 100.0 << 0 << "whole sample";
    }

    void wheelZoom() {
        QFETCH(double, framesPerColumn);
        QFETCH(int, viewStart);
        QFETCH(bool, centred);
        QFETCH(bool, disabled);
        QFETCH(bool, reversed);
        QFETCH(int, column);
        QFETCH(int, notches);
        QFETCH(double, wantFramesPerColumn);
        QFETCH(int, wantViewStart);
        QFETCH(QString, wantZoom);
        Settings::setFlag(Settings::kZoomCentered, centred);
        Settings::setFlag(Settings::kDisableKeyboardFocus, disabled);
        Panel panel(framesPerColumn, viewStart);
        if (reversed) panel.reverse(true);
        panel.fixture.sent();

        wheel(panel.waveform, column, notches);

        QCOMPARE(panel.fixture.sample->framesPerColumn, wantFramesPerColumn);
        QCOMPARE(panel.fixture.sample->viewStart, wantViewStart);
        const bool changed = wantFramesPerColumn != framesPerColumn;
        const auto sent = panel.fixture.sent();
        QCOMPARE(int(sent.size()), changed ? 1 : 0);
        QCOMPARE(count(sent, fromUiRefreshPeaks), changed ? 1 : 0);
        QCOMPARE(panel.status.text(StatusBar::kZoomLine), "zoom : " + wantZoom);
    }

    // Thirty notches from the whole sample reach about a frame per column
    // (1.25^-30 of 100), and thirty back show the whole sample again.
    void zoomStepsAreAQuarter() {
        Panel panel;
        for (int notch = 1; notch <= 30; notch++) {
            wheel(panel.waveform, 0, 1);
            QCOMPARE(panel.fixture.sample->framesPerColumn, 100.0 / std::pow(1.25, notch));
        }
        QCOMPARE(panel.status.text(StatusBar::kZoomLine), QString("zoom : 808x"));
        for (int notch = 0; notch < 30; notch++) wheel(panel.waveform, 0, -1);
        QCOMPARE(panel.fixture.sample->framesPerColumn, 100.0);
        QCOMPARE(panel.status.text(StatusBar::kZoomLine), QString("zoom : whole sample"));
    }

    void scrollBarMovesTheView() {
        Panel panel(25.0, 0);  // 10175 frames shown, the last start is 30525
        panel.fixture.sent();
        auto* bar = panel.display.findChild<ScrollBar*>();

        mouse(bar, QEvent::MouseButtonPress, {bar->width() - 2, 5}, Qt::LeftButton);  // the trough: one page
        QCOMPARE(panel.fixture.sample->viewStart, 10175);
        QCOMPARE(bar->position(), 10175);

        // The thumb is a quarter of the bar wide and a third along its way: 102 to 202.
        const int thumb = 150;
        mouse(bar, QEvent::MouseButtonPress, {thumb, 5}, Qt::LeftButton);
        mouse(bar, QEvent::MouseMove, {thumb + 1000, 5}, Qt::LeftButton);
        mouse(bar, QEvent::MouseButtonRelease, {thumb + 1000, 5}, Qt::LeftButton);
        QCOMPARE(panel.fixture.sample->viewStart, 30525);
        QCOMPARE(count(panel.fixture.sent(), fromUiRefreshPeaks), 2);
    }

    void dragScroll_data() {
        QTest::addColumn<bool>("leftDrags");
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<bool>("scrolls");
        QTest::newRow("middle button by default") << false << Qt::MiddleButton << true;
        QTest::newRow("left button does not by default") << false << Qt::LeftButton << false;
        QTest::newRow("left button when set") << true << Qt::LeftButton << true;
        QTest::newRow("middle button not when set") << true << Qt::MiddleButton << false;
    }

    void dragScroll() {
        QFETCH(bool, leftDrags);
        QFETCH(Qt::MouseButton, button);
        QFETCH(bool, scrolls);
        Settings::setFlag(Settings::kSetDragScroll, leftDrags);
        Panel panel(25.0, 20000);
        panel.fixture.sent();

        // Dragging the picture 40 columns to the left shows 1000 frames further on.
        mouse(panel.waveform, QEvent::MouseButtonPress, {200, 30}, button);
        mouse(panel.waveform, QEvent::MouseMove, {180, 30}, button);
        mouse(panel.waveform, QEvent::MouseMove, {160, 30}, button);
        mouse(panel.waveform, QEvent::MouseButtonRelease, {160, 30}, button);

        QCOMPARE(panel.fixture.sample->viewStart, scrolls ? 21000 : 20000);
        QCOMPARE(count(panel.fixture.sent(), fromUiRefreshPeaks), scrolls ? 2 : 0);
        QCOMPARE(panel.display.findChild<ScrollBar*>()->position(), panel.fixture.sample->viewStart);
    }

    void markerDragSetsItsParameter_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("automation");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<QList<int>>("wantFrames");
        // The drag passes columns 120 and 150 and ends on 180.
        QTest::newRow("loop start, automated") << 0 << true << true << QList<int>{12000, 15000, 18000};
        QTest::newRow("loop end, automated") << 1 << true << true << QList<int>{12000, 15000, 18000};
        QTest::newRow("start, at release") << 2 << false << true << QList<int>{18000};
        QTest::newRow("loop start, at release") << 0 << false << true << QList<int>{18000};
        QTest::newRow("no instrument") << 0 << true << false << QList<int>{};
    }

    void markerDragSetsItsParameter() {
        QFETCH(int, kind);
        QFETCH(bool, automation);
        QFETCH(bool, shown);
        QFETCH(QList<int>, wantFrames);
        Settings::setFlag(Settings::kEnableLoopAutomation, automation);
        Panel panel;
        if (!shown) panel.show(nullptr);
        panel.fixture.sent();
        const int line = Marker::kWidth / 2;
        const int before = panel.marker(kind)->x();

        panel.drag(kind, {120, 150, 180});

        std::vector<SentMessage> want;
        for (int frame : wantFrames) want.push_back(markerMessage(kInstrument, kind, frame));
        QCOMPARE(panel.fixture.sent(), want);
        QCOMPARE(panel.marker(kind)->x() + line, shown ? 180 : before + line);
        if (kind == 0 && shown) QCOMPARE(panel.status.text(0), QString("loop start : 1.800 s"));
    }

    // A marker goes where the plug-in will put it, and says so while it is
    // dragged: loop start before loop end, loop end after loop start.
    void markersStopWhereThePluginStopsThem_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("wantFrame");
        QTest::addColumn<QString>("wantStatus");
        // The loop runs from 10000 (column 100) to 30000 (column 300).
        QTest::newRow("loop start past loop end") << 0 << 350 << 29999 << "loop start : 3.000 s";
        QTest::newRow("loop end before loop start") << 1 << 50 << 10001 << "loop end : 1.000 s";
        QTest::newRow("start anywhere") << 2 << 350 << 35000 << "start : 3.500 s";
    }

    void markersStopWhereThePluginStopsThem() {
        QFETCH(int, kind);
        QFETCH(int, column);
        QFETCH(int, wantFrame);
        QFETCH(QString, wantStatus);
        Settings::setFlag(Settings::kEnableLoopAutomation, true);
        Panel panel;
        panel.fixture.sent();
        panel.drag(kind, {column});
        QCOMPARE(panel.fixture.sent(), (std::vector<SentMessage>{markerMessage(kInstrument, kind, wantFrame)}));
        QCOMPARE(panel.marker(kind)->x() + Marker::kWidth / 2, int(std::lround(wantFrame / 100.0)));
        QCOMPARE(panel.status.text(kMarkerLine[kind]), wantStatus);
        QCOMPARE(panel.status.lineToolTip(kMarkerLine[kind]).split(' ').last(), QString::number(wantFrame));
        QVERIFY(panel.marker(kind)->toolTip().endsWith("frame " + QString::number(wantFrame)));
    }

    // The instrument's name and what its sample is, above the picture.
    void nameAboveThePicture() {
        Panel panel;
        const QList<QLabel*> labels = panel.display.findChildren<QLabel*>();
        auto labelWith = [&](const QString& text) -> QLabel* {
            for (QLabel* label : labels)
                if (label->text() == text) return label;
            return nullptr;
        };
        QLabel* name = labelWith("wave");
        QLabel* about = labelWith("mono, 10 kHz, 4.070 s");
        QVERIFY(name && about);
        QVERIFY(name->geometry().bottom() < panel.waveform->y());
        QVERIFY(about->geometry().bottom() < panel.waveform->y());

        panel.fixture.sample->channels = 2;
        panel.reverse(true);
        panel.display.waveformReady();
        QCOMPARE(about->text(), QString("stereo, 10 kHz, 4.070 s, reversed"));
        panel.show(nullptr);
        QCOMPARE(name->text(), QString());
        QCOMPARE(about->text(), QString());
    }

    // A stereo sample: the left channel in the upper half, the right one
    // (its columns from kSecondChannelColumn) in the lower half.
    void stereoShowsTwoTraces() {
        Panel panel;
        SampleData& record = *panel.fixture.sample;
        record.channels = 2;
        for (int column = 0; column < 407; column++) {
            const bool loud = column >= 250 && column < 300;
            record.maxPeaks[SampleData::kSecondChannelColumn + column] = loud ? 0.8f : 0.0f;
            record.minPeaks[SampleData::kSecondChannelColumn + column] = loud ? -0.8f : 0.0f;
        }
        panel.display.waveformReady();
        const int quarter = Waveformz::kHeight / 4;
        for (int y : {quarter - 8, quarter + 8}) QCOMPARE(accentColumns(panel.waveform, y), range(101, 200));  // 100: the loop start
        for (int y : {3 * quarter - 8, 3 * quarter + 8}) QCOMPARE(accentColumns(panel.waveform, y), range(250, 300));
    }

    // With "rev" on, the picture shows the sample as it plays: mirrored, the
    // markers with it, and a dragged marker still sets its own frame.
    void reverseMirrorsThePicture() {
        Settings::setFlag(Settings::kEnableLoopAutomation, true);
        Panel panel;
        const int line = Marker::kWidth / 2;
        panel.reverse(true);
        QCOMPARE(accentColumns(panel.waveform, Waveformz::kHeight / 2 - 10), range(207, 307));
        // Frame 10000 begins where frame 10001 ends in the mirror: column 306.99.
        QCOMPARE(panel.marker(0)->x() + line, 307);
        QCOMPARE(panel.marker(1)->x() + line, 107);
        QCOMPARE(panel.marker(2)->x() + line, 406);  // the first frame, at the right edge
        panel.fixture.sent();

        panel.drag(0, {350});
        QCOMPARE(panel.fixture.sent(), (std::vector<SentMessage>{markerMessage(kInstrument, 0, 5699)}));
        QCOMPARE(panel.marker(0)->x() + line, 350);

        // Scrolling by the bar runs from the sample's end.
        auto* bar = panel.display.findChild<ScrollBar*>();
        panel.fixture.sample->framesPerColumn = 25.0;
        panel.display.waveformReady();
        QCOMPARE(bar->position(), 30525);
        mouse(bar, QEvent::MouseButtonPress, {2, 5}, Qt::LeftButton);  // one page towards the left: later frames
        QCOMPARE(panel.fixture.sample->viewStart, 10175);

        panel.fixture.sample->framesPerColumn = 100.0;
        panel.fixture.sample->viewStart = 0;
        panel.reverse(false);
        panel.display.waveformReady();
        QCOMPARE(panel.marker(1)->x() + line, 300);
        QCOMPARE(accentColumns(panel.waveform, Waveformz::kHeight / 2 - 10), range(101, 200));
    }

    // The ruler labels round times, far enough apart to read, at every zoom;
    // mirrored, time runs from the right.
    void rulerLabelsAdaptToTheZoom() {
        Panel panel;
        auto* ruler = panel.display.findChild<TimeRuler*>();
        QVERIFY(ruler->y() >= panel.waveform->geometry().bottom());
        auto labels = [&] {
            QList<QPair<int, QString>> all;
            for (const TimeRuler::Tick& tick : ruler->ticks())
                if (!tick.label.isEmpty()) all.append({int(std::lround(tick.x)), tick.label});
            return all;
        };
        using Labels = QList<QPair<int, QString>>;
        QCOMPARE(labels(), (Labels{{0, "0 s"}, {100, "1 s"}, {200, "2 s"}, {300, "3 s"}, {400, "4 s"}}));
        panel.fixture.sample->framesPerColumn = 100.0 / std::pow(1.25, 6);  // six notches in: 26.2 frames per column
        panel.display.waveformReady();
        QCOMPARE(labels().first(), (QPair<int, QString>{0, "0.0 s"}));
        QCOMPARE(labels()[1], (QPair<int, QString>{76, "0.2 s"}));
        panel.fixture.sample->framesPerColumn = 1.0 / 16;
        panel.fixture.sample->viewStart = 10000;
        panel.display.waveformReady();
        QCOMPARE(labels().first(), (QPair<int, QString>{0, "1.0000 s"}));
        QCOMPARE(labels()[1], (QPair<int, QString>{80, "1.0005 s"}));
        panel.fixture.sample->framesPerColumn = 100.0;
        panel.fixture.sample->viewStart = 0;
        panel.reverse(true);
        QCOMPARE(labels().first(), (QPair<int, QString>{407, "0 s"}));
        QCOMPARE(labels().last(), (QPair<int, QString>{7, "4 s"}));
    }

    // Markers on the same frame each keep a handle of their own: with the
    // start and the loop start both at 0, the loop start's flag takes it.
    void eachMarkerHasItsOwnHandle() {
        Panel panel;
        panel.fixture.sample->loopStart = 0;
        panel.display.waveformReady();
        panel.display.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel.display));
        panel.fixture.sent();
        const QPoint flag = panel.marker(0)->mapTo(panel.waveform, QPoint(Marker::kWidth / 2 + 2, 2));
        const QPoint triangle = panel.marker(2)->mapTo(panel.waveform, QPoint(Marker::kWidth / 2, Waveformz::kHeight - 2));
        QCOMPARE(panel.waveform->childAt(flag), panel.marker(0));
        QCOMPARE(panel.waveform->childAt(triangle), panel.marker(2));
    }

    // Markers that the plug-in does not move (a built-in sound's, a missing
    // file's) cannot be dragged.
    void fixedMarkersStayPut() {
        Settings::setFlag(Settings::kEnableLoopAutomation, true);
        Panel panel;
        panel.instrument.flags = InstrumentData::kMarkersFixed;
        panel.show(&panel.instrument);
        panel.fixture.sent();
        const int before = panel.marker(0)->x();
        panel.drag(0, {150});
        QCOMPARE(panel.fixture.sent(), std::vector<SentMessage>{});
        QCOMPARE(panel.marker(0)->x(), before);
    }

    // While the waveform of a newly shown instrument is awaited, the record
    // is being rewritten: the picture, status and markers keep the old one
    // until the answer, then all show the new one.
    void pictureWaitsForTheAnswer() {
        Panel panel;
        panel.fixture.sent();
        InstrumentData& other = panel.fixture.fillSlot(1, 4, "other");
        panel.shown.show(&other);
        panel.display.shownChanged();
        QCOMPARE(panel.fixture.sent(), (std::vector<SentMessage>{{fromUiShowWaveform, 4, 0, 0, 0, {}}}));
        panel.fixture.sample->length = 16500;
        panel.fixture.sample->loopEnd = 16000;
        panel.display.poll();
        QCOMPARE(panel.waveform->shown().length, kLength);
        QCOMPARE(panel.status.text(1), QString("loop end : 3.000 s"));
        panel.display.waveformReady();
        QCOMPARE(panel.waveform->shown().length, 16500);
        QCOMPARE(panel.status.text(1), QString("loop end : 1.600 s"));
    }

    void pollRepaintsOnlyOnChange() {
        Panel panel;
        panel.display.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel.display));
        PaintCounter counter;
        panel.waveform->installEventFilter(&counter);
        auto paintsAfterPoll = [&] {
            QTest::qWait(20);
            counter.paints = 0;
            panel.display.poll();
            QTest::qWait(20);
            return counter.paints;
        };

        QCOMPARE(paintsAfterPoll(), 0);
        panel.fixture.sample->loopEnd = 35000;  // the plug-in moved a marker
        QCOMPARE(paintsAfterPoll(), 1);
        QCOMPARE(panel.status.text(1), QString("loop end : 3.500 s"));
        QCOMPARE(paintsAfterPoll(), 0);
        panel.fixture.sample->loopOn = 1;
        QCOMPARE(paintsAfterPoll(), 1);
        panel.fixture.sample->maxPeaks[5] = 0.5f;  // new peaks after a zoom
        QCOMPARE(paintsAfterPoll(), 1);
    }
};

QTEST_MAIN(WaveformTest)
#include "waveform_test.moc"
