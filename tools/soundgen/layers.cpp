// The layer makers that recipes start from.
#include "recipe.h"

#include <utility>

namespace soundgen {

namespace {

Layer of(Source source) {
    Layer l;
    l.source = source;
    return l;
}

}  // namespace

Layer sine() { return of(Source::Sine); }
Layer saw() { return of(Source::Saw); }
Layer triangle() { return of(Source::Triangle); }
Layer noise() { return of(Source::Noise); }
Layer square() { return pulse(0.5); }

Layer pulse(double duty) {
    Layer l = of(Source::Pulse);
    l.duty = duty;
    return l;
}

Layer partials(std::vector<Partial> list) {
    Layer l = of(Source::Partials);
    l.partials = std::move(list);
    return l;
}

Layer fm(double modulatorRatio, double index, double indexDecayMs) {
    Layer l = of(Source::Fm);
    l.fmRatio = modulatorRatio;
    l.fmIndex = index;
    l.fmIndexDecayMs = indexDecayMs;
    return l;
}

}  // namespace soundgen
