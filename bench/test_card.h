// test_card: a moving picture for measuring the display side on its own:
// colour bars, a grey ramp, a rotating colour wheel and a bright dot that
// travels. A pure function of the time in milliseconds.
#pragma once

#include <cstdint>

void drawTestCard(uint32_t* framePixels, uint32_t milliseconds);
