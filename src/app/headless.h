// headless: the show loaded with no terminal, window or sound device, for
// snapshots, export, the benchmark and the tests.
//
// startHeadless reads the settings from the command line, installs the
// "mode" setting's converter (clamped) with the given presenter, plays the
// music offline and silently (frames come from given positions), sets the
// process clock to a virtual 0, and runs the whole start-up (pool, pictures,
// meshes, tables, paths). Once per process. False when the show's data could
// not be read: the reason is said on stderr (one line) and the caller ends
// with status 1 before writing anything.
#pragma once

#include "display/display_mode.h"

#include <string>

bool startHeadless(const std::string& commandLine, Presenter presenter = presentNothing);
