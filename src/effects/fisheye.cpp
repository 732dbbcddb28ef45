#include "effects/fisheye.h"

#include <algorithm>
#include <cmath>

uint32_t roomLookup[160 * 100];
int16_t roomReadFirst[kRoomReadRows], roomReadEnd[kRoomReadRows];

namespace {

// Every panorama pixel sampleFisheye weighs: the four round each code, those of weight 0 left out.
void findRoomReads() {
    for (int r = 0; r < kRoomReadRows; ++r) roomReadFirst[r] = roomReadEnd[r] = 0;
    for (uint32_t c : roomLookup) {
        uint32_t r = c >> 14, q = (c >> 3) & 0xFF, fy = (c >> 11) & 7, fx = c & 7;
        for (uint32_t dy = 0; dy < 2; ++dy)
            for (uint32_t dx = 0; dx < 2; ++dx) {
                if ((dx ? fx : 8 - fx) == 0 || (dy ? fy : 8 - fy) == 0) continue;
                uint32_t row = r + dy, column = q + dx;
                if (row >= uint32_t(kRoomReadRows)) continue; // the panorama has no such row
                int16_t& first = roomReadFirst[row];
                int16_t& end = roomReadEnd[row];
                if (first == end) {
                    first = int16_t(column);
                    end = int16_t(column + 1);
                } else {
                    first = std::min(first, int16_t(column));
                    end = std::max(end, int16_t(column + 1));
                }
            }
    }
}

} // namespace

void buildRoomLookup() {
    for (int j = 0; j < 100; ++j)
        for (int i = 0; i < 160; ++i) {
            uint32_t& entry = roomLookup[j * 160 + i];
            entry = 0;
            float x = float(i - 80), y = float(50 - j);
            float z = std::sqrt(8901.0f - x * x - y * y);
            float t0 = 64.0f / z;
            enum { kFront, kRight, kLeft } wall = kFront;
            float t = t0;
            if (x > 0) {
                float t1 = 64.0f / x;
                if (t1 > 0 && t1 < t) {
                    wall = kRight;
                    t = t1;
                }
            }
            if (x < 0) {
                float t2 = -64.0f / x;
                if (t2 > 0 && t2 < t) {
                    wall = kLeft;
                    t = t2;
                }
            }
            float q, r;
            if (wall == kFront) {
                q = (x * t + 128) * 8;
                r = (y * t + 64) * 8;
            } else if (wall == kRight) {
                q = (256 - z * t) * 8;
                r = (y * t + 64) * 8;
            } else {
                q = (z * t) * 8;
                r = (y * t + 64) * 8;
            }
            int32_t q8 = int32_t(q), r8 = int32_t(r);
            if (q8 >= 0 && q8 < 2040 && r8 >= 0 && r8 <= 1016) entry = uint32_t(q8 + (1016 - r8) * 2048);
        }
    findRoomReads();
}

void sampleFisheye(const uint32_t* lookup, const uint32_t* panorama, uint32_t* out, const int32_t* gains) {
    for (int i = 0; i < 160 * 100; ++i) {
        uint32_t c = lookup[i];
        uint32_t r = c >> 14, q = (c >> 3) & 0xFF, fy = (c >> 11) & 7, fx = c & 7;
        const uint32_t* row = panorama + r * 256;
        uint32_t p00 = row[q], p01 = row[q + 1], p10 = row[256 + q], p11 = row[256 + q + 1];
        uint32_t w00 = (8 - fx) * (8 - fy), w01 = fx * (8 - fy), w10 = (8 - fx) * fy, w11 = fx * fy;
        uint32_t rb =
            w00 * (p00 & 0xFF00FF) + w01 * (p01 & 0xFF00FF) + w10 * (p10 & 0xFF00FF) + w11 * (p11 & 0xFF00FF);
        uint32_t g =
            w00 * (p00 & 0xFF00) + w01 * (p01 & 0xFF00) + w10 * (p10 & 0xFF00) + w11 * (p11 & 0xFF00);
        uint32_t pixel = ((rb >> 6) & 0xFF00FF) | ((g >> 6) & 0xFF00);
        if (gains) {
            uint32_t red = ((pixel >> 16 & 255) * uint32_t(gains[0])) >> 7;
            uint32_t green = ((pixel >> 8 & 255) * uint32_t(gains[1])) >> 7;
            uint32_t blue = ((pixel & 255) * uint32_t(gains[2])) >> 7;
            pixel = red << 16 | green << 8 | blue;
        }
        out[i] = pixel;
    }
}
