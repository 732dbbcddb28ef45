#include "effects/tubes.h"

#include "math/same_math.h"
#include "render/render_target.h"

#include <algorithm>
#include <cmath>

TubeRing tubes[kTubeCount * kTubeRings + 1];

void stepSwarm(SwarmParticle p[kTubeCount]) {
    SwarmParticle old[kTubeCount];
    for (int i = 0; i < kTubeCount; ++i) old[i] = p[i];
    for (int i = 0; i < kTubeCount; ++i) {
        double vx = 0.9 * old[i].vx, vy = 0.9 * old[i].vy;
        vx += (old[(i + 3) % kTubeCount].y - old[i].x) * 0.006666666666666667;
        vy += (old[(i + 7) % kTubeCount].x - old[i].y) * 0.006666666666666667;
        vx -= 0.02 * old[i].x;
        vy -= 0.02 * old[i].y;
        for (int j = 0; j < kTubeCount; ++j) {
            if (j == i) continue;
            double dx = old[j].x - old[i].x, dy = old[j].y - old[i].y;
            double q = 1 / (dx * dx + dy * dy);
            vx -= 16 * dx * q;
            vy -= 16 * dy * q;
        }
        p[i].vx = vx;
        p[i].vy = vy;
    }
    for (int i = 0; i < kTubeCount; ++i) {
        p[i].x += p[i].vx;
        p[i].y += p[i].vy;
    }
}

void buildTubes() {
    SwarmParticle swarm[kTubeCount];
    for (int k = 0; k < kTubeCount; ++k) swarm[k] = {10.0 * k, -300.0 + 20.0 * k, 0, 0};
    for (int i = 0; i < 1024; ++i) stepSwarm(swarm);
    for (int r = 0; r < kTubeRings; ++r) {
        for (int i = 0; i < 4; ++i) stepSwarm(swarm);
        for (int k = 0; k < kTubeCount; ++k)
            tubes[k * kTubeRings + r].centre = {float(swarm[k].x * 0.07142857142857142), float(31.5 - r),
                                                float(swarm[k].y * 0.07142857142857142)};
    }
    // A ring's eight directions, turned by the bend at its centre: the angles are the ring's, the
    // same for all eight, and the eight unbent directions the same for every ring.
    double ringCos[8], ringSin[8];
    for (int j = 0; j < 8; ++j) {
        double a = j * 0.785398163395;
        ringCos[j] = sameCos(a);
        ringSin[j] = sameSin(a);
    }
    for (int t = 0; t < kTubeCount; ++t)
        for (int r = 0; r < kTubeRings; ++r) {
            int index = t * kTubeRings + r;
            double cosTheta = 0, sinTheta = 0, cosPhi = 0, sinPhi = 0;
            if (r > 0) {
                // The ring after ring 63 is the next tube's first (or the zero ring).
                const Vector3 &q = tubes[index - 1].centre, &m = tubes[index].centre,
                              &f = tubes[index + 1].centre;
                double theta = (sameAtan2(double(m.x - q.x), -double(m.y - q.y)) +
                                sameAtan2(double(f.x - m.x), -double(f.y - m.y))) *
                               0.5;
                double phi = (sameAtan2(double(m.z - q.z), -double(m.y - q.y)) +
                              sameAtan2(double(f.z - m.z), -double(f.y - m.y))) *
                             -0.5;
                cosTheta = sameCos(theta);
                sinTheta = sameSin(theta);
                cosPhi = sameCos(phi);
                sinPhi = sameSin(phi);
            }
            for (int j = 0; j < 8; ++j) {
                double dx = ringCos[j], dy = 0, dz = ringSin[j];
                if (r > 0) {
                    double x1 = dx * cosTheta - dy * sinTheta, y1 = dx * sinTheta + dy * cosTheta;
                    double y2 = y1 * cosPhi - dz * sinPhi, z2 = y1 * sinPhi + dz * cosPhi;
                    dx = x1;
                    dy = y2;
                    dz = z2;
                }
                tubes[index].direction[j] = {float(dx), float(dy), float(dz)};
            }
        }
}

double tubeLength(uint32_t time, int tube) {
    return 31 - 30 * sameCos(double(time) * 0.001 / (tube * 0.3 + 2.5));
}

double tubeRadius(int ring, double length) {
    if (ring <= 2) return ring * 0.5;
    if (ring >= length) return 0;
    if (ring >= length - 8) return 1 - (ring + 8 - length) * 0.125;
    return 1;
}

namespace {

// A ring's eight corners on screen; false when one is too near (or not a number).
bool projectRing(const Matrix4& m, const TubeRing& ring, double radius, ScreenVertex out[8]) {
    const RenderTarget& rt = renderTarget;
    float r = float(radius);
    for (int k = 0; k < 8; ++k) {
        const Vector3& d = ring.direction[k];
        Vector3 p =
            transformPoint(m, {ring.centre.x + r * d.x, ring.centre.y + r * d.y, ring.centre.z + r * d.z});
        if (!(p.z > 1.0f)) return false;
        Vector3 n = d;
        rotateVector3(m, &n);
        double sx = p.x * rt.focalX / p.z + rt.centreX, sy = p.y * rt.focalY / p.z + rt.centreY;
        out[k] = {double(truncateCoordinate(sx)), truncateCoordinate(sy),
                  double(truncateCoordinate(n.x * 126.0 + 128)),
                  double(truncateCoordinate(128 - n.y * 126.0)), double(truncateCoordinate(65536.0 / p.z))};
    }
    return true;
}

void fillEverySide(const ScreenVertex va[8], const ScreenVertex vb[8]) {
    for (int k = 0; k < 8; ++k) {
        int k1 = (k + 1) % 8;
        fillTriangleEnvMapped(vb[k], vb[k1], va[k]);
        fillTriangleEnvMapped(va[k1], va[k], vb[k1]);
    }
}

void fillSegment(const ScreenVertex va[8], const ScreenVertex vb[8]) {
    // A segment wholly above, below, left or right of the view fills no pixel: its triangles' rows
    // are all outside, or each row's span ends before column 1 or starts past the last. Most of a
    // tube's segments are such; skipping them here saves sixteen triangle set-ups.
    double minX = va[0].x, maxX = va[0].x;
    int32_t minY = va[0].y, maxY = va[0].y;
    for (const ScreenVertex* ring : {va, vb})
        for (int k = 0; k < 8; ++k) {
            minX = std::min(minX, ring[k].x);
            maxX = std::max(maxX, ring[k].x);
            minY = std::min(minY, ring[k].y);
            maxY = std::max(maxY, ring[k].y);
        }
    const RenderTarget& rt = renderTarget;
    if (maxY < 0 || int64_t{minY} >= int64_t{rt.height} || maxX <= 0 || minX >= double(rt.width)) return;
    fillEverySide(va, vb);
}

} // namespace

void drawTubes(const Matrix4& m, uint32_t time) {
    // A ring ends one segment and starts the next with the same radius: each is projected once.
    ScreenVertex corners[2][8];
    for (int k = 0; k < kTubeCount; ++k) {
        double length = tubeLength(time, k);
        const TubeRing* tube = tubes + k * kTubeRings;
        bool previousOnScreen = projectRing(m, tube[1], tubeRadius(1, length), corners[1]);
        for (int s = 2; s < kTubeRings; ++s) {
            // Past the tip every ring has radius 0: a segment between two such rings is a line,
            // each of its triangles' rows has one edge point for both ends and fills nothing.
            // Rings from there on are neither projected nor filled.
            if (s >= 4 && tubeRadius(s - 1, length) == 0) break;
            ScreenVertex* previous = corners[(s - 1) & 1];
            ScreenVertex* current = corners[s & 1];
            bool onScreen = projectRing(m, tube[s], tubeRadius(s, length), current);
            if (previousOnScreen && onScreen) fillSegment(previous, current);
            previousOnScreen = onScreen;
        }
    }
}

void drawTubeSegment(const Matrix4& m, const TubeRing& a, const TubeRing& b, double radiusA, double radiusB) {
    ScreenVertex va[8], vb[8];
    if (projectRing(m, a, radiusA, va) && projectRing(m, b, radiusB, vb)) fillEverySide(va, vb);
}
