// key_decoder: splits terminal input bytes into keys, one key a call.
//
// A lone ESC byte is the Escape key, but only once no further byte has come
// within the escape timeout (the caller says whether it has passed); ESC
// followed by a control sequence (arrow keys, function keys: CSI or SS3), by
// an operating system command (the terminal's answers: OSC up to BEL or ST)
// or by one other byte (Alt + key) is one ignored key. Every other byte is a key of
// its own. Pure: no I/O, no clock.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kKeyEscape = 27;
constexpr int kKeyIgnored = 256;
// Longer sequences are dropped as one ignored key. Terminals' answers are
// long (xterm's device attributes take 36 bytes): their tails must not become keys.
constexpr size_t kLongestSequence = 96;

// Returns the bytes the first key takes (0: wait for more bytes); *key gets
// the byte value, kKeyEscape or kKeyIgnored.
size_t decodeKey(const uint8_t* bytes, size_t count, bool escapeTimedOut, int* key);
