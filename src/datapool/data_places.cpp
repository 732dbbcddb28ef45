#include "datapool/data_places.h"

#include "platform/files.h"

#include <cstdio>
#include <cstring>

#ifndef CELLRUNE_INSTALLED_DATA
#define CELLRUNE_INSTALLED_DATA "/usr/local/share/cellrune"
#endif

namespace {

// Appends prefix + suffix (prefix of the given length) unless empty, too long or already listed.
void add(DataPlaces* places, const char* prefix, size_t prefixLength, const char* suffix) {
    if (!prefix || prefixLength == 0 || places->count >= kDataPlaceCapacity) return;
    char path[kDataPlaceLength];
    size_t suffixLength = std::strlen(suffix);
    if (prefixLength + suffixLength >= sizeof path) return;
    std::memcpy(path, prefix, prefixLength);
    std::memcpy(path + prefixLength, suffix, suffixLength + 1);
    for (int i = 0; i < places->count; ++i)
        if (std::strcmp(places->folder[i], path) == 0) return;
    std::memcpy(places->folder[places->count++], path, prefixLength + suffixLength + 1);
}

void addFolder(DataPlaces* places, const char* folder, const char* suffix) {
    if (folder) add(places, folder, std::strlen(folder), suffix);
}

bool absolute(const char* path, size_t length) {
    return length > 0 && path[0] == '/';
}

} // namespace

void listDataPlaces(const DataPlaceInputs& in, DataPlaces* places) {
    places->count = 0;
    addFolder(places, ".", "");
    addFolder(places, in.programFolder, "");
    addFolder(places, in.programFolder, "/../share/cellrune");
    addFolder(places, in.installedFolder, "");
    if (in.dataHome && absolute(in.dataHome, std::strlen(in.dataHome)))
        addFolder(places, in.dataHome, "/cellrune");
    else if (!(in.dataHome && *in.dataHome) && in.home && absolute(in.home, std::strlen(in.home)))
        addFolder(places, in.home, "/.local/share/cellrune");
    const char* dirs = in.dataDirs && *in.dataDirs ? in.dataDirs : "/usr/local/share/:/usr/share/";
    for (const char* at = dirs;;) {
        const char* colon = std::strchr(at, ':');
        size_t length = colon ? size_t(colon - at) : std::strlen(at);
        while (length > 1 && at[length - 1] == '/') --length; // "/usr/share/" and "/usr/share" are one place
        if (absolute(at, length)) add(places, at, length, "/cellrune");
        if (!colon) break;
        at = colon + 1;
    }
}

DataPlaceInputs systemDataPlaceInputs() {
    return {programFolder(), CELLRUNE_INSTALLED_DATA, environmentValue("HOME"),
            environmentValue("XDG_DATA_HOME"), environmentValue("XDG_DATA_DIRS")};
}
