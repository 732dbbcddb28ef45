// debug_output: the program's debugger channel (the few trace texts).
//
// Never disturbs the picture: writes to the file named by CELLRUNE_DEBUG when
// that is set (appending, flushed per text), otherwise to stderr when stderr
// is not a terminal, otherwise nowhere. The choice is made on first use.
#pragma once

void outputDebugString(const char* text);

// Forget the choice so the next text chooses again (tests change the environment).
void resetDebugOutput();
