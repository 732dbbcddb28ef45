// export: the show rendered offline, frame-exactly, for sharing.
//
// Frame k shows the music position at k / fps seconds of the module as
// libopenmpt renders it; the process clock is virtual. --export writes a
// YUV4MPEG2 video (640 x 400, 4:4:4) of what the viewer sees and, if asked, a
// WAV (44,100 Hz stereo, 16-bit) aligned sample-exactly with it; --cast writes
// an asciicast v2 recording of the exact terminal bytes: the text styles as
// cells, the pixel styles as the half blocks a terminal without a display shows.
// From --from (default 0) to --to (default the end of order 42, or where the
// music loops). A progress bar goes to stderr when it is a terminal.
#pragma once

#include "platform/terminal.h"
#include "timeline/frame_clock.h"

#include <cstdint>

#include <string>

struct ExportRequest {
    std::string video; // FILE.y4m or "-" for standard output; empty for none
    std::string audio; // FILE.wav; empty for none
    std::string cast;  // FILE.cast; empty for none
    int fps = 25;
    // A recording lends the show's palette (in its header and its bytes) unless told 16 or 24.
    TerminalColours colours = TerminalColours::kDetect;
    // 2: each text cell two columns wide, as --cells 2 shows it (a 160-column recording).
    CellWidthChoice cells = CellWidthChoice::kAuto;
    int32_t from = 0;
    int32_t to = kMusicEnd;
};

int runExport(const std::string& commandLine, const ExportRequest& request);
