// Linux and Windows: the work on a thread of its own.
#include "platform/side_work.h"

#include <system_error>
#include <thread>

namespace {

std::thread side;

} // namespace

void beginSideWork(void (*work)()) {
    endSideWork();
    try {
        side = std::thread(work);
    } catch (const std::system_error&) {
        work(); // no thread to be had: the work is done now, as on a platform without threads
    }
}

void endSideWork() {
    if (side.joinable()) side.join();
}
