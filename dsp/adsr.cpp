#include "dsp/adsr.h"

#include <cmath>

namespace {
constexpr double kMinTargetRatio = 1e-9;
constexpr double kOnePlusMinTargetRatio = 1.000000001;
}  // namespace

ADSR::ADSR()
    : state(envIdle),
      output(0.0f),
      attackRate(0.0f),
      decayRate(0.0f),
      releaseRate(0.0f),
      attackCoef(0.0f),
      decayCoef(0.0f),
      releaseCoef(0.0f),
      sustainLevel(1.0f),
      targetRatioA(0.3f),
      targetRatioDR(0.0001f),
      attackBase(0.0f),
      decayBase(0.0f),
      releaseBase(0.0f) {
    setAttackRate(0.0f);
    setDecayRate(0.0f);
    setReleaseRate(0.0f);
}

float ADSR::calcCoef(float rate, float targetRatio) {
    // exp(-ln(...) / 0) would be exp(-inf) = 0; answering 0 directly keeps
    // negative and NaN rates on the same, instant, path.
    if (!(rate > 0.0f)) return 0.0f;
    const double ratio = targetRatio;
    return static_cast<float>(std::exp(-std::log((1.0 + ratio) / ratio) / static_cast<double>(rate)));
}

void ADSR::setAttackRate(float rate) {
    attackRate = rate;
    attackCoef = calcCoef(rate, targetRatioA);
    attackBase = static_cast<float>((1.0 + targetRatioA) * (1.0 - attackCoef));
}

void ADSR::setDecayRate(float rate) {
    decayRate = rate;
    decayCoef = calcCoef(rate, targetRatioDR);
    decayBase = static_cast<float>((sustainLevel - targetRatioDR) * (1.0 - decayCoef));
}

void ADSR::setReleaseRate(float rate) {
    releaseRate = rate;
    releaseCoef = calcCoef(rate, targetRatioDR);
    releaseBase = static_cast<float>(-targetRatioDR * (1.0 - releaseCoef));
}

void ADSR::setSustainLevel(float level) {
    sustainLevel = level;
    decayBase = static_cast<float>((level - targetRatioDR) * (1.0 - decayCoef));
}

void ADSR::setTargetRatioA(float ratio) {
    double factor;
    if (!(static_cast<double>(ratio) >= kMinTargetRatio)) {
        ratio = static_cast<float>(kMinTargetRatio);
        factor = kOnePlusMinTargetRatio;  // not 1 + the ratio rounded to float
    } else {
        factor = ratio + 1.0;
    }
    targetRatioA = ratio;
    attackBase = static_cast<float>((1.0 - attackCoef) * factor);
}

void ADSR::setTargetRatioDR(float ratio) {
    if (!(static_cast<double>(ratio) >= kMinTargetRatio)) ratio = static_cast<float>(kMinTargetRatio);
    targetRatioDR = ratio;
    decayBase = static_cast<float>((sustainLevel - ratio) * (1.0 - decayCoef));
    releaseBase = static_cast<float>(-ratio * (1.0 - releaseCoef));
}
