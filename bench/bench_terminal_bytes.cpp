// Bytes sent to the terminal for the moving test card: per frame in 16-colour
// codes (--colors 16 and palette) and 24-bit ones, full frames and frames diffed against the previous one (a
// 60 Hz sequence); and for each text style, diffed, per frame and per second
// at 60 frames a second. Reported as counters; the time is the encoding cost.
#include "bench/test_card.h"
#include "display/cell_image.h"
#include "display/console_converters.h"
#include "display/display_mode.h"
#include "platform/cell_encoder.h"
#include "settings/settings.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

void BM_TerminalBytes(benchmark::State& state) {
    setenv("CELLRUNE_DEBUG", "/dev/null", 1);
    parseCommandLine("");
    buildConsoleTables();
    ColourDepth depth = state.range(0) == 24 ? ColourDepth::k24 : ColourDepth::k16;
    bool diffed = state.range(1) != 0;
    static CellEncoderState encoder;
    static std::vector<char> out(kEncoderFrameCapacity);
    resetCellEncoder(&encoder, depth, 80, 50, consolePalette);
    uint32_t ms = 0;
    double bytes = 0;
    for (auto _ : state) {
        drawTestCard(frameBuffer, ms);
        convertDiffused(frameBuffer, 0);
        if (!diffed) encoder.fullRedraw = true;
        bytes += double(encodeCellFrame(&encoder, cellBuffer, out.data(), out.size()));
        ms += 16;
    }
    state.counters["bytes/frame"] = bytes / double(state.iterations());
}
BENCHMARK(BM_TerminalBytes)->ArgsProduct({{16, 24}, {0, 1}})->ArgNames({"colours", "diffed"});

void BM_TerminalBytesPerStyle(benchmark::State& state) {
    setenv("CELLRUNE_DEBUG", "/dev/null", 1);
    parseCommandLine("");
    buildConsoleTables();
    int mode = int(state.range(0));
    Converter convert = displayModes[mode].converter;
    ColourDepth depth = state.range(1) == 24 ? ColourDepth::k24 : ColourDepth::k16;
    static CellEncoderState encoder;
    static std::vector<char> out(kEncoderFrameCapacity);
    resetCellEncoder(&encoder, depth, 80, 50, consolePalette);
    uint32_t ms = 0, frame = 0;
    double bytes = 0;
    for (auto _ : state) {
        drawTestCard(frameBuffer, ms);
        convert(frameBuffer, frame++);
        bytes += double(encodeCellFrame(&encoder, cellBuffer, out.data(), out.size()));
        ms += 16;
    }
    state.counters["bytes/frame"] = bytes / double(state.iterations());
    state.counters["bytes/s@60"] = 60 * bytes / double(state.iterations());
    state.SetLabel(displayModes[mode].caption);
}
BENCHMARK(BM_TerminalBytesPerStyle)
    ->ArgsProduct({{0, 1, 2, 3, 4, 10}, {16, 24}})
    ->ArgNames({"mode", "colours"});

} // namespace
