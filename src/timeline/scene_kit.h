// scene_kit: what the scene recipes share: the clock arithmetic, the mesh
// names and their textures, the recipes' own constants, and short helpers
// that set the RenderTarget and build views.
//
// Each recipe file draws one scene or a small group; it calls these helpers
// and the toolkit, never the converter or presenter (the frame clock does).
#pragma once

#include "datapool/mesh.h"
#include "datapool/pictures.h"
#include "display/cell_image.h"
#include "effects/camera_path.h"
#include "render/render_target.h"
#include "timeline/toolkit.h"
#include "timeline/view.h"

#include <cstdint>
#include <initializer_list>

// A MusicClock value from an order and a row (64 rows an order, 256 units a row).
constexpr int32_t at(int order, int row = 0) {
    return order * 0x4000 + row * 0x100;
}
// A span of the MusicClock: count rows.
constexpr int32_t rows(int count) {
    return count * 0x100;
}

// pathTime per clock unit: 62.5 path units a row, 4000 an order.
constexpr double kPathRate = 0.244140625;

// The recipes' own rough values of pi and its parts; kept as written, since
// the pictures follow them to the last bit.
constexpr float kRecipeQuarterPi = 0.785375f;
constexpr float kRecipeHalfPi = 1.57075f;
constexpr float kRecipeTwoPi = 6.283f;
constexpr float kRecipePi = 3.1415f;
constexpr float kHalfPi = 1.5707963267948966f; // a true right angle, where the recipe says pi/2

// The file meshes in load order.
enum MeshName { kPot, kPet, kCornell, kWirecube, kZilm, kVyn, kVusk, kHouse };

namespace scenekit {
constexpr bool sameName(const char* a, const char* b) {
    while (*a && *a == *b) ++a, ++b;
    return *a == *b;
}
// The mesh texture that belongs to a file mesh, found by name.
constexpr int textureIndex(MeshName mesh) {
    for (int t = 0; t < kMeshTextureCount; ++t)
        if (sameName(kMeshTextureNames[t], kFileMeshNames[mesh])) return t;
    return -1;
}
} // namespace scenekit

static_assert(scenekit::sameName(kFileMeshNames[kPot], "pot") &&
                  scenekit::sameName(kFileMeshNames[kPet], "pet") &&
                  scenekit::sameName(kFileMeshNames[kCornell], "cornell") &&
                  scenekit::sameName(kFileMeshNames[kWirecube], "wirecube") &&
                  scenekit::sameName(kFileMeshNames[kZilm], "zilm") &&
                  scenekit::sameName(kFileMeshNames[kVyn], "vyn") &&
                  scenekit::sameName(kFileMeshNames[kVusk], "vusk") &&
                  scenekit::sameName(kFileMeshNames[kHouse], "house") && kHouse + 1 == kFileMeshCount,
              "MeshName follows the mesh load order");
static_assert(scenekit::textureIndex(kPot) >= 0 && scenekit::textureIndex(kPet) >= 0 &&
                  scenekit::textureIndex(kCornell) >= 0 && scenekit::textureIndex(kWirecube) >= 0 &&
                  scenekit::textureIndex(kZilm) >= 0 && scenekit::textureIndex(kVyn) >= 0 &&
                  scenekit::textureIndex(kVusk) >= 0 && scenekit::textureIndex(kHouse) >= 0,
              "every file mesh has its texture");

// RenderTarget setters, named as the recipes speak.
void target(uint32_t* pixels, uint32_t width, uint32_t height, int32_t pitch);
void focal(double x, double y);
void centre(int32_t x, int32_t y);
// A 160 x 100 area of a scene buffer, with depthBufferA.
void sceneTarget(uint32_t* buffer);
// The FrameBuffer itself (pitch 160), with depthBufferA.
void frameTarget();
// Selects the mesh's own texture (what a lit draw leaves in the RenderTarget).
void selectTexture(MeshName mesh);
// A file mesh, light-mapped with its own texture.
void drawLit(MeshName mesh, const Matrix4& m);
// skyPass(view) and then drawLit(mesh, view), the sky worked out only where the mesh leaves it.
void skyPassUnder(const Matrix4& view, MeshName mesh);

Matrix4 then(Matrix4 m, const Matrix4& next);
Matrix4 view(PathName path, int eye, int look, double pathTime);
// T(-eye) x Ry(yaw) x Rx(pitch - pitchDelta) x Rz(roll), pitch and roll optional, as scenes vary it.
Matrix4 viewOf(const CameraPose& pose, float yOffset, bool pitch, float pitchDelta, bool roll,
               float rollValue);

// The banner and the craft that tows it (scenes 11 and 13), in camera space, into the FrameBuffer.
void drawBannerAndCraft(const Matrix4& placement, float craftTurn, float craftOffset);
// What drawing the banner leaves in the RenderTarget.
void leaveBanner();
