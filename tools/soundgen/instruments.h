// Instrument designs the catalogue and the embedded WAV sounds are made of.
// Each returns a patch whose notes start at the sound's root; `notes` takes
// a chord (semitones above the root) where the design suits one.
#pragma once

#include <string>
#include <vector>

#include "patch.h"

namespace soundgen {

using Notes = std::vector<double>;

// Stabs: short chords and hits.
Patch sawStab(const Notes& notes, double decayMs = 200, double brightness = 1);
Patch squareStab(const Notes& notes, double decayMs = 200, double brightness = 1);
Patch organStab(const Notes& notes, double decayMs = 250);
Patch raveStab(const Notes& notes, double decayMs = 260);
Patch pianoStab(const Notes& notes, double decayMs = 600);
Patch brassStab(const Notes& notes, double decayMs = 300, double attackMs = 15);
Patch stringStab(const Notes& notes, double decayMs = 250);
Patch orchestraHit(const Notes& notes, double decayMs = 280);
Patch choirStab(const Notes& notes, const Vowel& vowel, double decayMs = 300);
Patch pizzicato(const Notes& notes);
Patch clav(const Notes& notes);
Patch syncStab(const Notes& notes, double decayMs = 220);
Patch fmStab(const Notes& notes, double decayMs = 250);

// Keys, mallets and bells.
Patch organ(const Notes& notes, std::vector<double> drawbars, double percussion = 0);
Patch houseOrgan();
Patch piano(const Notes& notes = {0});
Patch electricPiano(double decayMs = 1500);
Patch stereoElectricPiano(double decayMs = 1500);
Patch glassBell(double decayMs = 1800);
Patch tubularBell(double decayMs = 2500);
Patch marimba();
Patch vibraphone();
Patch kalimba();
Patch musicBox();
Patch steelDrum();
Patch timpani();
Patch cowbell();

// Plucks, basses and leads.
Patch synthPluck(double decayMs = 350);
Patch acidPluck(double decayMs = 260);
Patch analogBass(double decayMs = 500);
Patch subBass();
Patch fingerBass();
Patch harp();
Patch nylonGuitar();
Patch chipSquare(double duty = 0.5, double decayMs = 0);
Patch flute();
Patch clarinet();
// A brass chord held at a steady level once its swell and its filter's
// opening have settled.
Patch heldBrass(const Notes& notes, double attackMs);

// Pads.
Patch warmPad(const Notes& notes = {0});
Patch stringPad(const Notes& notes = {0}, double attackMs = 220);
Patch supersawPad(const Notes& notes = {0});
Patch sweepPad(const Notes& notes = {0});
Patch evolvingPad();

// Voices.
Patch choir(const Vowel& vowel, const Notes& notes = {0}, int singers = 6, double attackMs = 120);
Patch soloVowel(const Vowel& vowel, double attackMs = 60);
Patch spoken(const std::string& text, const std::string& voice = "en-us", int pitch = 50, int rate = 175);

// Noise hits (unpitched).
Patch noiseHit(double lowpassHz, double decayMs);

}  // namespace soundgen
