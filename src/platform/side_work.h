// side_work: one piece of start-up work done beside the main thread, where
// the platform has threads, or at once where it has none (the page).
// beginSideWork starts work(); endSideWork returns once it has finished (at
// once when none runs). One piece at a time; the caller keeps the main
// thread off whatever the work writes until endSideWork.
#pragma once

void beginSideWork(void (*work)());
void endSideWork();
