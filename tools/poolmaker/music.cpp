#include "tools/poolmaker/music.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

constexpr double kRate = 22050;
constexpr double kTwoPi = 6.283185307179586;

// A tiny deterministic noise source.
struct Noise {
    uint32_t state = 0x9E3779B9u;
    double next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return double(state) / 2147483648.0 - 1.0;
    }
};

std::vector<int16_t> toPcm(const std::vector<double>& v, double gain) {
    std::vector<int16_t> out(v.size());
    for (size_t i = 0; i < v.size(); ++i) out[i] = int16_t(std::clamp(v[i] * gain, -1.0, 1.0) * 32000);
    return out;
}

// A soft limiter that keeps a sound's peak and fills out its body: drums that
// carry their loudness with less peak, so the mix gets loud without overs.
std::vector<double> softLimit(std::vector<double> v, double drive) {
    double peak = 0;
    for (double x : v) peak = std::max(peak, std::fabs(x));
    if (peak == 0) return v;
    for (double& x : v) x = std::tanh(drive * x) / std::tanh(drive * peak) * peak;
    return v;
}

// Samples: all at 22,050 Hz; pitched ones tuned so that C-5 plays their note.
ItSample kick() {
    std::vector<double> v(size_t(kRate * 0.45));
    double phase = 0;
    for (size_t i = 0; i < v.size(); ++i) {
        double t = i / kRate;
        double f = 45 + 120 * std::exp(-t * 28);
        phase += kTwoPi * f / kRate;
        v[i] = std::sin(phase) * std::exp(-t * 6) + 0.3 * std::sin(phase * 2) * std::exp(-t * 40);
    }
    return {"kick", toPcm(softLimit(v, 3), 0.65), 22050};
}

ItSample snare() {
    Noise n;
    std::vector<double> v(size_t(kRate * 0.3));
    double phase = 0, low = 0;
    for (size_t i = 0; i < v.size(); ++i) {
        double t = i / kRate;
        phase += kTwoPi * (190 - 60 * t) / kRate;
        double noise = n.next();
        low += (noise - low) * 0.5;
        v[i] = 0.5 * std::sin(phase) * std::exp(-t * 25) + 0.7 * (noise - low) * std::exp(-t * 14);
    }
    return {"snare", toPcm(v, 0.8), 22050};
}

ItSample clap() {
    Noise n;
    std::vector<double> v(size_t(kRate * 0.35));
    double band = 0, low = 0;
    for (size_t i = 0; i < v.size(); ++i) {
        double t = i / kRate;
        double noise = n.next();
        low += (noise - low) * 0.3;
        band = noise - low;
        double bursts = t < 0.03 ? (std::fmod(t, 0.01) < 0.004 ? 1 : 0.3) : std::exp(-(t - 0.03) * 16);
        v[i] = band * bursts;
    }
    return {"clap", toPcm(v, 0.9), 22050};
}

ItSample hat(double seconds, double decay, const char* name) {
    Noise n;
    std::vector<double> v(size_t(kRate * seconds));
    double previous = 0;
    for (size_t i = 0; i < v.size(); ++i) {
        double t = i / kRate, noise = n.next();
        double high = noise - previous; // a simple high-pass
        previous = noise;
        v[i] = high * std::exp(-t * decay);
    }
    return {name, toPcm(v, 0.45), 22050};
}

ItSample crash() {
    Noise n;
    std::vector<double> v(size_t(kRate * 1.8));
    double previous = 0, ring = 0;
    for (size_t i = 0; i < v.size(); ++i) {
        double t = i / kRate, noise = n.next();
        double high = noise - previous;
        previous = noise;
        ring += 0.0;
        v[i] = (0.8 * high + 0.2 * noise) * std::exp(-t * 2.2);
    }
    return {"crash", toPcm(v, 0.35), 22050};
}

ItSample impact() {
    Noise n;
    std::vector<double> v(size_t(kRate * 1.2));
    double phase = 0, low = 0;
    for (size_t i = 0; i < v.size(); ++i) {
        double t = i / kRate;
        phase += kTwoPi * (30 + 90 * std::exp(-t * 5)) / kRate;
        double noise = n.next();
        low += (noise - low) * 0.05;
        v[i] = std::sin(phase) * std::exp(-t * 2.5) + 1.5 * low * std::exp(-t * 4);
    }
    return {"impact", toPcm(v, 0.5), 22050};
}

ItSample riser() {
    Noise n;
    std::vector<double> v(size_t(kRate * 2.4));
    double low = 0, phase = 0;
    for (size_t i = 0; i < v.size(); ++i) {
        double t = i / kRate, x = t / 2.4;
        double noise = n.next();
        low += (noise - low) * (0.02 + 0.5 * x * x);
        phase += kTwoPi * (200 + 1400 * x * x) / kRate;
        v[i] = (0.6 * low + 0.25 * std::sin(phase)) * x * x * (t < 2.35 ? 1 : (2.4 - t) / 0.05);
    }
    return {"riser", toPcm(v, 0.7), 22050};
}

// A looped waveform holding whole cycles of every partial, so the loop is seamless.
// frequencies: Hz within a one-second loop (integers); C-5 is tuned to base.
ItSample looped(const char* name, double base, double seconds, double attack,
                double (*voice)(double phase, double t), double gain) {
    size_t loop = size_t(kRate);
    size_t head = size_t(kRate * attack);
    std::vector<double> v(head + loop);
    double f = std::round(base);
    for (size_t i = 0; i < v.size(); ++i) {
        double t = i / kRate;
        double envelope = i < head ? double(i) / double(head) : 1.0;
        v[i] = voice(std::fmod(t * f, 1.0), t) * envelope;
    }
    (void)seconds;
    ItSample s{name, toPcm(v, gain), uint32_t(std::lround(kRate * 261.6256 / f))};
    s.loopStart = uint32_t(head);
    s.loopEnd = uint32_t(head + loop);
    return s;
}

double sawBass(double phase, double) {
    // A band-limited saw with a few partials and a square sub.
    double x = kTwoPi * phase, v = 0;
    for (int k = 1; k <= 8; ++k) v += std::sin(k * x) / k * (k <= 4 ? 1 : 0.5);
    return 0.45 * v + 0.35 * (phase < 0.5 ? 1 : -1) * 0.4;
}

double padVoice(double phase, double t) {
    // Three slightly detuned saws (1 Hz apart, so one second holds whole cycles of each).
    double v = 0;
    for (int d = -1; d <= 1; ++d) {
        double p = phase * kTwoPi + kTwoPi * d * t;
        for (int k = 1; k <= 6; ++k) v += std::sin(k * p) / (k * 1.3);
    }
    return v / 3.0;
}

double leadVoice(double phase, double t) {
    double x = kTwoPi * phase;
    double square = 0;
    for (int k = 1; k <= 9; k += 2) square += std::sin(k * x) / k;
    return 0.7 * square + 0.25 * std::sin(x + 0.3 * std::sin(kTwoPi * 5 * t));
}

ItSample pluck() {
    // A decaying bell-like pluck for arpeggios and ripples (not looped).
    std::vector<double> v(size_t(kRate * 0.9));
    double f = 523.2511; // C-5 plays it an octave up: brighter
    for (size_t i = 0; i < v.size(); ++i) {
        double t = i / kRate;
        v[i] = (std::sin(kTwoPi * f * t) + 0.4 * std::sin(kTwoPi * f * 2.01 * t) * std::exp(-t * 6) +
                0.2 * std::sin(kTwoPi * f * 3.98 * t) * std::exp(-t * 12)) *
               std::exp(-t * 4.5);
    }
    return {"pluck", toPcm(v, 0.5), uint32_t(std::lround(kRate * 261.6256 / f))};
}

enum Sample {
    kKick = 1,
    kSnare,
    kClap,
    kHatClosed,
    kHatOpen,
    kCrash,
    kImpact,
    kRiser,
    kBass,
    kPad,
    kLead,
    kPluck
};
enum Channel { cKick, cSnare, cHat, cOpenHat, cBass, cPad1, cPad2, cPad3, cLead, cArp, cFx, cFx2 };

// A minor: the chords of a bar (16 rows): Am, F, C, G.
struct Chord {
    int root;     // semitone of the bass root (A = 9)
    int notes[3]; // pad notes, semitones above C-4
};
const Chord kChords[4] = {{9, {9, 12, 16}}, {5, {5, 9, 12}}, {0, {7, 12, 16}}, {7, {7, 11, 14}}};
const Chord kCalm[4] = {{9, {9, 12, 16}}, {2, {5, 9, 14}}, {5, {5, 9, 12}}, {4, {4, 8, 11}}};

void put(ItPattern& p, int row, int channel, int note, int sample, int volume = -1) {
    ItCell& c = p.at(row, channel);
    c.note = uint8_t(note);
    c.sample = uint8_t(sample);
    c.volume = int16_t(volume);
}

// Semitone above C-0 as a note for the writer.
int note(int octave, int semitone) {
    return itNote(octave + semitone / 12, semitone % 12);
}

struct Layers {
    bool kick4 = false, halfKick = false, snare = false, clap = false, hats = false, openHats = false,
         bass = false, pad = false, lead = false, arp = false, calm = false;
    int volume = 64; // a whole-order fade
};

void fill(ItPattern& p, const Layers& l, int order) {
    auto v = [&](int value) { return std::max(0, value * l.volume / 64); };
    const Chord* chords = l.calm ? kCalm : kChords;
    // Looped voices ring on until told: silence the layers this order leaves out.
    if (!l.pad)
        for (int c : {cPad1, cPad2, cPad3}) put(p, 0, c, 254, 0);
    if (!l.lead) put(p, 0, cLead, 254, 0);
    if (!l.bass) put(p, 0, cBass, 254, 0);
    static const int hook[16] = {9, -1, 12, 14, 16, -1, 14, 12, 9, -1, 7, 9, 12, -1, -1, -1};
    static const int hook2[16] = {16, -1, 14, 12, 14, -1, 12, 9, 7, -1, 9, -1, 4, -1, -1, -1};
    for (int bar = 0; bar < 4; ++bar) {
        const Chord& chord = chords[bar];
        int base = bar * 16;
        if (l.pad) {
            put(p, base, cPad1, note(4, chord.notes[0]), kPad, v(34));
            put(p, base, cPad2, note(4, chord.notes[1]), kPad, v(30));
            put(p, base, cPad3, note(4, chord.notes[2]), kPad, v(30));
        }
        for (int step = 0; step < 16; ++step) {
            int row = base + step;
            if (l.kick4 && step % 4 == 0) put(p, row, cKick, note(5, 0), kKick, v(64));
            if (l.halfKick && step % 8 == 0) put(p, row, cKick, note(5, 0), kKick, v(60));
            if (l.snare && (step == 4 || step == 12)) put(p, row, cSnare, note(5, 0), kSnare, v(52));
            if (l.clap && step == 12) put(p, row, cSnare, note(5, 0), kClap, v(50));
            if (l.hats && step % 2 == 0)
                put(p, row, cHat, note(5, 0), kHatClosed, v(step % 4 == 2 ? 40 : 24));
            if (l.openHats && step % 4 == 2) put(p, row, cOpenHat, note(5, 0), kHatOpen, v(30));
            if (l.bass) {
                static const int pattern[16] = {1, 0, 1, 1, 0, 1, 1, 0, 1, 0, 1, 1, 0, 1, 0, 1};
                if (pattern[step])
                    put(p, row, cBass, note(2, chord.root + (step == 14 ? 12 : 0)), kBass,
                        v(step % 4 == 0 ? 56 : 44));
                else
                    put(p, row, cBass, 254, 0);
            }
            if (l.arp && step % 2 == 0) {
                int n = chord.notes[(step / 2) % 3] + ((step / 6) % 2) * 12;
                put(p, row, cArp, note(4, n), kPluck, v(l.calm ? 26 : 34));
            }
            if (l.lead) {
                const int* melody = (order + bar) % 2 == 0 ? hook : hook2;
                if (melody[step] >= 0)
                    put(p, row, cLead, note(5, melody[step]), kLead, v(38));
                else if (step == 14)
                    put(p, row, cLead, 254, 0);
            }
        }
    }
}

void accent(ItPattern& p, int row, int sample, int volume = 64, int channel = cFx) {
    put(p, row, channel, note(5, 0), sample, volume);
}

} // namespace

ItModule composeTrack() {
    ItModule m;
    m.title = "CELLRUNE";
    m.speed = 6;
    m.tempo = 140;
    // The whole show at -16 LUFS with its true peak near -1.7 dBTP (the test of the music measures both).
    m.mixVolume = 94;
    const uint8_t pans[kItChannels] = {32, 28, 40, 22, 32, 18, 46, 32, 26, 40, 30, 34};
    std::copy(pans, pans + kItChannels, m.channelPan);
    m.samples = {kick(),
                 snare(),
                 clap(),
                 hat(0.08, 60, "closed hat"),
                 hat(0.45, 8, "open hat"),
                 crash(),
                 impact(),
                 riser(),
                 looped("bass", 261.6256, 1, 0.005, sawBass, 0.605),
                 looped("pad", 261.6256, 1, 0.25, padVoice, 0.44),
                 looped("lead", 261.6256, 1, 0.01, leadVoice, 0.495),
                 pluck()};
    m.patterns.resize(kShowOrders);
    for (int order = 0; order < kShowOrders; ++order) {
        ItPattern& p = m.patterns[size_t(order)];
        Layers l;
        if (order == 0) {
            l.pad = true;
            l.volume = 48;
        } else if (order <= 4) { // scene 1: the build
            l.pad = true;
            l.hats = order >= 2;
            l.bass = order >= 3;
            l.arp = order >= 4;
        } else if (order <= 6) { // scene 2: the first beat, spikes landing
            l = {true, false, true, false, true, false, true, true, false, false, false, 64};
        } else if (order == 7) { // scene 3: half time, cross-fades
            l.halfKick = l.pad = l.arp = l.hats = true;
        } else if (order <= 9) { // scene 4: the hook
            l = {true, false, true, true, true, true, true, true, true, false, false, 64};
        } else if (order <= 12) { // scene 5: over the water, a breakdown
            l.pad = l.arp = true;
            l.halfKick = order >= 11;
            l.bass = order == 12;
        } else if (order <= 18) { // scenes 6 to 9: the drop
            l = {true, false, true, true, true, true, true, true, true, true, false, 64};
        } else if (order <= 20) { // scene 10: the room, ripples
            l.halfKick = l.bass = l.pad = l.hats = true;
        } else if (order <= 22) { // scene 11: the lattice
            l = {true, false, false, true, true, false, true, true, false, true, false, 64};
        } else if (order <= 24) { // scene 12: the tower
            l = {true, false, true, false, true, true, true, true, true, false, false, 64};
        } else if (order <= 26) { // scene 13: the skull
            l = {true, false, true, true, true, true, true, false, true, true, false, 64};
        } else if (order <= 28) { // scene 14: full, then the fade
            l = {true, false, true, true, true, true, true, true, true, true, false, 64};
        } else if (order <= 32) {
            l = {order <= 30, order > 30, order <= 31, false, true,  false,
                 order <= 31, true,       order <= 30, true,  false, 64 - (order - 28) * 12};
        } else { // the end part: calm, looping
            l.pad = l.arp = l.calm = true;
            l.bass = order >= 35 && order <= 38;
            l.volume = 44;
        }
        fill(p, l, order);

        // Accents where the pictures cut and pulse.
        if (order == 0) accent(p, 48, kImpact, 50, cKick);
        if (order >= 1 && order <= 4)
            for (int row : {0, 16, 32, 48}) put(p, row, cKick, note(5, 0), kKick, 60);
        if (order == 1 || order == 2)
            for (int row : {8, 24, 56}) accent(p, row, kClap, 56, cSnare);
        if (order == 4) accent(p, 32, kRiser, 60);
        if (order == 5) {
            accent(p, 0, kCrash, 60);
            accent(p, 48, kImpact, 64, cFx2);
        }
        if (order == 6)
            for (int row : {0, 16, 48}) accent(p, row, kImpact, 64, cFx2);
        if (order == 7)
            for (int row = 0; row < 64; row += 8) accent(p, row, kHatOpen, 40, cFx2);
        if (order == 8 || order == 13 || order == 19 || order == 21 || order == 23 || order == 25 ||
            order == 27)
            accent(p, 0, kCrash, 64);
        if (order == 10 || order == 11) {
            accent(p, 12, kImpact, 52, cFx2);
            accent(p, 60, kCrash, 48);
        }
        if (order == 12) accent(p, 28, kRiser, 60);
        if (order >= 13 && order <= 18) {
            if (order != 17 || true) accent(p, 32, kCrash, 44);
            for (int row : {8, 40}) accent(p, row, kClap, 60, cFx2);
        }
        if (order == 17) // a snare roll into the frozen shot
            for (int row = 48; row < 64; ++row) put(p, row, cSnare, note(5, 0), kSnare, 20 + (row - 48) * 2);
        if (order == 18)
            for (int row = 48; row < 64; row += 2) put(p, row, cKick, note(5, 0), kKick, 40 + (row - 48) * 2);
        if (order == 19)
            for (int row : {8, 24, 40, 56}) put(p, row, cArp, note(6, 9), kPluck, 60);
        if (order == 20)
            for (int row : {24, 40, 56}) put(p, row, cArp, note(6, 4), kPluck, 60);
        if (order == 23 || order == 24)
            for (int row : {12, 13, 14, 15, 44, 45, 46, 47}) put(p, row, cFx2, note(5, 9), kPluck, 48);
        if (order == 25 || order == 26)
            for (int row : {8, 40}) {
                accent(p, row, kImpact, 64, cFx2);
                accent(p, row, kCrash, 56);
            }
        if (order == 29 || order == 31) put(p, 12, cFx2, note(6, 4), kPluck, 56);
        if (order == 33) accent(p, 0, kCrash, 40);
    }
    for (int order = 0; order < kShowOrders; ++order) m.orders.push_back(uint8_t(order));
    // The last order jumps back into the end part, forever.
    ItCell& jump = m.patterns.back().at(63, cFx2);
    jump.command = 'B' - 'A' + 1;
    jump.parameter = kLoopOrder;
    return m;
}

std::vector<uint8_t> makeMusic() {
    return writeImpulseTracker(composeTrack());
}
