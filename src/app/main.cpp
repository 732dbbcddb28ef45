// The Linux entry: front-end options out, the rest to WinMain as one line.
#include "app/export.h"
#include "app/front_end.h"
#include "app/main_loop.h"
#include "app/snapshot.h"
#include "platform/messages.h"
#include "platform/music_player.h"
#include "platform/terminal.h"
#include "platform/window.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    FrontEndOptions options;
    std::string commandLine;
    std::string error;
    switch (parseFrontEnd(argc, argv, &options, &commandLine, &error)) {
    case FrontEndResult::kHelp:
        std::fputs(usageText(), stdout);
        return 0;
    case FrontEndResult::kVersion:
        std::fputs(versionText(), stdout);
        return 0;
    case FrontEndResult::kError:
        std::fprintf(stderr, "cellrune: %s\n", error.c_str());
        return 2;
    case FrontEndResult::kRun:
        break;
    }
    if (options.bench) return runBenchmark(commandLine, options.frames);
    if (!options.exportVideo.empty() || !options.exportCast.empty() || !options.exportAudio.empty()) {
        ExportRequest request;
        request.video = options.exportVideo;
        request.audio = options.exportAudio;
        request.cast = options.exportCast;
        request.fps = options.fps;
        request.colours = options.colours;
        request.cells = options.cells;
        std::vector<int32_t> bound;
        for (auto [text, target] :
             {std::pair{options.from, &request.from}, std::pair{options.to, &request.to}}) {
            if (text.empty()) continue;
            // The end may be the music's end itself.
            int32_t highest = target == &request.to ? kMusicEnd : kMusicEnd - 1;
            if (!parseClockList(text, &bound, &error, highest) || bound.size() != 1) {
                std::fprintf(stderr, "cellrune: %s\n",
                             error.empty() ? "one position, please" : error.c_str());
                return 2;
            }
            *target = bound[0];
        }
        if (request.video.empty() && request.cast.empty()) {
            std::fprintf(stderr, "cellrune: --audio goes with --export\n");
            return 2;
        }
        return runExport(commandLine, request);
    }
    if (!options.snapshot.empty() || !options.out.empty()) {
        std::vector<int32_t> clocks;
        if (options.snapshot.empty() || options.out.empty()) {
            std::fprintf(stderr, "cellrune: --snapshot and --out go together\n");
            return 2;
        }
        if (!parseClockList(options.snapshot, &clocks, &error)) {
            std::fprintf(stderr, "cellrune: %s\n", error.c_str());
            return 2;
        }
        return runSnapshots(commandLine, clocks, options.out);
    }
    installQuitSignals();
    terminalSetColours(options.colours);
    terminalSetCellWidth(options.cells);
    forceSilentMusic(options.silent);
    frameCap = options.maxFps;
    int status = WinMain(nullptr, nullptr, commandLine.c_str(), 0);
    windowSystemQuit(); // here, not at exit: only while the display is known to be there
    if (quitSignal() != 0 && status == 0) return 128 + quitSignal(); // the terminal is restored at exit
    return status;
}
