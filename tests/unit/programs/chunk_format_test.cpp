// Program records as bytes: the version-3 writer, the version-3/5 and
// version-2 readers, and how the readers treat bytes that do not add up.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "programs/chunk.h"

namespace {

using Bytes = std::vector<unsigned char>;

// Big-endian writer for version-2 test records.
struct Factory {
    Bytes bytes;
    void i32(int32_t v) {
        for (int s = 24; s >= 0; s -= 8) bytes.push_back(static_cast<unsigned char>(static_cast<uint32_t>(v) >> s));
    }
    void f64(double v) {
        uint64_t u;
        std::memcpy(&u, &v, 8);
        for (int s = 56; s >= 0; s -= 8) bytes.push_back(static_cast<unsigned char>(u >> s));
    }
    void text(const std::string& t) {
        i32(static_cast<int32_t>(t.size() * 2));
        for (char c : t) {
            bytes.push_back(0);
            bytes.push_back(static_cast<unsigned char>(c));
        }
    }
    void record(const std::string& name, int instruments) {
        i32(2);
        text(name);
        i32(instruments);
        for (int i = 0; i < instruments; i++) {
            i32(2);
            text("Name");
            text(":/Resources/sounds/x.wav");
            for (int v : {10, 20, 30, -1}) i32(v);
            i32(22);
            for (int v = 0; v < 22; v++) f64(v / 100.0);
        }
        for (int d = 0; d < 8; d++) f64(d / 10.0);
        for (double m : {0.9, 0.5, 0.7, 0.25}) f64(m);
    }
};

TEST(ChunkFormat, DefaultProgramIsSixtySevenBytes) {
    Bytes out;
    writeProgramRecord(out, Program{});
    ASSERT_EQ(out.size(), 67u);
    const unsigned char head[] = {3, 0, 0, 0, 7, 0, 0, 0, 'D', 'e', 'f', 'a', 'u', 'l', 't', 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(out.data(), head, sizeof head), 0);
    float firstDelay;
    std::memcpy(&firstDelay, out.data() + 19, 4);
    EXPECT_EQ(firstDelay, 0.625f);
}

TEST(ChunkFormat, VersionThreeRoundTripAndRecordSize) {
    Program program;
    program.name = "Round";
    program.instrumentCount = 2;
    program.instruments[0] = {{}, "Glass Bell", "", 0, 5, 6, 7, 3};
    program.instruments[1] = {{}, "loop", "/tmp/loop.wav", 2, 1, 2, 3, -1};
    program.instruments[1].values[21] = 0.82f;
    program.delay.values[6] = 1.0f;
    program.masterTune = 0.25f;
    Bytes out;
    writeProgramRecord(out, program);
    EXPECT_EQ(out.size(), 60u + 5 + (120 + 10) + (120 + 4 + 13));

    Program back;
    ChunkReader reader(out.data(), out.size());
    ASSERT_EQ(reader.readCurrentRecord(back, true), ChunkReader::Record::Read);
    EXPECT_TRUE(reader.atEnd());
    EXPECT_EQ(back.name, "Round");
    EXPECT_EQ(back.instrumentCount, 2);
    EXPECT_EQ(back.instruments[0].name, "Glass Bell");
    EXPECT_EQ(back.instruments[0].midiChannel, 3);
    EXPECT_EQ(back.instruments[1].path, "/tmp/loop.wav");
    EXPECT_EQ(back.instruments[1].loopEnd, 3);
    EXPECT_EQ(back.instruments[1].values[21], 0.82f);
    EXPECT_EQ(back.delay.values[6], 1.0f);
    EXPECT_EQ(float(back.masterTune), 0.25f);
}

TEST(ChunkFormat, VersionFiveCarriesThirtyTwoMoreBytes) {
    Bytes out;
    writeProgramRecord(out, Program{});
    out[0] = 5;
    out.insert(out.end(), 32, 0xEE);
    writeProgramRecord(out, Program{});
    ChunkReader reader(out.data(), out.size());
    Program first, second;
    ASSERT_EQ(reader.readCurrentRecord(first, true), ChunkReader::Record::Read);
    EXPECT_EQ(reader.position(), 67u + 32);
    ASSERT_EQ(reader.readCurrentRecord(second, true), ChunkReader::Record::Read);
    EXPECT_TRUE(reader.atEnd());
}

TEST(ChunkFormat, VersionTwoStringsRealsAndNullStrings) {
    Factory f;
    f.record("AB", 1);
    Program program;
    ChunkReader reader(f.bytes.data(), f.bytes.size());
    ASSERT_EQ(reader.readFactoryRecord(program), ChunkReader::Record::Read);
    EXPECT_TRUE(reader.atEnd());
    EXPECT_EQ(program.name, "AB");
    EXPECT_EQ(program.instruments[0].path, ":/Resources/sounds/x.wav");
    EXPECT_FLOAT_EQ(program.instruments[0].values[21], 0.21f);
    EXPECT_FLOAT_EQ(program.delay.values[7], 0.7f);
    EXPECT_FLOAT_EQ(float(program.pitchBendRange), 0.25f);

    Factory null;
    null.i32(2);
    null.i32(-1);  // a null name: only the count is consumed
    null.i32(0);
    for (int d = 0; d < 12; d++) null.f64(1.0);
    Program empty;
    ChunkReader nullReader(null.bytes.data(), null.bytes.size());
    ASSERT_EQ(nullReader.readFactoryRecord(empty), ChunkReader::Record::Read);
    EXPECT_EQ(empty.name, "");
    EXPECT_EQ(float(empty.masterVolume), 1.0f);
    EXPECT_EQ(byteswap(byteswap(0.3)), 0.3);
    const unsigned char one[] = {0x3F, 0xF0, 0, 0, 0, 0, 0, 0};
    double native;
    std::memcpy(&native, one, 8);
    EXPECT_EQ(byteswap(native), 1.0);
}

// Texts beyond what the system can hold are cut when read, in both
// formats, so that no state can grow past what a chunk's size can say.
TEST(ChunkFormat, TextsAreBoundedWhenRead) {
    Program huge;
    huge.name = std::string(3 << 20, 'n');
    huge.instrumentCount = 1;
    huge.instruments[0].name = std::string(1000, 'i');
    huge.instruments[0].path = std::string(10000, 'p');
    huge.instruments[0].values[3] = 0.25f;
    Bytes bytes;
    writeProgramRecord(bytes, huge);
    Program read;
    ChunkReader reader(bytes.data(), bytes.size());
    ASSERT_EQ(reader.readCurrentRecord(read, false), ChunkReader::Record::Read);
    EXPECT_TRUE(reader.atEnd());
    EXPECT_EQ(read.name, std::string(255, 'n'));
    EXPECT_EQ(read.instruments[0].name, std::string(255, 'i'));
    EXPECT_EQ(read.instruments[0].path, std::string(4095, 'p'));
    EXPECT_EQ(read.instruments[0].values[3], 0.25f);  // what follows the texts is read in place

    Factory factory;
    factory.record(std::string(300, 'f'), 1);
    Program fromFactory;
    ChunkReader factoryReader(factory.bytes.data(), factory.bytes.size());
    ASSERT_EQ(factoryReader.readFactoryRecord(fromFactory), ChunkReader::Record::Read);
    EXPECT_EQ(fromFactory.name, std::string(255, 'f'));
    EXPECT_TRUE(factoryReader.atEnd());
}

TEST(ChunkFormat, MalformedRecordsAreRefusedWithoutReadingPastTheEnd) {
    Program model;
    model.instrumentCount = 1;
    model.instruments[0].name = "x";
    Bytes good;
    writeProgramRecord(good, model);
    // version, "Default", count, then the instrument's type, "x", "" and four ints
    const std::size_t kParameterCountAt = 4 + 4 + 7 + 4 + 4 + (4 + 1) + 4 + 16;

    struct Case {
        const char* what;
        std::function<void(Bytes&)> spoil;
    };
    auto putInt = [](Bytes& b, std::size_t at, int32_t v) { std::memcpy(b.data() + at, &v, 4); };
    const Case cases[] = {
        {"cut short", [](Bytes& b) { b.pop_back(); }},
        {"cut in the name", [](Bytes& b) { b.resize(10); }},
        {"negative name length", [&](Bytes& b) { putInt(b, 4, -2); }},
        {"name longer than the data", [&](Bytes& b) { putInt(b, 4, 1 << 30); }},
        {"seventeen instruments", [&](Bytes& b) { putInt(b, 15, 17); }},
        {"negative instrument count", [&](Bytes& b) { putInt(b, 15, -1); }},
        {"negative parameter count", [&](Bytes& b) { putInt(b, kParameterCountAt, -1); }},
        {"huge parameter count", [&](Bytes& b) { putInt(b, kParameterCountAt, 1 << 29); }},
    };
    for (const Case& c : cases) {
        Bytes bytes = good;
        c.spoil(bytes);
        Program program;
        ChunkReader reader(bytes.data(), bytes.size());
        EXPECT_EQ(reader.readCurrentRecord(program, true), ChunkReader::Record::Malformed) << c.what;
    }

    // More values than an instrument holds are read past, not stored.
    Bytes extra = good;
    putInt(extra, kParameterCountAt, 24);
    const std::size_t valuesEnd = kParameterCountAt + 4 + 22 * 4;
    const float spare[2] = {9.0f, 9.0f};
    extra.insert(extra.begin() + static_cast<long>(valuesEnd), reinterpret_cast<const unsigned char*>(spare),
                 reinterpret_cast<const unsigned char*>(spare) + 8);
    Program program;
    ChunkReader reader(extra.data(), extra.size());
    ASSERT_EQ(reader.readCurrentRecord(program, true), ChunkReader::Record::Read);
    EXPECT_TRUE(reader.atEnd());
    EXPECT_EQ(program.delay.values[0], 0.625f);

    const unsigned char otherVersion[] = {0, 0, 0, 2, 0, 0};
    ChunkReader versionReader(otherVersion, sizeof otherVersion);
    EXPECT_EQ(versionReader.readCurrentRecord(program, true), ChunkReader::Record::OtherVersion);
    EXPECT_EQ(versionReader.position(), 0u);
}

}  // namespace
