// Speed of the per-frame cell picture work: the 2 x 2 reduction (with and
// without gamma) and the nearest-palette search that the diffusion style
// runs 4,000 times a frame. Frames are realistic: gradients with noise.
#include "display/cell_image.h"
#include "settings/settings.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

std::vector<uint32_t> movingFrame(int t) {
    std::vector<uint32_t> frame(kFramePixels);
    std::mt19937 random(static_cast<unsigned>(t));
    for (int y = 0; y < kFrameHeight; ++y)
        for (int x = 0; x < kFrameWidth; ++x) {
            uint32_t noise = random() & 0x0F0F0F;
            uint32_t r = (x * 255 / kFrameWidth + t) & 0xFF, g = (y * 255 / kFrameHeight) & 0xFF,
                     b = (x + y + 3 * t) & 0xFF;
            frame[y * kFrameWidth + x] = (makeColour(r, g, b) ^ noise) & 0xFFFFFF;
        }
    return frame;
}

void BM_MakeCellImage(benchmark::State& state) {
    parseCommandLine(state.range(0) ? "gamma 2.2" : "");
    std::vector<uint32_t> source = movingFrame(1), work(kFramePixels);
    for (auto _ : state) {
        work = source;
        makeCellImage(work.data(), work.data());
        benchmark::DoNotOptimize(work.data());
    }
    state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MakeCellImage)->Arg(0)->Arg(1)->ArgName("gamma");

// One frame's worth (4,000) of plain nearest-colour searches, inputs spread
// around the range the diffusion produces.
void BM_NearestPaletteFrame(benchmark::State& state) {
    buildConsoleTables();
    std::vector<uint32_t> frame = movingFrame(2);
    makeCellImage(frame.data(), frame.data());
    std::mt19937 random(3);
    std::vector<int> error(3 * kCellCount);
    for (auto& e : error) e = static_cast<int>(random() % 121) - 60;
    for (auto _ : state) {
        int sum = 0;
        for (int i = 0; i < kCellCount; ++i) {
            uint32_t c = frame[i];
            sum += findNearestPaletteEntry(redOf(c) - error[3 * i], greenOf(c) - error[3 * i + 1],
                                           blueOf(c) - error[3 * i + 2]);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_NearestPaletteFrame);

} // namespace
