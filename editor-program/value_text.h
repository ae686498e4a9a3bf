// Parameter values in the plug-in's own units, as controls show them while
// they move: decibels, semitones, cents, seconds, beats, percent.
#pragma once

#include <QString>

// One of an instrument's parameters, by its number. `grainPeriod` is the
// grain length in frames that the grain advance is a share of.
QString instrumentValueText(int parameter, float value, int grainPeriod = 1000);
// One of the delay's 8 parameters; `synced` says whether time is in beats.
QString delayValueText(int parameter, float value, bool synced);
// The four master values, by their number (parameter_map::master).
QString masterValueText(int parameter, float value);
