// png_image: writes 0x00RRGGBB pictures as PNG files (for looking at renders).
#pragma once

#include <cstdint>
#include <string>

// Writes width x height pixels (pitch pixels a row), each enlarged scale times.
// Returns false and says why on stderr when the file cannot be written.
bool writePng(const std::string& path, const uint32_t* pixels, int width, int height, int pitch,
              int scale = 1);
