#include "platform/memory.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

// Windows has no call that makes private pages present: touch each page with
// an atomic or of zero, which writes (so the page is committed and writable)
// without changing its byte.
void prefaultMemory(void* start, size_t bytes) {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const uintptr_t page = info.dwPageSize;
    uintptr_t from = (reinterpret_cast<uintptr_t>(start) + page - 1) & ~(page - 1);
    uintptr_t to = (reinterpret_cast<uintptr_t>(start) + bytes) & ~(page - 1);
    for (uintptr_t at = from; at < to; at += page)
        std::atomic_ref<uint8_t>(*reinterpret_cast<uint8_t*>(at)).fetch_or(0, std::memory_order_relaxed);
}
