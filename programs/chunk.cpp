#include "programs/chunk.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int32_t kVersion3 = 3;
constexpr int32_t kVersion5 = 5;
constexpr std::size_t kVersion5Tail = 32;

template <typename Value>
Value fromBytes(const unsigned char* bytes, bool bigEndian) {
    unsigned char ordered[sizeof(Value)];
    for (std::size_t i = 0; i < sizeof(Value); i++) ordered[i] = bytes[bigEndian ? sizeof(Value) - 1 - i : i];
    Value value;
    std::memcpy(&value, ordered, sizeof value);
    return value;
}

template <typename Program, typename ReadInt, typename ReadReal, typename ReadText>
ChunkReader::Record readFields(Program& program, ReadInt readInt, ReadReal readReal, ReadText readText) {
    using Record = ChunkReader::Record;
    std::string name;
    int32_t count;
    if (!readText(name, kMaxChunkNameBytes) || !readInt(count) || count < 0 || count > Program::kMaxInstruments)
        return Record::Malformed;
    program.name = name;
    program.instrumentCount = count;
    for (int32_t i = 0; i < count; i++) {
        InstrumentProgram& entry = program.instruments[i];
        int32_t type, startPlay, loopStart, loopEnd, channel, values;
        if (!readInt(type) || !readText(entry.name, kMaxChunkNameBytes) || !readText(entry.path, kMaxChunkPathBytes) ||
            !readInt(startPlay) ||
            !readInt(loopStart) || !readInt(loopEnd) || !readInt(channel) || !readInt(values) || values < 0)
            return Record::Malformed;
        entry.type = type;
        entry.startPlay = startPlay;
        entry.loopStart = loopStart;
        entry.loopEnd = loopEnd;
        entry.midiChannel = channel;
        // Values beyond the ones an instrument holds are read past.
        for (int32_t v = 0; v < values; v++) {
            float value;
            if (!readReal(value)) return Record::Malformed;
            if (v < InstrumentProgram::kValues) entry.values[v] = value;
        }
    }
    for (float& value : program.delay.values)
        if (!readReal(value)) return Record::Malformed;
    float masters[4];
    for (float& value : masters)
        if (!readReal(value)) return Record::Malformed;
    program.masterVolume = masters[0];
    program.masterTune = masters[1];
    program.velocitySensitivity = masters[2];
    program.pitchBendRange = masters[3];
    return Record::Read;
}

}  // namespace

void insert_int(std::vector<unsigned char>& out, int32_t value) {
    unsigned char bytes[4];
    std::memcpy(bytes, &value, 4);
    out.insert(out.end(), bytes, bytes + 4);
}

void insert_float(std::vector<unsigned char>& out, float value) {
    unsigned char bytes[4];
    std::memcpy(bytes, &value, 4);
    out.insert(out.end(), bytes, bytes + 4);
}

double byteswap(double value) {
    unsigned char bytes[8];
    std::memcpy(bytes, &value, 8);
    std::reverse(bytes, bytes + 8);
    std::memcpy(&value, bytes, 8);
    return value;
}

namespace {
void insert_string(std::vector<unsigned char>& out, const std::string& text) {
    insert_int(out, static_cast<int32_t>(text.size()));
    out.insert(out.end(), text.begin(), text.end());
}
}  // namespace

void writeProgramRecord(std::vector<unsigned char>& out, const Program& program) {
    insert_int(out, kVersion3);
    insert_string(out, program.name);
    insert_int(out, program.instrumentCount);
    for (int i = 0; i < program.instrumentCount; i++) {
        const InstrumentProgram& entry = program.instruments[i];
        insert_int(out, entry.type);
        insert_string(out, entry.name);
        insert_string(out, entry.path);
        insert_int(out, entry.startPlay);
        insert_int(out, entry.loopStart);
        insert_int(out, entry.loopEnd);
        insert_int(out, entry.midiChannel);
        insert_int(out, InstrumentProgram::kValues);
        for (float value : entry.values) insert_float(out, value);
    }
    for (float value : program.delay.values) insert_float(out, value);
    insert_float(out, program.masterVolume);
    insert_float(out, program.masterTune);
    insert_float(out, program.velocitySensitivity);
    insert_float(out, program.pitchBendRange);
}

bool ChunkReader::take(std::size_t bytes, const unsigned char*& from) {
    if (bytes > size - at) return false;
    from = data + at;
    at += bytes;
    return true;
}

bool ChunkReader::intLE(int32_t& value) {
    const unsigned char* bytes;
    if (!take(4, bytes)) return false;
    value = fromBytes<int32_t>(bytes, false);
    return true;
}

bool ChunkReader::floatLE(float& value) {
    const unsigned char* bytes;
    if (!take(4, bytes)) return false;
    value = fromBytes<float>(bytes, false);
    return true;
}

bool ChunkReader::stringLE(std::string& text, std::size_t limit) {
    int32_t length;
    const unsigned char* bytes;
    if (!intLE(length) || length < 0 || !take(static_cast<std::size_t>(length), bytes)) return false;
    text.assign(reinterpret_cast<const char*>(bytes), std::min(static_cast<std::size_t>(length), limit));
    return true;
}

bool ChunkReader::intBE(int32_t& value) {
    const unsigned char* bytes;
    if (!take(4, bytes)) return false;
    value = fromBytes<int32_t>(bytes, true);
    return true;
}

bool ChunkReader::doubleBE(float& value) {
    const unsigned char* bytes;
    if (!take(8, bytes)) return false;
    value = static_cast<float>(fromBytes<double>(bytes, true));
    return true;
}

// UTF-16BE text reduced to 8 bits: each code unit keeps its low byte. A
// count of 0 or less (-1 marks a null string) is the empty text.
bool ChunkReader::stringBE(std::string& text, std::size_t limit) {
    int32_t length;
    const unsigned char* bytes;
    text.clear();
    if (!intBE(length)) return false;
    if (length <= 0) return true;
    if (!take(static_cast<std::size_t>(length), bytes)) return false;
    for (int32_t i = 0; i + 1 < length && text.size() < limit; i += 2) text.push_back(static_cast<char>(bytes[i + 1]));
    return true;
}

ChunkReader::Record ChunkReader::readCurrentRecord(Program& program, bool skipTail) {
    const std::size_t start = at;
    int32_t version;
    if (!intLE(version)) return Record::Malformed;
    if (version != kVersion3 && version != kVersion5) {
        at = start;
        return Record::OtherVersion;
    }
    const Record read = readFields(
        program, [this](int32_t& v) { return intLE(v); }, [this](float& v) { return floatLE(v); },
        [this](std::string& s, std::size_t limit) { return stringLE(s, limit); });
    if (read != Record::Read) return read;
    const unsigned char* tail;
    if (version == kVersion5 && skipTail && !take(kVersion5Tail, tail)) return Record::Malformed;
    return Record::Read;
}

ChunkReader::Record ChunkReader::readFactoryRecord(Program& program) {
    int32_t version;  // not examined
    if (!intBE(version)) return Record::Malformed;
    return readFields(
        program, [this](int32_t& v) { return intBE(v); }, [this](float& v) { return doubleBE(v); },
        [this](std::string& s, std::size_t limit) { return stringBE(s, limit); });
}
