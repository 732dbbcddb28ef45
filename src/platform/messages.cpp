// The message queue every system shares; its own ways of asking the program
// to end come in through system_hooks.h.
#include "platform/messages.h"

#include "platform/system_hooks.h"
#include "platform/window.h"

#include <csignal>

namespace {

PlatformMessage ring[kMessageCapacity];
int ringHead = 0;
int ringCount = 0;
int dropped = 0;
MessageHandler handler = nullptr;
volatile sig_atomic_t quitSignalled = 0;
volatile sig_atomic_t endingStatus = 0; // the status of the system's first request to end, 0 for none
int32_t quitCode = 0;

} // namespace

void signalSystemQuit(int exitStatus) {
    if (!endingStatus) endingStatus = exitStatus;
    quitSignalled = 1;
}

bool peekPlatformMessage() {
    watchSystemForQuit();
    if (ringCount == 0) {
        PlatformMessage message;
        if (windowPollMessage(&message)) postPlatformMessage(message.kind, message.param);
    }
    return quitSignalled || ringCount > 0;
}

int getPlatformMessage(PlatformMessage* message) {
    if (ringCount > 0) {
        *message = ring[ringHead];
        ringHead = (ringHead + 1) % kMessageCapacity;
        --ringCount;
        return 1;
    }
    if (quitSignalled) {
        // The quit message comes once the queue is otherwise empty, as on Windows.
        quitSignalled = 0;
        *message = {kMessageQuit, quitCode};
        return 0;
    }
    // Nothing waiting: an error result, which the loop ignores; it only calls after a peek.
    *message = {0, 0};
    return -1;
}

void dispatchPlatformMessage(const PlatformMessage* message) {
    if (handler) handler(message);
}

void postPlatformMessage(uint32_t kind, int32_t param) {
    if (ringCount == kMessageCapacity) {
        ++dropped;
        return;
    }
    ring[(ringHead + ringCount) % kMessageCapacity] = {kind, param};
    ++ringCount;
}

void postQuitMessage(int32_t exitCode) {
    // A flag, not a ring slot, so a full queue can never lose the quit.
    quitCode = exitCode;
    quitSignalled = 1;
}

void setMessageHandler(MessageHandler newHandler) {
    handler = newHandler;
}

void clearPlatformMessages() {
    ringHead = 0;
    ringCount = 0;
    dropped = 0;
    quitSignalled = 0;
    quitCode = 0;
    endingStatus = 0;
}

int quitExitStatus() {
    return endingStatus;
}

bool quitPending() {
    return quitSignalled != 0;
}

int droppedMessageCount() {
    return dropped;
}
