#include "fluid_reference.h"

#include <fluidsynth.h>
#include <time.h>


namespace {

constexpr const char* kSoundFont = "/usr/share/sounds/sf2/FluidR3_GM.sf2";
constexpr int kStringEnsemble = 48;  // sustains with a loop, like the benchmarks' instrument

}  // namespace

double threadCpuNs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

FluidReference::FluidReference(int wanted) {
    settings = new_fluid_settings();
    fluid_settings_setnum(settings, "synth.sample-rate", 44100.0);
    fluid_settings_setint(settings, "synth.reverb.active", 0);
    fluid_settings_setint(settings, "synth.chorus.active", 0);
    fluid_settings_setint(settings, "synth.polyphony", wanted + 64);
    fluid_settings_setint(settings, "synth.cpu-cores", 1);
    synth = new_fluid_synth(settings);
    if (!synth || fluid_synth_sfload(synth, kSoundFont, 1) == FLUID_FAILED) {
        if (synth) delete_fluid_synth(synth);
        synth = nullptr;
        return;
    }
    fluid_synth_set_interp_method(synth, -1, FLUID_INTERP_LINEAR);
    // Notes over the 16 channels until enough voices sound.
    for (int n = 0; voices() < wanted && n < 16 * 128; n++) {
        const int channel = n % 16;
        if (channel == 9) continue;  // percussion
        fluid_synth_program_change(synth, channel, kStringEnsemble);
        fluid_synth_noteon(synth, channel, 36 + (n / 16) % 60, 100);
    }
}

FluidReference::~FluidReference() {
    if (synth) delete_fluid_synth(synth);
    if (settings) delete_fluid_settings(settings);
}

int FluidReference::voices() const { return synth ? fluid_synth_get_active_voice_count(synth) : 0; }

double FluidReference::nsPerVoiceFrame(int blocks, int frames) {
    left.resize(static_cast<std::size_t>(frames));
    right.resize(static_cast<std::size_t>(frames));
    const int sounding = voices();
    const double started = threadCpuNs();
    for (int b = 0; b < blocks; b++) fluid_synth_write_float(synth, frames, left.data(), 0, 1, right.data(), 0, 1);
    const double ns = threadCpuNs() - started;
    return ns / (static_cast<double>(blocks) * frames * sounding);
}
