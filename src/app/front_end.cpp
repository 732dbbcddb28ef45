#include "app/front_end.h"

#include <cstring>

#ifndef CELLRUNE_VERSION
#define CELLRUNE_VERSION "unknown"
#endif

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
           "  6-9, 0     pixel styles in a window (display modes 5-9)\n"
           "  Esc        quit (Ctrl-C also quits)\n"
           "\n"
           "Front-end options:\n"
           "  --help     print this text and exit\n"
           "  --version  print the version and exit\n"
           "\n"
           "Environment:\n"
           "  CELLRUNE_DEBUG=FILE  append the debug trace texts to FILE\n";
}

const char* versionText() {
    return "cellrune " CELLRUNE_VERSION "\n";
}
