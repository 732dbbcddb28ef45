// debug_output: the program's debugger channel (the few trace texts).
//
// Where a debugger channel exists (Windows) the texts go to it. Besides, and
// everywhere, when CELLRUNE_DEBUG names a file they are appended to it,
// flushed per text, or with "-" written to stderr; without it they go nowhere
// else. The choice is made on first use.
#pragma once

void outputDebugString(const char* text);

// Forget the choice so the next text chooses again (tests change the environment).
void resetDebugOutput();
