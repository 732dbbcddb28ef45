// The Windows entry: WinMain, with the arguments the C runtime has already
// split from the command line (the program's name first, as programMain
// expects). A console program: started from a console it shows there (and
// --help prints there); started from Explorer, Windows opens a console for it.
#include "platform/entry.h"

#include <windows.h>

#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return programMain(__argc, __argv);
}
