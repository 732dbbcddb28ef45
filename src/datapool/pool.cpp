#include "datapool/pool.h"

#include "platform/archive_library.h"
#include "platform/files.h"
#include "platform/memory.h"
#include "platform/user_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#ifndef CELLRUNE_USE_ARCHIVE
#define CELLRUNE_USE_ARCHIVE 1
#endif
#ifndef CELLRUNE_USE_BLOB_FILE
#define CELLRUNE_USE_BLOB_FILE 0
#endif

bool useArchive = CELLRUNE_USE_ARCHIVE;
bool useBlobFile = CELLRUNE_USE_BLOB_FILE;

namespace {

const char kPassword[] = "vortelqanis";
uint8_t archiveStorage[kPoolCapacity];
uint8_t* blobStorage = nullptr;

const char* rarErrorText(int code) {
    switch (code) {
    case ERAR_NO_MEMORY:
        return "not enough memory";
    case ERAR_BAD_DATA:
        return "the data is damaged";
    case ERAR_BAD_ARCHIVE:
        return "it is not a valid archive";
    case ERAR_UNKNOWN_FORMAT:
        return "its format is unknown";
    case ERAR_EOPEN:
        return "it cannot be opened";
    case ERAR_EREAD:
        return "it cannot be read (cut short?)";
    case ERAR_MISSING_PASSWORD:
        return "it needs a password that was not given";
    case ERAR_BAD_PASSWORD:
        return "the password is wrong";
    default:
        return "unpacking failed";
    }
}

// The folder the data was found in, "." for the working folder; the names read are relative to it.
char dataFolder[kDataPlaceLength] = ".";

// Keeps the first problem and says it (live show) once.
void fail(const char* text) {
    if (poolStatus.failed) return;
    poolStatus.failed = true;
    std::snprintf(poolStatus.problem, sizeof poolStatus.problem, "cannot read the show's data %s", text);
    if (poolReportsProblems) reportProblem("%s; the show runs without it", poolStatus.problem);
}

// path: the data's path as opened (a bare name in the working folder).
void reportArchive(const char* path, const char* what) {
    char text[sizeof poolStatus.problem - 40];
    if (std::strcmp(dataFolder, ".") == 0)
        std::snprintf(text, sizeof text, "'%s' in %s: %s", path, workingFolder(), what);
    else
        std::snprintf(text, sizeof text, "'%s': %s", path, what);
    fail(text);
}

// The path of a name inside dataFolder (the name alone in the working folder).
const char* inDataFolder(const char* name, char* path, size_t capacity) {
    if (std::strcmp(dataFolder, ".") == 0) return name;
    std::snprintf(path, capacity, "%s/%s", dataFolder, name);
    return path;
}

// The first place holding the build's data source, made dataFolder; false (and said) when none does.
bool findDataFolder(const char* source, bool folderSource) {
    if (poolPlaces.count == 0) listDataPlaces(systemDataPlaceInputs(), &poolPlaces);
    char path[kDataPlaceLength + 64];
    for (int i = 0; i < poolPlaces.count; ++i) {
        std::snprintf(dataFolder, sizeof dataFolder, "%s", poolPlaces.folder[i]);
        const char* candidate = inDataFolder(source, path, sizeof path);
        if (folderSource ? isFolder(candidate) : fileExists(candidate)) return true;
    }
    std::string looked;
    for (int i = 0; i < poolPlaces.count; ++i) {
        if (i > 0) looked += i + 1 == poolPlaces.count ? " nor " : ", ";
        looked += i == 0 ? std::string("the working folder ") + workingFolder() : poolPlaces.folder[i];
    }
    std::snprintf(dataFolder, sizeof dataFolder, ".");
    std::string text = std::string("'") + source + "': no such file in " + looked;
    fail(text.c_str());
    return false;
}

uint32_t dataEnd() {
    return useArchive ? poolWritePosition : poolStatus.dataLength;
}

PoolReadObserver readObserver = nullptr;

uint32_t observed(const char* name, uint32_t bytes) {
    if (readObserver) readObserver(name, bytes);
    return bytes;
}

} // namespace

uint8_t* poolBuffer = archiveStorage;
uint32_t poolWritePosition = 0;
uint32_t poolReadPosition = 0;
PoolStatus poolStatus = {};
bool poolReportsProblems = true;

int archiveCallback(unsigned int message, intptr_t, intptr_t p1, intptr_t p2) {
    if (message == UCM_PROCESSDATA && p2 > 0) {
        uint32_t count = static_cast<uint32_t>(p2);
        uint32_t room = kPoolCapacity - poolWritePosition;
        uint32_t take = count < room ? count : room;
        std::memcpy(poolBuffer + poolWritePosition, reinterpret_cast<const void*>(p1), take);
        poolWritePosition += take;
        if (take < count) {
            poolStatus.droppedBytes += count - take;
            return -1; // full: stop unpacking rather than write past the pool
        }
    } else if (message == UCM_NEEDPASSWORD && p2 > 0) {
        size_t size = static_cast<size_t>(p2);
        char* buffer = reinterpret_cast<char*>(p1);
        std::strncpy(buffer, kPassword, size - 1);
        buffer[size - 1] = '\0';
    }
    return 0;
}

namespace {

// The library's own convention and parameter type; LPARAM carries a pointer on every target.
static_assert(sizeof(LPARAM) == sizeof(intptr_t));
int CALLBACK unrarCallback(UINT message, LPARAM userData, LPARAM p1, LPARAM p2) {
    return archiveCallback(message, userData, p1, p2);
}

} // namespace

void extractArchive(const char* archiveName) {
    char comment[16384];
    RAROpenArchiveDataEx open;
    std::memset(&open, 0, sizeof open);
    open.ArcName = const_cast<char*>(archiveName);
    open.OpenMode = RAR_OM_EXTRACT;
    open.CmtBuf = comment;
    open.CmtBufSize = sizeof comment;
    HANDLE archive = RAROpenArchiveEx(&open);
    if (open.OpenResult != 0) {
        if (open.OpenResult == ERAR_EOPEN && !fileExists(archiveName))
            reportArchive(archiveName, "no such file (start the show in the folder that holds it)");
        else
            reportArchive(archiveName, rarErrorText(static_cast<int>(open.OpenResult)));
        if (archive) RARCloseArchive(archive);
        return;
    }
    RARSetCallback(archive, unrarCallback, 0);

    RARHeaderData header;
    std::memset(&header, 0, sizeof header);
    header.CmtBuf = nullptr;
    int result;
    while ((result = RARReadHeader(archive, &header)) == 0) {
        uint32_t entryStart = poolWritePosition;
        // The entry's pages made present at once: filled page by page they cost a fault each.
        uint32_t room = kPoolCapacity - poolWritePosition;
        prefaultMemory(poolBuffer + poolWritePosition, header.UnpSize < room ? header.UnpSize : room);
        int processed = RARProcessFile(archive, RAR_TEST, nullptr, nullptr);
        if (processed != 0) {
            // A failed entry's bytes cannot be trusted (a wrong password
            // delivers garbage before the error): keep only whole entries.
            std::memset(poolBuffer + entryStart, 0, poolWritePosition - entryStart);
            poolWritePosition = entryStart;
            if (poolStatus.droppedBytes > 0)
                reportArchive(archiveName,
                              "it unpacks to more than the pool's 10 MiB; the rest was left out");
            else
                reportArchive(archiveName, rarErrorText(processed));
            break;
        }
        ++poolStatus.entries;
    }
    if (result == ERAR_BAD_DATA) {
        writeUserText(UserStream::kOutput, "\nFile header broken");
        reportArchive(archiveName, "an entry header is damaged");
    } else if (result != ERAR_END_ARCHIVE && result != 0) {
        reportArchive(archiveName, rarErrorText(result));
    }
    RARCloseArchive(archive);
    if (!poolStatus.failed && poolWritePosition == 0) reportArchive(archiveName, "it holds no data");
}

DataPlaces poolPlaces = {};

void openPool() {
    poolStatus.opened = true;
    if (useArchive) {
        poolBuffer = archiveStorage;
        if (!findDataFolder(kArchiveName, false)) return;
        char path[kDataPlaceLength + 64];
        extractArchive(inDataFolder(kArchiveName, path, sizeof path));
        poolStatus.dataLength = poolWritePosition;
        poolReadPosition = 0;
        return;
    }
    if (!useBlobFile) { // loose files are read by name, from the first place with the folder
        findDataFolder(kLooseFolderName, true);
        return;
    }
    if (!blobStorage) blobStorage = new uint8_t[kPoolCapacity]();
    poolBuffer = blobStorage;
    if (!findDataFolder(kBlobFileName, false)) return;
    char pathSpace[kDataPlaceLength + 64];
    const char* path = inDataFolder(kBlobFileName, pathSpace, sizeof pathSpace);
    FILE* file = std::fopen(path, "rb");
    if (!file) {
        reportArchive(path, std::strerror(errno));
        return;
    }
    long length = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    if (length < 0 || length > static_cast<long>(kPoolCapacity)) {
        reportArchive(path, length < 0 ? "its size cannot be read" : "it is larger than the pool's 10 MiB");
    } else {
        size_t got = std::fread(poolBuffer, 1, static_cast<size_t>(length), file);
        poolStatus.dataLength = static_cast<uint32_t>(got);
        if (got != static_cast<size_t>(length))
            reportArchive(path, "it cannot be read whole");
        else if (got == 0)
            reportArchive(path, "it holds no data");
    }
    std::fclose(file);
    poolReadPosition = 0;
}

void setPoolReadObserver(PoolReadObserver observer) {
    readObserver = observer;
}

static uint32_t readRecord(const char* name, void* destination, uint32_t capacity);

uint32_t readPoolFile(const char* name, void* destination, uint32_t capacity) {
    return observed(name, readRecord(name, destination, capacity));
}

static uint32_t readRecord(const char* name, void* destination, uint32_t capacity) {
    if (!useArchive && !useBlobFile) {
        char path[kDataPlaceLength + 256];
        FILE* file = std::fopen(inDataFolder(name, path, sizeof path), "rb");
        if (!file) return 0;
        long length = -1;
        if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
        std::fseek(file, 0, SEEK_SET);
        uint32_t take = 0;
        if (length > 0) {
            take = length < static_cast<long>(capacity) ? static_cast<uint32_t>(length) : capacity;
            take = static_cast<uint32_t>(std::fread(destination, 1, take, file));
            if (take < static_cast<unsigned long>(length)) ++poolStatus.shortRecords;
        }
        std::fclose(file);
        return take;
    }
    uint32_t end = dataEnd();
    if (poolReadPosition > end || end - poolReadPosition < 4) {
        if (poolReadPosition < end) ++poolStatus.shortRecords; // a length cut in two
        poolReadPosition = end;
        return 0;
    }
    const uint8_t* p = poolBuffer + poolReadPosition;
    uint32_t length = uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
    poolReadPosition += 4;
    uint32_t available = end - poolReadPosition;
    uint32_t present = length < available ? length : available;
    uint32_t take = present < capacity ? present : capacity;
    std::memcpy(destination, poolBuffer + poolReadPosition, take);
    poolReadPosition += present;
    if (take < length) ++poolStatus.shortRecords;
    return take;
}

void releasePool() {
    delete[] blobStorage;
    blobStorage = nullptr;
    poolBuffer = archiveStorage;
}

void resetPool() {
    std::memset(archiveStorage, 0, sizeof archiveStorage);
    if (blobStorage) std::memset(blobStorage, 0, kPoolCapacity);
    poolWritePosition = 0;
    poolReadPosition = 0;
    poolStatus = {};
}
