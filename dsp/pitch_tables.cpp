#include "dsp/pitch_tables.h"

#include <cmath>
#include <mutex>

#include "programs/parameter.h"

float semitonesTab[kSemitonesTabSize] = {};
float centsTab[kCentsTabSize] = {};

namespace {
constexpr double kOneSemitoneDown = 0.9438743126819565;
constexpr double kOneCent = 1.0005777895065548;
}  // namespace

namespace {
void fillTables() {
    // Accumulate in double and round only the stored entries, so single
    // precision errors do not compound along the table.
    double ratio = 0.25;
    for (int i = 0; i < kSemitonesTabSize; ++i) {
        semitonesTab[i] = static_cast<float>(ratio);
        ratio *= SEMITONE_STEP;
    }
    ratio = kOneSemitoneDown;
    for (int i = 0; i < kCentsTabSize; ++i) {
        centsTab[i] = static_cast<float>(ratio);
        ratio *= kOneCent;
    }
}
}  // namespace

void makeFrequencyTab() {
    // Plug-in objects made later must not rewrite what the audio threads of
    // earlier ones are reading.
    static std::once_flag filled;
    std::call_once(filled, fillTables);
}

float paramToPitch(float x) {
    return semitonesTab[x != x ? kSemitonesTabSize / 2 : playedStep(x, kSemitonesTabSize - 1)];
}

double semitoneRatio(int k) {
    double ratio = 1.0;
    for (int i = 0; i < k; ++i) ratio *= SEMITONE_STEP;
    for (int i = 0; i > k; --i) ratio /= SEMITONE_STEP;
    return ratio;
}
