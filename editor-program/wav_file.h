// Reading and writing RIFF/WAVE files in plain C++. The reader takes PCM of
// 8, 16, 24 and 32 bits, IEEE float of 32 and 64 bits, and the extensible
// format carrying either; it skips chunks it does not know and checks every
// size against the file, so a damaged or hostile file yields an error, never
// a read past the data. The writer makes 16-bit PCM.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

class WavFileBase {
public:
    int channels() const { return channelCount; }
    int sampleRate() const { return rate; }
    int64_t frames() const { return frameCount; }
    int bitsPerSample() const { return bits; }
    bool isFloat() const { return floating; }
    // What went wrong; empty while all is well.
    const std::string& error() const { return problem; }

protected:
    WavFileBase() = default;
    ~WavFileBase() = default;

    int channelCount = 0;
    int rate = 0;
    int64_t frameCount = 0;
    int bits = 0;
    bool floating = false;
    std::string problem;
};

class WavInFile : public WavFileBase {
public:
    explicit WavInFile(const std::string& path);

    bool ok() const { return problem.empty(); }
    // Reads up to `frames` frames as interleaved floats in -1 .. 1; returns
    // how many it read, 0 at the end of the data or on an error.
    int read(float* interleaved, int frames);
    // "2 ch, 44100 Hz, 1.52 s", or the error.
    std::string summary() const;

private:
    bool parse();
    bool parseFormat(const unsigned char* chunk, uint32_t size);
    bool fail(const std::string& why);

    std::ifstream file;
    int64_t fileSize = 0;
    int64_t framesLeft = 0;
    std::vector<unsigned char> bytes;
};

class WavOutFile : public WavFileBase {
public:
    WavOutFile(const std::string& path, int sampleRate, int channels);
    ~WavOutFile();
    WavOutFile(const WavOutFile&) = delete;
    WavOutFile& operator=(const WavOutFile&) = delete;

    // Appends interleaved frames, clipped to -1 .. 1.
    bool write(const float* interleaved, int frames);
    // Writes the final sizes into the header and closes; also done by the
    // destructor. False when any write failed.
    bool close();

private:
    std::ofstream file;
    std::vector<unsigned char> bytes;
};
