// headless_show: the show loaded from the build's data, in this process, with
// no terminal, window or sound device, ready for renderFrameAt.
#pragma once

#include "app/startup.h"
#include "display/cell_image.h"
#include "platform/clock.h"
#include "platform/music_player.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <unistd.h>

inline void loadShowHeadless(const char* settings) {
    ASSERT_EQ(chdir(CELLRUNE_SHOW_DIR), 0);
    parseCommandLine(settings);
    buildConsoleTables();
    forceSilentMusic(true);
    setOfflineMusic(true); // frames come from given positions
    setVirtualMilliseconds(0);
    runStartUp();
}
