// render_preview: draws a test mesh with each mesh drawer over a sky pass and
// writes the pictures as PNG files, to look at the renderer by eye.
//   render_preview OUTPUT_FOLDER
// Textures are made here: a sky with six labelled tiles and grid lines (seams
// show), a shiny environment map, a checkered light strip, a keyed banner.
#include "datapool/mesh.h"
#include "datapool/pictures.h"
#include "display/png_image.h"
#include "effects/span_buffer.h"
#include "effects/spikes.h"
#include "effects/tint.h"
#include "effects/tubes.h"
#include "effects/water.h"
#include "math/matrix.h"
#include "platform/clock.h"
#include "render/mesh_drawers.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 160, kHeight = 100, kPitch = 256;

void makeTextures() {
    static const uint32_t tileColours[6] = {0x3050A0, 0x50A030, 0xA03050, 0x30A0A0, 0xA0A030, 0x7040C0};
    for (int y = 0; y < 384; ++y)
        for (int x = 0; x < 256; ++x) {
            int tile = (y / 128) * 2 + x / 128;
            uint32_t c = tileColours[tile];
            int shade = 128 + ((x % 128) + (y % 128)) / 2;
            uint32_t r = ((c >> 16) & 255) * shade / 255, g = ((c >> 8) & 255) * shade / 255,
                     b = (c & 255) * shade / 255;
            bool line = x % 16 == 0 || y % 16 == 0;
            skyTexture[y * 256 + x] = line ? 0xFFFFFF : (r << 16 | g << 8 | b);
        }
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            double dx = (x - 128) / 128.0, dy = (y - 128) / 128.0, d = std::sqrt(dx * dx + dy * dy);
            double light = std::max(0.0, 1.0 - d);
            double spot = std::exp(-((dx + 0.3) * (dx + 0.3) + (dy + 0.3) * (dy + 0.3)) * 20);
            uint32_t r = uint32_t(std::min(255.0, 40 + 180 * light + 255 * spot));
            uint32_t g = uint32_t(std::min(255.0, 60 + 120 * light + 255 * spot));
            uint32_t b = uint32_t(std::min(255.0, 120 + 100 * light + 255 * spot));
            envMap[y * 256 + x] = r << 16 | g << 8 | b;
        }
    for (int i = 0; i < kMeshTextureTexels; ++i) {
        int x = i % 32, y = i / 32;
        bool check = ((x / 4) + (y / 4)) % 2;
        meshTexture[0][i] = check ? 0xE0C080 : 0x604020;
    }
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 256; ++x) {
            bool hole = (x / 32 + y / 32) % 2 == 0;
            overlayTexture[y * 256 + x] = hole ? 0x00FF00 : (uint32_t(x) << 16 | uint32_t(y) << 8 | 0x80);
        }
}

// A torus whose light strip coordinates tile the 32-texel-wide texture.
void makeTorus(Mesh* mesh) {
    const int rings = 24, sides = 12;
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < sides; ++j) {
            double a = 2 * M_PI * i / rings, b = 2 * M_PI * j / sides;
            double r = 1.0 + 0.4 * std::cos(b);
            mesh->vertices[mesh->vertexCount++] = {float(r * std::cos(a)), float(0.4 * std::sin(b)),
                                                   float(r * std::sin(a))};
        }
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < sides; ++j) {
            uint16_t p = uint16_t(i * sides + j), q = uint16_t(((i + 1) % rings) * sides + j);
            uint16_t pn = uint16_t(i * sides + (j + 1) % sides),
                     qn = uint16_t(((i + 1) % rings) * sides + (j + 1) % sides);
            const uint16_t indices[4] = {p, pn, qn, q};
            int32_t v0 = (i * sides + j) * 8 * 256;
            const int32_t u[4] = {0, 32 * 256 - 1, 32 * 256 - 1, 0},
                          v[4] = {v0, v0, v0 + 8 * 256 - 1, v0 + 8 * 256 - 1};
            addFace(mesh, 4, indices, u, v, 0);
        }
}

std::vector<uint32_t> pixels(kPitch * 132);

void skyPass(const Matrix4& view) {
    renderTarget.pixels = pixels.data();
    renderTarget.depthBuffer = depthBufferA;
    spanTexture = skyTexture;
    resetSpanBuffer();
    drawMeshSpans(view);
    resolveSpanBuffer();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: render_preview OUTPUT_FOLDER\n");
        return 2;
    }
    std::string out = argv[1];
    allocatePictureBlocks();
    makeTextures();
    buildProceduralMeshes();
    auto torus = std::make_unique<Mesh>();
    std::memset(torus.get(), 0, sizeof(Mesh));
    makeTorus(torus.get());

    Matrix4 view = identityMatrix;
    rotateMatrix4Y(&view, 0.6f);
    rotateMatrix4X(&view, 0.35f);
    auto object = [&](float distance, float spin) {
        Matrix4 m = identityMatrix;
        rotateMatrix4Y(&m, spin);
        rotateMatrix4X(&m, 0.9f);
        translateMatrix4(&m, 0, 0, distance);
        return m;
    };
    struct Shot {
        const char* name;
        void (*draw)(const Matrix4&);
        float distance;
    };
    static Mesh* torusMesh = torus.get();
    const Shot shots[] = {
        {"bilinear",
         [](const Matrix4& m) {
             renderTarget.texture = meshTexture[0];
             drawMeshPerspectiveBilinear(*torusMesh, m);
         },
         3.2f},
        {"keyed",
         [](const Matrix4& m) {
             renderTarget.texture = overlayTexture;
             drawMeshPerspectiveKeyed(proceduralMesh3, m);
         },
         26.0f},
        {"textured", [](const Matrix4& m) { drawMeshTextured(proceduralMesh1, m); }, 7.0f},
        {"invert_blend", [](const Matrix4& m) { drawMeshInvertBlend(proceduralMesh1, m); }, 7.0f},
        {"flat", [](const Matrix4& m) { drawMeshFlat(proceduralMesh2, m); }, 4.0f},
        {"floor",
         [](const Matrix4&) {
             Matrix4 m = identityMatrix;
             rotateMatrix4X(&m, 0.2f);
             drawMeshTextured2(m, 3.0f);
         },
         0},
        {"near_plane",
         [](const Matrix4& m) {
             renderTarget.texture = meshTexture[0];
             drawMeshPerspectiveBilinear(*torusMesh, m);
         },
         0.9f},
    };
    bool ok = true;
    for (const Shot& shot : shots) {
        skyPass(view);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) depthBufferA[y * kPitch + x] = 1;
        shot.draw(object(shot.distance, 0.5f));
        ok &= writePng(out + "/" + shot.name + ".png", pixels.data(), kWidth, kHeight, kPitch, 4);
    }
    skyPass(view);
    ok &= writePng(out + "/sky.png", pixels.data(), kWidth, kHeight, kPitch, 4);

    // Effects: tubes, water, spikes, a tint ring.
    auto clearDepth = [] {
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) depthBufferA[y * kPitch + x] = 1;
    };
    buildTubes();
    skyPass(view);
    clearDepth();
    Matrix4 tubeView = identityMatrix;
    rotateMatrix4Y(&tubeView, 0.4f);
    translateMatrix4(&tubeView, 0, 0, 55);
    drawTubes(tubeView, 23000);
    ok &= writePng(out + "/tubes.png", pixels.data(), kWidth, kHeight, kPitch, 4);

    resetWater();
    for (int step = 0; step < 60; ++step) {
        setVirtualMilliseconds(step * 41);
        stepWater();
    }
    skyPass(view);
    clearDepth();
    Matrix4 waterView = identityMatrix;
    rotateMatrix4X(&waterView, -1.0f);
    translateMatrix4(&waterView, 0, 0.3f, 3.2f);
    drawWaterSurface(waterView, 0);
    ok &= writePng(out + "/water.png", pixels.data(), kWidth, kHeight, kPitch, 4);

    skyPass(view);
    clearDepth();
    Matrix4 spikeView = identityMatrix;
    rotateMatrix4Y(&spikeView, 0.3f);
    rotateMatrix4X(&spikeView, -0.25f);
    translateMatrix4(&spikeView, 0, 4, 14);
    for (int i = 0; i < 4; ++i) drawSpike(spikeView, -6.0f + 4 * i, float(i), float(i % 2) * 3);
    ok &= writePng(out + "/spikes.png", pixels.data(), kWidth, kHeight, kPitch, 4);

    std::vector<uint32_t> card(kWidth * kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            card[y * kWidth + x] = uint32_t(x * 255 / 159) << 16 | uint32_t(y * 255 / 99) << 8 | 0x40;
    tintRing(card.data(), 80, 50, 20, 45, 48);
    ok &= writePng(out + "/tint_ring.png", card.data(), kWidth, kHeight, kWidth, 4);
    releasePictureBlocks();
    return ok ? 0 : 1;
}
