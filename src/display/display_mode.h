// display_mode: DisplayMode selection and live console input.
//
// setDisplayMode is the one place that opens and closes output surfaces and
// installs the converter and presenter renderFrame calls. handleConsoleInput
// consumes exactly one console input record: 0 ends the program, 1 goes on.
// Until a surface is installed, currentConverter and currentPresenter are null
// and renderFrame shows nothing.
#pragma once

#include <cstdint>

using Converter = void (*)(uint32_t* framePixels, uint32_t frameNumber);
using Presenter = int (*)();

extern int32_t displayState;
extern Converter currentConverter;
extern Presenter currentPresenter;

void setDisplayMode(int32_t mode);
int consoleInputPending();
int handleConsoleInput();
