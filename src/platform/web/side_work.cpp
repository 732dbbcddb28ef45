// The page has no threads: the work is done at once.
#include "platform/side_work.h"

void beginSideWork(void (*work)()) {
    work();
}

void endSideWork() {}
