// messages: the thread's window message queue.
//
// Peeking also gathers what the window system has to say (windowPollMessage).
// Posting to a full queue (kMessageCapacity waiting) drops the message and
// counts it. The quit message is delivered once the queue is otherwise empty
// and is never lost. Once installQuitHandlers ran, the system's own ways of
// asking a program to end (Ctrl-C, a termination request, the terminal going
// away) post it too, so they end the loop the way closing the window does and
// shutDown still runs; quitExitStatus then gives the status the system
// expects of a program ended so. Dispatched messages go to the handler the
// window side installs (windowProc). Main thread only, apart from what the
// system's requests set.
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
    int32_t param; // a ShowKey for kMessageKeyDown (a press), exit code for kMessageQuit
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

void installQuitHandlers();
// 0 unless the system asked the show to end; then the exit status it expects.
int quitExitStatus();
bool quitPending(); // a quit is posted or signalled and not yet delivered
