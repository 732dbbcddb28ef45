#include "app/front_end.h"

#include <cstdlib>
#include <cstring>

#ifndef CELLRUNE_VERSION
#define CELLRUNE_VERSION "unknown"
#endif

namespace {

template <typename T> struct Choice {
    const char* text;
    T value;
};

// "--name V" or "--name=V".
bool namedChoice(const char* token, const char* name) {
    size_t length = std::strlen(name);
    return std::strncmp(token, name, length) == 0 && (token[length] == '\0' || token[length] == '=');
}

// Reads the option's value (after '=' or the next argument, *i moved past it) and sets *out to the
// matching choice; false with the reason when the value is none of them.
template <typename T, size_t N>
bool takeChoice(const char* token, const char* name, const char* listed, const Choice<T> (&choices)[N],
                int argc, const char* const* argv, int* i, T* out, std::string* error) {
    size_t length = std::strlen(name);
    const char* value = token[length] == '=' ? token + length + 1 : (*i + 1 < argc ? argv[++*i] : "");
    for (const Choice<T>& choice : choices)
        if (std::strcmp(value, choice.text) == 0) {
            *out = choice.value;
            return true;
        }
    *error = std::string(name) + " takes " + listed + ", not '" + value + "'";
    return false;
}

} // namespace

FrontEndResult parseFrontEnd(int argc, const char* const* argv, FrontEndOptions* options,
                             std::string* commandLine, std::string* error) {
    *options = FrontEndOptions{};
    commandLine->clear();
    bool first = true;
    for (int i = 1; i < argc; ++i) {
        const char* token = argv[i];
        if (std::strncmp(token, "--", 2) != 0) {
            if (!first) commandLine->push_back(' ');
            commandLine->append(token);
            first = false;
            continue;
        }
        if (std::strcmp(token, "--help") == 0) {
            options->help = true;
        } else if (std::strcmp(token, "--version") == 0) {
            options->version = true;
        } else if (std::strcmp(token, "--silent") == 0) {
            options->silent = true;
        } else if (std::strcmp(token, "--bench") == 0) {
            options->bench = true;
        } else if (std::strcmp(token, "--frames") == 0 || std::strcmp(token, "--max-fps") == 0) {
            bool frames = std::strcmp(token, "--frames") == 0;
            long highest = frames ? 1000000 : 1000;
            char* end = nullptr;
            long value = i + 1 < argc ? std::strtol(argv[i + 1], &end, 10) : 0;
            if (i + 1 >= argc || *end != '\0' || value < 1 || value > highest) {
                *error = std::string(token) + " takes a number from 1 to " + std::to_string(highest);
                if (i + 1 < argc) *error += std::string(", not '") + argv[i + 1] + "'";
                return FrontEndResult::kError;
            }
            (frames ? options->frames : options->maxFps) = int(value);
            ++i;
        } else if (std::strcmp(token, "--export") == 0 || std::strcmp(token, "--audio") == 0 ||
                   std::strcmp(token, "--cast") == 0 || std::strcmp(token, "--from") == 0 ||
                   std::strcmp(token, "--to") == 0 || std::strcmp(token, "--fps") == 0) {
            if (i + 1 >= argc) {
                *error = std::string(token) + " needs a value";
                return FrontEndResult::kError;
            }
            std::string value = argv[++i];
            if (std::strcmp(token, "--export") == 0)
                options->exportVideo = value;
            else if (std::strcmp(token, "--audio") == 0)
                options->exportAudio = value;
            else if (std::strcmp(token, "--cast") == 0)
                options->exportCast = value;
            else if (std::strcmp(token, "--from") == 0)
                options->from = value;
            else if (std::strcmp(token, "--to") == 0)
                options->to = value;
            else {
                char* end = nullptr;
                long fps = std::strtol(value.c_str(), &end, 10);
                if (*end != '\0' || fps < 1 || fps > 240) {
                    *error = "--fps takes a number from 1 to 240";
                    return FrontEndResult::kError;
                }
                options->fps = int(fps);
            }
        } else if (std::strcmp(token, "--snapshot") == 0 || std::strcmp(token, "--out") == 0) {
            if (i + 1 >= argc) {
                *error = std::string(token) + " needs a value";
                return FrontEndResult::kError;
            }
            (token[2] == 's' ? options->snapshot : options->out) = argv[++i];
        } else if (namedChoice(token, "--colors")) {
            static const Choice<TerminalColours> kColours[] = {{"16", TerminalColours::kSixteen},
                                                               {"24", TerminalColours::kTwentyFour},
                                                               {"palette", TerminalColours::kPalette}};
            if (!takeChoice(token, "--colors", "16, 24 or palette", kColours, argc, argv, &i,
                            &options->colours, error))
                return FrontEndResult::kError;
        } else if (namedChoice(token, "--cells")) {
            static const Choice<CellWidthChoice> kCells[] = {
                {"auto", CellWidthChoice::kAuto}, {"1", CellWidthChoice::kOne}, {"2", CellWidthChoice::kTwo}};
            if (!takeChoice(token, "--cells", "auto, 1 or 2", kCells, argc, argv, &i, &options->cells, error))
                return FrontEndResult::kError;
        } else {
            *error = std::string("unknown option '") + token + "' (try --help)";
            return FrontEndResult::kError;
        }
    }
    if (options->help) return FrontEndResult::kHelp;
    if (options->version) return FrontEndResult::kVersion;
    return FrontEndResult::kRun;
}

const char* usageText() {
    return "usage: cellrune [KEYWORD VALUE]... [--OPTION]...\n"
           "\n"
           "A real-time audiovisual show for the terminal.\n"
           "\n"
           "Settings, as keyword and value pairs:\n"
           "  mode N     display mode to start in (default 0): 0-4 text styles,\n"
           "             5-9 pixel styles in a window, 10 or more raw cells\n"
           "  gamma G    brightness correction of the text styles (default 1.0)\n"
           "  pos N      start at this order of the music (default 0)\n"
           "  full N     1: pixel styles full screen (default 0)\n"
           "  vemo N     1: show the scroller and the closing picture (default 0)\n"
           "\n"
           "Keys while the show runs:\n"
           "  1-5        text styles (display modes 0-4)\n"
           "  6-9, 0     pixel styles in a window (display modes 5-9); without a\n"
           "             display, in the terminal as 160 x 50 half blocks\n"
           "  Esc        quit (Ctrl-C also quits)\n"
           "\n"
           "Front-end options:\n"
           "  --colors 16|24|palette\n"
           "                  how colours reach the terminal. 16: its own 16\n"
           "                  colours, not the show's. 24: the show's exact colours\n"
           "                  in 24-bit codes, the most bytes. palette: the show's\n"
           "                  16 colours lent to the terminal while it runs (given\n"
           "                  back at the end) and sent as short codes: exact where\n"
           "                  the terminal takes them (xterm, tmux and most others).\n"
           "                  Default: 24 where COLORTERM is truecolor or 24bit,\n"
           "                  else 16, until the terminal confirms it took the lent\n"
           "                  palette; palette from then on. --cast records with\n"
           "                  palette unless told 16 or 24\n"
           "  --cells auto|1|2\n"
           "                  terminal columns a text cell takes. 2: square cells\n"
           "                  with the usual font, cells twice as tall as wide, so\n"
           "                  the picture keeps its shape (160 x 50 columns). auto\n"
           "                  (default): 2 where the terminal is at least 160\n"
           "                  columns wide and its cells are taller than wide\n"
           "                  (asking it for 160 x 50), else 1; it follows resizes\n"
           "  --silent        no sound (the music still sets the pace)\n"
           "  --max-fps N     send at most N frames a second (default: as many as the\n"
           "                  machine draws); each still shows the music's position\n"
           "  --snapshot P[,P...] --out DIR\n"
           "                  render the frames at music positions P (order x 16384\n"
           "                  + row x 256, decimal or 0x...) into DIR and exit\n"
           "  --bench [--frames N]\n"
           "                  time N frames (default 3000) over the show in every\n"
           "                  display mode, headless, and print frames per second\n"
           "  --export FILE.y4m [--audio FILE.wav] | --cast FILE.cast\n"
           "      [--fps N] [--from P] [--to P]\n"
           "                  render the show offline to a video (- for stdout) with\n"
           "                  its sound, or to a terminal recording (pixel styles\n"
           "                  as half blocks; --cells 2 for square text cells)\n"
           "  --help          print this text and exit\n"
           "  --version       print the version and exit\n"
           "\n"
           "The picture is 80 x 50 text cells. A smaller terminal shows its middle:\n"
           "make the window larger or the font smaller to see all of it. Keys act\n"
           "on press in a terminal, on release in a Windows console.\n"
           "\n"
           "Environment:\n"
           "  CELLRUNE_DEBUG=FILE  append the debug trace texts to FILE (- for stderr)\n"
           "  CELLRUNE_SILENT=1    as --silent\n"
           "  CELLRUNE_FRAME_TRACE=FILE\n"
           "                  write a line to FILE for every frame shown: the steady\n"
           "                  clock in ns and the music frame it showed (scripts/av-offset)\n";
}

const char* versionText() {
    return "cellrune " CELLRUNE_VERSION "\n";
}
