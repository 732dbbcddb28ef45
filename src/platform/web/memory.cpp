#include "platform/memory.h"

// WebAssembly's memory is all there once it has grown: nothing to ask for.
void prefaultMemory(void*, size_t) {}
