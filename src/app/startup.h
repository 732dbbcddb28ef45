// startup: runStartUp loads everything the show needs, once, before the first
// frame; releaseStartUp frees what it allocated (called by shutDown).
// beginTextStyleTables builds the text styles' tables (the cell palette and
// its nearest-colour grid) beside the main thread while the archive unpacks;
// endTextStyleTables waits for them, before anything draws or picks a mode.
#pragma once

void beginTextStyleTables();
void endTextStyleTables();
void runStartUp();
void releaseStartUp();
