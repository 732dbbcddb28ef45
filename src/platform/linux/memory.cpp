#include "platform/memory.h"

#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23 // Linux 5.14; older kernels refuse it, and the pages fault in as usual
#endif

void prefaultMemory(void* start, size_t bytes) {
    const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
    uintptr_t from = (reinterpret_cast<uintptr_t>(start) + page - 1) & ~(page - 1);
    uintptr_t to = (reinterpret_cast<uintptr_t>(start) + bytes) & ~(page - 1);
    if (to <= from) return;
    madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
}
