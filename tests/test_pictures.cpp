#include "datapool/pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// A 4 x 2 24-bit BMP body: file row 0 (the bottom row) holds pixels 0..3.
Bytes bmp24(int width, int height) {
    Bytes file(54 + size_t(width) * height * 3);
    for (int r = 0; r < height; ++r)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = file.data() + 54 + (size_t(r) * width + x) * 3;
            p[0] = uint8_t(16 + x); // blue
            p[1] = uint8_t(32 + r); // green
            p[2] = 48;              // red
        }
    return file;
}

Bytes bmp8(int width, int height) {
    Bytes file(1078 + size_t(width) * height);
    for (int i = 0; i < 256; ++i) {
        file[54 + 4 * i] = uint8_t(i);           // blue
        file[54 + 4 * i + 1] = uint8_t(255 - i); // green
        file[54 + 4 * i + 2] = 7;                // red
        file[54 + 4 * i + 3] = 0xEE;             // reserved: never reaches a colour
    }
    for (int r = 0; r < height; ++r)
        for (int x = 0; x < width; ++x) file[1078 + size_t(r) * width + x] = uint8_t(r * 10 + x);
    return file;
}

TEST(Pictures, Bmp24FirstFileRowIsTheLastDestinationRow) {
    Bytes file = bmp24(4, 2);
    uint32_t out[8] = {};
    decodeBmp24(file.data(), 4, 2, out);
    EXPECT_EQ(out[4], 0x302010u); // bytes 16, 32, 48 -> red 48, green 32, blue 16
    EXPECT_EQ(out[7], 0x302013u);
    EXPECT_EQ(out[0], 0x302110u); // file row 1 is on top
}

TEST(Pictures, Bmp8IndicesPaletteAndWideIndices) {
    Bytes file = bmp8(4, 3);
    uint8_t indices[12];
    decodeBmp8(file.data(), 4, 3, indices, Bmp8Mode::kIndices);
    EXPECT_EQ(indices[8], 0);  // file row 0 at the bottom
    EXPECT_EQ(indices[3], 23); // file row 2 on top
    uint32_t colours[12];
    decodeBmp8(file.data(), 4, 3, colours, Bmp8Mode::kPalette);
    EXPECT_EQ(colours[3], 0x07E817u); // index 23: blue 23, green 232, red 7, top byte clear
    uint32_t wide[12];
    decodeBmp8(file.data(), 4, 3, wide, Bmp8Mode::kWideIndices);
    EXPECT_EQ(wide[3], 23u);
}

TEST(Pictures, RawRgbIsTopDown) {
    Bytes file = {1, 2, 3, 4, 5, 6};
    uint32_t out[2];
    decodeRgbRaw(file.data(), 2, out);
    EXPECT_EQ(out[0], 0x030201u);
    EXPECT_EQ(out[1], 0x060504u);
}

TEST(Pictures, TableMatchesTheDestinations) {
    allocatePictureBlocks();
    EXPECT_STREQ(kPictures[0].name, "pool/tower.bmp");
    EXPECT_STREQ(kPictures[kPictureCount - 1].name, "pool/vusk/textuur.raw");
    EXPECT_EQ(pictureRecordSize(kPictures[0]), 1078u + 160 * 1152);
    EXPECT_EQ(pictureRecordSize(kPictures[7]), 8000u); // logo.raw: 80 x 25 cells
    EXPECT_EQ(pictureRecordSize(kPictures[14]), 786432u);
    EXPECT_EQ(kPictures[6].destination(), static_cast<void*>(logoImage));
    EXPECT_EQ(kPictures[12].destination(), static_cast<void*>(skyTexture));
    EXPECT_EQ(kPictures[19].destination(), static_cast<void*>(meshTexture[5])); // house is the sixth texture
    releasePictureBlocks();
    EXPECT_EQ(kPictures[12].destination(), nullptr);
}

TEST(Pictures, EveryPictureDecodesWithinItsDestination) {
    allocatePictureBlocks();
    std::vector<uint8_t> scratch(2 << 20, 0xAB);
    for (const PictureSpec& picture : kPictures) {
        ASSERT_LE(pictureRecordSize(picture), scratch.size()) << picture.name;
        decodePicture(picture, scratch.data());
    }
    // The sky keeps its lower 128 rows black; the tower applies its palette.
    for (int i = 256 * 384; i < 256 * 512; ++i) ASSERT_EQ(skyTexture[i], 0u) << i;
    EXPECT_EQ(skyTexture[0], 0xABABABu);
    EXPECT_EQ(towerImage[0], 0xABABABu);
    EXPECT_EQ(topazIndices[0], 0xAB);
    EXPECT_EQ(logo3Values[0], 0xABu);
    EXPECT_EQ(logoCells[1999], 0xABABABABu);
    releasePictureBlocks();
}

TEST(Pictures, SizeWarningsNameTheFile) {
    testing::internal::CaptureStderr();
    warnIfPictureSizeDiffers(kPictures[2], uint32_t(pictureRecordSize(kPictures[2])));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    testing::internal::CaptureStderr();
    warnIfPictureSizeDiffers(kPictures[2], 100);
    std::string message = testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("pool/the_end.bmp"), std::string::npos) << message;
    testing::internal::CaptureStderr();
    warnIfPictureSizeDiffers(kPictures[2], 0);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("missing"), std::string::npos);
}

} // namespace
