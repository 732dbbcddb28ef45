#include "effects/tint.h"

#include <cmath>

namespace {
constexpr int kImageWidth = 160, kImageHeight = 100, kImagePitch = 160;
}

void tintRowSpan(uint32_t* pixels, int32_t row, int32_t x0, int32_t x1, int32_t weight) {
    if (x0 > x1 || x1 <= 0 || x0 >= kImageWidth || row < 0 || row >= kImageHeight) return;
    if (x0 < 0) x0 = 0;
    if (x1 > kImageWidth) x1 = kImageWidth;
    uint32_t w = uint32_t(weight), rest = uint32_t(128 - weight);
    uint32_t* p = pixels + row * kImagePitch;
    for (int32_t x = x0; x < x1; ++x) {
        uint32_t rb = (((p[x] & 0xFF00FF) * w) >> 7) + ((0xDD00FF * rest) >> 7);
        uint32_t g = (((p[x] & 0x00FF00) * w) >> 7) + ((0x00EE00 * rest) >> 7);
        p[x] = (rb & 0xFF00FF) | (g & 0x00FF00);
    }
}

int tintRing(uint32_t* pixels, int32_t centreX, int32_t centreY, int32_t innerRadius, int32_t outerRadius,
             int32_t weight) {
    if (innerRadius >= outerRadius) return 1;
    for (int32_t i = 0; i < kImageHeight; ++i) {
        int64_t d = i > centreY ? int64_t{i} - centreY : int64_t{centreY} - i;
        double outer = double(outerRadius), inner = double(innerRadius);
        if (d < innerRadius) {
            int32_t xo = int32_t(std::sqrt(outer * outer - double(d * d)));
            int32_t xi = int32_t(std::sqrt(inner * inner - double(d * d)));
            tintRowSpan(pixels, i, centreX - xo, centreX - xi, weight);
            tintRowSpan(pixels, i, centreX + xi, centreX + xo, weight);
        } else if (d < outerRadius) {
            int32_t xo = int32_t(std::sqrt(outer * outer - double(d * d)));
            tintRowSpan(pixels, i, centreX - xo, centreX + xo, weight);
        }
    }
    return 1;
}
