// Scenes 10 and 13: the room (cornell), rippling on seven beats, then backwards with skull flashes.
#include "math/same_math.h"
#include "timeline/scene_kit.h"
#include "timeline/scenes.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int32_t kScene10 = at(19), kScene13 = at(25);
constexpr int kRippleMargin = 16;

} // namespace

// Orders 19-20: rendered 192 x 132 so the ripple can reach 16 pixels past each edge.
HandOver drawScene10(int32_t P) {
    int32_t L = P - kScene10;
    CameraPose pose = sampleCameraPose(cameraPaths[kCornellPath], 3, 2, L * kPathRate);
    pose.eye.x *= 0.9f;
    float dx = pose.eye.x - pose.target.x, dy = pose.eye.y - pose.target.y, dz = pose.eye.z - pose.target.z;
    pose.yaw = sameAtan2(-dx, -dz);
    pose.pitch = sameAtan2(-dy, std::sqrt(dz * dz + dx * dx));
    Matrix4 v = viewOf(pose, 0, true, 0, false, 0);
    leaveScene10(P);
    skyPassUnder(v, kCornell);
    const int32_t starts[7] = {0x800, 0x1800, 0x2800, 0x3800, 0x5800, 0x6800, 0x7800};
    const double factors[7] = {1.0 / 32, 1.0 / 32, 1.0 / 64, 1.0 / 8, 1.0 / 8, 1.0 / 64, 1.0 / 8};
    int q = 0;
    double f = 0;
    for (int i = 0; i < 7; ++i)
        if (L > starts[i] && L < starts[i] + 0x400) {
            q = 8 - (L - starts[i]) / 128;
            f = factors[i];
        }
    rippleCopy(q, f, P);
    return kPlainHandOver;
}

void leaveScene10(int32_t) {
    target(sceneBufferA, kFrameWidth + 2 * kRippleMargin, kFrameHeight + 2 * kRippleMargin,
           kSceneBufferPitch);
    renderTarget.depthBuffer = depthBufferA;
    centre(kFrameWidth / 2 + kRippleMargin, 76);
    focal(80, 80);
    selectTexture(kCornell);
}

int32_t skullFlashLevel(int32_t L) {
    for (int32_t s : {0x800, 0x2800, 0x4800, 0x6800})
        if (L >= s && L < s + 0x800)
            return int32_t((sameCos(L * 0.012271484) + 1) * (128 - (L - s) / 16)); // two rows a flicker
    return 0;
}

// Orders 25-26: the room with eye and target exchanged, the skull flashing in, the banner leaving.
HandOver drawScene13(int32_t P) {
    int32_t L = P - kScene13;
    double tau = L * kPathRate;
    Matrix4 v = view(kCornellPath, 1, 0, tau);
    sceneTarget(sceneBufferA);
    // Inherited: the vertical focal length, 60 from scene 12 on the first frame, then the banner's 80.
    // Inherited: the centre, (80, 50) from scene 12 or the banner.
    renderTarget.focalX = 90;
    skyPassUnder(v, kCornell);
    copyToFrame(sceneBufferA);
    resetDepth(depthBufferA, kFrameWidth);
    if (int32_t k = skullFlashLevel(L); k != 0)
        for (int y = 0; y < kFrameHeight; ++y)
            for (int x = 0; x < kFrameWidth; ++x) {
                int32_t value =
                    skullIndices[std::min(y + L / 128, 383) * kFrameWidth + x]; // up a row per 128
                uint32_t& p = frameBuffer[y * kFrameWidth + x];
                p = addClamped(p, value * k / 512);
            }
    if (L < 9000) {
        Matrix4 m = identityMatrix;
        rotateMatrix4X(&m, float(L * 0.00076699024));
        rotateMatrix4Y(&m, float(kScene13 - P) / 16384);
        translateMatrix4(&m, float(kScene13 - P) / 512, float(8 * sameSin(tau * 3.1415 / 16384)), 16);
        drawBannerAndCraft(m, kRecipeHalfPi, -16);
    }
    return kPlainHandOver;
}

void leaveScene13(int32_t P) {
    if (P - kScene13 < 9000) {
        leaveBanner();
        return;
    }
    sceneTarget(sceneBufferA);
    renderTarget.focalX = 90;
    selectTexture(kCornell);
}
