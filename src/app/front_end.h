// front_end: the command line around the show's own, the same on every platform.
//
// argv tokens that begin with "--" are front-end options and are taken out;
// all other tokens, joined with single spaces, form the show's command line
// (what parseCommandLine reads). An unknown "--" option is an error the
// caller reports with exit status 2.
#pragma once

#include "platform/terminal.h"

#include <string>

struct FrontEndOptions {
    bool help = false;
    bool version = false;
    TerminalColours colours = TerminalColours::kDetect; // --colors 16|24|palette
    CellWidthChoice cells = CellWidthChoice::kAuto;     // --cells auto|1|2
    bool silent = false;                                // --silent: no sound, the music still keeps time
    std::string snapshot;                               // --snapshot P[,P...]
    std::string out;                                    // --out DIR
    std::string exportVideo, exportAudio, exportCast;   // --export, --audio, --cast
    int fps = 25;                                       // --fps
    std::string from, to;                               // --from, --to (MusicClock values)
    bool bench = false;                                 // --bench
    int frames = 3000;                                  // --frames N
    int maxFps = 0;                                     // --max-fps N: frames a second at most, 0 no cap
};

enum class FrontEndResult { kRun, kHelp, kVersion, kError };

FrontEndResult parseFrontEnd(int argc, const char* const* argv, FrontEndOptions* options,
                             std::string* commandLine, std::string* error);

const char* usageText();
const char* versionText();
