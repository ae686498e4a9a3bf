// Filling samples from files on disk: libsndfile for most formats, libmad
// for MP3 files and for WAVE files that carry MPEG Layer III data. Each path
// is opened once; everything after that reads the open descriptor.
#include <sndfile.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>

#include "instruments/channel_buffers.h"
#include "instruments/mp3_file.h"
#include "instruments/path_names.h"
#include "instruments/regular_file.h"
#include "instruments/sample.h"
#include "instruments/wave_view.h"

namespace {

constexpr int kMaxLoadedChannels = 2;

struct SoundCloser {
    void operator()(SNDFILE* sound) const { sf_close(sound); }
};
using Sound = std::unique_ptr<SNDFILE, SoundCloser>;

bool carriesMp3(const RegularFile& file) {
    unsigned char header[22];
    return file.readAt(header, sizeof header, 0) == sizeof header && (header[20] | (header[21] << 8)) == 85;
}

bool loadMp3(Sample& sample, const RegularFile& file, const std::string& path) REQUIRES(instrumentAccess) {
    ChannelBuffers decoded(1);
    const uint32_t rate = decodeMp3(file, decoded);
    return decoded.giveTo(sample, static_cast<int>(rate), path);
}

// Bytes a frame takes in the encodings whose frame count libsndfile derives
// from the data's size; 0 for compressed ones, whose headers state it.
int64_t bytesPerFrame(const SF_INFO& info) {
    switch (info.format & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8:
        case SF_FORMAT_ULAW:
        case SF_FORMAT_ALAW: return info.channels;
        case SF_FORMAT_PCM_16: return 2 * info.channels;
        case SF_FORMAT_PCM_24: return 3 * info.channels;
        case SF_FORMAT_PCM_32:
        case SF_FORMAT_FLOAT: return 4 * info.channels;
        case SF_FORMAT_DOUBLE: return 8 * info.channels;
        default: return 0;
    }
}

// The frame count libsndfile gives when the file is large enough to hold
// it; 0 when that cannot be told (a compressed FLAC header may claim 2^36).
int64_t framesTheFileHolds(const SF_INFO& info, int64_t fileBytes) {
    const int64_t perFrame = bytesPerFrame(info);
    return perFrame > 0 && info.frames <= fileBytes / perFrame ? info.frames : 0;
}

// Reads interleaved slices and keeps the first channels, as many as `out` has.
void readFrames(SNDFILE* sound, int channels, ChannelBuffers& out) {
    const sf_count_t sliceFrames = std::max(1, 65536 / channels);
    const std::unique_ptr<float[]> slice(new (std::nothrow) float[static_cast<std::size_t>(sliceFrames * channels)]);
    out.outOfMemory = !slice;
    if (!slice) return;
    for (sf_count_t got; (got = sf_readf_float(sound, slice.get(), sliceFrames)) > 0;) {
        if (!out.makeRoom(got)) return;
        for (int c = 0; c < out.channelCount(); c++) {
            float* to = out.next(c);
            for (sf_count_t f = 0; f < got; f++) to[f] = slice[static_cast<std::size_t>(f * channels + c)];
        }
        out.advance(got);
    }
}

bool loadThroughLibrary(Sample& sample, SNDFILE* sound, const SF_INFO& info, const RegularFile& file,
                        const std::string& path) REQUIRES(instrumentAccess) {
    if (info.channels <= 0) return false;
    // Allocation follows the frames that arrive, or a count the file's size
    // bears out; such a count past the limit is refused before any reading.
    ChannelBuffers frames(std::min(info.channels, kMaxLoadedChannels), framesTheFileHolds(info, file.size()));
    if (!frames.tooLong) readFrames(sound, info.channels, frames);
    return frames.giveTo(sample, info.samplerate, path);
}

// libsndfile closes the descriptor it is given even when it fails to open
// the file, whatever it is told: it gets a duplicate to close.
SNDFILE* openDuplicate(const RegularFile& file, SF_INFO& info) {
    const int duplicate = file.duplicate();
    return duplicate >= 0 ? sf_open_fd(duplicate, SFM_READ, &info, SF_TRUE) : nullptr;
}

}  // namespace

bool Sample::isWavMp3(const std::string& path) {
    const RegularFile file(path);
    return file.isOpen() && carriesMp3(file);
}

bool Sample::load(const std::string& path) {
    const RegularFile file(path);
    if (!file.isOpen()) return false;
    if (endsWithMp3(path)) return loadMp3(*this, file, path);

    SF_INFO info{};
    WaveView view(file);
    const Sound sound(view.isWave() ? view.open(info) : openDuplicate(file, info));
    // A library that refuses MPEG data in a WAVE file leaves it to libmad;
    // which error it gives for that differs by version. Libraries that
    // decode it themselves would bypass libmad: route such files to it
    // anyway, so that they load the same everywhere.
    const bool wave = sound && (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV;
    if ((!sound || wave) && carriesMp3(file)) return loadMp3(*this, file, path);
    return sound && loadThroughLibrary(*this, sound.get(), info, file, path);
}

bool Sample::loadFromMp3(const std::string& path) {
    const RegularFile file(path);
    return file.isOpen() && loadMp3(*this, file, path);
}
