#include "platform/key_decoder.h"

size_t decodeKey(const uint8_t* bytes, size_t count, bool escapeTimedOut, int* key) {
    if (count == 0) return 0;
    if (bytes[0] != kKeyEscape) {
        *key = bytes[0];
        return 1;
    }
    if (count == 1) {
        if (!escapeTimedOut) return 0;
        *key = kKeyEscape;
        return 1;
    }
    uint8_t introducer = bytes[1];
    if (introducer == kKeyEscape) {
        // Escape pressed twice: the first one stands alone.
        *key = kKeyEscape;
        return 1;
    }
    *key = kKeyIgnored;
    if (introducer == '[') {
        // CSI: parameter and intermediate bytes, then one final byte 0x40..0x7E.
        for (size_t i = 2; i < count && i < kLongestSequence; ++i)
            if (bytes[i] >= 0x40 && bytes[i] <= 0x7E) return i + 1;
        if (count >= kLongestSequence) return kLongestSequence;
        return escapeTimedOut ? count : 0;
    }
    if (introducer == ']') {
        // OSC, a terminal's answer (a colour): up to BEL or ESC backslash. Its text must not
        // reach the show as keys.
        for (size_t i = 2; i < count && i < kLongestSequence; ++i) {
            if (bytes[i] == 0x07) return i + 1;
            if (bytes[i - 1] == 0x1b && bytes[i] == '\\') return i + 1;
        }
        if (count >= kLongestSequence) return kLongestSequence;
        return escapeTimedOut ? count : 0;
    }
    if (introducer == 'O') {
        if (count >= 3) return 3;
        return escapeTimedOut ? count : 0;
    }
    return 2; // Alt + key
}
