// Linux's side of the shared code: signals and a hung-up terminal end the show; no debugger channel.
#include "platform/system_hooks.h"
#include "platform/linux/terminal_linux.h"
#include "platform/messages.h"

#include <chrono>
#include <csignal>

namespace {

// A signal's ending is 128 + it, as shells expect.
void onQuitSignal(int sig) {
    signalSystemQuit(128 + sig);
}

} // namespace

// A terminal that hung up ends the show as SIGHUP does, also when the kernel
// sends that signal to someone else (the shell that started us). Looked at
// ten times a second.
void watchSystemForQuit() {
    static std::chrono::steady_clock::time_point next;
    auto now = std::chrono::steady_clock::now();
    if (now < next) return;
    next = now + std::chrono::milliseconds(100);
    if (terminalHungUp()) onQuitSignal(SIGHUP);
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

void systemDebugChannel(const char*) {} // no debugger channel: the CELLRUNE_DEBUG file alone
