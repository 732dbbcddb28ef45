// show_keys: the show's own keys, the one vocabulary every surface's input
// is turned into (terminal bytes, window key codes, a page's key events).
//
// Only the digits and Escape mean anything to the show; every other key is
// kShowKeyOther. A surface reports a key as pressed, released, or, where it
// cannot tell the two apart (a terminal sends a byte per keystroke), as a
// whole stroke; the display decides which of these acts on which surface.
#pragma once

#include <cstdint>

enum ShowKey : int32_t {
    kShowKeyOther = 0,
    kShowKeyEscape = 27,
    kShowKeyDigit0 = '0', // the digits '0'..'9' follow in order
    kShowKeyDigit9 = '9',
};

enum class KeyAction : uint8_t { kPress, kRelease, kStroke };

struct ShowKeyEvent {
    ShowKey key;
    KeyAction action;
};

// A character as a show key: '0'..'9' the digits, 27 Escape, the rest other.
constexpr ShowKey showKeyOfCharacter(int character) {
    if (character >= '0' && character <= '9') return ShowKey(character);
    return character == 27 ? kShowKeyEscape : kShowKeyOther;
}
