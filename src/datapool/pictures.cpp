#include "datapool/pictures.h"

#include "datapool/pool_records.h"

#include "platform/user_output.h"

#include <cstring>

uint32_t* veinsImage = nullptr;
uint32_t* towerImage = nullptr;
uint8_t* topazIndices = nullptr;
uint32_t* theEndImage = nullptr;
uint8_t* skullIndices = nullptr;
uint8_t* scrollerIndices = nullptr;
uint32_t* skyTexture = nullptr;

uint32_t logoImage[160 * 50];
uint32_t logoCells[80 * 25];
uint32_t smallLogoImage[88 * 10];
uint32_t smallLogoCells[80 * 5];
uint32_t logo3Values[160 * 200];
uint32_t overlayTexture[256 * 160];
uint32_t envMap[256 * 256];
uint32_t meshTexture[kMeshTextureCount][kMeshTextureTexels];

namespace {

constexpr int kBmpHeader = 54;
constexpr int kBmpPaletteEnd = 54 + 256 * 4;

uint32_t texel(const uint8_t* bgr) {
    return uint32_t{bgr[0]} | uint32_t{bgr[1]} << 8 | uint32_t{bgr[2]} << 16;
}

template <auto& Array> void* staticArray() {
    return Array;
}
void* veins() {
    return veinsImage;
}
void* tower() {
    return towerImage;
}
void* topaz() {
    return topazIndices;
}
void* theEnd() {
    return theEndImage;
}
void* skull() {
    return skullIndices;
}
void* scroller() {
    return scrollerIndices;
}
void* sky() {
    return skyTexture;
}
template <int N> void* meshTextureOf() {
    return meshTexture[N];
}

} // namespace

void decodeBmp24(const uint8_t* file, int width, int height, uint32_t* destination) {
    for (int r = 0; r < height; ++r) {
        const uint8_t* row = file + kBmpHeader + static_cast<size_t>(r) * width * 3;
        uint32_t* out = destination + static_cast<size_t>(height - 1 - r) * width;
        for (int x = 0; x < width; ++x) out[x] = texel(row + 3 * x);
    }
}

void decodeBmp8(const uint8_t* file, int width, int height, void* destination, Bmp8Mode mode) {
    const uint8_t* palette = file + kBmpHeader;
    for (int r = 0; r < height; ++r) {
        const uint8_t* row = file + kBmpPaletteEnd + static_cast<size_t>(r) * width;
        size_t outRow = static_cast<size_t>(height - 1 - r) * width;
        for (int x = 0; x < width; ++x) {
            uint8_t index = row[x];
            switch (mode) {
            case Bmp8Mode::kPalette:
                static_cast<uint32_t*>(destination)[outRow + x] = texel(palette + 4 * index);
                break;
            case Bmp8Mode::kIndices:
                static_cast<uint8_t*>(destination)[outRow + x] = index;
                break;
            case Bmp8Mode::kWideIndices:
                static_cast<uint32_t*>(destination)[outRow + x] = index;
                break;
            }
        }
    }
}

void decodeRgbRaw(const uint8_t* file, int texelCount, uint32_t* destination) {
    for (int k = 0; k < texelCount; ++k) destination[k] = texel(file + 3 * k);
}

constexpr PictureSpec kPictures[kPictureCount] = {
    {"pool/tower.bmp", PictureEncoding::kBmp8, 160, 1152, Bmp8Mode::kPalette, tower},
    {"pool/topaz_vyn.bmp", PictureEncoding::kBmp8, 256, 100, Bmp8Mode::kIndices, topaz},
    {"pool/the_end.bmp", PictureEncoding::kBmp24, 128, 64, Bmp8Mode::kPalette, theEnd},
    {"pool/skull.bmp", PictureEncoding::kBmp8, 160, 384, Bmp8Mode::kIndices, skull},
    {"pool/scroller.bmp", PictureEncoding::kBmp8, 1024, 32, Bmp8Mode::kIndices, scroller},
    {"pool/c_veins.bmp", PictureEncoding::kBmp24, 256, 256, Bmp8Mode::kPalette, veins},
    {"pool/logo.bmp", PictureEncoding::kBmp24, 160, 50, Bmp8Mode::kPalette, staticArray<logoImage>},
    {"pool/logo.raw", PictureEncoding::kConsoleCells, 80, 25, Bmp8Mode::kPalette, staticArray<logoCells>},
    {"pool/vyn_small.bmp", PictureEncoding::kBmp24, 88, 10, Bmp8Mode::kPalette, staticArray<smallLogoImage>},
    {"pool/vyn_small.raw", PictureEncoding::kConsoleCells, 80, 5, Bmp8Mode::kPalette,
     staticArray<smallLogoCells>},
    {"pool/logo3.bmp", PictureEncoding::kBmp8, 160, 200, Bmp8Mode::kWideIndices, staticArray<logo3Values>},
    {"pool/av_txtr.bmp", PictureEncoding::kBmp24, 256, 160, Bmp8Mode::kPalette, staticArray<overlayTexture>},
    {"pool/skybox.bmp", PictureEncoding::kBmp24, 256, 384, Bmp8Mode::kPalette, sky},
    {"pool/env_map.bmp", PictureEncoding::kBmp24, 256, 256, Bmp8Mode::kPalette, staticArray<envMap>},
    {"pool/pot/textuur.raw", PictureEncoding::kRgbRaw, kMeshTextureTexels, 1, Bmp8Mode::kPalette,
     meshTextureOf<0>},
    {"pool/pet/textuur.raw", PictureEncoding::kRgbRaw, kMeshTextureTexels, 1, Bmp8Mode::kPalette,
     meshTextureOf<1>},
    {"pool/cornell/textuur.raw", PictureEncoding::kRgbRaw, kMeshTextureTexels, 1, Bmp8Mode::kPalette,
     meshTextureOf<2>},
    {"pool/wirecube/textuur.raw", PictureEncoding::kRgbRaw, kMeshTextureTexels, 1, Bmp8Mode::kPalette,
     meshTextureOf<3>},
    {"pool/zilm/textuur.raw", PictureEncoding::kRgbRaw, kMeshTextureTexels, 1, Bmp8Mode::kPalette,
     meshTextureOf<4>},
    {"pool/house/textuur.raw", PictureEncoding::kRgbRaw, kMeshTextureTexels, 1, Bmp8Mode::kPalette,
     meshTextureOf<5>},
    {"pool/vyn/textuur.raw", PictureEncoding::kRgbRaw, kMeshTextureTexels, 1, Bmp8Mode::kPalette,
     meshTextureOf<6>},
    {"pool/vusk/textuur.raw", PictureEncoding::kRgbRaw, kMeshTextureTexels, 1, Bmp8Mode::kPalette,
     meshTextureOf<7>},
};

namespace {

constexpr bool picturesFollowTheRecords() {
    for (int p = 0; p < kPictureCount; ++p)
        if (!poolrecords::textIs(kPictures[p].name, kPoolRecords[pictureRecord(p)].name)) return false;
    return true;
}
static_assert(picturesFollowTheRecords(), "kPictures names the picture records in their order");

} // namespace

size_t pictureRecordSize(const PictureSpec& picture) {
    size_t area = static_cast<size_t>(picture.width) * picture.height;
    switch (picture.encoding) {
    case PictureEncoding::kBmp24:
        return kBmpHeader + area * 3;
    case PictureEncoding::kBmp8:
        return kBmpPaletteEnd + area;
    case PictureEncoding::kRgbRaw:
        return area * 3;
    case PictureEncoding::kConsoleCells:
        return area * 4;
    }
    return 0;
}

void decodePicture(const PictureSpec& picture, const uint8_t* scratch) {
    void* destination = picture.destination();
    if (!destination) return; // its heap block was never allocated
    switch (picture.encoding) {
    case PictureEncoding::kBmp24:
        decodeBmp24(scratch, picture.width, picture.height, static_cast<uint32_t*>(destination));
        break;
    case PictureEncoding::kBmp8:
        decodeBmp8(scratch, picture.width, picture.height, destination, picture.mode);
        break;
    case PictureEncoding::kRgbRaw:
        decodeRgbRaw(scratch, picture.width * picture.height, static_cast<uint32_t*>(destination));
        break;
    case PictureEncoding::kConsoleCells:
        std::memcpy(destination, scratch, pictureRecordSize(picture));
        break;
    }
}

void warnIfPictureSizeDiffers(const PictureSpec& picture, uint32_t recordLength) {
    size_t expected = pictureRecordSize(picture);
    if (recordLength == expected) return;
    if (recordLength == 0)
        reportProblem("%s is missing from the show's data", picture.name);
    else
        reportProblem("%s has %u bytes where %zu were expected; it may look wrong", picture.name,
                      recordLength, expected);
}

void allocatePictureBlocks() {
    veinsImage = new uint32_t[256 * 256]();
    towerImage = new uint32_t[160 * 1152]();
    topazIndices = new uint8_t[256 * 100]();
    theEndImage = new uint32_t[128 * 64]();
    skullIndices = new uint8_t[160 * 384]();
    scrollerIndices = new uint8_t[1024 * 32]();
    skyTexture = new uint32_t[256 * 512]();
}

void releasePictureBlocks() {
    delete[] veinsImage;
    delete[] towerImage;
    delete[] topazIndices;
    delete[] theEndImage;
    delete[] skullIndices;
    delete[] scrollerIndices;
    delete[] skyTexture;
    veinsImage = towerImage = theEndImage = skyTexture = nullptr;
    topazIndices = skullIndices = scrollerIndices = nullptr;
}
