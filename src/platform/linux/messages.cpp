#include "platform/messages.h"

#include "platform/linux/terminal_linux.h"
#include "platform/terminal.h"
#include "platform/window.h"

#include <chrono>
#include <csignal>

namespace {

PlatformMessage ring[kMessageCapacity];
int ringHead = 0;
int ringCount = 0;
int dropped = 0;
MessageHandler handler = nullptr;
volatile sig_atomic_t quitSignalled = 0;
volatile sig_atomic_t endingSignal = 0; // the first signal that ended the show, 0 for none
int32_t quitCode = 0;

void onQuitSignal(int sig) {
    if (!endingSignal) endingSignal = sig;
    quitSignalled = 1;
}

// A terminal that hung up ends the show as SIGHUP does, also when the kernel
// sends that signal to someone else (the shell that started us). Looked at
// ten times a second.
void watchTerminal() {
    static std::chrono::steady_clock::time_point next;
    auto now = std::chrono::steady_clock::now();
    if (now < next) return;
    next = now + std::chrono::milliseconds(100);
    if (terminalHungUp()) onQuitSignal(SIGHUP);
}

} // namespace

bool peekPlatformMessage() {
    watchTerminal();
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
    endingSignal = 0;
}

// A signal's ending is 128 + it, as shells expect (SIGHUP also for a terminal that hung up).
int quitExitStatus() {
    return endingSignal ? 128 + endingSignal : 0;
}

bool quitPending() {
    return quitSignalled != 0;
}

int droppedMessageCount() {
    return dropped;
}

void installQuitHandlers() {
    struct sigaction action = {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: a blocked read must return so the loop sees the quit
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}
