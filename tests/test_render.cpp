#include "datapool/mesh.h"
#include "datapool/pictures.h"
#include "effects/span_buffer.h"
#include "math/matrix.h"
#include "render/mesh_drawers.h"
#include "render/render_target.h"
#include "render/span_steps.h"
#include "render/triangle_walk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr uint32_t kMark = 0xDEADBE;
constexpr int kPitch = 256;
constexpr int kGuard = 8; // rows of guard band above and below the target

// A 160 x 100 target inside a larger canvas whose outside must never change.
class Render : public ::testing::Test {
  protected:
    std::vector<uint32_t> canvas = std::vector<uint32_t>(kPitch * (100 + 2 * kGuard), kMark);
    std::vector<uint32_t> depth = std::vector<uint32_t>(kPitch * (100 + 2 * kGuard), 1);
    std::vector<uint32_t> texture =
        std::vector<uint32_t>(kMeshTextureTexels); // also 256 x 1024 for the keyed filler
    RenderTarget saved = renderTarget;

    void SetUp() override {
        renderTarget.pixels = canvas.data() + kGuard * kPitch;
        renderTarget.depthBuffer = depth.data() + kGuard * kPitch;
        renderTarget.width = 160;
        renderTarget.height = 100;
        renderTarget.pitch = kPitch;
        renderTarget.centreX = 80;
        renderTarget.centreY = 50;
        renderTarget.focalX = renderTarget.focalY = 90.0;
        for (size_t i = 0; i < texture.size(); ++i) texture[i] = uint32_t(i * 2654435761u) & 0xFFFFFF;
        renderTarget.texture = texture.data();
        for (int i = 0; i < 256 * 256; ++i) envMap[i] = uint32_t(i) & 0xFFFFFF;
    }
    void TearDown() override { renderTarget = saved; }

    uint32_t& pixel(int x, int y) { return renderTarget.pixels[y * kPitch + x]; }
    uint32_t& depthAt(int x, int y) { return renderTarget.depthBuffer[y * kPitch + x]; }
    bool drawn(int x, int y) { return pixel(x, y) != kMark; }
    void clearTarget() {
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 160; ++x) {
                pixel(x, y) = kMark;
                depthAt(x, y) = 1;
            }
    }
    // Nothing outside columns 0..159 of rows 0..99 changed.
    void expectOutsideUntouched() {
        for (int y = -kGuard; y < 100 + kGuard; ++y)
            for (int x = 0; x < kPitch; ++x) {
                bool inside = y >= 0 && y < 100 && x < 160;
                if (inside) continue;
                ASSERT_EQ(canvas[(y + kGuard) * kPitch + x], kMark) << x << "," << y;
                ASSERT_EQ(depth[(y + kGuard) * kPitch + x], 1u) << x << "," << y;
            }
    }
    std::vector<int> rowsDrawn() {
        std::vector<int> rows;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 160; ++x)
                if (drawn(x, y)) {
                    rows.push_back(y);
                    break;
                }
        return rows;
    }
};

ScreenVertex corner(double x, int y, double w = 2.0, double u = 0, double v = 0) {
    return {x, y, u, v, w};
}

TEST_F(Render, TriangleCoversRowsTopToBottomMinusOne) {
    fillTriangleFlat(corner(10, 10), corner(100, 10), corner(50, 20), 0x123456);
    std::vector<int> rows = rowsDrawn();
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front(), 10);
    EXPECT_EQ(rows.back(), 19);
    fillTriangleFlat(corner(10, 30), corner(100, 30), corner(50, 30), 0x123456); // one row: nothing
    EXPECT_EQ(rowsDrawn().back(), 19);
}

TEST_F(Render, SpanColumnsAndColumnZeroPerFiller) {
    spanFlat(5, {5, 0, 0, 2}, {5, 0, 0, 2}, 0x111111);
    EXPECT_FALSE(drawn(5, 5));
    spanFlat(5, {5, 0, 0, 2}, {8, 0, 0, 2}, 0x111111);
    EXPECT_TRUE(drawn(5, 5) && drawn(6, 5) && drawn(7, 5));
    EXPECT_FALSE(drawn(8, 5));
    EXPECT_FALSE(drawn(4, 5));

    auto columnZero = [&](auto span) {
        clearTarget();
        span(7, SpanEnd{-3, 0, 0, 2}, SpanEnd{3, 0, 0, 2});
        return drawn(0, 7);
    };
    EXPECT_FALSE(columnZero(spanEnvMapped));
    EXPECT_FALSE(columnZero(spanInverseBlend));
    EXPECT_FALSE(columnZero([](int r, const SpanEnd& a, const SpanEnd& b) { spanFlat(r, a, b, 1); }));
    EXPECT_TRUE(columnZero(spanLightmapped));
    EXPECT_TRUE(columnZero(spanKeyed));
    expectOutsideUntouched();
}

TEST_F(Render, TrianglesAreCutAtTheTopAndBottom) {
    fillTriangleFlat(corner(20, -30), corner(120, -30), corner(70, 150), 0x222222);
    std::vector<int> rows = rowsDrawn();
    EXPECT_EQ(rows.front(), 0);
    EXPECT_EQ(rows.back(), 99);
    expectOutsideUntouched();
}

TEST_F(Render, DepthRule) {
    fillTriangleFlat(corner(10, 10, 1.0), corner(100, 10, 1.0), corner(50, 40, 1.0), 0x333333);
    EXPECT_TRUE(rowsDrawn().empty()); // w = 1 does not beat the cleared 1
    fillTriangleFlat(corner(10, 10, 1.5), corner(100, 10, 1.5), corner(50, 40, 1.5), 0x333333);
    EXPECT_EQ(pixel(50, 20), 0x333333u);
    EXPECT_EQ(depthAt(50, 20), 1u); // 1.5 truncated
    fillTriangleFlat(corner(10, 10, 3), corner(100, 10, 3), corner(50, 40, 3), 0x444444);
    EXPECT_EQ(depthAt(50, 20), 3u);
    fillTriangleFlat(corner(10, 10, 2), corner(100, 10, 2), corner(50, 40, 2), 0x555555); // behind
    EXPECT_EQ(pixel(50, 20), 0x444444u);
}

TEST_F(Render, KeyedTexelsAreSeeThrough) {
    std::fill(texture.begin(), texture.end(), 0x00FF00);
    fillTriangleKeyed(corner(10, 10), corner(100, 10), corner(50, 40));
    EXPECT_TRUE(rowsDrawn().empty());
    EXPECT_EQ(depthAt(50, 20), 1u);
    texture[0] = 0xABCDEF; // u = v = 0 everywhere: texel (0, 0)
    fillTriangleKeyed(corner(10, 10), corner(100, 10), corner(50, 40));
    EXPECT_EQ(pixel(50, 20), 0xABCDEFu);
    EXPECT_EQ(depthAt(50, 20), 2u);
}

TEST_F(Render, InverseBlendOfBlackOnBlack) {
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 160; ++x) pixel(x, y) = 0;
    envMap[0] = 0;
    fillTriangleInverseBlend(corner(10, 10), corner(100, 10), corner(50, 40));
    EXPECT_EQ(pixel(50, 20), 0x7E7E7Eu);
    EXPECT_EQ(depthAt(50, 20), 1u); // no depth write
}

TEST_F(Render, BilinearSampleWeightsAndWrap) {
    EXPECT_EQ(sampleBilinear(5 * 8, 7 * 8), texture[7 * 32 + 5]);
    texture[3 * 32 + 31] = 0x000000;
    texture[3 * 32 + 0] = 0xFFFFFF;
    texture[4 * 32 + 31] = 0x000000;
    texture[4 * 32 + 0] = 0xFFFFFF;
    EXPECT_EQ(sampleBilinear(31 * 8 + 4, 3 * 8), 0x7F7F7Fu); // half-way to column 0 of the same row
    // Row 8191 blends with row 0.
    texture[8191 * 32] = 0;
    texture[0] = 0x080808;
    EXPECT_EQ(sampleBilinear(0, 8191 * 8 + 4), 0x040404u);
}

TEST_F(Render, OddCornersNeverWriteOutside) {
    const double nan = std::numeric_limits<double>::quiet_NaN(),
                 inf = std::numeric_limits<double>::infinity();
    const ScreenVertex odd[] = {
        corner(nan, 10),       corner(inf, 20),       corner(-1e300, 30),
        corner(1e300, 40),     corner(50, INT32_MIN), corner(50, INT32_MAX),
        corner(2e9, -2000000), corner(-3e9, 90),      corner(80, 50, 1e30, 1e30, -1e30)};
    for (const auto& a : odd)
        for (const auto& b : odd) {
            fillTriangleFlat(a, b, corner(80, 50), 0x010101);
            fillTriangleEnvMapped(a, b, corner(80, 50));
            fillTriangleLightmapped(a, b, corner(80, 50));
            fillTriangleInverseBlend(a, b, corner(80, 50));
            fillTriangleKeyed(a, b, corner(80, 50));
        }
    expectOutsideUntouched();
}

// Span buffer.
int spans(int row) {
    int n = 0;
    for (const SpanNode* s = spanHeads[row].next; s; s = s->next) ++n;
    return n;
}
std::vector<std::pair<int, int>> layout(int row) { // (start, kind) of each span
    std::vector<std::pair<int, int>> out;
    int at = 0;
    for (const SpanNode* s = spanHeads[row].next; s; s = s->next) {
        out.push_back({at, s->kind});
        at += int(s->length);
    }
    EXPECT_EQ(at, 160) << "spans must tile the row";
    return out;
}

TEST_F(Render, SpanResetThenResolveIsBlackWithDepthKept) {
    resetSpanBuffer();
    EXPECT_EQ(spanFreeCount, kSpanNodes - kSpanHeads);
    depthAt(3, 3) = 77;
    resolveSpanBuffer();
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 160; ++x) ASSERT_EQ(pixel(x, y), 0u);
    EXPECT_EQ(depthAt(3, 3), 77u);
    expectOutsideUntouched();
}

TEST_F(Render, PairedAndDeferredSkyResolvesAreThePlainOneBitForBit) {
    // Spans of random lengths and values (w at or below 0, not a number, huge, tiny), resolved each
    // way: the same pixels and depths. The deferred one has light-mapped triangles drawn between its
    // two steps, the others after them; some trials need only some columns of each row.
    std::vector<uint32_t> sky(256 * 512);
    for (size_t i = 0; i < sky.size(); ++i) sky[i] = uint32_t(i * 2246822519u) & 0xFFFFFF;
    const uint32_t* savedSky = spanTexture;
    spanTexture = sky.data();
    std::mt19937_64 random(22);
    std::uniform_real_distribution<double> value(-4e6, 4e6), weight(-0.5, 2.0);
    const double odd[] = {
        0.0, -0.0, 1e-300, -1e-300, 1e300, std::nan(""), std::numeric_limits<double>::infinity()};
    auto pick = [&](bool isWeight) {
        return random() % 6 == 0 ? odd[random() % std::size(odd)] : isWeight ? weight(random) : value(random);
    };
    for (int t = 0; t < 300; ++t) {
        resetSpanBuffer();
        for (int k = 0; k < 60; ++k)
            insertSpan(int32_t(random() % 100), int32_t(random() % 170) - 5, int32_t(random() % 90) + 1,
                       pick(false), pick(false), pick(false), pick(false), pick(true), pick(true),
                       uint8_t(1 + random() % 2));
        std::vector<std::array<ScreenVertex, 3>> lit(random() % 12);
        for (auto& triangle : lit)
            for (ScreenVertex& v : triangle)
                v = {value(random) / 2e4 + 80, int32_t(random() % 140) - 20, value(random), value(random),
                     random() % 2 ? weight(random) * 2 : value(random) / 40 + 1e5};
        int16_t first[100], end[100];
        for (int y = 0; y < 100; ++y) {
            first[y] = int16_t(random() % 80);
            end[y] = int16_t(first[y] + random() % 100);
        }
        RowWindow window = {first, end, 100 - int32_t(random() % 3)};
        neededColumns = t % 3 == 0 ? &window : nullptr;
        auto drawLit = [&] {
            for (const auto& [a, b, c] : lit) fillTriangleLightmapped(a, b, c);
        };
        // Old depths under the spans: the sky's take 1, the black ones keep theirs.
        auto clearTarget = [&] {
            Render::clearTarget();
            std::mt19937 old{uint32_t(t)};
            for (int y = 0; y < 100; ++y)
                for (int x = 0; x < 160; ++x) depthAt(x, y) = old() % 3 ? old() % 4 : old() % 200000;
        };
        clearTarget();
        resolveSpanBufferPlain();
        drawLit();
        std::vector<uint32_t> plainPixels = canvas, plainDepth = depth;
        clearTarget();
        resolveSpanBuffer();
        drawLit();
        ASSERT_EQ(canvas, plainPixels) << "buffer " << t;
        ASSERT_EQ(depth, plainDepth) << "buffer " << t;
        if (t == 150) { // the marks come round: to one an old light-mapped pass left, or to none
            std::fill(std::begin(coveredPixels), std::end(coveredPixels), 0);
            coveredMark = 1;
            fillTriangleLightmapped(corner(0, 0, 1e5), corner(160, 0, 1e5), corner(0, 50, 1e5));
            coveredMark = UINT16_MAX;
        }
        clearTarget();
        beginSpanBufferResolve();
        drawLit();
        finishSpanBufferResolve();
        ASSERT_EQ(canvas, plainPixels) << "buffer " << t << ", deferred";
        ASSERT_EQ(depth, plainDepth) << "buffer " << t << ", deferred";
        neededColumns = nullptr;
    }
    spanTexture = savedSky;
}

TEST_F(Render, SpanInsertionCases) {
    resetSpanBuffer();
    const int base = spanFreeCount;
    insertSpan(0, 0, 160, 1, 2, 1, 2, 1, 1, 2); // equal / equal: in place
    EXPECT_EQ(spanFreeCount, base);
    EXPECT_EQ(layout(0), (std::vector<std::pair<int, int>>{{0, 2}}));

    insertSpan(1, 0, 50, 0, 0, 0, 0, 1, 1, 5);  // equal / inside: one node for the rest
    insertSpan(1, 50, 50, 0, 0, 0, 0, 1, 1, 6); // equal / inside again
    EXPECT_EQ(layout(1), (std::vector<std::pair<int, int>>{{0, 5}, {50, 6}, {100, 1}}));
    int before = spanFreeCount;
    insertSpan(1, 20, 120, 0, 0, 0, 0, 1, 1, 7); // inside/past, before/past (freed), before/inside
    EXPECT_EQ(layout(1), (std::vector<std::pair<int, int>>{{0, 5}, {20, 7}, {140, 1}}));
    EXPECT_EQ(spanFreeCount, before); // one popped, one pushed
    // The trimmed right neighbour's left end moved to its new start.
    const SpanNode* right = spanHeads[1].next->next->next;
    EXPECT_DOUBLE_EQ(right->wLeft, 1.0);

    insertSpan(2, 10, 20, 0, 0, 0, 0, 1, 1, 8); // inside / inside: two nodes
    EXPECT_EQ(layout(2), (std::vector<std::pair<int, int>>{{0, 1}, {10, 8}, {30, 1}}));
    insertSpan(2, 5, 5, 0, 0, 0, 0, 1, 1, 9); // inside / equal
    EXPECT_EQ(layout(2), (std::vector<std::pair<int, int>>{{0, 1}, {5, 9}, {10, 8}, {30, 1}}));
    insertSpan(2, 0, 10, 0, 0, 0, 0, 1, 1, 3); // equal / past, then before / equal (freed)
    EXPECT_EQ(layout(2), (std::vector<std::pair<int, int>>{{0, 3}, {10, 8}, {30, 1}}));
    insertSpan(2, 10, 150, 0, 0, 0, 0, 1, 1, 4); // equal / past then before / equal at the row end
    EXPECT_EQ(layout(2), (std::vector<std::pair<int, int>>{{0, 3}, {10, 4}}));
}

TEST_F(Render, SpanClipsAndIgnoredSpans) {
    resetSpanBuffer();
    insertSpan(3, -10, 30, 0, 30, 0, 0, 1, 1, 2); // a = -10, n = 30: stored from 0, 20 long, u a third on
    const SpanNode* first = spanHeads[3].next;
    EXPECT_EQ(first->length, 20u);
    EXPECT_DOUBLE_EQ(first->uLeft, 10.0);
    insertSpan(4, 150, 20, 0, 20, 0, 0, 1, 1, 2); // right clip
    EXPECT_EQ(layout(4).back(), (std::pair<int, int>{150, 2}));
    EXPECT_DOUBLE_EQ(spanHeads[4].next->next->uRight, 10.0);
    for (int row : {-1, 480}) insertSpan(row, 0, 10, 0, 0, 0, 0, 1, 1, 2);
    insertSpan(5, -20, 20, 0, 0, 0, 0, 1, 1, 2); // ends at 0
    insertSpan(5, 160, 5, 0, 0, 0, 0, 1, 1, 2);  // starts at the width
    insertSpan(5, 10, 0, 0, 0, 0, 0, 1, 1, 2);   // empty
    EXPECT_EQ(spans(5), 1);
}

TEST_F(Render, SkyPassCoversEveryPixelOnce) {
    allocatePictureBlocks();
    for (int i = 0; i < 256 * 384; ++i) skyTexture[i] = 0x100000 | uint32_t(i & 0xFFFF);
    spanTexture = skyTexture;
    // Views all round (a frame drawn over another relies on the sky setting every depth), at the
    // focal lengths the scenes use.
    const double saved[2] = {renderTarget.focalX, renderTarget.focalY};
    for (int view = 0; view < 96; ++view) {
        float turn = 0.37f * float(view);
        clearTarget();
        renderTarget.focalX = view % 3 == 0 ? 90 : view % 3 == 1 ? 50 : saved[0];
        renderTarget.focalY = view % 3 == 0 ? 70 : view % 3 == 1 ? 60 : saved[1];
        Matrix4 m = identityMatrix;
        rotateMatrix4Z(&m, turn * 0.7f);
        rotateMatrix4Y(&m, turn);
        rotateMatrix4X(&m, turn * 0.3f);
        resetSpanBuffer();
        drawMeshSpans(m);
        for (int row = 0; row < 100; ++row)
            for (auto [start, kind] : layout(row)) ASSERT_EQ(kind, 2) << "row " << row << " column " << start;
        resolveSpanBuffer();
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 160; ++x) {
                ASSERT_NE(pixel(x, y), kMark) << x << "," << y;
                ASSERT_EQ(depthAt(x, y), 1u);
            }
        expectOutsideUntouched();
    }
    renderTarget.focalX = saved[0];
    renderTarget.focalY = saved[1];
    releasePictureBlocks();
}

// Drawers.
TEST(Drawers, ProjectionAndClipping) {
    RenderTarget saved = renderTarget;
    renderTarget.centreX = 80;
    renderTarget.centreY = 50;
    renderTarget.focalX = renderTarget.focalY = 90;
    ScreenVertex a = projectVertex(0, 0, 1), b = projectVertex(1, 0, 1);
    EXPECT_EQ(a.x, 80.0);
    EXPECT_EQ(a.y, 50);
    EXPECT_EQ(b.x, 170.0);
    renderTarget = saved;

    ClipVertex triangle[kClipCapacity] = {{0, 0, 0.2f, 0, 0}, {1, 0, 1, 10, 0}, {0, 1, 1, 0, 10}};
    ASSERT_EQ(clipNear(triangle, 3), 4);
    for (int i = 0; i < 4; ++i) EXPECT_GT(double(triangle[i].z), 0.3209);
    // (0.321f itself lies a little beyond the plane, which is compared in double.)
    ClipVertex behind[kClipCapacity] = {{0, 0, 0.3f, 0, 0}, {1, 0, 0.32f, 0, 0}, {0, 1, -5, 0, 0}};
    EXPECT_EQ(clipNear(behind, 3), 0);
    // A 16-corner polygon crossing the plane can need 17 corners; they fit.
    ClipVertex star[kClipCapacity];
    for (int i = 0; i < 16; ++i)
        star[i] = {float(std::cos(i * 0.39)), float(std::sin(i * 0.39)), i == 0 ? 0.1f : 2.0f, 0, 0};
    EXPECT_EQ(clipNear(star, 16), 17);
}

TEST(Drawers, FlatShades) {
    EXPECT_EQ(flatShadeColour(0), 0u);
    EXPECT_EQ(flatShadeColour(255), 0xFF0000u);
    EXPECT_EQ(flatShadeColour(511), 0xFFFFFFu);
}

TEST_F(Render, SkippedKindsAndEdgeOnFaces) {
    auto mesh = std::make_unique<Mesh>();
    std::memset(mesh.get(), 0, sizeof(Mesh));
    mesh->vertices[0] = {-1, -1, 3};
    mesh->vertices[1] = {1, -1, 3};
    mesh->vertices[2] = {0, 1, 3};
    mesh->vertexCount = 3;
    const uint16_t indices[3] = {0, 1, 2};
    const int32_t uv[3] = {0, 0, 0};
    for (uint16_t kind : {1, 255}) {
        mesh->faceCount = mesh->cornerCount = 0;
        addFace(mesh.get(), 3, indices, uv, uv, kind);
        mesh->faces[0].normal = {0, 0, 1};
        drawMeshFlat(*mesh, identityMatrix);
        EXPECT_TRUE(rowsDrawn().empty()) << kind;
    }
    mesh->faceCount = mesh->cornerCount = 0;
    addFace(mesh.get(), 3, indices, uv, uv, 0);
    mesh->faces[0].normal = {0, 1, 0}; // Q . N = 0 exactly: drawn
    mesh->faces[0].centroid = {0, 0, 3};
    drawMeshFlat(*mesh, identityMatrix);
    EXPECT_FALSE(rowsDrawn().empty());
}

// A cube seen from several sides covers its silhouette with no cracks and nothing outside it.
TEST_F(Render, CubeCoversItsSilhouetteExactly) {
    buildProceduralMeshes();
    for (float turn : {0.3f, 1.1f, 2.5f, 4.0f}) {
        clearTarget();
        Matrix4 m = identityMatrix;
        rotateMatrix4Y(&m, turn);
        rotateMatrix4X(&m, turn * 0.7f);
        translateMatrix4(&m, 0.3f, -0.2f, 5.0f);
        drawMeshFlat(proceduralMesh2, m);
        // The silhouette: the convex hull of the projected corners.
        std::vector<std::pair<double, double>> points;
        for (uint32_t i = 0; i < 8; ++i) {
            Vector3 p = transformPoint(m, proceduralMesh2.vertices[i]);
            points.push_back({p.x * 90.0 / p.z + 80, p.y * 90.0 / p.z + 50});
        }
        std::sort(points.begin(), points.end());
        std::vector<std::pair<double, double>> hull;
        auto cross = [](auto o, auto a, auto b) {
            return (a.first - o.first) * (b.second - o.second) - (a.second - o.second) * (b.first - o.first);
        };
        for (int pass = 0; pass < 2; ++pass) {
            size_t base = hull.size();
            for (auto& p : points) {
                while (hull.size() >= base + 2 && cross(hull[hull.size() - 2], hull.back(), p) <= 0)
                    hull.pop_back();
                hull.push_back(p);
            }
            hull.pop_back();
            std::reverse(points.begin(), points.end());
        }
        // Signed distance of a pixel's top-left corner to the hull (positive inside).
        auto distance = [&](double x, double y) {
            double best = 1e9;
            for (size_t i = 0; i < hull.size(); ++i) {
                auto a = hull[i], b = hull[(i + 1) % hull.size()];
                double len = std::hypot(b.first - a.first, b.second - a.second);
                best = std::min(best, cross(a, b, std::make_pair(x, y)) / len);
            }
            return best;
        };
        int inside = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 160; ++x) {
                double d = distance(x, y);
                if (d > 1.5) {
                    ASSERT_TRUE(drawn(x, y)) << "crack at " << x << "," << y << " turn " << turn;
                    ++inside;
                }
                if (d < -1.5) {
                    ASSERT_FALSE(drawn(x, y)) << "outside at " << x << "," << y;
                }
            }
        EXPECT_GT(inside, 200);
        expectOutsideUntouched();
    }
}

// Every filler draws, pixel for pixel and depth for depth, what its plain walk draws: triangles
// of every shape (slivers a pixel wide, strips, large ones, corners far outside or not finite)
// drawn in turn over one depth buffer, with depths that tie the buffer's, texels that are the key
// colour, spans cut at both sides.
TEST_F(Render, EachFillerDrawsWhatItsPlainWalkDraws) {
    std::mt19937_64 random(33);
    auto uniform = [&](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    };
    for (size_t i = 0; i < texture.size(); i += 7) texture[i] = kKeyColour;
    for (size_t i = 3; i < texture.size(); i += 11) texture[i] |= 0xA5000000; // a top byte no filler shows
    const double inf = std::numeric_limits<double>::infinity();
    const double odd[] = {inf, -inf, std::nan(""), 1e300, -1e300, 0.0, 5e9, -5e9, 3e9};
    auto corner = [&](double cx, double cy, double spread) {
        ScreenVertex v;
        v.x = cx + uniform(-spread, spread);
        v.y = int32_t(std::floor(cy + uniform(-spread, spread)));
        v.w =
            random() % 3 ? std::floor(uniform(1, 60000)) : uniform(1, 60000); // whole numbers tie the buffer
        v.u = uniform(-3e6, 3e6) * (random() % 2 ? 1 : v.w / 65536);
        v.v = uniform(-3e6, 3e6) * (random() % 2 ? 1 : v.w / 65536);
        if (random() % 200 == 0) v.x = odd[random() % std::size(odd)];
        if (random() % 60 == 0) v.w = odd[random() % std::size(odd)];
        if (random() % 100 == 0) v.u = odd[random() % std::size(odd)];
        if (random() % 100 == 0) v.v = odd[random() % std::size(odd)];
        return v;
    };
    std::vector<uint32_t> fastPixels, fastDepth;
    for (int trial = 0; trial < 150; ++trial) {
        Filler filler = Filler(trial % 5);
        std::vector<std::array<ScreenVertex, 3>> triangles;
        for (int t = 0; t < 60; ++t) {
            double cx = uniform(-40, 200), cy = uniform(-30, 130);
            int shape = int(random() % 4);
            if (shape == 0) { // a sliver: two corners close in x, rows apart
                ScreenVertex a = corner(cx, cy, 1.5), b = a, c = corner(cx, cy + uniform(-60, 60), 1.5);
                b.x += uniform(-2, 2);
                b.y += int32_t(uniform(-3, 3));
                triangles.push_back({a, b, c});
            } else {
                double spread = shape == 1 ? 6 : shape == 2 ? 60 : 400;
                triangles.push_back({corner(cx, cy, spread), corner(cx, cy, spread), corner(cx, cy, spread)});
            }
        }
        auto draw = [&](bool plain) {
            std::mt19937 fill{uint32_t(trial)};
            for (int y = 0; y < 100; ++y)
                for (int x = 0; x < 160; ++x) {
                    pixel(x, y) = fill() & 0xFFFFFF;
                    depthAt(x, y) = fill() % 4 ? fill() % 60000 : 1;
                }
            for (const auto& [a, b, c] : triangles) {
                if (plain) {
                    fillTrianglePlain(filler, a, b, c, 0x123456);
                    continue;
                }
                switch (filler) {
                case Filler::kEnvMapped:
                    fillTriangleEnvMapped(a, b, c);
                    break;
                case Filler::kLightmapped:
                    fillTriangleLightmapped(a, b, c);
                    break;
                case Filler::kInverseBlend:
                    fillTriangleInverseBlend(a, b, c);
                    break;
                case Filler::kFlat:
                    fillTriangleFlat(a, b, c, 0x123456);
                    break;
                case Filler::kKeyed:
                    fillTriangleKeyed(a, b, c);
                    break;
                }
            }
        };
        draw(false);
        fastPixels = canvas;
        fastDepth = depth;
        draw(true);
        for (size_t i = 0; i < canvas.size(); ++i) {
            ASSERT_EQ(fastPixels[i], canvas[i])
                << "trial " << trial << " pixel " << i % kPitch << "," << int(i / kPitch) - kGuard;
            ASSERT_EQ(fastDepth[i], depth[i])
                << "trial " << trial << " depth " << i % kPitch << "," << int(i / kPitch) - kGuard;
        }
        expectOutsideUntouched();
    }
}

TEST(SpanSteps, ThePairedStepsAreThePlainStepsBitForBit) {
    struct Seen {
        int64_t i;
        double u, v, w;
    };
    std::vector<Seen> fast, plain;
    auto record = [](std::vector<Seen>* into) {
        return [into](int64_t i, double u, double v, double w) { into->push_back({i, u, v, w}); };
    };
    std::mt19937_64 random(20);
    std::uniform_real_distribution<double> screen(-1e4, 1e4), tiny(-1e-300, 1e-300);
    const double inf = std::numeric_limits<double>::infinity();
    const double edges[] = {0.0, -0.0, 1e308, -1e308, 5e-324, inf, -inf, std::nan(""), 0.1, 65536.0};
    for (int t = 0; t < 20000; ++t) {
        SpanRange s;
        double* values[6] = {&s.u0, &s.u1, &s.v0, &s.v1, &s.w0, &s.w1};
        for (double* v : values) {
            int kind = int(random() % 8);
            *v = kind < 5 ? screen(random) : kind == 5 ? tiny(random) : edges[random() % std::size(edges)];
        }
        // Lengths from one pixel to far past the screen; odd and even starts and ends.
        s.n = t % 5 == 0 ? int64_t(random() % (int64_t{1} << 40)) + 1 : int64_t(random() % 400) + 1;
        int64_t from = int64_t(random() % 7), to = std::min<int64_t>(s.n, from + int64_t(random() % 321));
        fast.clear();
        plain.clear();
        stepSpan(s, from, to, record(&fast));
        stepSpanPlain(s, from, to, record(&plain));
        ASSERT_EQ(fast.size(), plain.size());
        ASSERT_EQ(std::memcmp(fast.data(), plain.data(), fast.size() * sizeof(Seen)), 0)
            << "span " << t << ": n " << s.n << " from " << from << " to " << to;
    }
}

TEST(SpanSteps, PairedEdgePointsAreEdgePointsBitForBit) {
    std::mt19937_64 random(21);
    std::uniform_real_distribution<double> screen(-1e4, 1e4);
    std::uniform_int_distribution<int32_t> rows(-300, 300);
    const double inf = std::numeric_limits<double>::infinity();
    const double edges[] = {0.0, -0.0, 1e308, -1e308, 5e-324, inf, std::nan(""), 1073741824.0, -1073741825.0};
    auto vertex = [&] {
        ScreenVertex v;
        for (double* d : {&v.x, &v.u, &v.v, &v.w})
            *d = random() % 6 ? screen(random) : edges[random() % std::size(edges)];
        v.y = random() % 9 ? rows(random) : (random() % 2 ? INT32_MAX : INT32_MIN);
        return v;
    };
    for (int t = 0; t < 50000; ++t) {
        ScreenVertex s1 = vertex(), e1 = vertex(), s2 = vertex(), e2 = vertex();
        int64_t k1 = int64_t(random() % 400), k2 = int64_t(random() % 400);
        SpanEnd pair[2], plain[2];
        if (t % 2) {
            edgePointPair<EdgeRule::kFiller>(s1, e1, k1, s2, e2, k2, &pair[0], &pair[1]);
            plain[0] = edgePoint<EdgeRule::kFiller>(s1, e1, k1);
            plain[1] = edgePoint<EdgeRule::kFiller>(s2, e2, k2);
        } else {
            edgePointPair<EdgeRule::kSpanBuffer>(s1, e1, k1, s2, e2, k2, &pair[0], &pair[1]);
            plain[0] = edgePoint<EdgeRule::kSpanBuffer>(s1, e1, k1);
            plain[1] = edgePoint<EdgeRule::kSpanBuffer>(s2, e2, k2);
        }
        for (int i = 0; i < 2; ++i) {
            ASSERT_EQ(pair[i].x, plain[i].x) << t;
            for (auto field : {&SpanEnd::u, &SpanEnd::v, &SpanEnd::w})
                ASSERT_EQ(std::memcmp(&(pair[i].*field), &(plain[i].*field), sizeof(double)), 0) << t;
        }
    }
}

TEST(SpanSteps, TheWideTruncationIsThePlainOneForEveryKindOfDouble) {
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> values = {0.0,
                                  -0.0,
                                  0.5,
                                  -0.5,
                                  0.9999999999999999,
                                  -1.5,
                                  5e-324,
                                  -5e-324,
                                  1e300,
                                  -1e300,
                                  inf,
                                  -inf,
                                  std::nan(""),
                                  -std::nan(""),
                                  9223372036854775808.0,
                                  -9223372036854775808.0,
                                  9223372036854774784.0,
                                  -9223372036854774784.0,
                                  4294967296.5,
                                  -4294967296.5,
                                  2147483648.0};
    std::mt19937_64 random(22);
    for (int i = 0; i < 200000; ++i) {
        uint64_t bits = random();
        double d;
        std::memcpy(&d, &bits, sizeof d); // every exponent, NaNs among them
        values.push_back(d);
        values.push_back(std::ldexp(double(int64_t(random())), -int(random() % 40)));
    }
    for (double v : values) ASSERT_EQ(truncateWide(v), truncateWidePlain(v)) << v;
}

} // namespace
