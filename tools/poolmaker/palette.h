// palette: the show's colours (a dusk in indigo, magenta, orange and teal).
#pragma once

#include <cstdint>

constexpr uint32_t kIndigo = 0x1B1446;
constexpr uint32_t kNight = 0x0B0A24;
constexpr uint32_t kViolet = 0x5B2A86;
constexpr uint32_t kMagenta = 0xFF2E88;
constexpr uint32_t kOrange = 0xFF8C42;
constexpr uint32_t kGold = 0xFFC857;
constexpr uint32_t kTeal = 0x1EC8C8;
constexpr uint32_t kDeepTeal = 0x0C3A45;
constexpr uint32_t kCream = 0xF4E4C1;
constexpr uint32_t kSteel = 0x8892A6;
constexpr uint32_t kKeyGreen = 0x00FF00; // see-through in keyed textures
