// files for the systems with POSIX calls (Linux, and the browser's in-memory files).
#include "platform/files.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

bool fileExists(const char* path) {
    return access(path, F_OK) == 0;
}

bool isFolder(const char* path) {
    struct stat info;
    return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

bool isSpecialFile(const char* path) {
    struct stat info;
    return stat(path, &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
}

bool makeFolders(const char* path, char* reason, size_t capacity) {
    std::string whole = path;
    for (size_t at = 1; at <= whole.size(); ++at) {
        if (at < whole.size() && whole[at] != '/') continue;
        std::string part = whole.substr(0, at);
        if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
            std::snprintf(reason, capacity, "%s", std::strerror(errno));
            return false;
        }
    }
    if (!isFolder(path)) {
        std::snprintf(reason, capacity, "%s", std::strerror(ENOTDIR));
        return false;
    }
    return true;
}

const char* workingFolder() {
    static char folder[4096];
    if (!getcwd(folder, sizeof folder)) std::snprintf(folder, sizeof folder, "the current folder");
    return folder;
}

const char* programFolder() {
    static char folder[4096];
    ssize_t length = readlink("/proc/self/exe", folder, sizeof folder - 1); // Linux's; none in the browser
    if (length <= 0) return nullptr;
    folder[length] = '\0';
    char* slash = std::strrchr(folder, '/');
    if (!slash) return nullptr;
    *(slash == folder ? slash + 1 : slash) = '\0';
    return folder;
}

const char* environmentValue(const char* name) {
    return std::getenv(name);
}

bool streamIsTerminal(FILE* stream) {
    return isatty(fileno(stream)) != 0;
}
