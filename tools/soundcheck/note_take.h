// One note through the plug-in: loaded afresh, so that nothing of an earlier
// note (voices, delay tails) sounds into the next, its program chosen, the
// note played and the stereo output kept in memory.
#pragma once

#include <string>
#include <vector>

struct NoteTake {
    std::string programName;
    int sampleRate = 0;
    std::vector<float> left, right;
};

struct NotePlay {
    int program = 0;
    int note = 60;
    int velocity = 100;
    double heldSeconds = 1.0;
    double totalSeconds = 1.0;
};

// Throws HostError or InputError.
NoteTake takeNote(const std::string& pluginPath, const NotePlay& play, int sampleRate);

int programCount(const std::string& pluginPath, int sampleRate);
