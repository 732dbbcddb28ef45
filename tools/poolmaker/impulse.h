// impulse: writes Impulse Tracker modules (sample mode, 16-bit signed
// samples, packed patterns), as real players load them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ItSample {
    std::string name;
    std::vector<int16_t> data;
    uint32_t c5Speed = 22050;            // the rate at which note C-5 plays the sample
    uint32_t loopStart = 0, loopEnd = 0; // loopEnd > loopStart: a forward loop
    uint8_t volume = 64;                 // default volume 0..64
    uint8_t globalVolume = 64;           // 0..64
};

struct ItCell {
    uint8_t note = 0;    // 0 none, 1..120 = C-0.., 255 note off, 254 note cut
    uint8_t sample = 0;  // 1-based, 0 none
    int16_t volume = -1; // -1 none, else 0..64
    uint8_t command = 0; // 'A'..'Z' as 1..26, 0 none
    uint8_t parameter = 0;
};

constexpr int kItChannels = 12;

struct ItPattern {
    int rows = 64;
    std::vector<ItCell> cells = std::vector<ItCell>(size_t(64) * kItChannels); // row-major
    ItCell& at(int row, int channel) { return cells[size_t(row) * kItChannels + size_t(channel)]; }
};

struct ItModule {
    std::string title;
    uint8_t speed = 6, tempo = 140, globalVolume = 128, mixVolume = 48;
    std::vector<uint8_t> orders; // pattern numbers
    std::vector<ItPattern> patterns;
    std::vector<ItSample> samples;
    uint8_t channelPan[kItChannels] = {};
};

std::vector<uint8_t> writeImpulseTracker(const ItModule& module);

// Note number for the writer: octave 0..9, semitone 0..11 (C = 0).
constexpr uint8_t itNote(int octave, int semitone) {
    return uint8_t(octave * 12 + semitone + 1);
}
