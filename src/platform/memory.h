// memory: asking the system for memory's pages ahead of their first writes.
//
// prefaultMemory makes the whole pages inside [start, start + bytes) present
// and writable without changing a byte, so a large buffer about to be filled
// does not take one page fault per page as it fills (a fault costs several
// microseconds on a virtual machine). Best effort: where the system cannot,
// nothing happens and the pages fault in as usual.
#pragma once

#include <cstddef>

void prefaultMemory(void* start, size_t bytes);
