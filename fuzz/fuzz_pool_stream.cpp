// The record stream: arbitrary bytes appended as unpacked archive data, then
// read back record by record into destinations of varied sizes.
#include "datapool/pool.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    resetPool();
    useArchive = true;
    archiveCallback(1, 0, reinterpret_cast<intptr_t>(data), static_cast<intptr_t>(size));
    static std::vector<uint8_t> destination(1 << 16);
    uint32_t capacities[] = {0, 1, 7, 4096, 1 << 16};
    for (int i = 0; i < 64; ++i) {
        uint32_t capacity = capacities[i % 5];
        uint32_t before = poolReadPosition;
        uint32_t got = readPoolFile("x", destination.data(), capacity);
        if (got > capacity || poolReadPosition > poolWritePosition) std::abort();
        if (poolReadPosition == before) break; // at the end
    }
    return 0;
}
