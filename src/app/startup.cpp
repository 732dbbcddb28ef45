#include "app/startup.h"

// The show has no data to load yet; the loop starts at once.
void runStartUp() {}

void releaseStartUp() {}
