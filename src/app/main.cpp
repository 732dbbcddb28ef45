// The Linux entry: front-end options out, the rest to WinMain as one line.
#include "app/front_end.h"
#include "app/main_loop.h"
#include "platform/messages.h"
#include "platform/music_player.h"
#include "platform/terminal.h"

#include <cstdio>
#include <string>

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
    installQuitSignals();
    terminalSetColourDepth(options.colours);
    forceSilentMusic(options.silent);
    return WinMain(nullptr, nullptr, commandLine.c_str(), 0);
}
