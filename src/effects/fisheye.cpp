#include "effects/fisheye.h"

#include <cmath>

uint32_t roomLookup[160 * 100];

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
}
