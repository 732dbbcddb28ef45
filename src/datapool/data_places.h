// data_places: the folders the show looks in for its data, in order.
//
// The working folder ("."), the program's own folder and its
// ../share/cellrune (an unpacked or relocated install), the data folder of
// the prefix the program was built for, $XDG_DATA_HOME/cellrune
// (~/.local/share/cellrune when unset or empty), then each $XDG_DATA_DIRS
// entry's cellrune/ (/usr/local/share and /usr/share when unset or empty).
// Relative XDG entries are ignored, as the XDG rules say; a folder given
// twice is looked in once; a missing input is skipped. At most
// kDataPlaceCapacity places of fewer than kDataPlaceLength bytes: longer ones
// are left out rather than cut.
#pragma once

#include <cstddef>

constexpr int kDataPlaceCapacity = 24;
constexpr size_t kDataPlaceLength = 1024;

struct DataPlaceInputs {
    const char* programFolder;   // null when it cannot be known
    const char* installedFolder; // the built-for prefix's data folder, with cellrune/
    const char* home;            // $HOME
    const char* dataHome;        // $XDG_DATA_HOME
    const char* dataDirs;        // $XDG_DATA_DIRS, colon-separated
};

struct DataPlaces {
    int count;
    char folder[kDataPlaceCapacity][kDataPlaceLength];
};

void listDataPlaces(const DataPlaceInputs& inputs, DataPlaces* places);
// The inputs as this process finds them (the system's answers, the build's prefix).
DataPlaceInputs systemDataPlaceInputs();
