#include "timeline/scenes.h"

#include "app/settings.h"
#include "datapool/mesh.h"
#include "datapool/pictures.h"
#include "display/cell_image.h"
#include "display/display_mode.h"
#include "effects/camera_path.h"
#include "effects/fisheye.h"
#include "effects/spikes.h"
#include "effects/tint.h"
#include "effects/tubes.h"
#include "effects/water.h"
#include "render/mesh_drawers.h"
#include "render/render_target.h"
#include "timeline/frame_clock.h"
#include "timeline/toolkit.h"
#include "timeline/view.h"

#include <algorithm>
#include <cmath>

namespace {

enum MeshName { kPot, kPet, kCornell, kWirecube, kZilm, kVyn, kVusk, kHouse };
constexpr int kTextureOf[kFileMeshCount] = {0, 1, 2, 3, 4, 6, 7, 5}; // mesh order to texture order
constexpr double kPathRate = 0.244140625;
constexpr float kHalfPi = 1.5707963267948966f;

void target(uint32_t* pixels, uint32_t width, uint32_t height, int32_t pitch) {
    renderTarget.pixels = pixels;
    renderTarget.width = width;
    renderTarget.height = height;
    renderTarget.pitch = pitch;
}
void focal(double x, double y) {
    renderTarget.focalX = x;
    renderTarget.focalY = y;
}
void centre(int32_t x, int32_t y) {
    renderTarget.centreX = x;
    renderTarget.centreY = y;
}
void drawLit(MeshName mesh, const Matrix4& m) {
    renderTarget.texture = meshTexture[kTextureOf[mesh]];
    drawMeshPerspectiveBilinear(fileMeshes[mesh], m);
}
Matrix4 then(Matrix4 m, const Matrix4& next) {
    multiplyMatrix4(&m, next);
    return m;
}
Matrix4 view(PathName path, int eye, int look, double pathTime) {
    return buildViewMatrix(cameraPaths[path], eye, look, pathTime);
}
// T(-eye) x Ry(yaw) x Rx(pitch) x Rz(roll), each part optional, as the scenes vary it.
Matrix4 viewOf(const CameraPose& pose, float yOffset, bool pitch, float pitchDelta, bool roll,
               float rollValue) {
    Matrix4 m = identityMatrix;
    translateMatrix4(&m, -pose.eye.x, yOffset - pose.eye.y, -pose.eye.z);
    rotateMatrix4Y(&m, pose.yaw);
    if (pitch) rotateMatrix4X(&m, pose.pitch - pitchDelta);
    if (roll) rotateMatrix4Z(&m, rollValue);
    return m;
}

// Scene 1 (orders 0-4): the pot in two passes, blended on the pulses, and a row of turning cubes.
void scene1(int32_t P) {
    double pathTime = P * kPathRate;
    target(sceneBufferA, 160, 100, 256);
    focal(90, 70);
    renderTarget.depthBuffer = depthBufferA;
    Matrix4 viewA = view(kPotPath, 2, 3, pathTime);
    skyPass(viewA);
    if (P < 0x1000) {
        fillArea(sceneBufferA, 256, 0);
    } else if (P <= 0x13000) {
        drawLit(kPot, viewA);
        drawTubes(viewA, uint32_t(pathTime));
    } else {
        fillArea(sceneBufferA, 256, 0xFFFFFF);
    }
    target(sceneBufferB, 160, 100, 256);
    Matrix4 viewB = view(kPotPath, 0, 1, pathTime);
    skyPass(viewB);
    drawLit(kPot, viewB);
    drawTubes(viewB, uint32_t(pathTime));

    const double k = 0.00038348388671875;
    int w = 0;
    if (P < 0x1000) w = int(128 - 127 * std::sin(P * k));
    for (int32_t s : {0x3000, 0x7000, 0xB000, 0xF000})
        if (P >= s && P < s + 0x1000) w = int(32 + 96 * std::sin((P - s) * k));
    for (int32_t s : {0x4000, 0x8000, 0xC000, 0x10000})
        if (P >= s && P < s + 0x1000) w = int(96 - 96 * std::sin((P - s) * k));
    if (P >= 0x13000) w = int(128 * std::sin((P - 0x13000) * k));
    blendBuffers(w);
    resetDepth(depthBufferA, 160);
    if (P < 0x2000)
        smearRows(uint32_t((0x2000 - P) / 128 + 1), 0);
    else if (P > 0x12000)
        smearRows(uint32_t((P - 0x12000) / 512 + 1), 0);

    target(frameBuffer, 160, 100, 160);
    focal(75, 50);
    float c = 0;
    for (int32_t step : {0x4800, 0x5800, 0x7800, 0x8800, 0x9800, 0xB800})
        if (P > step) c += 1;
    if (P > 0x12000) c = 6 + float(P - 0x12000) / 2048.0f;
    for (int i = 0; i < 8; ++i) {
        Matrix4 m = identityMatrix;
        rotateMatrix4X(&m, float(std::sin(i + P / 2048.0)) + 0.785375f * c);
        translateMatrix4(&m, 2.3f * i + 15.7f - 1.5f * c - float(P) / 4096.0f, 4.2f, 4.0f);
        rotateMatrix4Y(&m, 0.3f);
        drawMeshFlat(proceduralMesh2, m);
    }
}

// Scene 2 (orders 5-6): the pet, spikes landing, the negative flashing in.
void scene2(int32_t P) {
    int32_t L = P - 0x14000;
    double pathTime = L * kPathRate;
    float b = 0;
    if (L >= 0x3800 && L < 0x4000)
        b = 1 - float(L - 0x3800) / 2048;
    else if (L >= 0x4800 && L < 0x5000)
        b = float(L - 0x4800) / 2048 - 1;
    else if (L >= 0x5800 && L < 0x6000)
        b = float(L - 0x5800) / 4096 - 0.5f;
    else if (L >= 0x7800 && L < 0x8000)
        b = 1 - float(L - 0x7800) / 2048;
    CameraPose pose = sampleCameraPose(cameraPaths[kPetPath], 0, 1, pathTime);
    Matrix4 v = viewOf(pose, b, false, 0, true, b / 8);
    target(sceneBufferA, 160, 100, 256);
    focal(50, 60);
    renderTarget.depthBuffer = depthBufferA;
    skyPass(v);
    drawLit(kPet, v);
    const int32_t starts[4] = {0x3000, 0x4000, 0x5000, 0x7000};
    const float places[4][2] = {{-8, 4}, {-13, 10}, {-10, 18}, {0, 22.5f}};
    for (int i = 0; i < 4; ++i) {
        if (L < starts[i]) continue;
        float h = L < starts[i] + 0x800 ? float(L - starts[i]) / 64 - 32 : 0.5f;
        drawSpike(v, places[i][0], h, places[i][1]);
    }
    invertBuffer(sceneBufferA, sceneBufferB);
    resetDepth(depthBufferA, 256);
    if (L < 0x7C00) {
        target(sceneBufferB, 160, 100, 256);
        Matrix4 m = identityMatrix;
        translateMatrix4(&m, 40 - float(L) / 512, 7, 4);
        rotateMatrix4Y(&m, 0.4487857222557068f);
        rotateMatrix4Z(&m, 0.4487857222557068f);
        rotateMatrix4X(&m, 0.785375f);
        drawLit(kVyn, m);
    }
    int w = 128;
    if (L < 0x800) w = L / 16;
    for (int32_t s : {0x3000, 0x4000, 0x7000})
        if (L > s && L < s + 0x800) w = (L - s) / 16;
    if (L >= 0x7C00) w = 128 - (L - 0x7C00) / 16;
    blendBuffers(std::clamp(w, 0, 128));
}

// Scene 3 (order 7): the pot again, cross-fading every 8 rows.
void scene3(int32_t P) {
    int32_t L = P - 0x1C000;
    double pathTime = L * kPathRate;
    uint32_t tubeTime = uint32_t(pathTime + 8000);
    target(sceneBufferB, 160, 100, 256);
    focal(50, 60);
    renderTarget.depthBuffer = depthBufferA;
    Matrix4 viewB = view(kPotPath, 0, 1, pathTime);
    skyPass(viewB);
    drawLit(kPot, viewB);
    drawTubes(viewB, tubeTime);
    target(sceneBufferA, 160, 100, 256);
    Matrix4 viewA = view(kPotPath, 2, 3, pathTime);
    skyPass(viewA);
    drawLit(kPot, viewA);
    drawTubes(viewA, tubeTime);
    int w = 0;
    if (L < 0x3800) {
        int k = L / 0x800, into = (L - 0x800 * k) / 16;
        w = k % 2 == 0 ? into : 128 - into;
    }
    blendBuffers(w);
    uint32_t n = 1;
    if (L < 0x800)
        n = uint32_t(9 - L / 256);
    else if (L >= 0x3800)
        n = uint32_t((L - 0x3800) / 256 + 1);
    smearRows(n, 127);
}

uint32_t wavyRow(int y, double pathTime) {
    return uint32_t((std::sin(y / 19.0 + pathTime * 0.006135742180049419) + 1) *
                        (std::cos(pathTime * 0.0015339355450123549) + 1) * 4 +
                    1);
}

// Scene 4 (orders 8-9): the pet with two rings of bent tubes, a wavy smear and a column of cubes.
void scene4(int32_t P) {
    int32_t L = P - 0x20000;
    double pathTime = L * kPathRate;
    float b = 0;
    if (L >= 0x1800 && L < 0x2000)
        b = 1 - float(L - 0x1800) / 2048;
    else if (L >= 0x3800 && L < 0x4000)
        b = float(L - 0x3800) / 2048 - 1;
    else if (L >= 0x5800 && L < 0x6000)
        b = 1 - float(L - 0x5800) / 2048;
    CameraPose pose = sampleCameraPose(cameraPaths[kPetPath], 3, 2, pathTime);
    Matrix4 v = viewOf(pose, 0, true, 0, true, pose.angle - 0.25f * b);
    target(sceneBufferA, 160, 100, 256);
    focal(50, 60);
    renderTarget.depthBuffer = depthBufferA;
    skyPass(v);
    drawLit(kPet, v);
    for (int ring = 0; ring < 2; ++ring)
        for (int k = 0; k < 8; ++k) {
            float a = float(7 * k), bb = float(11 * k), c = float(13 * k);
            Matrix4 m = identityMatrix;
            rotateMatrix4X(&m, a + float(P) / (ring == 0 ? 1500.0f : 1700.0f));
            rotateMatrix4Y(&m, bb + float(P) / (ring == 0 ? 1700.0f : 1500.0f));
            translateMatrix4(&m, (ring == 0 ? 22 : 30) + 16 * std::cos(c), -2, ring == 0 ? 30.0f : 33.0f);
            drawMeshTextured(proceduralMesh1, then(m, v));
        }
    fillArea(sceneBufferB, 256, 0xFFEEEE);
    resetDepth(depthBufferA, 160);
    if (L > 0x7000)
        blendBuffers(std::clamp(128 - (P - 0x27000) / 32, 0, 128));
    else
        wavySmear(wavyRow, pathTime);

    target(frameBuffer, 160, 100, 160);
    focal(160, 100);
    int32_t q = P / 2048;
    float z = 33.5f - float(L) / 1024;
    for (int j = 0; j <= 28; j += 4) {
        int i = j / 4;
        Matrix4 m = identityMatrix;
        rotateMatrix4Y(&m, float(-11 * q + 11 * i) + float(P) / 1666.0f);
        rotateMatrix4X(&m, float(-13 * q + 13 * i) + float(P) / 1333.0f);
        translateMatrix4(&m, -0.6f * (z - 1.5f), 19.7f - float(j) - float(P % 2048) / 512.0f, z);
        rotateMatrix4X(&m, 0.1f);
        drawMeshFlat(proceduralMesh2, m);
    }
}

// Scene 5 (orders 10-12): the house over the water, shifted on the beats, then pixelated.
void scene5(int32_t P) {
    int32_t L = P - 0x28000;
    double pathTime = L * kPathRate;
    for (int32_t cut : {0xC00, 0x3C00, 0x4000, 0x4C00, 0x8000})
        if (L > cut) pathTime -= 500;
    if (L > 0x7C00) pathTime += 500;
    Matrix4 v = view(kHousePath, 0, 1, pathTime);
    target(sceneBufferA, 160, 100, 256);
    centre(80, 50);
    focal(100, 75);
    renderTarget.depthBuffer = depthBufferA;
    skyPass(v);
    drawLit(kHouse, v);
    if (L < 0xB000) drawWaterSurface(v, 0.0f);
    if (L >= 0x3C00 && L < 0x4000)
        wrapShiftHorizontal(40);
    else if (L >= 0x4000 && L < 0x4400)
        wrapShiftHorizontal(80);
    else if (L >= 0x4400 && L < 0x4800)
        wrapShiftHorizontal(120);
    else if (L >= 0x7C00 && L < 0x8000)
        wrapShiftVertical(25);
    else if (L >= 0x8000 && L < 0x8400)
        wrapShiftVertical(50);
    else if (L >= 0x8400 && L < 0x8800)
        wrapShiftVertical(75);
    else if (L >= 0xB000)
        pixelate((P - 0x33000) * 16 / 4096);
    else
        copyToFrame(sceneBufferA);
}

// Scene 6 (orders 13-17): the city under a rising and falling fog.
void scene6(int32_t P) {
    int32_t L = P - 0x34000;
    int32_t shot = L / 0x2000;
    double tau = L * kPathRate, pathTime = tau - 1000.0 * shot;
    bool even = shot % 2 == 0;
    Matrix4 v = even ? view(kZilmPath, 0, 1, pathTime) : view(kZilmPath, 2, 3, pathTime);
    if (even)
        focal(60, 37);
    else
        focal(100, 75);
    target(sceneBufferA, 160, 100, 256);
    renderTarget.depthBuffer = depthBufferA;
    skyPass(v);
    drawLit(kZilm, v);
    for (int k = 0; k < 16; ++k) {
        Matrix4 m = identityMatrix;
        rotateMatrix4Z(&m, float(k));
        translateMatrix4(&m, 0, -16, -40.0f + 5 * k);
        drawMeshFlat(proceduralMesh2, then(m, v));
    }
    for (int k = 0; k < 8; ++k) {
        Matrix4 m = identityMatrix;
        rotateMatrix4X(&m, float(7 * k));
        rotateMatrix4Y(&m, float(13 * k) + float(tau / 411));
        rotateMatrix4Z(&m, float(29 * k));
        translateMatrix4(&m, 3, -1, float(15 * std::sin(tau / 1911)));
        drawMeshTextured(proceduralMesh1, then(m, v));
    }
    // The fog plane's depth, then the fog by the depth difference.
    target(sceneBufferB, 160, 100, 256);
    renderTarget.depthBuffer = depthBufferB;
    resetDepth(depthBufferB, 256);
    drawMeshTextured2(v, float(std::sin(tau / 1500) + 0.5));
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 160; ++x) {
            int64_t d = int64_t(depthBufferB[y * 256 + x]) - int64_t(depthBufferA[y * 256 + x]);
            uint32_t a = sceneBufferA[y * 256 + x];
            if (d <= 0) {
                frameBuffer[y * 160 + x] = a;
                continue;
            }
            uint32_t f = uint32_t(std::min<int64_t>(d / 128, 128));
            uint32_t rb = (((a & 0xFF00FF) * (128 - f)) >> 7) + ((f * 0x880011) >> 7);
            uint32_t g = (((a & 0xFF00) * (128 - f)) >> 7) + ((f * 0x2200) >> 7);
            frameBuffer[y * 160 + x] = (rb & 0xFF00FF) | (g & 0xFF00);
        }
    target(frameBuffer, 160, 100, 160);
    renderTarget.depthBuffer = depthBufferA;
    focal(120, 75);
    smearRows(uint32_t((((0x800 - P) >> 10) & 7) + 1), 255);
    if (vemoFlag) {
        for (int r = 0; r < 32; ++r)
            for (int x = 0; x < 160; ++x) {
                int column = x + L / 96;
                if (column >= 1024) continue;
                int value = scrollerIndices[r * 1024 + column];
                if (value == 0) continue;
                uint32_t& p = frameBuffer[(68 + r) * 160 + x];
                int delta = value < 128 ? -value : value - 128;
                uint32_t out = 0;
                for (int shift : {16, 8, 0})
                    out |= uint32_t(std::clamp(int((p >> shift) & 255) + delta, 0, 255)) << shift;
                p = out;
            }
    }
    for (int k = 0; k < 8; ++k) {
        Matrix4 m = identityMatrix;
        rotateMatrix4X(&m, 37.1f * k);
        rotateMatrix4Y(&m, 13.2f * k);
        rotateMatrix4Z(&m, 29.3f * k);
        rotateMatrix4X(&m, float(tau / 911));
        rotateMatrix4Z(&m, float(tau / 411));
        translateMatrix4(&m, float(tau / 2048 - 4), -1.35f, 4.0f);
        drawMeshInvertBlend(proceduralMesh1, m);
    }
}

// Scenes 7 and 9: the city frozen, the camera shaking, the picture jittered.
void frozenCity(int32_t P, int32_t start) {
    CameraPose pose = sampleCameraPose(cameraPaths[kZilmPath], 2, 3, 10000.0);
    Matrix4 v =
        viewOf(pose, 0, true, float(P % 16) / 32, true, pose.angle + float((P - start) * kPathRate / 2048));
    target(sceneBufferA, 160, 100, 256);
    focal(90, 70);
    renderTarget.depthBuffer = depthBufferA;
    skyPass(v);
    drawLit(kZilm, v);
    jitterCopy(P);
}

// Scene 8 (order 18, rows 0-47): the city straight into the FrameBuffer.
void scene8(int32_t P) {
    int32_t L = P - 0x38000;
    int32_t shot = L / 0x2000;
    double pathTime = L * kPathRate - 1000.0 * shot;
    Matrix4 v = shot % 2 == 0 ? view(kZilmPath, 0, 1, pathTime) : view(kZilmPath, 2, 3, pathTime);
    target(frameBuffer, 160, 100, 160);
    renderTarget.focalX = 90; // the vertical focal length stays as the last scene left it
    renderTarget.depthBuffer = depthBufferA;
    skyPass(v);
    drawLit(kZilm, v);
}

// Scene 10 (orders 19-20): the room, rippling on seven beats.
void scene10(int32_t P) {
    int32_t L = P - 0x4C000;
    CameraPose pose = sampleCameraPose(cameraPaths[kCornellPath], 3, 2, L * kPathRate);
    pose.eye.x *= 0.9f;
    float dx = pose.eye.x - pose.target.x, dy = pose.eye.y - pose.target.y, dz = pose.eye.z - pose.target.z;
    pose.yaw = std::atan2(-dx, -dz);
    pose.pitch = std::atan2(-dy, std::sqrt(dz * dz + dx * dx));
    Matrix4 v = viewOf(pose, 0, true, 0, false, 0);
    target(sceneBufferA, 192, 132, 256);
    centre(96, 76);
    focal(80, 80);
    renderTarget.depthBuffer = depthBufferA;
    skyPass(v);
    drawLit(kCornell, v);
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
}

// The 180-degree panorama into A (256 x 128), each third with its sky, water and mesh.
void panorama(const Matrix4& v, const CameraPose& pose, bool water) {
    focal(64, 64);
    renderTarget.depthBuffer = depthBufferA;
    struct Third {
        int column, width, centreX;
        float turn;
    };
    const Third thirds[3] = {{64, 128, 64, 0}, {0, 64, 0, -kHalfPi}, {192, 64, 64, kHalfPi}};
    for (int i = 0; i < 3; ++i) {
        const Third& third = thirds[i];
        target(sceneBufferA + third.column, uint32_t(third.width), 128, 256);
        centre(third.centreX, 64);
        Matrix4 m = v;
        if (third.turn != 0) {
            Matrix4 turn = identityMatrix;
            rotateMatrix4Y(&turn, third.turn);
            multiplyMatrix4(&m, turn);
        }
        skyPass(m);
        if (water) {
            if (i == 0) stepWater();
            // The rotation back from this third's view to the world.
            Matrix4 back = identityMatrix;
            rotateMatrix4Z(&back, -pose.angle);
            rotateMatrix4X(&back, -pose.pitch);
            rotateMatrix4Y(&back, -(pose.yaw + third.turn));
            for (int y = 0; y < 128; ++y)
                for (int x = 0; x < third.width; ++x) {
                    double cx = x - third.centreX, cy = y - 64;
                    double n = 1 / std::sqrt(cx * cx + cy * cy + 4096);
                    Vector3 ray = {float(cx * n), float(cy * n), float(64 * n)};
                    rotateVector3(back, &ray);
                    double h = 16 - pose.eye.y, s = h / ray.y;
                    if (!(s > 0)) continue;
                    int32_t value = sampleWaterHeight(int32_t(truncateWide(pose.eye.x + ray.x * s)),
                                                      int32_t(truncateWide(pose.eye.z + ray.z * s)));
                    int32_t k = value - int32_t(truncateWide(16384 / (160 + s) - 128));
                    uint32_t& p = renderTarget.pixels[y * 256 + x];
                    // Packed, unclamped arithmetic in 32 bits, as two's complement wraps it.
                    int32_t redBlue = int32_t((p & 0xFF00FF) * uint32_t(k)) >> 7;
                    redBlue += int32_t(uint32_t(127) * uint32_t(128 - k) * 65536u) / 128;
                    int32_t green = int32_t((p & 0xFF00FF00u) * uint32_t(k)) >> 7;
                    p = (uint32_t(redBlue) & 0xFF00FF) | (uint32_t(green) & 0xFF00FF00u);
                }
        }
        drawLit(kWirecube, m);
    }
}

void fisheye(const int32_t gains[3]) {
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 160; ++x) {
            uint32_t c = roomLookup[y * 160 + x];
            uint32_t r = c >> 14, q = (c >> 3) & 0xFF, fy = (c >> 11) & 7, fx = c & 7;
            const uint32_t* row = sceneBufferA + r * 256;
            uint32_t p00 = row[q], p01 = row[q + 1], p10 = row[256 + q], p11 = row[256 + q + 1];
            uint32_t w00 = (8 - fx) * (8 - fy), w01 = fx * (8 - fy), w10 = (8 - fx) * fy, w11 = fx * fy;
            uint32_t rb = w00 * (p00 & 0xFF00FF) + w01 * (p01 & 0xFF00FF) + w10 * (p10 & 0xFF00FF) +
                          w11 * (p11 & 0xFF00FF);
            uint32_t g =
                w00 * (p00 & 0xFF00) + w01 * (p01 & 0xFF00) + w10 * (p10 & 0xFF00) + w11 * (p11 & 0xFF00);
            uint32_t pixel = ((rb >> 6) & 0xFF00FF) | ((g >> 6) & 0xFF00);
            if (gains) {
                uint32_t red = ((pixel >> 16 & 255) * uint32_t(gains[0])) >> 7;
                uint32_t green = ((pixel >> 8 & 255) * uint32_t(gains[1])) >> 7;
                uint32_t blue = ((pixel & 255) * uint32_t(gains[2])) >> 7;
                pixel = red << 16 | green << 8 | blue;
            }
            frameBuffer[y * 160 + x] = pixel;
        }
}

// The banner and the craft that tows it, in camera space, into the FrameBuffer.
void bannerAndCraft(const Matrix4& placement, float craftTurn, float craftOffset) {
    target(frameBuffer, 160, 100, 160);
    centre(80, 50);
    focal(80, 80);
    renderTarget.depthBuffer = depthBufferA;
    renderTarget.texture = overlayTexture;
    drawMeshPerspectiveKeyed(proceduralMesh3, placement);
    Matrix4 craft = identityMatrix;
    rotateMatrix4Z(&craft, craftTurn);
    translateMatrix4(&craft, craftOffset, 0, 0);
    drawLit(kVusk, then(craft, placement));
}

// Scene 11 (orders 21-22): the lattice through a fisheye; a banner flies by in the second half.
void scene11(int32_t P) {
    int32_t L = P - 0x54000;
    CameraPose pose = sampleCameraPose(cameraPaths[kWirecubePath], 0, 1, L * kPathRate);
    panorama(buildViewMatrix(cameraPaths[kWirecubePath], 0, 1, L * kPathRate), pose, false);
    fisheye(nullptr);
    resetDepth(depthBufferA, 160);
    if (L > 0x4000) {
        float u = float(P - 0x58000) / 16384;
        Matrix4 m = identityMatrix;
        rotateMatrix4X(&m, 6.283f * u);
        rotateMatrix4Y(&m, 1.57075f * u - 1.57075f);
        translateMatrix4(&m, 56 * std::cos(1.570796f * u) - 32 * std::sin(3.1415f * u), 32 * u - 32,
                         48 - 32 * std::sin(1.570796f * u));
        bannerAndCraft(m, -1.57075f, 16);
    }
}

// Scene 12 (orders 23-24): the tower climbed, the logo over it; converts and presents itself.
void scene12(int32_t P) {
    int32_t L = P - 0x5C000;
    int32_t m = P & 0x3FFF;
    int32_t f = 0;
    if ((m >= 0xC00 && m < 0xE00) || (m >= 0x2C00 && m < 0x3000))
        f = 1;
    else if (m >= 0xE00 && m < 0x1000)
        f = 2 * (0x800 - m);
    int w = L < 0x1000 ? 0 : (P >> 6) & 0x3F;
    int32_t r0 = 1052 - L / 32;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 160; ++x)
            sceneBufferA[y * 256 + x] = towerImage[std::clamp(r0 + y, 0, 1151) * 160 + x];
    // A negative f makes no grey: the 32-bit product is kept as it is.
    fillArea(sceneBufferB, 256, uint32_t(int32_t(uint32_t(f / 2) * 0x010101u)));
    resetDepth(depthBufferA, 256);
    target(sceneBufferA, 160, 100, 256);
    focal(60, 60);
    centre(80, 50);
    renderTarget.depthBuffer = depthBufferA;
    Matrix4 mv = identityMatrix;
    rotateMatrix4X(&mv, 0.5f);
    translateMatrix4(&mv, 48 - float(L) / 512, 15, 20);
    rotateMatrix4Z(&mv, -kHalfPi);
    drawLit(kVyn, mv);
    blendBuffers(w);
    for (int k = 0; k < 50; ++k)
        for (int j = 0; j < 160; ++j)
            if (overlayTexture[((25 + 160 * k) / 50) * 256 + (80 + 256 * j) / 160] != 0x00FF00) {
                uint32_t logo = logoImage[k * 160 + j];
                frameBuffer[(24 + k) * 160 + j] = f != 0 ? ~logo : logo;
            }
    if (currentConverter) currentConverter(frameBuffer, frameNumber);
    if (f == 0 && displayOverlayKind() == 0)
        for (int k = 0; k < 25; ++k)
            for (int j = 0; j < 80; ++j)
                if (overlayTexture[((12 + 160 * k) / 25) * 256 + (40 + 256 * j) / 80] != 0x00FF00)
                    cellBuffer[(12 + k) * 80 + j] = logoCells[k * 80 + j];
    if (currentPresenter) currentPresenter();
}

// Scene 13 (orders 25-26): the room backwards, skull flashes, the banner leaving.
void scene13(int32_t P) {
    int32_t L = P - 0x64000;
    double tau = L * kPathRate;
    Matrix4 v = view(kCornellPath, 1, 0, tau);
    target(sceneBufferA, 160, 100, 256);
    renderTarget.focalX = 90;
    renderTarget.depthBuffer = depthBufferA;
    skyPass(v);
    drawLit(kCornell, v);
    copyToFrame(sceneBufferA);
    resetDepth(depthBufferA, 160);
    for (int32_t s : {0x800, 0x2800, 0x4800, 0x6800}) {
        if (L < s || L >= s + 0x800) continue;
        int32_t k = int32_t((std::cos(L * 0.012271484) + 1) * (128 - (L - s) / 16));
        if (k == 0) continue;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 160; ++x) {
                int32_t value = skullIndices[std::min(y + L / 128, 383) * 160 + x];
                int32_t a = value * k / 512;
                uint32_t& p = frameBuffer[y * 160 + x];
                uint32_t out = 0;
                for (int shift : {16, 8, 0})
                    out |= uint32_t(std::clamp(int32_t((p >> shift) & 255) + a, 0, 255)) << shift;
                p = out;
            }
    }
    if (L < 9000) {
        Matrix4 m = identityMatrix;
        rotateMatrix4X(&m, float(L * 0.00076699024));
        rotateMatrix4Y(&m, float(0x64000 - P) / 16384);
        translateMatrix4(&m, float(0x64000 - P) / 512, float(8 * std::sin(tau * 3.1415 / 16384)), 16);
        bannerAndCraft(m, 1.57075f, -16);
    }
}

// Scene 14 (orders 27-32): the lattice over raytraced water, fading to black, two tint rings.
void scene14(int32_t P) {
    int32_t L = P - 0x6C000;
    CameraPose pose = sampleCameraPose(cameraPaths[kWirecubePath], 2, 3, L * kPathRate);
    panorama(buildViewMatrix(cameraPaths[kWirecubePath], 2, 3, L * kPathRate), pose, true);
    const int32_t gains[3] = {std::min(128, 768 - L / 128), std::min(128, 384 - L / 256),
                              std::min(128, 192 - L / 512)};
    int32_t clamped[3];
    for (int i = 0; i < 3; ++i) clamped[i] = std::max(0, gains[i]);
    fisheye(clamped);
    if (L >= 0x10C00 && L < 0x11C00) {
        int32_t u = L - 0x10C00;
        tintRing(frameBuffer, 0, 0, u / 24 + 1, u / 20 + 8, u / 32);
    }
    if (L >= 0x8C00 && L < 0x9C00) {
        int32_t u = L - 0x8C00;
        tintRing(frameBuffer, 160, 100, u / 24 + 1, u / 20 + 8, u / 32);
    }
}

// Scene 15 (order 33 on): the end screen; converts and presents itself.
void scene15(int32_t P) {
    int32_t L = P - 0x84000;
    double tau = L * kPathRate;
    std::fill(frameBuffer, frameBuffer + kFramePixels, 0u);
    if (vemoFlag && L >= 0x1C000) {
        int32_t o = L > 0x20000 ? 0 : (0xA0000 - P) * 128 / 16384 + 128;
        o = std::clamp(o, 0, 128);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 128 - o; ++x)
                frameBuffer[(36 + y) * 160 + 32 + o + x] = theEndImage[y * 128 + x];
    }
    int32_t b = int32_t(64 - 63 * std::cos(tau / 1400));
    for (int y = 0; y < 100; ++y) {
        int32_t r =
            int32_t(y / 64.0 + 128 * (std::sin(y / 128.0 + tau / 1590) + std::sin(y / 256.0 + tau / 1775)) +
                    128 * std::sin(tau / 1900)) &
            0xFF;
        bool dark = y == 31 || y == 34 || y == 35 || (y >= 39 && y <= 49) || y == 53 || y == 54 || y == 57;
        uint32_t weight = dark ? 0 : uint32_t(b);
        for (int x = 0; x < 64; ++x) {
            uint32_t c = veinsImage[r * 256 + 4 * x];
            if (c == 0x00FF00) continue;
            frameBuffer[y * 160 + x] =
                ((((c & 0xFF00FF) * weight) & 0x7F807F80) | (((c & 0xFF00) * weight) & 0x7F8000)) >> 7;
        }
    }
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 86; ++x) frameBuffer[(40 + y) * 160 + 38 + x] = smallLogoImage[y * 88 + x];
    if (currentConverter) currentConverter(frameBuffer, frameNumber);
    if (displayOverlayKind() == 0)
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 43; ++x) cellBuffer[(20 + y) * 80 + 19 + x] = smallLogoCells[y * 80 + x];
    if (currentPresenter) currentPresenter();
}

struct Window {
    int scene;
    int32_t low, high; // low <= P < high, or <= high when closed
    bool closedLow, closedHigh;
    void (*run)(int32_t);
};

void scene7(int32_t P) {
    frozenCity(P, 0x47000);
}
void scene9(int32_t P) {
    frozenCity(P, 0x4B000);
    edgeCrush((P - 0x4B000) / 64);
}

const Window kWindows[] = {
    {5, 0x28000, 0x34000, true, false, scene5},    {1, 0, 0x14000, true, false, scene1},
    {2, 0x14000, 0x1C000, true, false, scene2},    {3, 0x1C000, 0x20000, true, false, scene3},
    {4, 0x20000, 0x28000, true, false, scene4},    {6, 0x34000, 0x47000, true, false, scene6},
    {7, 0x47000, 0x48000, true, false, scene7},    {8, 0x48000, 0x4B000, true, false, scene8},
    {9, 0x4B000, 0x4C000, true, false, scene9},    {10, 0x4C000, 0x54000, true, false, scene10},
    {11, 0x54000, 0x5C000, true, true, scene11},   {12, 0x5C000, 0x64000, true, true, scene12},
    {13, 0x64000, 0x6C000, false, false, scene13}, {14, 0x6C000, 0x84000, true, true, scene14},
    {15, 0x84000, INT32_MAX, true, true, scene15},
};

bool inWindow(const Window& w, int32_t P) {
    bool above = w.closedLow ? P >= w.low : P > w.low;
    bool below = w.closedHigh ? P <= w.high : P < w.high;
    return above && below;
}

} // namespace

int scenesAt(int32_t clock, int out[2]) {
    int n = 0;
    for (const Window& w : kWindows)
        if (inWindow(w, clock) && n < 2) out[n++] = w.scene;
    return n;
}

bool runScenes(int32_t clock) {
    bool presented = false;
    for (const Window& w : kWindows)
        if (inWindow(w, clock)) {
            w.run(clock);
            if (w.scene == 12 || w.scene == 15) presented = true;
        }
    return presented;
}
