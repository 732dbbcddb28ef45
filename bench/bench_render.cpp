// Renderer speed: pixels per second of each filler on typical triangles, one
// sky pass at 160 x 100 and at 256 x 128, and a 2,048-face light-mapped mesh
// filling the view.
#include "datapool/mesh.h"
#include "datapool/pictures.h"
#include "effects/span_buffer.h"
#include "math/matrix.h"
#include "render/mesh_drawers.h"
#include "render/render_target.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

std::vector<uint32_t> target(256 * 132);

void setTarget(uint32_t width, uint32_t height) {
    static bool ready = false;
    if (!ready) {
        allocatePictureBlocks();
        for (int i = 0; i < 256 * 384; ++i) skyTexture[i] = uint32_t(i * 2654435761u) & 0xFFFFFF;
        for (int i = 0; i < 65536; ++i) envMap[i] = uint32_t(i) * 0x010101u;
        for (int i = 0; i < kMeshTextureTexels; ++i) meshTexture[0][i] = uint32_t(i * 40503u) & 0xFFFFFF;
        ready = true;
    }
    renderTarget.pixels = target.data();
    renderTarget.depthBuffer = depthBufferA;
    renderTarget.width = width;
    renderTarget.height = height;
    renderTarget.pitch = 256;
    renderTarget.centreX = int32_t(width / 2);
    renderTarget.centreY = int32_t(height / 2);
    renderTarget.texture = meshTexture[0];
    spanTexture = skyTexture;
}

void clearDepth() {
    for (int i = 0; i < 256 * 100; ++i) depthBufferA[i] = 1;
}

// Pixels the benchmark triangle covers, counted once by drawing it.
int64_t trianglePixels() {
    static int64_t count = -1;
    if (count >= 0) return count;
    clearDepth();
    std::fill(target.begin(), target.end(), 0u);
    ScreenVertex a = {20.5, 20, 0, 0, 2}, b = {120.25, 35, 0, 0, 2}, c = {60.75, 80, 0, 0, 2};
    fillTriangleFlat(a, b, c, 1);
    count = 0;
    for (uint32_t p : target) count += p;
    return count;
}

// A triangle of some 2,700 pixels in perspective-ready values; w grows each time so the depth test passes.
template <int kind> void BM_Filler(benchmark::State& state) {
    setTarget(160, 100);
    const int64_t area = trianglePixels();
    clearDepth();
    double w = 2;
    int64_t pixels = 0;
    for (auto _ : state) {
        w += 1e-3;
        ScreenVertex a = {20.5, 20, 100 * w, 200 * w, w}, b = {120.25, 35, 4000 * w, 900 * w, w * 1.1},
                     c = {60.75, 80, 2000 * w, 7000 * w, w * 0.9};
        switch (kind) {
        case 0:
            fillTriangleEnvMapped(a, b, c);
            break;
        case 1:
            fillTriangleLightmapped(a, b, c);
            break;
        case 2:
            fillTriangleInverseBlend(a, b, c);
            break;
        case 3:
            fillTriangleFlat(a, b, c, 0x808080);
            break;
        case 4:
            renderTarget.texture = envMap;
            fillTriangleKeyed(a, b, c);
            break;
        }
        pixels += area;
    }
    state.counters["pixels/s"] = benchmark::Counter(double(pixels), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Filler<0>)->Name("filler_env_mapped");
BENCHMARK(BM_Filler<1>)->Name("filler_lightmapped");
BENCHMARK(BM_Filler<2>)->Name("filler_inverse_blend");
BENCHMARK(BM_Filler<3>)->Name("filler_flat");
BENCHMARK(BM_Filler<4>)->Name("filler_keyed");

void BM_SkyPass(benchmark::State& state) {
    setTarget(uint32_t(state.range(0)), uint32_t(state.range(1)));
    float turn = 0;
    for (auto _ : state) {
        Matrix4 m = identityMatrix;
        rotateMatrix4Y(&m, turn += 0.01f);
        rotateMatrix4X(&m, 0.3f);
        resetSpanBuffer();
        drawMeshSpans(m);
        resolveSpanBuffer();
    }
    state.counters["passes/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SkyPass)->Args({160, 100})->Args({256, 128});

// A 32 x 32 grid of quads bent into a bowl: 2,048 triangles facing the camera.
void BM_MeshFillingTheView(benchmark::State& state) {
    setTarget(160, 100);
    static auto mesh = std::make_unique<Mesh>();
    if (mesh->faceCount == 0) {
        std::memset(mesh.get(), 0, sizeof(Mesh));
        for (int y = 0; y <= 31; ++y)
            for (int x = 0; x <= 31; ++x) {
                float fx = (x - 15.5f) / 8, fy = (y - 15.5f) / 8;
                mesh->vertices[mesh->vertexCount++] = {fx, fy, 0.2f * (fx * fx + fy * fy)};
            }
        for (int y = 0; y < 31; ++y)
            for (int x = 0; x < 31 && mesh->faceCount < 2048; ++x) {
                uint16_t p = uint16_t(y * 32 + x);
                const int32_t u[3] = {0, 8191, 0}, v[3] = {0, 0, 8191};
                const uint16_t t1[3] = {p, uint16_t(p + 32), uint16_t(p + 1)},
                               t2[3] = {uint16_t(p + 1), uint16_t(p + 32), uint16_t(p + 33)};
                addFace(mesh.get(), 3, t1, u, v, 0);
                addFace(mesh.get(), 3, t2, u, v, 0);
            }
    }
    Matrix4 m = identityMatrix;
    translateMatrix4(&m, 0, 0, 2.2f);
    int drawnFaces = int(mesh->faceCount);
    for (auto _ : state) {
        clearDepth();
        drawMeshPerspectiveBilinear(*mesh, m);
    }
    state.counters["faces"] = drawnFaces;
    state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MeshFillingTheView);

} // namespace
