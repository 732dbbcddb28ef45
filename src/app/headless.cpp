#include "app/headless.h"

#include "app/startup.h"
#include "platform/clock.h"
#include "platform/music_player.h"
#include "settings/settings.h"

void startHeadless(const std::string& commandLine, Presenter presenter) {
    parseCommandLine(commandLine.c_str());
    installHeadlessMode(modeSetting, presenter);
    forceSilentMusic(true);
    setOfflineMusic(true);
    setVirtualMilliseconds(0);
    runStartUp();
}
