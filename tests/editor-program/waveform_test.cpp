// The waveform panel against a real plug-in end: what it draws from the
// shared record, and what its zooming, scrolling and marker drags write to
// the record and send to the plug-in.
#include <QtTest>

#include "editor-program/scroll_bar.h"
#include "editor-program/settings.h"
#include "editor-program/shown_instrument.h"
#include "editor-program/status_bar.h"
#include "editor-program/style.h"
#include "editor-program/waveform_display.h"
#include "editor-program/waveform_markers.h"
#include "editor-program/waveformz.h"
#include "tests/editor-program/support/bridge_fixture.h"
#include "tests/editor-program/support/paint_counter.h"
#include "tests/editor-program/support/temporary_settings.h"

namespace {

constexpr int kLength = 40700;  // 100 frames per column when all is shown
constexpr int kInstrument = 3;

// As the plug-in fills the record for a new waveform: columns 100 to 199
// swing to +-0.8, the rest is silence; loop from column 100 to 300.
void fillRecord(SampleData& record) {
    record.length = kLength;
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
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("notches");
        QTest::addColumn<double>("wantFramesPerColumn");
        QTest::addColumn<int>("wantViewStart");
        // The frame under the mouse stays under it.
        QTest::newRow("in at the mouse") << 100.0 << 0 << false << false << 100 << 1 << 50.0 << 5000;
        QTest::newRow("in at the middle") << 100.0 << 0 << true << false << 100 << 1 << 50.0 << 10150;
        QTest::newRow("two notches") << 100.0 << 0 << false << false << 0 << 2 << 25.0 << 0;
        // 20350 is the last start while 50 frames per column are shown.
        QTest::newRow("out keeps the view inside") << 50.0 << 20350 << false << false << 0 << -1 << 100.0 << 0;
        QTest::newRow("out past the whole sample") << 100.0 << 0 << false << false << 0 << -1 << 100.0 << 0;
        QTest::newRow("in past 1/16") << 1.0 / 16 << 800 << false << false << 0 << 1 << 1.0 / 16 << 800;
        QTest::newRow("wheel turned off") << 100.0 << 0 << false << true << 100 << 1 << 100.0 << 0;
    }

    void wheelZoom() {
        QFETCH(double, framesPerColumn);
        QFETCH(int, viewStart);
        QFETCH(bool, centred);
        QFETCH(bool, disabled);
        QFETCH(int, column);
        QFETCH(int, notches);
        QFETCH(double, wantFramesPerColumn);
        QFETCH(int, wantViewStart);
        Settings::setFlag(Settings::kZoomCentered, centred);
        Settings::setFlag(Settings::kDisableKeyboardFocus, disabled);
        Panel panel(framesPerColumn, viewStart);
        panel.fixture.sent();

        QWheelEvent wheel(QPointF(column, 30), panel.waveform->mapToGlobal(QPointF(column, 30)), QPoint(),
                          QPoint(0, 120 * notches), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(panel.waveform, &wheel);

        QCOMPARE(panel.fixture.sample->framesPerColumn, wantFramesPerColumn);
        QCOMPARE(panel.fixture.sample->viewStart, wantViewStart);
        const bool changed = wantFramesPerColumn != framesPerColumn;
        const auto sent = panel.fixture.sent();
        QCOMPARE(int(sent.size()), changed ? 1 : 0);
        QCOMPARE(count(sent, fromUiRefreshPeaks), changed ? 1 : 0);
        QCOMPARE(panel.status.text(2), "zoom : 1 / " + QString::number(wantFramesPerColumn));
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
        if (kind == 0 && shown) QCOMPARE(panel.status.text(0), QString("loop start : 18000"));
    }

    // A marker goes where the plug-in will put it, and says so while it is
    // dragged: loop start before loop end, loop end after loop start.
    void markersStopWhereThePluginStopsThem_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("wantFrame");
        QTest::addColumn<QString>("wantStatus");
        // The loop runs from 10000 (column 100) to 30000 (column 300).
        QTest::newRow("loop start past loop end") << 0 << 350 << 29999 << "loop start : 29999";
        QTest::newRow("loop end before loop start") << 1 << 50 << 10001 << "loop end : 10001";
        QTest::newRow("start anywhere") << 2 << 350 << 35000 << "";
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
        if (!wantStatus.isEmpty()) QCOMPARE(panel.status.text(kind), wantStatus);
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
        QCOMPARE(panel.status.text(1), QString("loop end : 30000"));
        panel.display.waveformReady();
        QCOMPARE(panel.waveform->shown().length, 16500);
        QCOMPARE(panel.status.text(1), QString("loop end : 16000"));
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
        QCOMPARE(panel.status.text(1), QString("loop end : 35000"));
        QCOMPARE(paintsAfterPoll(), 0);
        panel.fixture.sample->loopOn = 1;
        QCOMPARE(paintsAfterPoll(), 1);
        panel.fixture.sample->maxPeaks[5] = 0.5f;  // new peaks after a zoom
        QCOMPARE(paintsAfterPoll(), 1);
    }
};

QTEST_MAIN(WaveformTest)
#include "waveform_test.moc"
