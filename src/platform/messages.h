// messages: the stand-in for the thread's window message queue.
//
// A fixed ring of kMessageCapacity messages; posting to a full ring drops the
// message and counts it. The quit message is a flag, delivered once the ring
// is empty, so it is never lost; it can also come from a signal
// (SIGINT, SIGTERM, SIGHUP once installQuitSignals ran), so Ctrl-C ends the
// loop the same way closing the window does and shutDown still runs.
// Dispatched messages go to the handler the window side installs (windowProc).
// Main thread only, apart from the signal flag.
#pragma once

#include <cstdint>

constexpr int kMessageCapacity = 64;

enum MessageKind : uint32_t {
    kMessageQuit = 1, // only ever delivered, never posted to the ring
    kMessageClose = 2,
    kMessageKeyDown = 3,
};

struct PlatformMessage {
    uint32_t kind;
    int32_t param; // key code for kMessageKeyDown, exit code for kMessageQuit
};

using MessageHandler = void (*)(const PlatformMessage* message);

bool peekPlatformMessage();                       // true when a message is waiting
int getPlatformMessage(PlatformMessage* message); // takes one: 0 for quit, else 1
void dispatchPlatformMessage(const PlatformMessage* message);
void postPlatformMessage(uint32_t kind, int32_t param);
void postQuitMessage(int32_t exitCode);
void setMessageHandler(MessageHandler handler);
void clearPlatformMessages();
int droppedMessageCount();

void installQuitSignals();
// The signal that ended the show (SIGHUP also for a terminal that hung up), 0 for none: the
// program then exits with 128 + it, as shells expect, once the terminal is restored.
int quitSignal();
bool quitPending(); // a quit is posted or signalled and not yet delivered
