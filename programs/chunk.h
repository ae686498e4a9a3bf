// The state chunk: program records in version 3 (what we write), version 5
// (version 3 with 32 more bytes) and version 2 (big-endian, the factory
// bank). Readers never read past the bytes they are given and report a
// malformed record instead of storing part of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "programs/program.h"

// Texts a chunk may bring are kept up to these many bytes; the rest of a
// longer one is read past. A name is shown in a 256-byte field of the
// shared record; a path longer than the system's limit names no file.
constexpr std::size_t kMaxChunkNameBytes = 255;
constexpr std::size_t kMaxChunkPathBytes = 4095;

void insert_int(std::vector<unsigned char>& out, int32_t value);
void insert_float(std::vector<unsigned char>& out, float value);
// A float64 with its 8 bytes in reverse order.
double byteswap(double value);

// Appends the version-3 record of a program.
void writeProgramRecord(std::vector<unsigned char>& out, const Program& program);

class ChunkReader {
public:
    ChunkReader(const unsigned char* data, std::size_t size) : data(data), size(size) {}

    enum class Record { Read, OtherVersion, Malformed };

    // A version-3 or version-5 record into `program`; OtherVersion (nothing
    // consumed) when the record is of another version. With `skipTail` the
    // 32 extra bytes of a version-5 record are consumed too.
    Record readCurrentRecord(Program& program, bool skipTail);
    // A version-2 record into `program`.
    Record readFactoryRecord(Program& program);

    std::size_t position() const { return at; }
    bool atEnd() const { return at == size; }

private:
    bool take(std::size_t bytes, const unsigned char*& from);
    bool intLE(int32_t& value);
    bool floatLE(float& value);
    bool stringLE(std::string& text, std::size_t limit);
    bool intBE(int32_t& value);
    bool doubleBE(float& value);
    bool stringBE(std::string& text, std::size_t limit);

    const unsigned char* data;
    std::size_t size;
    std::size_t at = 0;
};
