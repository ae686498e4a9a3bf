// The host's 768 parameters and where each one lands:
//   0 to 511    instrument parameters of rack 0: position * 22 + parameter
//   512 to 519  the delay's parameters
//   576 to 579  the four master values of the current program
//   640 to 767  sample markers, four per instrument position: loop start,
//               loop end, start position, and a fourth that does nothing
// Everything else is inert: it changes nothing and reads 0. The editor
// program sends and receives the same indices.
#pragma once

namespace parameter_map {

inline constexpr int kHostParameters = 768;

inline constexpr int kInstruments = 16;  // instrument slots, and the most a rack or program holds
inline constexpr int kPerInstrument = 22;
inline constexpr int kInstrumentEnd = 512;  // the first index past the instruments' range
inline constexpr int kFirstDelay = 512;
inline constexpr int kDelayCount = 8;
inline constexpr int kFirstMaster = 576;
inline constexpr int kMasterCount = 4;
inline constexpr int kFirstMarker = 640;
inline constexpr int kMarkersPerInstrument = 4;

// Parameter numbers within each group.
namespace instrument {
enum Number : int {
    kVolume, kPan, kTune, kFinetune, kShowwave, kLoop, kGlobal, kVolEg, kPitEg, kSpecial,
    kVolA, kVolD, kVolS, kVolR, kPitchA, kPitchD, kPitchR, kPitchEg, kReverse, kInterpolate,
    kGrain, kGrainAdvance
};
}
namespace delay {
enum Number : int { kTime, kFeedback, kVolume, kSpread, kActive, kSync, kPingpong, kDefault };  // kDefault: stored only
}
namespace master {
enum Number : int { kVolume, kTune, kVelocitySensitivity, kPitchBendRange };
}
// The k of kFirstMarker + 4 * position + k.
namespace marker {
enum Kind : int { kLoopStart, kLoopEnd, kStart, kNone };
}
static_assert(instrument::kGrainAdvance + 1 == kPerInstrument);
static_assert(delay::kDefault + 1 == kDelayCount);
static_assert(master::kPitchBendRange + 1 == kMasterCount);
static_assert(marker::kNone + 1 == kMarkersPerInstrument);

constexpr int instrumentIndex(int position, int parameter) { return position * kPerInstrument + parameter; }
constexpr int delayIndex(int parameter) { return kFirstDelay + parameter; }
constexpr int masterIndex(int which) { return kFirstMaster + which; }
constexpr int markerIndex(int position, int kind) { return kFirstMarker + position * kMarkersPerInstrument + kind; }

constexpr bool isInstrumentIndex(int index) { return index >= 0 && index < kInstrumentEnd; }
constexpr bool isDelayIndex(int index) { return index >= kFirstDelay && index < kFirstDelay + kDelayCount; }
constexpr bool isMasterIndex(int index) { return index >= kFirstMaster && index < kFirstMaster + kMasterCount; }
constexpr bool isMarkerIndex(int index) { return index >= kFirstMarker && index < kHostParameters; }

static_assert(kInstruments * kPerInstrument <= kInstrumentEnd);
static_assert(kFirstDelay + kDelayCount <= kFirstMaster && kFirstMaster + kMasterCount <= kFirstMarker);
static_assert(markerIndex(kInstruments, 0) <= kHostParameters);

}  // namespace parameter_map
