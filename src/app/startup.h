// startup: runStartUp loads everything the show needs, once, before the first
// frame; releaseStartUp frees what it allocated (called by shutDown).
#pragma once

void runStartUp();
void releaseStartUp();
