#include "bench/test_card.h"

#include "display/cell_image.h"

#include <cmath>

namespace {

constexpr uint32_t kBars[8] = {0xFFFFFF, 0xFFFF00, 0x00FFFF, 0x00FF00,
                               0xFF00FF, 0xFF0000, 0x0000FF, 0x000000};
constexpr int kBarRows = 30;
constexpr int kRampRows = 10;
constexpr float kTwoPi = 6.2831853f;

uint32_t channel(float v) {
    return static_cast<uint32_t>(v <= 0 ? 0 : v >= 255 ? 255 : v);
}

} // namespace

void drawTestCard(uint32_t* framePixels, uint32_t milliseconds) {
    for (int y = 0; y < kBarRows; ++y)
        for (int x = 0; x < kFrameWidth; ++x) framePixels[y * kFrameWidth + x] = kBars[x / (kFrameWidth / 8)];
    for (int y = kBarRows; y < kBarRows + kRampRows; ++y)
        for (int x = 0; x < kFrameWidth; ++x)
            framePixels[y * kFrameWidth + x] = static_cast<uint32_t>(x * 255 / (kFrameWidth - 1)) * 0x010101u;

    float turn = static_cast<float>(milliseconds % 8000) * (kTwoPi / 8000.0f);
    const float centreX = kFrameWidth / 2.0f, centreY = 70.0f;
    float t = static_cast<float>(milliseconds % 100000) * 0.001f;
    float dotX = centreX + 60.0f * std::sin(t * 1.3f), dotY = centreY + 24.0f * std::sin(t * 2.1f);
    for (int y = kBarRows + kRampRows; y < kFrameHeight; ++y) {
        for (int x = 0; x < kFrameWidth; ++x) {
            float dx = static_cast<float>(x) - centreX, dy = static_cast<float>(y) - centreY;
            float angle = std::atan2(dy, dx) + turn;
            float radius = std::sqrt(dx * dx + dy * dy);
            float fade = radius > 70.0f ? 0.3f : 1.0f - radius / 100.0f;
            uint32_t r = channel((0.5f + 0.5f * std::cos(angle)) * 255.0f * fade);
            uint32_t g = channel((0.5f + 0.5f * std::cos(angle - kTwoPi / 3)) * 255.0f * fade);
            uint32_t b = channel((0.5f + 0.5f * std::cos(angle + kTwoPi / 3)) * 255.0f * fade);
            float ddx = static_cast<float>(x) - dotX, ddy = static_cast<float>(y) - dotY;
            if (ddx * ddx + ddy * ddy < 36.0f) r = g = b = 255;
            framePixels[y * kFrameWidth + x] = makeColour(r, g, b);
        }
    }
}
