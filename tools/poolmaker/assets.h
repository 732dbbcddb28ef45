// assets: every file of the show's pool, made in code, in pool order.
#pragma once

#include "tools/poolmaker/model.h"

#include <cstdint>
#include <string>
#include <vector>

struct PoolFile {
    std::string name; // as the program asks for it, e.g. "pool/pot/verts.bin"
    std::vector<uint8_t> bytes;
};

// A 0x00RRGGBB picture, top row first.
struct Image {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
};

struct ShowAssets {
    std::vector<PoolFile> files;                         // the 45 records, in order
    std::vector<Model> models;                           // the eight meshes, in mesh order
    std::vector<std::pair<std::string, Image>> previews; // pictures to look at
};

// Builds everything; an error text when something does not meet the program's expectations.
std::string makeShowAssets(ShowAssets* out, const std::vector<uint8_t>& music);

// Camera paths as text: the six paths, in pool order.
std::vector<std::pair<std::string, std::string>> makePaths();

// File encodings.
std::vector<uint8_t> encodeBmp24(const Image& image);
std::vector<uint8_t> encodeBmp8(int width, int height, const std::vector<uint8_t>& indices,
                                const std::vector<uint32_t>& palette);
std::vector<uint8_t> encodeCells(const std::vector<uint32_t>& cells);
