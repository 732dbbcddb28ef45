// system_hooks: what each system adds to the code all systems share.
//
// - signalSystemQuit (messages.cpp) may be called from a signal handler or
//   a system thread (async-signal-safe): it posts the quit, and the first
//   status it was given is what quitExitStatus reports.
// - watchSystemForQuit runs at every peek on the main thread, for what a
//   system reports only when asked (a terminal that hung up).
// - systemDebugChannel takes every debug text (debug_output.cpp) before the
//   CELLRUNE_DEBUG file does: the system's debugger channel, where it has one.
#pragma once

void signalSystemQuit(int exitStatus);
void watchSystemForQuit();
void systemDebugChannel(const char* text);
