#include "display/png_image.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <vector>

bool writePng(const std::string& path, const uint32_t* pixels, int width, int height, int pitch, int scale) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "cellrune: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        std::fprintf(stderr, "cellrune: cannot encode %s\n", path.c_str());
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(width * scale), png_uint_32(height * scale), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(size_t(width) * scale * 3);
    for (int y = 0; y < height * scale; ++y) {
        const uint32_t* in = pixels + size_t(y / scale) * pitch;
        for (int x = 0; x < width * scale; ++x) {
            uint32_t p = in[x / scale];
            row[3 * x] = png_byte(p >> 16);
            row[3 * x + 1] = png_byte(p >> 8);
            row[3 * x + 2] = png_byte(p);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}
