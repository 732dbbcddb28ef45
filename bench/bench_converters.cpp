// Frames per second of every display style's converter on realistic moving
// frames: gradients with noise and shaded discs, a new frame each iteration.
// Each iteration also copies the frame in (the converters work in place),
// as renderFrame's drawing would.
#include "display/cell_image.h"
#include "display/console_converters.h"
#include "display/nearest_colour.h"
#include "display/window_converters.h"
#include "settings/settings.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr int kFrames = 16;

std::vector<std::vector<uint32_t>> movingFrames() {
    std::vector<std::vector<uint32_t>> frames(kFrames, std::vector<uint32_t>(kFramePixels));
    std::mt19937 random(11);
    for (int f = 0; f < kFrames; ++f)
        for (int y = 0; y < kFrameHeight; ++y)
            for (int x = 0; x < kFrameWidth; ++x) {
                float dx = float(x - 80 - 3 * f), dy = float(y - 50 + f);
                float disc = std::max(0.0f, 1.0f - std::sqrt(dx * dx + dy * dy) / 45.0f);
                uint32_t r = uint32_t(std::min(255.0f, x * 1.5f + 120 * disc));
                uint32_t g = uint32_t(std::min(255.0f, y * 2.0f * (1 - disc) + 200 * disc));
                uint32_t b = uint32_t((x + y + 8 * f) & 0xFF);
                frames[f][y * kFrameWidth + x] = (makeColour(r, g, b) ^ (random() & 0x070707)) & 0xFFFFFF;
            }
    return frames;
}

template <void (*convert)(uint32_t*, uint32_t)> void BM_Convert(benchmark::State& state) {
    setenv("CELLRUNE_DEBUG", "/dev/null", 1);
    parseCommandLine("");
    buildConsoleTables();
    static const auto frames = movingFrames();
    uint32_t n = 0;
    for (auto _ : state) {
        const auto& source = frames[n % kFrames];
        std::copy(source.begin(), source.end(), frameBuffer);
        convert(frameBuffer, n++);
        benchmark::DoNotOptimize(cellBuffer[0]);
        benchmark::DoNotOptimize(windowImage[0]);
    }
    state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_Convert<convertDiffused>)->Name("mode0_diffused");
BENCHMARK(BM_Convert<convertAsciiRamp>)->Name("mode1_ascii_ramp");
BENCHMARK(BM_Convert<convertChannelCycle>)->Name("mode2_channel_cycle");
BENCHMARK(BM_Convert<convertGreyShades>)->Name("mode3_grey_shades");
BENCHMARK(BM_Convert<convertHueShades>)->Name("mode4_hue_shades");
BENCHMARK(BM_Convert<convertPixelDouble>)->Name("mode5_pixel_double");
BENCHMARK(BM_Convert<convertSmooth>)->Name("mode6_smooth");
BENCHMARK(BM_Convert<convertGreyBlocks>)->Name("mode7_grey_blocks");
BENCHMARK(BM_Convert<convertDebugView>)->Name("mode8_debug_view");
BENCHMARK(BM_Convert<convertPalettePairs>)->Name("mode9_palette_pairs");
BENCHMARK(BM_Convert<convertRaw>)->Name("mode10_raw");

// The text styles' nearest-colour grid, built at start-up: the fast build and the plain one.
template <bool fast> void BM_BuildNearestGrid(benchmark::State& state) {
    setenv("CELLRUNE_DEBUG", "/dev/null", 1);
    parseCommandLine("");
    buildConsoleTables();
    static uint32_t first[kNearestBoxCount];
    static uint16_t length[kNearestBoxCount];
    static ColourCandidate candidates[kNearestCandidateCapacity];
    int32_t r[kColourGridListCapacity], g[kColourGridListCapacity], b[kColourGridListCapacity];
    int16_t index[kColourGridListCapacity];
    int count = cellPaletteChannels(r, g, b, index);
    for (auto _ : state) {
        ColourGrid grid = {
            kNearestGridOrigin, kNearestGridSide, kNearestCandidateCapacity, first, length, candidates, 0};
        (fast ? buildColourGrid : buildColourGridPlain)(&grid, r, g, b, index, count);
        benchmark::DoNotOptimize(grid.total);
    }
}
BENCHMARK(BM_BuildNearestGrid<true>)->Name("nearest_grid_build_fast")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildNearestGrid<false>)->Name("nearest_grid_build_plain")->Unit(benchmark::kMillisecond);

} // namespace
