// The editor program's poll slows down once no message has come or gone
// for a while, and a message from the plug-in brings it back at once.
#include <fcntl.h>
#include <unistd.h>

#include <QtTest>

#include "editor-program/poll_pace.h"

class PollPaceTest : public QObject {
    Q_OBJECT

private slots:
    void quietSlowsAndAMessageWakes() {
        int pipeEnds[2];
        QCOMPARE(pipe2(pipeEnds, O_NONBLOCK | O_CLOEXEC), 0);
        int polls = 0;
        uint64_t traffic = 0;
        const PollPace pace(
            [&] {
                polls++;
                char bytes[64];
                if (read(pipeEnds[0], bytes, sizeof bytes) > 0) traffic++;  // as the program reads the FIFO
            },
            [&traffic] { return traffic; }, pipeEnds[0]);

        QVERIFY(!pace.idle());
        QTRY_VERIFY_WITH_TIMEOUT(pace.idle(), 10000);
        QVERIFY(polls >= PollPace::kQuietPollsBeforeIdle);

        // Just after a slow poll, a message is read at once: the slow timer
        // is a tenth of a second away.
        const int before = polls;
        QTRY_VERIFY_WITH_TIMEOUT(polls > before, 5000);
        QCOMPARE(write(pipeEnds[1], "m", 1), 1);
        QCoreApplication::processEvents();
        QCOMPARE(traffic, uint64_t{1});
        QVERIFY(!pace.idle());

        // Messages the program sends keep it busy too.
        for (int i = 0; i < PollPace::kQuietPollsBeforeIdle; i++) {
            traffic++;
            QTest::qWait(PollPace::kBusyMilliseconds);
        }
        QVERIFY(!pace.idle());
        close(pipeEnds[0]);
        close(pipeEnds[1]);
    }
};

QTEST_MAIN(PollPaceTest)
#include "poll_pace_test.moc"
