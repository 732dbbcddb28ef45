#include "app/headless.h"

#include "app/startup.h"
#include "datapool/pool.h"
#include "platform/clock.h"
#include "platform/music_player.h"
#include "settings/settings.h"

#include <cstdio>

bool startHeadless(const std::string& commandLine, Presenter presenter) {
    parseCommandLine(commandLine.c_str());
    installHeadlessMode(modeSetting, presenter);
    forceSilentMusic(true);
    setOfflineMusic(true);
    setVirtualMilliseconds(0);
    poolReportsProblems = false; // offline, a missing or damaged archive ends the run instead
    beginTextStyleTables();
    runStartUp();
    endTextStyleTables();
    if (poolStatus.failed) {
        std::fprintf(stderr, "cellrune: %s\n", poolStatus.problem);
        return false;
    }
    return true;
}
