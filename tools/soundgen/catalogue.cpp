// The catalogue's entries in id order: name, category, channels, frames,
// play start, root note, recipe. Every sound is tuned to its root note:
// it plays in tune at recorded speed on that MIDI note.
#include "catalogue.h"

#include "instruments.h"

namespace soundgen {

const char* const catalogueAlias = "Deep House Organ";

namespace {

using namespace chords;

const Notes minorLow{-12, 0, 3, 7, 12};
const Notes majorLow{-12, 0, 4, 7, 12};

CatalogueSound sound(int id, const char* name, const char* category, int channels, int frames, int root,
                     Recipe recipe) {
    return {id, name, category, channels, frames, 0, root, std::move(recipe)};
}

CatalogueSound shared(int id, const char* name, const char* category, int frames, int start, int root,
                      int owner, Tuning tuning) {
    CatalogueSound s{id, name, category, 1, frames, start, root, Recipe{tuning, {}}};
    s.sharesArrayOf = owner;
    return s;
}

CatalogueSound fromResource(int id, const char* name, const char* resource) {
    CatalogueSound s{id, name, "synth", 0, 0, 0, 0, Recipe{}};
    s.resource = resource;
    return s;
}

CatalogueSound startingAt(CatalogueSound s, int frame) {
    s.startPlay = frame;
    return s;
}

CatalogueSound longer(CatalogueSound s, int arrayFrames) {
    s.arrayFrames = arrayFrames;
    return s;
}

// A flam, the stab itself from frame 3000 to 22500 (entry 6 plays just that),
// then two echoes, each darker.
Recipe echoStab() {
    const Patch stab = sawStab(minorLow, 140, 1.1);
    return sequence(Tuning::LowestPartial, {
        play(sawStab(minorLow, 30, 0.8), 12).at(0, 2900).times(0.45),
        play(stab, 50).at(3000, 19500),
        play(stab, 50).at(23000, 19500).times(0.45).darker(2500),
        play(stab, 60).at(42500).times(0.2).darker(1400),
    });
}

// Tracker style: the root, a blip an octave up (frames 2080 to 5420: entry
// 10 plays just that), then the held note, which settles into a loop.
Recipe chipLead() {
    return sequence(Tuning::Periodic, {
        play(chipSquare(0.5), 3).at(0, 2080).fades(2, 3),
        play(chipSquare(0.25, 30).envelope(1, 30), 4).at(2080, 3340).up(12).fades(2, 4),
        play(chipSquare(0.5, 150).vibrate(6, 6, 500), 80).at(5420).fades(2, 80),
    });
}

// Two takes in one array: the entry plays the first.
Recipe twoTakes(Patch first, int firstFrames, Patch second) {
    return sequence(Tuning::Unpitched, {
        play(first, 25).at(0, firstFrames),
        play(second, 25).at(firstFrames),
    });
}

// The pad plays from frame 4000; a choir drifting from "ooh" to "aah"
// rises in under it and takes over its second half.
Recipe evolvingPadLayers() {
    return sequence(Tuning::Periodic, {
        play(evolvingPad(), 1500).at(4000),
        play(choir(vowelOoAlto, {0}, 6, 10).sing(vowelOoAlto, &vowelAhAlto, 2500), 1500)
            .at(70000).times(0.6).fades(1500, 1500),
    });
}

Patch stereoStab() { return sawStab(minorLow, 110, 1.2); }

Patch saxStab() {
    return brassStab({0, 4, 7}, 200, 10).sing(vowelAhTenor);
}

Patch padStab() { return warmPad({0, 4, 7, 11, 14}).envelope(8, 260); }

}  // namespace

const std::vector<CatalogueSound>& catalogue() {
    static const std::vector<CatalogueSound> entries = {
        sound(0, "Chord Stab Ebm", "stabs", 2, 10732, 63, lowest(play(stereoStab(), 25))),
        sound(1, "Warm Pad", "synth", 1, 97657, 65, tone(play(warmPad(), 700)).held(1.6)),
        sound(2, "House Stab Dm7", "stabs", 1, 10244, 62, lowest(play(organStab({-12, 0, 3, 7, 10}, 110), 25))),
        sound(3, "String Ensemble", "synth", 2, 69090, 60, tone(play(stringPad(), 500)).held(1.0)),
        sound(4, "Brass Stab E", "stabs2", 1, 35560, 64, lowest(play(brassStab({0, 4, 7, 12}, 260), 150))),
        sound(5, "Echo Stab Abm", "stabs", 1, 62034, 68, echoStab()),
        shared(6, "Dub Stab Abm", "stabs", 22500, 3000, 68, 5, Tuning::LowestPartial),
        sound(7, "Rave Stab C#m", "stabs", 1, 15865, 61, lowest(play(raveStab({0, 3, 7, 12}, 190), 40))),
        sound(8, "Orchestra Hit Eb", "stabs2", 1, 31936, 63, lowest(play(orchestraHit(major, 260), 80))),
        sound(9, "Chip Lead", "synth", 1, 66816, 61, chipLead().held(0.3)),
        shared(10, "Chip Blip", "stabs3", 5420, 2080, 73, 9, Tuning::Periodic),
        sound(11, "Chord Stab A", "stabs", 1, 15776, 69, lowest(play(squareStab(majorLow, 150), 40))),
        sound(12, "Piano Stab C", "stabs", 1, 16947, 60, lowest(play(pianoStab(majorLow, 150), 60))),
        sound(13, "Glass Bell", "synth", 1, 76877, 62, lowest(play(glassBell(1500), 300))),
        sound(14, "Chord Stab Fm9", "stabs", 1, 21505, 65, lowest(play(sawStab({-12, 0, 3, 7, 10, 14}, 180, 1.1), 50))),
        sound(15, "Detuned Stab", "stabs3", 1, 15777, 59, tone(play(raveStab({0}, 170), 40))),
        sound(16, "Horn Stab A", "stabs2", 1, 23553, 57, lowest(play(brassStab({0, 4, 7}, 300, 35).lowpass(380, 0.8, 1.8, 250), 80))),
        sound(17, "Chord Stab Emaj7", "stabs", 1, 15745, 64, lowest(play(sawStab({-12, 0, 4, 7, 11}, 160, 0.9), 40))),
        sound(18, "Organ Stab D", "stabs3", 1, 11646, 62, tone(play(organStab({0}, 130), 30))),
        sound(19, "Brass Swell Bb", "stabs2", 1, 29440, 58, lowest(play(brassStab({0, 4, 7, 12}, 300, 160), 120))),
        sound(20, "Electric Piano", "synth", 1, 64859, 57, tone(play(electricPiano(1300), 200))),
        sound(21, "Acid Stab", "stabs3", 1, 14176, 62, tone(play(acidPluck(200), 40))),
        sound(22, "String Stab Dm", "stabs2", 1, 25335, 62, lowest(play(stringStab(minorLow, 210), 80))),
        sound(23, "Clav Stab", "stabs3", 1, 8963, 57, tone(play(clav({0}), 25))),
        sound(24, "Pizzicato", "stabs2", 1, 8480, 62, tone(play(pizzicato({0}), 30))),
        sound(25, "Sus Stab F", "stabs", 1, 15466, 65, lowest(play(sawStab({-12, 0, 5, 7, 12}, 160), 40))),
        sound(26, "Sax Stab Eb", "stabs2", 1, 15651, 63, lowest(play(saxStab(), 40))),
        sound(27, "Chord Stab F#m7", "stabs", 1, 14418, 54, lowest(play(sawStab({-12, 0, 3, 7, 10}, 150, 1.3), 40))),
        sound(28, "Pulse Stab", "stabs3", 1, 16129, 57, tone(play(squareStab({0}, 170), 40))),
        sound(29, "Choir Pad", "synth", 1, 98340, 60, tone(play(choir(vowelAhAlto, {0}, 6, 400), 700)).held(1.5)),
        sound(30, "Timpani", "stabs2", 1, 27014, 60, lowest(play(timpani(), 120))),
        sound(31, "Sub Bass", "synth", 1, 45057, 58, tone(play(subBass(), 150))),
        sound(32, "Saw Stab", "stabs3", 1, 15284, 60, tone(play(sawStab({0}, 160), 40))),
        sound(33, "Choir Stab G", "stabs2", 1, 20785, 67, lowest(play(choirStab({0, 4, 7, 12}, vowelAhTenor, 230), 60))),
        sound(34, "Bass Stab", "stabs3", 1, 12479, 63, tone(play(analogBass(200).envelope(2, 180), 40))),
        sound(35, "Marimba", "synth", 1, 8863, 65, lowest(play(marimba(), 40))),
        sound(36, "Chord Stab Am9", "stabs", 1, 19777, 69, lowest(play(squareStab({-12, 0, 3, 7, 10, 14}, 190, 0.8), 50))),
        sound(37, "Synth Cowbell", "stabs3", 1, 10763, 60, lowest(play(cowbell(), 40))),
        sound(38, "Brass Stab Cm", "stabs2", 1, 23742, 60, lowest(play(brassStab({0, 3, 7, 12}, 280), 90))),
        startingAt(sound(39, "Evolving Pad", "synth", 1, 203311, 63, evolvingPadLayers()), 4000),
        sound(40, "Pad Stab Emaj9", "stabs", 1, 28386, 64, lowest(play(padStab(), 80))),
        sound(41, "Orchestra Stab Bbm", "stabs2", 1, 20833, 58, lowest(play(orchestraHit(minor, 210), 60))),
        sound(42, "Tubular Bell", "synth", 1, 91988, 57, lowest(play(tubularBell(2200), 400))),
        sound(43, "Synth Pluck", "synth", 1, 26560, 55, tone(play(synthPluck(300), 80))),
        sound(44, "FM Blip", "stabs3", 1, 8961, 64, tone(play(fmStab({0}, 110), 25))),
        sound(45, "Steel Drum", "synth", 1, 13441, 64, tone(play(steelDrum(), 40))),
        sound(46, "Chord Stab Em7", "stabs", 1, 14560, 64, lowest(play(raveStab({0, 3, 7, 10, 12}, 150), 40))),
        sound(47, "Analog Bass", "synth", 1, 30210, 60, tone(play(analogBass(500), 120))),
        sound(48, "Sync Stab", "stabs3", 1, 15575, 60, tone(play(syncStab({0}, 170), 40))),
        sound(49, "Supersaw Pad", "synth", 2, 93646, 60, tone(play(supersawPad(), 600)).held(1.6)),
        sound(50, "Drawbar Organ", "synth", 1, 51200, 60, tone(play(organ({0}, {1, 0.8, 0.6, 0.5, 0, 0.3, 0, 0.2}), 200)).held(0.9)),
        sound(51, "Vibraphone", "synth", 1, 20832, 60, lowest(play(vibraphone(), 80))),
        sound(52, "Sweep Pad", "synth", 1, 91504, 54, tone(play(sweepPad(), 600)).held(1.6)),
        fromResource(53, "House Organ", ":/Resources/sounds/instrus/m1organ.wav"),
        fromResource(54, "Octave Pad", ":/Resources/sounds/synths/jx1/JX1 C4+C5.wav"),
        longer(sound(55, "Vox Yeah", "voice", 1, 16500, 60,
                     twoTakes(spoken("yeah", "en-us+m3", 45), 16500, spoken("come on", "en-us+m3", 45))), 31753),
        sound(56, "Vox Hey", "voice", 1, 10081, 60, unpitched(play(spoken("hey", "en-us+m1", 55, 200), 25))),
        sound(57, "Choir Ooh", "voice", 1, 36609, 60, tone(play(choir(vowelOoAlto, {0}, 6, 90), 250)).held(0.5)),
        sound(58, "Vox Come On", "voice", 1, 22859, 60, unpitched(play(spoken("come on", "en-us+f2", 50, 190), 30))),
        longer(sound(59, "Vox Ha", "voice", 1, 8050, 60,
                     twoTakes(spoken("ha", "en-us+m3", 50, 220), 8050, spoken("ha ha", "en-us+m3", 50, 220))), 22859),
        sound(60, "Vox Go", "voice", 1, 15361, 60, unpitched(play(spoken("go!", "en-us+m7", 40, 180), 30))),
        sound(61, "Vocal Aah", "voice", 1, 23041, 60, tone(play(soloVowel(vowelAhAlto), 150)).held(0.18)),
        sound(62, "Choir Aah", "voice", 1, 41473, 60, tone(play(choir(vowelAhTenor, {0}, 8, 100), 300)).held(0.6)),
        sound(63, "Vox Uh", "voice", 1, 20130, 60, unpitched(play(spoken("uh!", "en-us+m2", 40, 170), 30))),
        sound(64, "Vocal Ooh", "voice", 1, 13147, 60, tone(play(soloVowel(vowelOoSoprano, 30).vibrate(5.5, 6, 80), 90)).held(0.2)),
        sound(65, "Vox Wow", "voice", 1, 30510, 60, unpitched(play(spoken("wow!", "en-us+f3", 55, 170), 40))),
    };
    return entries;
}

}  // namespace soundgen
