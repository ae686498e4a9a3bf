// The embedded WAV sounds by folder: file, format, frames, root-note table
// entry (0: not in the table, tuned to C4 = note 60), recipe.
#include "embedded.h"

#include <cmath>

#include "dsp.h"
#include "instruments.h"

namespace soundgen {

namespace {

using namespace chords;

constexpr WavFormat stereo16{2, 16, 44100};
constexpr WavFormat mono16{1, 16, 44100};
constexpr WavFormat mono16At48k{1, 16, 48000};
constexpr WavFormat mono8{1, 8, 44100};
constexpr WavFormat mono8At22k{1, 8, 22050};
constexpr WavFormat mono8At11k{1, 8, 11025};
constexpr WavFormat mono8At8363{1, 8, 8363};

const Notes minorLow{-12, 0, 3, 7, 12};
const Notes majorLow{-12, 0, 4, 7, 12};

// C4 and C5 on saws and a pulse, each voice a whole number of cycles in the
// loop, so that its end runs on into its start; the envelopes have settled
// long before the loop starts. A voice plays a loop up to the frame before
// its end marker, which sits on the last frame: that frame continues the
// loop, for the step from the one before it.
Recipe octavePadLoop(int frames, int sampleRate) {
    const int loop = frames - 1 - octavePadLoopStart;
    const double c4 = noteHz(60);
    auto onGrid = [&](double hz) {
        const double cycles = std::round(hz * loop / sampleRate);
        return 1200 * std::log2(cycles * sampleRate / loop / c4);
    };
    Patch p;
    for (double note : {0.0, 12.0}) {
        const double hz = noteHz(60 + note);
        const double level = note == 0 ? 1 : 0.7;
        p = p.with(sawOsc().detune(onGrid(hz * std::exp2(-4 / 1200.0))).level_(level).panned(-0.6))
                .with(sawOsc().detune(onGrid(hz * std::exp2(4 / 1200.0))).level_(level).panned(0.6))
                .with(pulseOsc(0.4).detune(onGrid(hz)).level_(0.4 * level));
    }
    p = p.lowpass(2000, 0.9, 1.2, 25).envelope(90, 0, 1);
    return tone(play(p, 0));
}

EmbeddedSound wav(const char* folder, const char* file, WavFormat format, int frames, int tableRoot,
                  Recipe recipe) {
    return {folder, file, format, frames, tableRoot, std::move(recipe)};
}

std::vector<EmbeddedSound> stabs2() {
    const char* f = "stabs2";
    return {
        wav(f, "Brass Stab C.wav", stereo16, 26000, 0, lowest(play(brassStab({0, 4, 7, 12}, 280), 120))),
        wav(f, "Brass Stab Cm.wav", mono16, 24000, 0, lowest(play(brassStab({0, 3, 7, 12}, 260), 100))),
        wav(f, "Brass Stab F.wav", mono16, 24000, 65, lowest(play(brassStab({0, 4, 7, 12}, 240), 100))),
        wav(f, "Brass Stab Gm.wav", mono16, 24000, 67, lowest(play(brassStab({0, 3, 7}, 240), 100))),
        wav(f, "Brass Stab C7.wav", mono16, 24000, 0, lowest(play(brassStab({0, 4, 7, 10}, 250), 100))),
        wav(f, "Brass Swell C.wav", stereo16, 160000, 0, lowest(play(heldBrass({0, 4, 7, 12}, 250), 150)).held(1.0)),
        wav(f, "Horn Stab C.wav", mono16, 135000, 0, lowest(play(heldBrass({0, 4, 7}, 40).lowpass(360, 0.8, 1.6, 280), 120)).held(1.0)),
        wav(f, "Orchestra Hit C.wav", stereo16, 36000, 0, lowest(play(orchestraHit(major, 280), 120))),
        wav(f, "Orchestra Hit Cm.wav", mono16, 34000, 0, lowest(play(orchestraHit(minor, 260), 120))),
        wav(f, "Orchestra Hit D.wav", mono16, 34000, 62, lowest(play(orchestraHit(major, 260), 120))),
        wav(f, "String Stab C.wav", stereo16, 26000, 0, lowest(play(stringStab(majorLow, 220), 90))),
        wav(f, "String Stab Cm.wav", mono16, 26000, 0, lowest(play(stringStab(minorLow, 220), 90))),
        wav(f, "String Stab A.wav", mono16, 26000, 57, lowest(play(stringStab(majorLow, 220), 90))),
        wav(f, "Choir Stab C.wav", stereo16, 28000, 0, lowest(play(choirStab({0, 4, 7, 12}, vowelAhTenor, 260), 90))),
        wav(f, "Choir Stab Am.wav", mono16, 28000, 69, lowest(play(choirStab({0, 3, 7, 12}, vowelAhAlto, 260), 90))),
        wav(f, "Sax Stab C.wav", mono16, 20000, 0, lowest(play(brassStab({0, 4, 7}, 200, 10).sing(vowelAhTenor), 50))),
        wav(f, "Trumpet Stab C.wav", mono16, 22000, 0, lowest(play(brassStab({0, 4, 7, 12}, 220, 8).lowpass(900, 1.2, 2.0, 150), 60))),
        wav(f, "Timpani C.wav", mono16, 40000, 0, lowest(play(timpani(), 150))),
        wav(f, "Pizzicato C.wav", mono16, 14000, 0, tone(play(pizzicato({0}), 40))),
        wav(f, "Pizzicato Cm.wav", mono16, 16000, 0, lowest(play(pizzicato({0, 3, 7, 12}), 40))),
        wav(f, "Tutti Hit C.wav", stereo16, 40000, 0, lowest(play(orchestraHit({0, 4, 7, 12}, 320), 150))),
        wav(f, "Chord Stab C.wav", mono16, 16000, 0, lowest(play(sawStab(majorLow, 160), 40))),
        wav(f, "Chord Stab Cm7.wav", mono16, 18000, 0, lowest(play(sawStab({-12, 0, 3, 7, 10}, 170), 40))),
        wav(f, "Chord Stab Eb.wav", mono16, 16000, 63, lowest(play(sawStab(majorLow, 160, 1.2), 40))),
        wav(f, "Chord Stab Cmaj7.wav", stereo16, 18000, 0, lowest(play(sawStab({-12, 0, 4, 7, 11}, 170, 0.9), 40))),
        wav(f, "Lofi Orchestra Hit.wav", mono8, 30000, 0, lowest(play(orchestraHit(major, 240), 100))),
    };
}

std::vector<EmbeddedSound> stabs3() {
    const char* f = "stabs3";
    return {
        wav(f, "Rave Stab Cm.wav", stereo16, 18000, 0, lowest(play(raveStab({0, 3, 7, 12}, 200), 40))),
        wav(f, "Rave Stab Fm.wav", mono16, 18000, 65, lowest(play(raveStab({0, 3, 7, 12}, 200), 40))),
        wav(f, "House Stab Cm7.wav", stereo16, 14000, 0, lowest(play(organStab({-12, 0, 3, 7, 10}, 120), 30))),
        wav(f, "House Stab Fm7.wav", mono16, 14000, 53, lowest(play(organStab({0, 3, 7, 10}, 120), 30))),
        wav(f, "Organ Stab C.wav", mono16, 14000, 0, tone(play(organStab({0}, 140), 30))),
        wav(f, "Piano Stab C.wav", stereo16, 24000, 0, lowest(play(pianoStab(majorLow, 240), 60))),
        wav(f, "Piano Stab Am.wav", mono16, 24000, 57, lowest(play(pianoStab(minorLow, 240), 60))),
        wav(f, "Clav Stab Bb.wav", mono16, 10000, 58, tone(play(clav({0}), 25))),
        wav(f, "Saw Stab C.wav", mono16, 16000, 0, tone(play(sawStab({0}, 170), 40))),
        wav(f, "Deep Stab Cm9.wav", stereo16, 26000, 0, lowest(play(sawStab({-12, 0, 3, 7, 10, 14}, 260, 0.7), 60))),
        wav(f, "Deep Stab Gm9.wav", mono16, 26000, 55, lowest(play(sawStab({-12, 0, 3, 7, 10, 14}, 260, 0.7), 60))),
        wav(f, "Acid Stab C.wav", mono16, 15000, 0, tone(play(acidPluck(170), 40))),
        wav(f, "Acid Stab G.wav", mono16, 15000, 67, tone(play(acidPluck(170), 40))),
        wav(f, "Sync Stab C.wav", mono16, 16000, 0, tone(play(syncStab({0}, 180), 40))),
        wav(f, "FM Stab C.wav", mono16, 16000, 0, lowest(play(fmStab({0, 4, 7}, 200), 40))),
        wav(f, "Bell Stab C.wav", mono16, 30000, 0, lowest(play(glassBell(500), 100))),
        wav(f, "Pluck Stab E.wav", mono16, 16000, 64, tone(play(synthPluck(220), 40))),
        wav(f, "Pluck Stab C.wav", stereo16, 18000, 0, lowest(play(synthPluck(240).chord({0, 7, 12}), 40))),
        wav(f, "Chip Stab C.wav", mono8, 12000, 0, tone(play(chipSquare(0.25, 120), 30))),
        wav(f, "Lofi Stab Cm.wav", mono8, 16000, 0, lowest(play(squareStab(minorLow, 160), 40))),
        wav(f, "Sus Stab C.wav", mono16, 16000, 0, lowest(play(sawStab({-12, 0, 5, 7, 12}, 170), 40))),
        wav(f, "Sus Stab D.wav", mono16, 16000, 62, lowest(play(sawStab({-12, 0, 5, 7, 12}, 170), 40))),
        wav(f, "Noise Hit.wav", mono16, 14000, 0, unpitched(play(noiseHit(6000, 70), 40))),
        wav(f, "Bass Stab D.wav", mono16, 14000, 50, tone(play(analogBass(200).envelope(2, 180), 40))),
    };
}

std::vector<EmbeddedSound> voices() {
    const char* f = "voices";
    return {
        wav(f, "Choir Aah.wav", stereo16, 70000, 0, tone(play(choir(vowelAhTenor, {0}, 8, 150), 400)).held(1.0)),
        wav(f, "Alto Aah.wav", mono16At48k, 60000, 0, tone(play(soloVowel(vowelAhAlto), 300)).held(0.8)),
        wav(f, "Choir Ooh.wav", stereo16, 66000, 0, tone(play(choir(vowelOoAlto, {0}, 6, 150), 400)).held(1.0)),
        wav(f, "Tenor Ooh.wav", mono16, 60000, 55, tone(play(soloVowel(vowelOoTenor), 300)).held(0.8)),
        wav(f, "Choir Ee.wav", stereo16, 60000, 0, tone(play(choir(vowelEeTenor, {0}, 6, 150), 400)).held(0.8)),
        wav(f, "Yeah.wav", mono16, 22000, 0, unpitched(play(spoken("yeah", "en-us+m3", 45), 30))),
        wav(f, "Hey.wav", mono8At11k, 6000, 0, unpitched(play(spoken("hey!", "en-us+m1", 55, 200), 30))),
        wav(f, "Come On.wav", mono16, 30000, 0, unpitched(play(spoken("come on", "en-us+m3", 45), 30))),
        wav(f, "Go.wav", mono8At8363, 4000, 0, unpitched(play(spoken("go!", "en-us+m7", 40, 180), 30))),
        wav(f, "Let's Go.wav", mono16, 32000, 0, unpitched(play(spoken("let's go!", "en-us+f2", 55), 30))),
        wav(f, "Oh Yeah.wav", mono16, 36000, 0, unpitched(play(spoken("oh yeah", "en-us+m3", 40, 150), 30))),
        wav(f, "Uh.wav", mono8At8363, 3500, 0, unpitched(play(spoken("uh!", "en-us+m2", 40), 30))),
        wav(f, "Wow.wav", mono8At22k, 12000, 0, unpitched(play(spoken("wow!", "en-us+f3", 55), 30))),
        wav(f, "Ha.wav", mono8, 12000, 0, unpitched(play(spoken("ha!", "en-us+m3", 50, 220), 30))),
        wav(f, "Check It.wav", mono16, 30000, 0, unpitched(play(spoken("check it", "en-us+m1", 45), 30))),
        wav(f, "Get Up.wav", mono16, 26000, 0, unpitched(play(spoken("get up!", "en-us+m3", 50), 30))),
        wav(f, "Jump.wav", mono16, 22000, 0, unpitched(play(spoken("jump!", "en-us+f2", 50), 30))),
    };
}

std::vector<EmbeddedSound> instrus() {
    const char* f = "instrus";
    return {
        wav(f, "m1organ.wav", stereo16, 150000, 0, tone(play(houseOrgan(), 200)).held(1.0)),
        wav(f, "Grand Piano.wav", stereo16, 88200, 0, lowest(play(piano(), 400))),
        wav(f, "Strings.wav", stereo16, 88200, 0, tone(play(stringPad({0}, 180), 500)).held(1.4)),
        wav(f, "Electric Piano.wav", stereo16, 80000, 57, tone(play(stereoElectricPiano(1500), 300))),
        wav(f, "Vibraphone.wav", mono16, 80000, 65, lowest(play(vibraphone(), 300))),
        wav(f, "Marimba.wav", mono16, 22050, 72, lowest(play(marimba(), 80))),
        wav(f, "Harp.wav", mono16, 66150, 55, tone(play(harp(), 300))),
        wav(f, "Finger Bass.wav", mono16, 50000, 48, tone(play(fingerBass(), 200))),
        wav(f, "Flute.wav", mono16, 60000, 67, tone(play(flute(), 250)).held(0.8)),
        wav(f, "Music Box.wav", mono16, 60000, 0, lowest(play(musicBox(), 300))),
        wav(f, "Kalimba.wav", mono16, 40000, 0, lowest(play(kalimba(), 200))),
        wav(f, "Steel Drum.wav", mono16, 40000, 0, tone(play(steelDrum(), 200))),
        wav(f, "Nylon Guitar.wav", mono16, 66150, 0, tone(play(nylonGuitar(), 300))),
        wav(f, "Clarinet.wav", mono16, 100000, 0, tone(play(clarinet(), 250)).held(0.8)),
        wav(f, "Synth Bass.wav", mono16, 40000, 0, tone(play(analogBass(500), 150))),
    };
}

}  // namespace

const std::vector<EmbeddedSound>& embeddedSounds() {
    static const std::vector<EmbeddedSound> sounds = [] {
        std::vector<EmbeddedSound> all;
        for (auto folder : {stabs2(), stabs3(), voices(), instrus()}) {
            all.insert(all.end(), folder.begin(), folder.end());
        }
        const int padFrames = octavePadLoopStart + 88200 + 1;
        all.push_back(wav("synths/jx1", "JX1 C4+C5.wav", stereo16, padFrames, 0, octavePadLoop(padFrames, 44100)));
        return all;
    }();
    return sounds;
}

}  // namespace soundgen
