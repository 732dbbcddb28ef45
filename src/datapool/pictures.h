// pictures: the show's pictures, decoded from fixed-size records into their
// long-lived arrays.
//
// Three encodings, read by fixed offsets and sizes, never by their headers:
// 24-bit BMP (54-byte header, bottom-up rows of blue, green, red), 8-bit BMP
// (palette of 256 x 4 bytes at 54, indices from 1078, bottom-up) and raw RGB
// (3 bytes a texel, top-down). Textures are 0x00RRGGBB texels, top row first.
// kPictures lists every picture in pool order with its encoding, size and
// destination. Seven destinations are heap blocks that start-up allocates
// (allocatePictureBlocks) and shutDown frees; the rest are static arrays.
#pragma once

#include <cstddef>
#include <cstdint>

enum class Bmp8Mode { kPalette, kIndices, kWideIndices };

void decodeBmp24(const uint8_t* file, int width, int height, uint32_t* destination);
void decodeBmp8(const uint8_t* file, int width, int height, void* destination, Bmp8Mode mode);
void decodeRgbRaw(const uint8_t* file, int texelCount, uint32_t* destination);

// Heap blocks, in allocation order.
extern uint32_t* veinsImage;     // 256 x 256, 262,144 bytes
extern uint32_t* towerImage;     // 160 x 1152, 737,280 bytes
extern uint8_t* topazIndices;    // 256 x 100, 25,600 bytes
extern uint32_t* theEndImage;    // 128 x 64, 32,768 bytes
extern uint8_t* skullIndices;    // 160 x 384, 61,440 bytes
extern uint8_t* scrollerIndices; // 1024 x 32, 32,768 bytes
extern uint32_t* skyTexture;     // 256 x 512, 524,288 bytes; rows 384..511 stay zero

constexpr int kMeshTextureCount = 8;
constexpr int kMeshTextureTexels = 262144; // 32 texels a row, 8,192 rows
// The meshes whose light textures meshTexture holds, in pool order.
inline constexpr const char* kMeshTextureNames[kMeshTextureCount] = {"pot",  "pet",   "cornell", "wirecube",
                                                                     "zilm", "house", "vyn",     "vusk"};
// The see-through colour of the keyed pictures and textures.
constexpr uint32_t kKeyColour = 0x00FF00;

extern uint32_t logoImage[160 * 50];
extern uint32_t logoCells[80 * 25];
extern uint32_t smallLogoImage[88 * 10];
extern uint32_t smallLogoCells[80 * 5];
extern uint32_t logo3Values[160 * 200];
extern uint32_t overlayTexture[256 * 160];
extern uint32_t envMap[256 * 256];
extern uint32_t meshTexture[kMeshTextureCount][kMeshTextureTexels];

enum class PictureEncoding { kBmp24, kBmp8, kRgbRaw, kConsoleCells };

struct PictureSpec {
    const char* name;
    PictureEncoding encoding;
    int width;  // texels, or cells for console cells (raw RGB: the texel count)
    int height; // 1 for raw RGB
    Bmp8Mode mode;
    void* (*destination)(); // the array to fill (heap blocks exist only after allocation)
};

constexpr int kPictureCount = 22;
extern const PictureSpec kPictures[kPictureCount];

// Bytes the record of a picture must have.
size_t pictureRecordSize(const PictureSpec& picture);
// Decodes a record held in a scratch block of at least pictureRecordSize bytes.
void decodePicture(const PictureSpec& picture, const uint8_t* scratch);

// One warning on stderr when a record's length is not the picture's size
// (it is decoded all the same, from whatever the scratch block holds).
void warnIfPictureSizeDiffers(const PictureSpec& picture, uint32_t recordLength);

void allocatePictureBlocks(); // zeroed; start-up, before the first picture
void releasePictureBlocks();
