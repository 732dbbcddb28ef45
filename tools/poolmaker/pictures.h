// The pictures poolmaker makes, before encoding.
#pragma once

#include "tools/poolmaker/assets.h"

struct PictureSet {
    Image sky, env, banner, logo, smallLogo, veins, theEnd;
    std::vector<uint32_t> logoCells, smallLogoCells;           // console cells
    std::vector<uint8_t> tower, skull, scroller, logo3, topaz; // 8-bit
    std::vector<uint32_t> towerPalette, greyPalette;
};

PictureSet makePictures();
