#include "effects/tubes.h"

#include "math/same_math.h"
#include "render/render_target.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__) && (defined(__x86_64__) || defined(__i386__))
#include <emmintrin.h>
#endif

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

// A ring's eight corners on screen; false when one is too near (or not a number).
bool projectRingPlain(const Matrix4& m, const TubeRing& ring, double radius, ScreenVertex out[8]) {
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

#if defined(__SSE2__) && (defined(__x86_64__) || defined(__i386__))
// The same, each corner's x, y and z (and its normal's) in the lanes of one packed float, then its
// screen values two at a time in doubles: every lane's operations and their order are
// projectRingPlain's, so are the results, bit for bit. On x86 only: WebAssembly emulates some of
// these conversions, and the page's tube scenes went from 696 to 625 frames a second with it.
bool projectRing(const Matrix4& m, const TubeRing& ring, double radius, ScreenVertex out[8]) {
    const RenderTarget& rt = renderTarget;
    const float* a = m.m;
    const __m128 across = _mm_setr_ps(a[0], a[1], a[2], 0), up = _mm_setr_ps(a[4], a[5], a[6], 0),
                 along = _mm_setr_ps(a[8], a[9], a[10], 0), move = _mm_setr_ps(a[12], a[13], a[14], 0);
    const __m128 centre = _mm_setr_ps(ring.centre.x, ring.centre.y, ring.centre.z, 0);
    const __m128 r = _mm_set1_ps(float(radius));
    const __m128d focal = _mm_setr_pd(rt.focalX, rt.focalY), middle = _mm_setr_pd(rt.centreX, rt.centreY);
    const __m128d low = _mm_set1_pd(-1073741824.0), high = _mm_set1_pd(1073741824.0);
    // truncateCoordinate of both lanes: max gives its second operand for a lane not a number.
    auto truncatePair = [&](__m128d x) { return _mm_cvttpd_epi32(_mm_min_pd(_mm_max_pd(x, low), high)); };
    auto turn = [&](__m128 v) { // v.x * a[0] + v.y * a[4] + v.z * a[8], and so on, lane by lane
        __m128 x = _mm_shuffle_ps(v, v, _MM_SHUFFLE(0, 0, 0, 0)),
               y = _mm_shuffle_ps(v, v, _MM_SHUFFLE(1, 1, 1, 1)),
               z = _mm_shuffle_ps(v, v, _MM_SHUFFLE(2, 2, 2, 2));
        return _mm_add_ps(_mm_add_ps(_mm_mul_ps(x, across), _mm_mul_ps(y, up)), _mm_mul_ps(z, along));
    };
    for (int k = 0; k < 8; ++k) {
        const Vector3& d = ring.direction[k];
        const __m128 direction = _mm_setr_ps(d.x, d.y, d.z, 0);
        const __m128 p = _mm_add_ps(turn(_mm_add_ps(centre, _mm_mul_ps(r, direction))), move);
        const float z = _mm_cvtss_f32(_mm_shuffle_ps(p, p, _MM_SHUFFLE(2, 2, 2, 2)));
        if (!(z > 1.0f)) return false;
        const __m128d depth = _mm_set1_pd(double(z));
        const __m128d screen = _mm_add_pd(_mm_div_pd(_mm_mul_pd(_mm_cvtps_pd(p), focal), depth), middle);
        const __m128d normal = _mm_cvtps_pd(turn(direction));
        const __m128d texel = _mm_setr_pd(_mm_cvtsd_f64(normal) * 126.0 + 128,
                                          128 - _mm_cvtsd_f64(_mm_unpackhi_pd(normal, normal)) * 126.0);
        const __m128d w = _mm_div_pd(_mm_set1_pd(65536.0), depth);
        alignas(16) int32_t xy[4], uv[4], ww[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(xy), truncatePair(screen));
        _mm_store_si128(reinterpret_cast<__m128i*>(uv), truncatePair(texel));
        _mm_store_si128(reinterpret_cast<__m128i*>(ww), truncatePair(w));
        out[k] = {double(xy[0]), xy[1], double(uv[0]), double(uv[1]), double(ww[0])};
    }
    return true;
}
#else
bool projectRing(const Matrix4& m, const TubeRing& ring, double radius, ScreenVertex out[8]) {
    return projectRingPlain(m, ring, radius, out);
}
#endif

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
    if (projectRingPlain(m, a, radiusA, va) && projectRingPlain(m, b, radiusB, vb)) fillEverySide(va, vb);
}
