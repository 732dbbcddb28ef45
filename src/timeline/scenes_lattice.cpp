// Scenes 11 and 14: the lattice (wirecube) as a 180-degree panorama bent through the fisheye,
// the banner flying by, then the lattice over raytraced water fading to black.
#include "display/display_mode.h"
#include "effects/fisheye.h"
#include "effects/tint.h"
#include "effects/water.h"
#include "math/same_math.h"
#include "timeline/scene_kit.h"
#include "timeline/scenes.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int32_t kScene11 = at(21), kScene14 = at(27);
constexpr int kPanoramaRows = 128;

// Three views side by side in A: 45 + 90 + 45 degrees.
struct Third {
    int column, width, centreX;
    float turn;
};
constexpr Third kThirds[3] = {{64, 128, 64, 0}, {0, 64, 0, -kHalfPi}, {192, 64, 64, kHalfPi}};

void thirdTarget(const Third& third) {
    target(sceneBufferA + third.column, uint32_t(third.width), kPanoramaRows, kSceneBufferPitch);
    renderTarget.depthBuffer = depthBufferA;
    centre(third.centreX, kPanoramaRows / 2);
    focal(64, 64);
}

// Each view's columns the lens reads, row by row, worked out at the first panorama (the lens and
// the views never change); the debug picture (mode 8) shows the panorama itself, and then every
// column is drawn.
struct ThirdWindow {
    int16_t first[kPanoramaRows], end[kPanoramaRows];
    RowWindow window;
};
ThirdWindow thirdWindows[3];
bool thirdWindowsBuilt = false;

void buildThirdWindows() {
    for (int i = 0; i < 3; ++i) {
        const Third& third = kThirds[i];
        ThirdWindow& w = thirdWindows[i];
        for (int r = 0; r < kPanoramaRows; ++r) {
            int first = 0, end = 0;
            if (r < kRoomReadRows) {
                first = std::clamp(roomReadFirst[r] - third.column, 0, third.width);
                end = std::clamp(roomReadEnd[r] - third.column, 0, third.width);
            }
            w.first[r] = int16_t(first);
            w.end[r] = int16_t(std::max(first, end));
        }
        w.window = {w.first, w.end, kPanoramaRows};
    }
    thirdWindowsBuilt = true;
}

const RowWindow* readColumns(int i) {
    if (displayOverlayKind() == 8) return nullptr;
    if (!thirdWindowsBuilt) buildThirdWindows();
    return &thirdWindows[i].window;
}

void drawPanorama(const Matrix4& v, const CameraPose& pose, bool water) {
    // The water's rays turn to the world by the inverse of the view's own rotation, one for all three
    // views: each view's pixels already carry its quarter turn in their place in the picture.
    Matrix4 back = identityMatrix;
    rotateMatrix4Z(&back, -pose.angle);
    rotateMatrix4X(&back, -pose.pitch);
    rotateMatrix4Y(&back, -pose.yaw);
    for (int i = 0; i < 3; ++i) {
        const Third& third = kThirds[i];
        thirdTarget(third);
        Matrix4 m = v;
        if (third.turn != 0) {
            Matrix4 turn = identityMatrix;
            rotateMatrix4Y(&turn, third.turn);
            multiplyMatrix4(&m, turn);
        }
        neededColumns = readColumns(i);
        if (water) {
            skyPass(m);
            if (i == 0) stepWater();
            raytraceWater(renderTarget.pixels, third.width, kPanoramaRows, third.centreX, pose.eye, back);
            drawLit(kWirecube, m);
        } else {
            skyPassUnder(m, kWirecube);
        }
        neededColumns = nullptr;
    }
}

// What the panorama leaves: its last third.
void leavePanorama() {
    thirdTarget(kThirds[2]);
    selectTexture(kWirecube);
}

} // namespace

// Orders 21-22; from L = 0x4001 the banner and its craft cross the picture (u from 0 to 1).
HandOver drawScene11(int32_t P) {
    int32_t L = P - kScene11;
    CameraPose pose = sampleCameraPose(cameraPaths[kWirecubePath], 0, 1, L * kPathRate);
    drawPanorama(buildViewMatrix(cameraPaths[kWirecubePath], 0, 1, L * kPathRate), pose, false);
    sampleFisheye(roomLookup, sceneBufferA, frameBuffer, nullptr);
    resetDepth(depthBufferA, kFrameWidth);
    if (L > 0x4000) {
        float u = float(P - at(22)) / 16384;
        Matrix4 m = identityMatrix;
        rotateMatrix4X(&m, kRecipeTwoPi * u);
        rotateMatrix4Y(&m, kRecipeHalfPi * u - kRecipeHalfPi);
        translateMatrix4(&m, 56 * sameCos(1.570796f * u) - 32 * sameSin(kRecipePi * u), 32 * u - 32,
                         48 - 32 * sameSin(1.570796f * u));
        drawBannerAndCraft(m, -kRecipeHalfPi, 16);
    }
    return kPlainHandOver;
}

void leaveScene11(int32_t P) {
    if (P - kScene11 > 0x4000)
        leaveBanner();
    else
        leavePanorama();
}

void waterFadeGains(int32_t L, int32_t gains[3]) {
    // Blue goes first, then green, then red: all three reach 0 at the scene's end.
    gains[0] = std::max(0, std::min(128, 768 - L / 128));
    gains[1] = std::max(0, std::min(128, 384 - L / 256));
    gains[2] = std::max(0, std::min(128, 192 - L / 512));
}

bool tintRingAt(int32_t L, TintRingPlace* ring) {
    // Each ring grows from a corner over 16 rows.
    struct Window {
        int32_t start, centreX, centreY;
    };
    for (Window w : {Window{0x10C00, 0, 0}, Window{0x8C00, kFrameWidth, kFrameHeight}})
        if (L >= w.start && L < w.start + rows(16)) {
            int32_t u = L - w.start;
            *ring = {w.centreX, w.centreY, u / 24 + 1, u / 20 + 8, u / 32};
            return true;
        }
    return false;
}

// Orders 27-32: the lattice over the water, fading to black, two tint rings.
HandOver drawScene14(int32_t P) {
    int32_t L = P - kScene14;
    CameraPose pose = sampleCameraPose(cameraPaths[kWirecubePath], 2, 3, L * kPathRate);
    drawPanorama(buildViewMatrix(cameraPaths[kWirecubePath], 2, 3, L * kPathRate), pose, true);
    int32_t gains[3];
    waterFadeGains(L, gains);
    sampleFisheye(roomLookup, sceneBufferA, frameBuffer, gains);
    TintRingPlace ring;
    if (tintRingAt(L, &ring))
        tintRing(frameBuffer, ring.centreX, ring.centreY, ring.inner, ring.outer, ring.weight);
    return kPlainHandOver;
}

void leaveScene14(int32_t) {
    leavePanorama();
}
