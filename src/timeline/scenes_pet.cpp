// Scenes 2 and 4: the pet, with landing spikes and a negative, then bent tubes and a column of cubes.
#include "effects/spikes.h"
#include "math/same_math.h"
#include "render/mesh_drawers.h"
#include "timeline/scene_kit.h"
#include "timeline/scenes.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace {

constexpr int32_t kScene2 = at(5), kScene4 = at(8);

// A camera bump over the 8 rows from start: base + (L - start) / divisor.
struct Bump {
    int32_t start;
    float base, divisor;
};
float bumpAt(int32_t L, std::initializer_list<Bump> bumps) {
    for (const Bump& bump : bumps)
        if (L >= bump.start && L < bump.start + rows(8))
            return bump.base + float(L - bump.start) / bump.divisor;
    return 0;
}

} // namespace

int petNegativeWeight(int32_t L) {
    int w = 128;
    if (L < 0x800) w = L / 16;
    for (int32_t s : {0x3000, 0x4000, 0x7000})
        if (L > s && L < s + 0x800) w = (L - s) / 16;
    if (L >= 0x7C00) w = 128 - (L - 0x7C00) / 16;
    return std::clamp(w, 0, 128);
}

// Orders 5-6: spikes land on the bumps, the negative flashes in with each and closes the scene.
HandOver drawScene2(int32_t P) {
    int32_t L = P - kScene2;
    double pathTime = L * kPathRate;
    // The camera's vertical bump, as each spike lands.
    float b = bumpAt(L, {{0x3800, 1, -2048}, {0x4800, -1, 2048}, {0x5800, -0.5f, 4096}, {0x7800, 1, -2048}});
    CameraPose pose = sampleCameraPose(cameraPaths[kPetPath], 0, 1, pathTime);
    Matrix4 v = viewOf(pose, b, false, 0, true, b / 8);
    sceneTarget(sceneBufferA);
    focal(50, 60);
    skyPassUnder(v, kPet);
    const int32_t starts[4] = {0x3000, 0x4000, 0x5000, 0x7000};
    const float places[4][2] = {{-8, 4}, {-13, 10}, {-10, 18}, {0, 22.5f}};
    for (int i = 0; i < 4; ++i) {
        if (L < starts[i]) continue;
        float h = L < starts[i] + 0x800 ? float(L - starts[i]) / 64 - 32 : 0.5f;
        drawSpike(v, places[i][0], h, places[i][1]);
    }
    invertBuffer(sceneBufferA, sceneBufferB);
    resetDepth(depthBufferA, kSceneBufferPitch);
    if (L < 0x7C00) {
        // The craft slides across from the right, placed from the identity, not the camera.
        target(sceneBufferB, kFrameWidth, kFrameHeight, kSceneBufferPitch);
        Matrix4 m = identityMatrix;
        translateMatrix4(&m, 40 - float(L) / 512, 7, 4);
        rotateMatrix4Y(&m, 0.4487857222557068f);
        rotateMatrix4Z(&m, 0.4487857222557068f);
        rotateMatrix4X(&m, kRecipeQuarterPi);
        drawLit(kVyn, m);
    }
    blendBuffers(petNegativeWeight(L));
    return kPlainHandOver;
}

void leaveScene2(int32_t P) {
    bool craft = P - kScene2 < 0x7C00;
    sceneTarget(craft ? sceneBufferB : sceneBufferA);
    focal(50, 60);
    selectTexture(craft ? kVyn : kPet);
}

bool petFadesToPale(int32_t L) {
    return L > 0x7000;
}

int petPaleWeight(int32_t P) {
    return std::clamp(128 - (P - at(9, 48)) / 32, 0, 128);
}

namespace {

uint32_t wavyRow(int y, double pathTime) {
    return uint32_t((sameSin(y / 19.0 + pathTime * 0.006135742180049419) + 1) *
                        (sameCos(pathTime * 0.0015339355450123549) + 1) * 4 +
                    1);
}

} // namespace

// Orders 8-9: two rings of bent tubes round the pet, a wavy smear, a column of cubes, a fade to pale.
HandOver drawScene4(int32_t P) {
    int32_t L = P - kScene4;
    double pathTime = L * kPathRate;
    float b =
        bumpAt(L, {{0x1800, 1, -2048}, {0x3800, -1, 2048}, {0x5800, 1, -2048}}); // the camera's roll bump
    CameraPose pose = sampleCameraPose(cameraPaths[kPetPath], 3, 2, pathTime);
    Matrix4 v = viewOf(pose, 0, true, 0, true, pose.angle - 0.25f * b);
    sceneTarget(sceneBufferA);
    focal(50, 60);
    skyPassUnder(v, kPet);
    for (int ring = 0; ring < 2; ++ring)
        for (int k = 0; k < 8; ++k) {
            float a = float(7 * k), bb = float(11 * k), c = float(13 * k);
            Matrix4 m = identityMatrix;
            rotateMatrix4X(&m, a + float(P) / (ring == 0 ? 1500.0f : 1700.0f));
            rotateMatrix4Y(&m, bb + float(P) / (ring == 0 ? 1700.0f : 1500.0f));
            translateMatrix4(&m, (ring == 0 ? 22 : 30) + 16 * sameCos(c), -2, ring == 0 ? 30.0f : 33.0f);
            drawMeshTextured(proceduralMesh1, then(m, v));
        }
    fillArea(sceneBufferB, kSceneBufferPitch, 0xFFEEEE);
    resetDepth(depthBufferA, kFrameWidth);
    if (petFadesToPale(L))
        blendBuffers(petPaleWeight(P));
    else
        wavySmear(wavyRow, pathTime);

    frameTarget();
    focal(160, 100);
    // The column scrolls 4 units every 8 rows; the -11q and -13q phases hand each cube's turn to the next
    // slot.
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
    return kPlainHandOver;
}

void leaveScene4(int32_t) {
    frameTarget();
    focal(160, 100);
    selectTexture(kPet);
}
