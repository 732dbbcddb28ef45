#include "tools/poolmaker/impulse.h"

#include <cstring>

namespace {

void put8(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(uint8_t(v));
}
void put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void put32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
void putText(std::vector<uint8_t>& b, const std::string& s, size_t length) {
    for (size_t i = 0; i < length; ++i) b.push_back(i < s.size() && i + 1 < length ? uint8_t(s[i]) : 0);
}
void patch32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

std::vector<uint8_t> packPattern(const ItPattern& p) {
    std::vector<uint8_t> data;
    for (int row = 0; row < p.rows; ++row) {
        for (int channel = 0; channel < kItChannels; ++channel) {
            const ItCell& c = p.cells[size_t(row) * kItChannels + size_t(channel)];
            uint8_t mask = 0;
            if (c.note) mask |= 1;
            if (c.sample) mask |= 2;
            if (c.volume >= 0) mask |= 4;
            if (c.command) mask |= 8;
            if (!mask) continue;
            put8(data, uint32_t(channel + 1) | 0x80); // a mask byte follows
            put8(data, mask);
            if (mask & 1) put8(data, c.note == 255 || c.note == 254 ? c.note : uint32_t(c.note - 1));
            if (mask & 2) put8(data, c.sample);
            if (mask & 4) put8(data, uint32_t(c.volume));
            if (mask & 8) {
                put8(data, c.command);
                put8(data, c.parameter);
            }
        }
        put8(data, 0); // end of row
    }
    return data;
}

} // namespace

std::vector<uint8_t> writeImpulseTracker(const ItModule& m) {
    std::vector<uint8_t> out;
    out.insert(out.end(), {'I', 'M', 'P', 'M'});
    putText(out, m.title, 26);
    put8(out, 4);  // row highlight: a beat
    put8(out, 16); // and a bar
    std::vector<uint8_t> orders = m.orders;
    orders.push_back(255); // the end marker
    put16(out, uint32_t(orders.size()));
    put16(out, 0); // instruments
    put16(out, uint32_t(m.samples.size()));
    put16(out, uint32_t(m.patterns.size()));
    put16(out, 0x0214);          // made with
    put16(out, 0x0214);          // compatible with
    put16(out, 0x0001 | 0x0008); // stereo, linear slides; sample mode
    put16(out, 0);
    put8(out, m.globalVolume);
    put8(out, m.mixVolume);
    put8(out, m.speed);
    put8(out, m.tempo);
    put8(out, 128); // panning separation
    put8(out, 0);
    put16(out, 0); // no message
    put32(out, 0);
    put32(out, 0);
    for (int c = 0; c < 64; ++c)
        put8(out, c < kItChannels ? m.channelPan[c] : 32 | 128); // unused channels off
    for (int c = 0; c < 64; ++c) put8(out, 64);
    out.insert(out.end(), orders.begin(), orders.end());
    size_t sampleTable = out.size();
    for (size_t i = 0; i < m.samples.size(); ++i) put32(out, 0);
    size_t patternTable = out.size();
    for (size_t i = 0; i < m.patterns.size(); ++i) put32(out, 0);

    std::vector<size_t> sampleHeaders;
    for (size_t i = 0; i < m.samples.size(); ++i) {
        const ItSample& s = m.samples[i];
        patch32(out, sampleTable + 4 * i, uint32_t(out.size()));
        sampleHeaders.push_back(out.size());
        out.insert(out.end(), {'I', 'M', 'P', 'S'});
        putText(out, "", 12);
        put8(out, 0);
        put8(out, s.globalVolume);
        bool loop = s.loopEnd > s.loopStart;
        put8(out, 0x01 | 0x02 | (loop ? 0x10 : 0)); // has data, 16-bit, loop
        put8(out, s.volume);
        putText(out, s.name, 26);
        put8(out, 0x01); // signed samples
        put8(out, 32);   // default pan, not used
        put32(out, uint32_t(s.data.size()));
        put32(out, s.loopStart);
        put32(out, s.loopEnd);
        put32(out, s.c5Speed);
        put32(out, 0);
        put32(out, 0);
        put32(out, 0); // sample pointer, patched below
        put32(out, 0); // no vibrato
    }
    for (size_t i = 0; i < m.patterns.size(); ++i) {
        std::vector<uint8_t> packed = packPattern(m.patterns[i]);
        patch32(out, patternTable + 4 * i, uint32_t(out.size()));
        put16(out, uint32_t(packed.size()));
        put16(out, uint32_t(m.patterns[i].rows));
        put32(out, 0);
        out.insert(out.end(), packed.begin(), packed.end());
    }
    for (size_t i = 0; i < m.samples.size(); ++i) {
        patch32(out, sampleHeaders[i] + 72, uint32_t(out.size()));
        for (int16_t v : m.samples[i].data) put16(out, uint16_t(v));
    }
    return out;
}
