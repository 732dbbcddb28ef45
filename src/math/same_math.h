// same_math: the few transcendental functions the pictures depend on, the
// same bits on every platform.
//
// C libraries round sin, cos, atan2 and pow differently in the last bit
// (glibc's and Windows' differ on most arguments), and a last bit can move a
// pixel. These are computed in double-double arithmetic (about 100 bits)
// with IEEE operations alone, then rounded once: correctly rounded but for
// arguments astronomically close to a rounding boundary, so they agree with
// glibc's nearly everywhere and with themselves everywhere. The float
// versions round the same exact value to float. Finite arguments; a non-finite
// one gives NaN (atan2 and pow follow the C rules for zeros). The arguments
// of sin and cos are reduced exactly for |x| < 2^20 * pi/2, beyond which a
// picture's angle never goes.
#pragma once

double sameSin(double x);
double sameCos(double x);
// The same, always through the whole series (sameSin and sameCos take a shorter way where it
// gives the same double; kept to check them against).
double sameSinPlain(double x);
double sameCosPlain(double x);
float sameSin(float x);
float sameCos(float x);
double sameAtan2(double y, double x);
double samePow(double base, double exponent); // base >= 0
