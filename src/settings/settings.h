// settings: the five command-line settings and gammaTable.
//
// parseCommandLine reads alternating keyword / value tokens ("mode", "gamma",
// "pos", "full", "vemo"; exact, case-sensitive), separated by spaces only.
// Unknown keywords are ignored with their value, a value that is not a number
// reads as 0, later keywords override earlier ones. A token is at most 63
// characters; longer ones are truncated. gammaTable is built on every call:
// entry i = low 32 bits of trunc(pow(i / 256, gamma) * 256); readers use its
// low byte. Each call restores the defaults first (the live show's start, and
// every headless run and test that reads a command line).
#pragma once

#include <cstdint>

constexpr int kTokenCapacity = 64; // 63 characters and the terminating zero
constexpr int kGammaEntries = 256;

// The program instance the platform's entry received (Windows: the module
// handle WinMain is given; elsewhere null); the window side is handed it.
using InstanceHandle = void*;
extern InstanceHandle instanceHandle;

extern int32_t modeSetting;   // "mode", default 0
extern double gammaSetting;   // "gamma", default 1.0
extern int32_t startPosition; // "pos", default 0
extern int32_t fullScreen;    // "full", bit 0 only
extern int32_t vemoFlag;      // "vemo", bit 0 only
extern int32_t gammaTable[kGammaEntries];

void parseCommandLine(const char* commandLine);

// The decimal conversions of the command line: leading white space, optional
// sign, digits (and for the real one a fraction and exponent); they stop at
// the first other character and give 0 when nothing can be read. Integers
// beyond 32 bits saturate.
int32_t convertDecimalInteger(const char* text);
double convertDecimalReal(const char* text);

void buildGammaTable(double gamma);
