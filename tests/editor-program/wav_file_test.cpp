// WAV files: what the writer makes reads back, every supported encoding
// decodes to the right values, and damaged headers give errors, not reads
// past the data.
#include "editor-program/wav_file.h"

#include <QtTest>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

QByteArray little(uint32_t value, int size) {
    QByteArray bytes;
    for (int i = 0; i < size; i++) bytes.append(char(value >> (8 * i)));
    return bytes;
}

QByteArray chunk(const char* id, const QByteArray& body, int64_t claimedSize = -1) {
    QByteArray bytes = QByteArray(id, 4) + little(uint32_t(claimedSize < 0 ? body.size() : claimedSize), 4) + body;
    if (body.size() % 2) bytes.append('\0');
    return bytes;
}

QByteArray format(int tag, int channels, int rate, int bits, int blockAlign = -1) {
    if (blockAlign < 0) blockAlign = channels * bits / 8;
    return little(uint32_t(tag), 2) + little(uint32_t(channels), 2) + little(uint32_t(rate), 4) +
           little(uint32_t(rate * blockAlign), 4) + little(uint32_t(blockAlign), 2) + little(uint32_t(bits), 2);
}

QByteArray extensible(int subTag, int channels, int rate, int bits) {
    // Extension size, valid bits, channel mask, then the sub-format GUID.
    return format(0xFFFE, channels, rate, bits) + little(22, 2) + little(uint32_t(bits), 2) + little(0, 4) +
           little(uint32_t(subTag), 2) + QByteArray::fromHex("000000001000800000aa00389b71");
}

QByteArray riff(const QByteArray& chunks) { return "RIFF" + little(uint32_t(4 + chunks.size()), 4) + "WAVE" + chunks; }

QByteArray floats32(std::initializer_list<float> values) {
    QByteArray bytes;
    for (float value : values) bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
    return bytes;
}

QByteArray floats64(std::initializer_list<double> values) {
    QByteArray bytes;
    for (double value : values) bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
    return bytes;
}

}  // namespace

class WavFileTest : public QObject {
    Q_OBJECT
    QTemporaryDir folder;

    std::string save(const QByteArray& bytes) {
        const QString path = folder.filePath("test.wav");
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) return {};
        return path.toStdString();
    }

private slots:
    void writtenFileReadsBack() {
        const std::string path = folder.filePath("round.wav").toStdString();
        constexpr int kFrames = 67032;  // 1.52 s at 44100 Hz
        std::vector<float> frames(2 * kFrames);
        for (int i = 0; i < kFrames; i++) {
            frames[2 * i] = float(std::sin(i * 0.01));
            frames[2 * i + 1] = i % 2 ? 1.5f : -1.5f;  // clipped to full scale
        }
        {
            WavOutFile out(path, 44100, 2);
            QVERIFY(out.write(frames.data(), 1000));  // in two parts
            QVERIFY(out.write(frames.data() + 2000, kFrames - 1000));
            QVERIFY(out.close());
            QCOMPARE(out.frames(), int64_t(kFrames));
        }

        WavInFile in(path);
        QVERIFY2(in.ok(), in.error().c_str());
        QCOMPARE(in.channels(), 2);
        QCOMPARE(in.sampleRate(), 44100);
        QCOMPARE(in.bitsPerSample(), 16);
        QCOMPARE(in.isFloat(), false);
        QCOMPARE(in.frames(), int64_t(kFrames));
        QCOMPARE(in.summary(), std::string("2 ch, 44100 Hz, 1.52 s"));

        std::vector<float> back(2 * kFrames + 2, 7.0f);
        int read = 0;
        while (int got = in.read(back.data() + 2 * read, 5000)) read += got;
        QCOMPARE(read, kFrames);
        QCOMPARE(back[2 * kFrames], 7.0f);  // nothing past the last frame
        for (int i = 0; i < 2 * kFrames; i++) {
            const float want = std::clamp(frames[i], -1.0f, 1.0f) * 32767.0f / 32768.0f;
            if (std::abs(back[i] - want) > 1.0f / 32768) QFAIL(qPrintable(QString("sample %1").arg(i)));
        }
    }

    void decodesEveryEncoding_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("bits");
        QTest::addColumn<bool>("floating");
        QTest::addColumn<QList<float>>("want");
        const QByteArray odd = chunk("LIST", "abc");  // padded to an even size; skipped
        QTest::newRow("8-bit") << riff(chunk("fmt ", format(1, 1, 8000, 8)) +
                                       chunk("data", QByteArray("\x00\x80\xff\x40", 4)))
                               << 8 << false << QList<float>{-1.0f, 0.0f, 127 / 128.0f, -0.5f};
        QTest::newRow("16-bit after an odd chunk")
            << riff(odd + chunk("fmt ", format(1, 2, 8000, 16)) + chunk("data", little(0x8000, 2) + little(0x4000, 2)))
            << 16 << false << QList<float>{-1.0f, 0.5f};
        QTest::newRow("24-bit") << riff(chunk("fmt ", format(1, 1, 8000, 24)) +
                                        chunk("data", little(0x800000, 3) + little(0x400000, 3) + little(0xFFFFFF, 3)))
                                << 24 << false << QList<float>{-1.0f, 0.5f, -1 / 8388608.0f};
        QTest::newRow("32-bit") << riff(chunk("fmt ", format(1, 1, 8000, 32)) +
                                        chunk("data", little(0x80000000u, 4) + little(0xC0000000u, 4)))
                                << 32 << false << QList<float>{-1.0f, -0.5f};
        QTest::newRow("float") << riff(chunk("fmt ", format(3, 1, 8000, 32)) + chunk("data", floats32({0.25f, -2.0f})))
                               << 32 << true << QList<float>{0.25f, -2.0f};
        QTest::newRow("double") << riff(chunk("fmt ", format(3, 1, 8000, 64)) + chunk("data", floats64({-0.75}))) << 64
                                << true << QList<float>{-0.75f};
        QTest::newRow("extensible float")
            << riff(chunk("fmt ", extensible(3, 1, 8000, 32)) + chunk("data", floats32({0.125f}))) << 32 << true
            << QList<float>{0.125f};
        QTest::newRow("extensible PCM") << riff(chunk("fmt ", extensible(1, 1, 8000, 16)) +
                                                chunk("data", little(0x2000, 2)))
                                        << 16 << false << QList<float>{0.25f};
    }

    void decodesEveryEncoding() {
        QFETCH(QByteArray, file);
        QFETCH(int, bits);
        QFETCH(bool, floating);
        QFETCH(QList<float>, want);
        WavInFile in(save(file));
        QVERIFY2(in.ok(), in.error().c_str());
        QCOMPARE(in.bitsPerSample(), bits);
        QCOMPARE(in.isFloat(), floating);
        std::vector<float> got(want.size() + 1, 9.0f);
        const int frames = in.read(got.data(), int(want.size()));
        QCOMPARE(frames * in.channels(), int(want.size()));
        for (int i = 0; i < int(want.size()); i++) QCOMPARE(got[i], want[i]);
        QCOMPARE(got[want.size()], 9.0f);
        QCOMPARE(in.read(got.data(), 1), 0);
    }

    void hostileFiles_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("frames");  // -1: refused
        const QByteArray fmt = chunk("fmt ", format(1, 2, 44100, 16));
        const QByteArray data = chunk("data", QByteArray(8, '\x11'));
        QTest::newRow("empty") << QByteArray() << -1;
        QTest::newRow("RIFF alone") << QByteArray("RIFF") << -1;
        QTest::newRow("not WAVE") << QByteArray("RIFF\x04\0\0\0AVI ", 12) << -1;
        QTest::newRow("no chunks") << riff({}) << -1;
        QTest::newRow("format past the end") << riff(chunk("fmt ", format(1, 2, 44100, 16), 0xFFFFFFF0)) << -1;
        QTest::newRow("format too short") << riff(chunk("fmt ", format(1, 2, 44100, 16).left(14)) + data) << -1;
        QTest::newRow("no channels") << riff(chunk("fmt ", format(1, 0, 44100, 16)) + data) << -1;
        QTest::newRow("no sample rate") << riff(chunk("fmt ", format(1, 2, 0, 16)) + data) << -1;
        QTest::newRow("12 bits") << riff(chunk("fmt ", format(1, 2, 44100, 12)) + data) << -1;
        QTest::newRow("64-bit PCM") << riff(chunk("fmt ", format(1, 2, 44100, 64)) + data) << -1;
        QTest::newRow("wrong block alignment") << riff(chunk("fmt ", format(1, 2, 44100, 16, 1)) + data) << -1;
        QTest::newRow("compressed") << riff(chunk("fmt ", format(2, 2, 44100, 16)) + data) << -1;
        QTest::newRow("extensible too short") << riff(chunk("fmt ", format(0xFFFE, 2, 44100, 16)) + data) << -1;
        QTest::newRow("data before format") << riff(data + fmt) << -1;
        QTest::newRow("no data") << riff(fmt) << -1;
        QTest::newRow("huge chunk hides the data") << riff(fmt + chunk("junk", "xy", 0x7FFFFFFF) + data) << -1;
        // Kept: the whole frames the file still holds.
        QTest::newRow("data cut short") << riff(fmt + chunk("data", QByteArray(6, '\x11'), 1000)) << 1;
        QTest::newRow("odd data size") << riff(fmt + chunk("data", QByteArray(9, '\x11'))) << 2;
        QTest::newRow("streamed size") << riff(fmt + chunk("data", QByteArray(12, '\x11'), 0xFFFFFFFF)) << 3;
        // A writer that never came back to fill in the sizes: the frames run to the end.
        QTest::newRow("unfinished sizes") << "RIFF" + little(8, 4) + "WAVE" + fmt + chunk("data", QByteArray(8, '\x11'), 0)
                                          << 2;
    }

    void hostileFiles() {
        QFETCH(QByteArray, file);
        QFETCH(int, frames);
        WavInFile in(save(file));
        QCOMPARE(in.ok(), frames >= 0);
        QCOMPARE(in.error().empty(), frames >= 0);
        std::vector<float> buffer(64, 0.0f);
        QCOMPARE(in.read(buffer.data(), 16), std::max(frames, 0));
        QCOMPARE(in.read(buffer.data(), 16), 0);
        if (frames < 0) QCOMPARE(in.summary(), in.error());
    }

    void writerRefusesBadFormats() {
        const std::string path = folder.filePath("bad.wav").toStdString();
        const float frame[2] = {0, 0};
        for (auto [rate, channels] : {std::pair{0, 2}, std::pair{44100, 0}, std::pair{44100, 65}}) {
            WavOutFile out(path, rate, channels);
            QVERIFY(!out.error().empty());
            QVERIFY(!out.write(frame, 1));
            QVERIFY(!out.close());
        }
        WavOutFile unwritable(folder.filePath("missing/folder.wav").toStdString(), 44100, 1);
        QVERIFY(!unwritable.write(frame, 1));
    }
};

QTEST_GUILESS_MAIN(WavFileTest)
#include "wav_file_test.moc"
