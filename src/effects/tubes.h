// tubes: sixteen octagonal tubes braided around each other.
//
// The centre-lines are the trails of a 16-particle swarm, simulated once at
// start-up (buildTubes: 1,024 warm-up steps, then 4 steps a ring, 64 rings a
// tube, one unit down per ring). Each frame drawTubes pulses every tube's
// length with its own period and fills the segments environment-mapped; a
// segment with any point at z <= 1 is skipped whole.
#pragma once

#include "math/matrix.h"
#include "render/render_target.h"

#include <cstdint>

constexpr int kTubeCount = 16;
constexpr int kTubeRings = 64;

struct SwarmParticle {
    double x, y, vx, vy;
};

struct TubeRing {
    Vector3 centre;
    Vector3 direction[8];
};
static_assert(sizeof(TubeRing) == 27 * sizeof(float));

extern TubeRing tubes[kTubeCount * kTubeRings + 1]; // the extra ring is the zero one after the last tube

void stepSwarm(SwarmParticle particles[kTubeCount]);
void buildTubes();
double tubeLength(uint32_t time, int tube);
double tubeRadius(int ring, double length);
void drawTubes(const Matrix4& m, uint32_t time);
// A ring's eight corners on screen (x, y, the normal's environment texel, w = 65536 / z, each
// truncated); false when one is at z <= 1 or not a number. The plain one goes corner by corner
// as defined; the other gives the same values, bit for bit, with packed arithmetic.
bool projectRing(const Matrix4& m, const TubeRing& ring, double radius, ScreenVertex out[8]);
bool projectRingPlain(const Matrix4& m, const TubeRing& ring, double radius, ScreenVertex out[8]);
// One segment, plainly: both rings projected corner by corner and all sixteen triangles filled,
// none skipped (drawTubes must draw what these draw, segment after segment).
void drawTubeSegment(const Matrix4& m, const TubeRing& a, const TubeRing& b, double radiusA, double radiusB);
