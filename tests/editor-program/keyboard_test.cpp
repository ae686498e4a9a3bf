// The on-screen keyboard: its keys' places, playing with the mouse, and the
// host's notes lighting keys with a repaint of that key only.
#include <QPaintEvent>
#include <QTest>

#include "editor-program/keyboard.h"
#include "editor-program/layout.h"
#include "tests/editor-program/support/bridge_fixture.h"
#include "tests/editor-program/support/paint_counter.h"

namespace {

constexpr int kFirst = layout::kKeyboardLowestNote;
constexpr int kLast = kFirst + 59;

using Message = QList<int>;

// What the keyboard sent to the plug-in, as status, note, velocity.
QList<Message> messages(BridgeFixture& bridge) {
    QList<Message> all;
    for (const SentMessage& sent : bridge.sent()) {
        if (sent.opcode != fromUiMidi) return {{-1, sent.opcode, 0}};  // only notes are expected
        all.append({sent.first, sent.second, sent.third});
    }
    return all;
}

}  // namespace

class KeyboardTest : public QObject {
    Q_OBJECT
    BridgeFixture bridge;

private slots:
    void init() { bridge.sent(); }  // nothing left over from the last test

    void keysTileTheWidget() {
        Keyboard keyboard(bridge.link());
        QCOMPARE(keyboard.size(), QSize(820, 65));
        QCOMPARE(keyboard.focusPolicy(), Qt::NoFocus);
        QCOMPARE(keyboard.keyRect(kFirst).left(), 0);
        QCOMPARE(keyboard.keyRect(kLast).right(), 819);
        QVERIFY(keyboard.keyRect(kFirst - 1).isEmpty());
        QVERIFY(keyboard.keyRect(kLast + 1).isEmpty());
        int whites = 0;
        for (int note = kFirst; note <= kLast; ++note) {
            const QRect key = keyboard.keyRect(note);
            QCOMPARE(keyboard.noteAt(key.center()), note);
            if (key.height() == keyboard.height()) {
                ++whites;
                QCOMPARE(keyboard.noteAt(QPoint(key.center().x(), 60)), note);  // below the black keys
            }
        }
        QCOMPARE(whites, layout::kKeyboardWhiteKeys);
        QCOMPARE(keyboard.noteAt(QPoint(-1, 30)), -1);
        QCOMPARE(keyboard.noteAt(QPoint(820, 30)), -1);
        QCOMPARE(keyboard.noteAt(QPoint(400, 65)), -1);
    }

    void clickPlaysTheKey_data() {
        QTest::addColumn<int>("note");
        QTest::addColumn<bool>("low");  // pressed near the key's lower end
        QTest::newRow("first C, top") << kFirst << false;
        QTest::newRow("first C, bottom") << kFirst << true;
        QTest::newRow("C sharp, top") << kFirst + 1 << false;
        QTest::newRow("C sharp, bottom") << kFirst + 1 << true;
        QTest::newRow("middle E") << 64 << true;
        QTest::newRow("A sharp") << 82 << true;
        QTest::newRow("last B") << kLast << false;
    }
    void clickPlaysTheKey() {
        QFETCH(int, note);
        QFETCH(bool, low);
        Keyboard keyboard(bridge.link());
        const QRect key = keyboard.keyRect(note);
        const QPoint at(key.center().x(), low ? key.bottom() : key.top());
        QTest::mousePress(&keyboard, Qt::LeftButton, Qt::NoModifier, at);
        QVERIFY(keyboard.isLit(note));
        QTest::mouseRelease(&keyboard, Qt::LeftButton, Qt::NoModifier, at);
        QVERIFY(!keyboard.isLit(note));
        const QList<Message> sent = messages(bridge);
        QCOMPARE(sent.size(), 2);
        QCOMPARE(sent[0][0], 144);
        QCOMPARE(sent[0][1], note);
        QCOMPARE(sent[0][2], low ? 127 : 1);
        QCOMPARE(sent[1], (Message{128, note, 0}));
    }

    void dragAcrossKeys() {
        Keyboard keyboard(bridge.link());
        const auto at = [&](int note) { return keyboard.keyRect(note).center(); };
        QTest::mousePress(&keyboard, Qt::LeftButton, Qt::NoModifier, at(60));
        QTest::mouseMove(&keyboard, at(60) + QPoint(1, 0));  // same key: nothing
        QTest::mouseMove(&keyboard, at(61));
        QTest::mouseMove(&keyboard, at(62));
        QTest::mouseMove(&keyboard, QPoint(at(62).x(), 80));  // off the keys
        QTest::mouseMove(&keyboard, at(64));
        QVERIFY(keyboard.isLit(64));
        QVERIFY(!keyboard.isLit(60));
        QTest::mouseRelease(&keyboard, Qt::LeftButton, Qt::NoModifier, at(64));
        QList<Message> sent = messages(bridge);
        for (Message& message : sent)
            if (message[0] == 144) message[2] = 1;  // velocities: tested above
        QCOMPARE(sent, (QList<Message>{{144, 60, 1}, {128, 60, 0}, {144, 61, 1}, {128, 61, 0}, {144, 62, 1},
                                       {128, 62, 0}, {144, 64, 1}, {128, 64, 0}}));
    }

    void hostNotesLightTheirKeyOnly_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("note");
        QTest::addColumn<int>("velocity");
        QTest::addColumn<bool>("lit");  // the key afterwards; it starts dark
        QTest::newRow("on, white") << 144 << 60 << 100 << true;
        QTest::newRow("on, black") << 144 << 61 << 1 << true;
        QTest::newRow("on, lowest") << 144 << kFirst << 64 << true;
        QTest::newRow("on, highest") << 144 << kLast << 64 << true;
        QTest::newRow("on, channel 2") << 145 << 60 << 100 << true;
        QTest::newRow("on, velocity 0") << 144 << 60 << 0 << false;
        QTest::newRow("off") << 128 << 60 << 64 << false;
        QTest::newRow("below the range") << 144 << kFirst - 1 << 100 << false;
        QTest::newRow("above the range") << 144 << kLast + 1 << 100 << false;
        QTest::newRow("controller") << 176 << 60 << 100 << false;
        QTest::newRow("aftertouch") << 160 << 60 << 100 << false;
    }
    void hostNotesLightTheirKeyOnly() {
        QFETCH(int, status);
        QFETCH(int, note);
        QFETCH(int, velocity);
        QFETCH(bool, lit);
        Keyboard keyboard(bridge.link());
        PaintCounter recorder;
        keyboard.installEventFilter(&recorder);
        keyboard.show();
        QVERIFY(QTest::qWaitForWindowExposed(&keyboard));
        QTest::qWait(20);

        recorder.rects.clear();
        keyboard.showNote(status, note, velocity);
        QTest::qWait(20);
        QCOMPARE(keyboard.isLit(note), lit);
        QCOMPARE(recorder.rects, lit ? QList<QRect>{keyboard.keyRect(note)} : QList<QRect>{});
        if (!lit) return;

        // The same again changes nothing; the note off darkens it.
        recorder.rects.clear();
        keyboard.showNote(status, note, velocity);
        QTest::qWait(20);
        QVERIFY(recorder.rects.isEmpty());
        keyboard.showNote(128, note, 0);
        QTest::qWait(20);
        QVERIFY(!keyboard.isLit(note));
        QCOMPARE(recorder.rects, QList<QRect>{keyboard.keyRect(note)});
        QVERIFY(messages(bridge).isEmpty());  // the host's notes are not sent back
    }
};

QTEST_MAIN(KeyboardTest)
#include "keyboard_test.moc"
