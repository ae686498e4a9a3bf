// Decodes an MP3 stream with libmad, reading an open file in slices. A WAVE
// file carrying MPEG Layer III data decodes the same way: libmad skips its
// RIFF header as it would any junk before the first frame.
#pragma once

#include <cstdint>

#include "instruments/channel_buffers.h"
#include "instruments/regular_file.h"

// MP3 files larger than 512 MiB are refused unread: at any standard bit rate
// (at least 0.4 frames a byte) that many bytes decode to more than
// kMaxSampleFrames frames.
inline constexpr int64_t kMaxMp3FileBytes = int64_t{1} << 29;

// Decodes the bytes `file` had when opened into `out`: one channel while the
// frames are mono, two from the first stereo frame on (the mono part then
// plays on both sides). Stops when `out` takes no more frames, and marks a
// file past kMaxMp3FileBytes too long without reading it. Damaged frames are
// skipped. Answers the stream's sample rate, 0 when no frame decoded.
uint32_t decodeMp3(const RegularFile& file, ChannelBuffers& out);
