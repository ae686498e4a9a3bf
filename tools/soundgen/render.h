// Turns a recipe into samples.
#pragma once

#include <vector>

#include "recipe.h"

namespace soundgen {

double noteToHz(double note);

// Interleaved samples, frames * channels of them: faded in and out, without
// DC, peaking at the recipe's peak.
std::vector<double> render(const Sound& sound);

}  // namespace soundgen
