// The envelope picture: it follows the instrument's envelope parameters,
// and only those.
#include <QtTest>

#include "editor-program/shown_instrument.h"
#include "editor-program/style.h"
#include "editor-program/visualizer.h"
#include "tests/editor-program/support/bridge_fixture.h"
#include "tests/editor-program/support/paint_counter.h"

namespace {

}  // namespace

class VisualizerTest : public QObject {
    Q_OBJECT

private slots:
    void emptyWithoutInstrument() {
        ShownInstrument none;
        Visualizer visualizer(none);
        const QImage picture = visualizer.grab().toImage();
        for (int x = 2; x < picture.width() - 2; x += 3)
            for (int y = 2; y < picture.height() - 2; y += 3) QCOMPARE(picture.pixelColor(x, y), style::kPanel);
        visualizer.poll();  // nothing to read, nothing to crash on
    }

    void pictureFollowsEnvelopeParameters_data() {
        QTest::addColumn<int>("parameter");
        QTest::addColumn<bool>("redraws");
        QTest::newRow("volume") << 0 << false;
        for (int parameter = 10; parameter <= 17; parameter++)
            QTest::newRow(qPrintable(QString("envelope %1").arg(parameter))) << parameter << true;
        QTest::newRow("reverse") << 18 << false;
    }

    void pictureFollowsEnvelopeParameters() {
        QFETCH(int, parameter);
        QFETCH(bool, redraws);
        BridgeFixture fixture;
        InstrumentData& record = fixture.fillSlot(0, 7, "drum", 0.3f);
        ShownInstrument shown;
        Visualizer visualizer(shown);
        shown.show(&record);
        visualizer.shownChanged();
        visualizer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&visualizer));
        const QImage before = visualizer.grab().toImage();
        PaintCounter counter;
        visualizer.installEventFilter(&counter);

        record.parameterRecord[parameter].value = 0.9f;
        visualizer.poll();
        QTest::qWait(20);
        QCOMPARE(counter.paints, redraws ? 1 : 0);
        QCOMPARE(visualizer.grab().toImage() != before, redraws);

        counter.paints = 0;
        visualizer.poll();  // nothing changed since
        QTest::qWait(20);
        QCOMPARE(counter.paints, 0);
    }
};

QTEST_MAIN(VisualizerTest)
#include "visualizer_test.moc"
