// pool: the in-memory record stream every data file of the show comes from.
//
// The stream is a run of records, each a little-endian 32-bit length and that
// many bytes, with no names: the n-th readPoolFile returns the n-th record
// whatever name it is given, so the order of reads is the data format.
// openPool fills it once, from one of three sources chosen at build time:
// the password-protected archive "blob.rar" (unpacked in memory, nothing
// written to disk), the uncompressed "pool/blob.raw", or loose files read by
// name. Capacity kPoolCapacity (10 MiB): appending stops there, reads never
// pass the data loaded or the destination's capacity. The first problem
// (missing, unreadable, damaged or oversized data) is kept in poolStatus and
// said once on stderr; the show then runs on whatever the pool holds.
// Start-up thread only.
#pragma once

#include "datapool/data_places.h"

#include <cstdint>

constexpr uint32_t kPoolCapacity = 0xA00000;
constexpr const char* kArchiveName = "blob.rar";
constexpr const char* kBlobFileName = "pool/blob.raw";
constexpr const char* kLooseFolderName = "pool";

// Where openPool looks, in order (data_places.h); listed from the system at
// the first openPool when empty. The first place holding the build's source
// is used; when none does, one line names every place looked in.
extern DataPlaces poolPlaces;

extern bool useArchive; // build-time choice; tests may switch it
extern bool useBlobFile;
extern uint8_t* poolBuffer;
extern uint32_t poolWritePosition;
extern uint32_t poolReadPosition;

struct PoolStatus {
    uint32_t dataLength;   // bytes of record stream loaded
    uint32_t entries;      // archive entries unpacked whole
    uint32_t droppedBytes; // bytes beyond the capacity that were left out
    uint32_t shortRecords; // records cut short by the data's end or the destination
    bool failed;           // a problem was met (the first is in problem)
    bool opened;           // openPool has run since the last reset
    char problem[640];     // "cannot read the show's data 'NAME' in FOLDER: reason"
};
extern PoolStatus poolStatus;

// When true (the live show), openPool says its problem on stderr at once,
// adding that the show runs without the data; offline runs turn it off and
// end with poolStatus.problem instead.
extern bool poolReportsProblems;

void openPool();
// Copies the next record (at most capacity bytes) to destination; returns the
// bytes placed there. The rest of a longer record is skipped.
uint32_t readPoolFile(const char* name, void* destination, uint32_t capacity);
void extractArchive(const char* archiveName);
// The archive library's callback: p1 and p2 carry a pointer and a size, so they are pointer-sized.
int archiveCallback(unsigned int message, intptr_t userData, intptr_t p1, intptr_t p2);

// Called after every readPoolFile with the name asked for and the bytes
// placed (diagnostics and tests); null for none.
using PoolReadObserver = void (*)(const char* name, uint32_t bytes);
void setPoolReadObserver(PoolReadObserver observer);

void releasePool(); // frees the blob file's heap copy (shutDown)
void resetPool();   // empties the pool so it can be opened again (tests, tools)
