// headless_show: the show loaded from the build's data, in this process, with
// no terminal, window or sound device, ready for renderFrameAt.
#pragma once

#include "app/headless.h"

#include <gtest/gtest.h>

#include <unistd.h>

inline void loadShowHeadless(const char* settings) {
    ASSERT_EQ(chdir(CELLRUNE_SHOW_DIR), 0);
    ASSERT_TRUE(startHeadless(settings));
}
