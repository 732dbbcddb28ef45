// debug_output: the program's debugger channel (the few trace texts).
//
// Only when asked for: CELLRUNE_DEBUG names a file (appended to, flushed per
// text), or "-" for stderr; without it the texts go nowhere. The choice is
// made on first use.
#pragma once

void outputDebugString(const char* text);

// Forget the choice so the next text chooses again (tests change the environment).
void resetDebugOutput();
