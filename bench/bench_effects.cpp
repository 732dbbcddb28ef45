// Effects: the start-up precalculations (tubes, fisheye table) and the
// per-frame tube and water drawing.
#include "datapool/pictures.h"
#include "effects/fisheye.h"
#include "effects/tubes.h"
#include "effects/water.h"
#include "math/matrix.h"
#include "platform/clock.h"
#include "render/render_target.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

std::vector<uint32_t> target(256 * 100);

void prepareTarget() {
    renderTarget.pixels = target.data();
    renderTarget.depthBuffer = depthBufferA;
    renderTarget.width = 160;
    renderTarget.height = 100;
    renderTarget.pitch = 256;
    for (int i = 0; i < 256 * 100; ++i) depthBufferA[i] = 1;
}

void BM_BuildTubes(benchmark::State& state) {
    for (auto _ : state) buildTubes();
}
BENCHMARK(BM_BuildTubes)->Unit(benchmark::kMillisecond);

void BM_BuildRoomLookup(benchmark::State& state) {
    for (auto _ : state) buildRoomLookup();
}
BENCHMARK(BM_BuildRoomLookup)->Unit(benchmark::kMicrosecond);

void BM_DrawTubes(benchmark::State& state) {
    buildTubes();
    prepareTarget();
    Matrix4 m = identityMatrix;
    translateMatrix4(&m, 0, 0, 50);
    uint32_t time = 0;
    for (auto _ : state) {
        for (int i = 0; i < 256 * 100; ++i) depthBufferA[i] = 1;
        drawTubes(m, time += 17);
    }
    state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DrawTubes);

void BM_DrawWaterSurface(benchmark::State& state) {
    prepareTarget();
    resetWater();
    Matrix4 m = identityMatrix;
    rotateMatrix4X(&m, -1.0f);
    translateMatrix4(&m, 0, 0.3f, 3.2f);
    int64_t ms = 0;
    for (auto _ : state) {
        setVirtualMilliseconds(ms += 41); // a step every frame: the costly case
        for (int i = 0; i < 256 * 100; ++i) depthBufferA[i] = 1;
        drawWaterSurface(m, 0);
    }
    setVirtualMilliseconds(-1);
    state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DrawWaterSurface);

} // namespace
