// The front end every platform's entry calls: front-end options out, then the
// benchmark, an export, snapshots or the live show.
#include "app/export.h"
#include "app/front_end.h"
#include "app/show.h"
#include "app/snapshot.h"
#include "platform/entry.h"
#include "platform/messages.h"
#include "platform/music_player.h"
#include "platform/terminal.h"
#include "platform/window.h"
#include "timeline/frame_clock.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

// --from and --to as one position each; false after saying why.
bool readExportBounds(const FrontEndOptions& options, ExportRequest* request) {
    std::vector<int32_t> bound;
    std::string error;
    for (auto [text, target] :
         {std::pair{options.from, &request->from}, std::pair{options.to, &request->to}}) {
        if (text.empty()) continue;
        // The end may be the music's end itself.
        int32_t highest = target == &request->to ? kMusicEnd : kMusicEnd - 1;
        if (!parseClockList(text, &bound, &error, highest) || bound.size() != 1) {
            std::fprintf(stderr, "cellrune: %s\n", error.empty() ? "one position, please" : error.c_str());
            return false;
        }
        *target = bound[0];
    }
    return true;
}

int runExportOption(const FrontEndOptions& options, const std::string& commandLine) {
    ExportRequest request;
    request.video = options.exportVideo;
    request.audio = options.exportAudio;
    request.cast = options.exportCast;
    request.fps = options.fps;
    request.colours = options.colours;
    request.cells = options.cells;
    if (!readExportBounds(options, &request)) return 2;
    if (request.video.empty() && request.cast.empty()) {
        std::fprintf(stderr, "cellrune: --audio goes with --export\n");
        return 2;
    }
    return runExport(commandLine, request);
}

int runSnapshotOption(const FrontEndOptions& options, const std::string& commandLine) {
    std::vector<int32_t> clocks;
    std::string error;
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

int finishShow() {
    shutDown();
    windowSystemQuit(); // here, not at exit: only while the display is known to be there
    // A show ended by the system's request exits as the system expects; the terminal is restored at exit.
    return quitExitStatus();
}

} // namespace

int programMain(int argc, char** argv) {
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
    if (!options.exportVideo.empty() || !options.exportCast.empty() || !options.exportAudio.empty())
        return runExportOption(options, commandLine);
    if (!options.snapshot.empty() || !options.out.empty()) return runSnapshotOption(options, commandLine);

    installQuitHandlers();
    terminalSetColours(options.colours);
    terminalSetCellWidth(options.cells);
    forceSilentMusic(options.silent);
    frameCap = options.maxFps;
    if (startShow(nullptr, commandLine.c_str()) != 0) {
        windowSystemQuit();
        return 1;
    }
    return runShowLoop({stepShow, millisecondsToNextFrame, finishShow});
}
