#include "effects/water.h"

#include "platform/clock.h"
#include "render/render_target.h"

#include <cmath>
#include <utility>

int32_t waterHeights[kWaterSize * kWaterSize];
int32_t waterOlder[kWaterSize * kWaterSize];
int32_t nextWaterTime = 0;
int32_t dropToggle = 0;

namespace {

constexpr int kGrid = 32;
Vector3 surfaceVertices[kGrid][kGrid];
Vector3 surfaceNormals[kGrid][kGrid];

int32_t& cell(int32_t* field, int row, int column) {
    return field[(row & 63) * kWaterSize + (column & 63)];
}

} // namespace

int32_t waterDropIndex(uint32_t now) {
    // Formed in 64 bits: the 32-bit product would turn negative after about two hours.
    return int32_t((int64_t{317} * (int64_t{now} + 40)) % 3377);
}

void stepWater() {
    uint32_t now = processMilliseconds();
    nextWaterTime = int32_t(now + 40);
    dropToggle ^= 1;
    if (dropToggle == 1) waterHeights[waterDropIndex(now)] += 256;
    std::swap(waterHeights, waterOlder);
    for (int i = 0; i < kWaterSize; ++i)
        for (int j = 0; j < kWaterSize; ++j) {
            int32_t* o = waterOlder;
            int32_t s = 3 * (cell(o, i - 1, j) + cell(o, i + 1, j) + cell(o, i, j - 1) + cell(o, i, j + 1)) +
                        cell(o, i - 1, j - 1) + cell(o, i - 1, j + 1) + cell(o, i + 1, j - 1) +
                        cell(o, i + 1, j + 1);
            int32_t& h = waterHeights[i * kWaterSize + j];
            int32_t d = s / 8 - h;
            h = (d * 255) / 256;
        }
}

void drawWaterSurface(const Matrix4& m, float lift) {
    if (int32_t(processMilliseconds()) > nextWaterTime) stepWater();
    float z[kGrid][kGrid];
    for (int r = 0; r < kGrid; ++r)
        for (int c = 0; c < kGrid; ++c) {
            z[r][c] = float(waterHeights[(2 * r) * kWaterSize + 2 * c]) * 0.015625f + lift;
            surfaceVertices[r][c] = {float((c - 15.5) * 0.16129032258064516),
                                     float((r - 15.5) * 0.16129032258064516), z[r][c]};
        }
    for (int r = 0; r < kGrid; ++r)
        for (int c = 0; c < kGrid; ++c) {
            float nx = 2 * (z[r][(c + 1) % kGrid] - z[r][(c + kGrid - 1) % kGrid]);
            float ny = 2 * (z[(r + 1) % kGrid][c] - z[(r + kGrid - 1) % kGrid][c]);
            float length = std::sqrt(nx * nx + ny * ny + 1);
            surfaceNormals[r][c] = {nx / length, ny / length, 1 / length};
        }
    const RenderTarget& rt = renderTarget;
    ScreenVertex screen[kGrid][kGrid];
    float depth[kGrid][kGrid];
    for (int r = 0; r < kGrid; ++r)
        for (int c = 0; c < kGrid; ++c) {
            Vector3 p = transformPoint(m, surfaceVertices[r][c]);
            Vector3 n = surfaceNormals[r][c];
            rotateVector3(m, &n);
            depth[r][c] = p.z;
            screen[r][c] = {p.x * rt.focalX / p.z + rt.centreX,
                            truncateCoordinate(p.y * rt.focalY / p.z + rt.centreY), n.x * 127.0 + 128,
                            n.y * 127.0 + 128, 65536.0 / p.z};
        }
    auto near = [&](int r, int c) { return !(depth[r][c] >= 1.0f); };
    for (int r = 0; r < kGrid - 1; ++r)
        for (int c = 0; c < kGrid - 1; ++c)
            if (!near(r, c) && !near(r, c + 1) && !near(r + 1, c))
                fillTriangleEnvMapped(screen[r][c], screen[r][c + 1], screen[r + 1][c]);
    for (int r = 0; r < kGrid - 1; ++r)
        for (int c = 0; c < kGrid - 1; ++c)
            if (!near(r + 1, c + 1) && !near(r + 1, c) && !near(r, c + 1))
                fillTriangleEnvMapped(screen[r + 1][c + 1], screen[r + 1][c], screen[r][c + 1]);
}

int32_t sampleWaterHeight(int32_t x, int32_t y) {
    int row = y & 63;
    int32_t h0 = waterHeights[row * kWaterSize + (x & 63)],
            h1 = waterHeights[row * kWaterSize + ((x + 1) & 63)];
    int32_t f = x & 15;
    return ((h0 * (16 - f) + h1 * f) * 16) / 256;
}

void resetWater() {
    for (int i = 0; i < kWaterSize * kWaterSize; ++i) waterHeights[i] = waterOlder[i] = 0;
    nextWaterTime = 0;
    dropToggle = 0;
}

namespace {

constexpr int kHorizon = 64;

// A pixel's ray before the turn depends only on its place from the centre.
Vector3 unturnedRay(int cx, int y) {
    double dx = cx, dy = y - kHorizon;
    double n = 1 / std::sqrt(dx * dx + dy * dy + 4096);
    return {float(dx * n), float(dy * n), float(64 * n)};
}

// So the rays of every place a view can put a pixel (128 columns either side of the centre, 128
// rows) are worked out once; a place outside is worked out as it comes.
constexpr int kRaySide = 128, kRayRows = 128;
struct RayTable {
    bool built = false;
    Vector3 rays[kRayRows][2 * kRaySide];
};
RayTable rayTable;

void buildRayTable() {
    for (int r = 0; r < kRayRows; ++r)
        for (int c = -kRaySide; c < kRaySide; ++c) rayTable.rays[r][c + kRaySide] = unturnedRay(c, r);
    rayTable.built = true;
}

const Vector3& rayAt(int cx, int y, Vector3* spare) {
    if (cx >= -kRaySide && cx < kRaySide && y >= 0 && y < kRayRows) return rayTable.rays[y][cx + kRaySide];
    *spare = unturnedRay(cx, y);
    return *spare;
}

} // namespace

namespace {

template <typename Ray>
void traceWater(uint32_t* pixels, int width, int height, int centreX, const Vector3& eye, const Matrix4& back,
                Ray rayOf) {
    constexpr int kPitch = 256;
    for (int y = 0; y < height; ++y) {
        int64_t first = 0, end = width;
        cutToNeeded(y, &first, &end);
        for (int x = int(first); x < end; ++x) {
            Vector3 ray = rayOf(x - centreX, y);
            rotateVector3(back, &ray);
            double h = 16 - eye.y, s = h / ray.y;
            if (!(s > 0)) continue;
            int32_t value = sampleWaterHeight(int32_t(truncateWide(eye.x + ray.x * s)),
                                              int32_t(truncateWide(eye.z + ray.z * s)));
            int32_t k = value - int32_t(truncateWide(16384 / (160 + s) - 128));
            uint32_t& p = pixels[y * kPitch + x];
            int32_t redBlue = int32_t((p & 0xFF00FF) * uint32_t(k)) >> 7;
            redBlue += int32_t(uint32_t(127) * uint32_t(128 - k) * 65536u) / 128;
            int32_t green = int32_t((p & 0xFF00FF00u) * uint32_t(k)) >> 7;
            p = (uint32_t(redBlue) & 0xFF00FF) | (uint32_t(green) & 0xFF00FF00u);
        }
    }
}

} // namespace

void raytraceWater(uint32_t* pixels, int width, int height, int centreX, const Vector3& eye,
                   const Matrix4& back) {
    if (!rayTable.built) buildRayTable(); // once, at the first water
    traceWater(pixels, width, height, centreX, eye, back, [](int cx, int y) {
        Vector3 spare;
        return rayAt(cx, y, &spare);
    });
}

void raytraceWaterPlain(uint32_t* pixels, int width, int height, int centreX, const Vector3& eye,
                        const Matrix4& back) {
    traceWater(pixels, width, height, centreX, eye, back, unturnedRay);
}
