#include "platform/files.h"

#include <windows.h>

#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void describeLastError(DWORD code, char* reason, size_t capacity) {
    char text[256];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                  0, text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' || text[length - 1] == '.'))
        text[--length] = '\0';
    if (length == 0) std::snprintf(text, sizeof text, "error %lu", static_cast<unsigned long>(code));
    std::snprintf(reason, capacity, "%s", text);
}

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

} // namespace

bool fileExists(const char* path) {
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

bool isFolder(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool isSpecialFile(const char* path) {
    // Devices (NUL, CON, COM1) have no attributes of a file; ask what the handle is.
    if (isFolder(path)) return false;
    HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD type = GetFileType(file);
    CloseHandle(file);
    return type != FILE_TYPE_DISK;
}

bool makeFolders(const char* path, char* reason, size_t capacity) {
    std::string whole = path;
    DWORD failure = 0; // a parent that could not be made may still be there (a share's root)
    for (size_t at = 1; at <= whole.size(); ++at) {
        if (at < whole.size() && !isSeparator(whole[at])) continue;
        std::string part = whole.substr(0, at);
        if (part.size() == 2 && part[1] == ':') continue; // a drive ("C:") is no folder to make
        if (!CreateDirectoryA(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            failure = GetLastError();
    }
    if (!isFolder(path)) {
        describeLastError(failure ? failure : ERROR_DIRECTORY, reason, capacity);
        return false;
    }
    return true;
}

const char* workingFolder() {
    static char folder[MAX_PATH * 4];
    DWORD length = GetCurrentDirectoryA(sizeof folder, folder);
    if (length == 0 || length >= sizeof folder) std::snprintf(folder, sizeof folder, "the current folder");
    return folder;
}

const char* programFolder() {
    static char folder[MAX_PATH * 4];
    DWORD length = GetModuleFileNameA(nullptr, folder, sizeof folder);
    if (length == 0 || length >= sizeof folder) return nullptr;
    char* slash = folder + length;
    while (slash > folder && !isSeparator(slash[-1])) --slash;
    if (slash == folder) return nullptr;
    slash[-1] = '\0';
    return folder;
}

const char* environmentValue(const char* name) {
    return std::getenv(name);
}

bool streamIsTerminal(FILE* stream) {
    return _isatty(_fileno(stream)) != 0;
}
