#include "effects/camera_path.h"
#include "math/matrix.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <string>

namespace {

constexpr float kQuarter = 1.5707963267948966f;

void expectNear(const Vector3& v, float x, float y, float z, float tolerance = 1e-6f) {
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

TEST(Matrix, QuarterTurns) {
    Matrix4 m = identityMatrix;
    rotateMatrix4Y(&m, kQuarter);
    expectNear(transformPoint(m, {1, 0, 0}), 0, 0, 1);
    expectNear(transformPoint(m, {0, 0, 1}), -1, 0, 0);
    m = identityMatrix;
    rotateMatrix4X(&m, kQuarter);
    expectNear(transformPoint(m, {0, 1, 0}), 0, 0, 1);
    m = identityMatrix;
    rotateMatrix4Z(&m, kQuarter);
    expectNear(transformPoint(m, {1, 0, 0}), 0, 1, 0);
}

TEST(Matrix, TranslationMovesPointsNotDirections) {
    Matrix4 m = identityMatrix;
    translateMatrix4(&m, 1, 2, 3);
    expectNear(transformPoint(m, {0, 0, 0}), 1, 2, 3, 0);
    Vector3 d = {4, 5, 6};
    rotateVector3(m, &d);
    expectNear(d, 4, 5, 6, 0);
    zeroVector3(&d);
    expectNear(d, 0, 0, 0, 0);
}

TEST(Matrix, FirstOperationAppliesFirst) {
    Matrix4 m = identityMatrix;
    translateMatrix4(&m, 1, 0, 0);
    rotateMatrix4Y(&m, kQuarter);
    expectNear(transformPoint(m, {1, 0, 0}), 0, 0, 2); // (v + t) turned
}

TEST(Matrix, IdentityProductIsExactAndSelfProductIsSafe) {
    std::mt19937 random(3);
    std::uniform_real_distribution<float> value(0.5f, 9.0f);
    Matrix4 m;
    for (float& x : m.m) x = value(random);
    Matrix4 before = m;
    multiplyMatrix4(&m, identityMatrix);
    EXPECT_EQ(std::memcmp(&m, &before, sizeof m), 0);
    Matrix4 expected = before;
    multiplyMatrix4(&expected, Matrix4(before)); // b a copy
    multiplyMatrix4(&m, m);                      // b the matrix itself
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(m.m[i], expected.m[i]);
}

std::unique_ptr<CameraPath> parse(const std::string& text) {
    auto path = std::make_unique<CameraPath>();
    std::memset(path.get(), 0, sizeof(CameraPath));
    parsePathText(path.get(), reinterpret_cast<const uint8_t*>(text.data()), uint32_t(text.size()));
    return path;
}

TEST(PathParser, OneKeyInOneGroup) {
    auto p = parse("( 1 2 3 4 5 )");
    ASSERT_EQ(p->keyCount, 1);
    ASSERT_EQ(p->groupCount, 1);
    EXPECT_EQ(p->groupStart[0], 0);
    EXPECT_EQ(p->groupLength[0], 1);
    EXPECT_FLOAT_EQ(p->keys[0].x, 0.01f);
    EXPECT_FLOAT_EQ(p->keys[0].y, 0.02f);
    EXPECT_FLOAT_EQ(p->keys[0].z, 0.03f);
    EXPECT_EQ(p->keys[0].duration, 4.0f);
    EXPECT_DOUBLE_EQ(p->keys[0].angle, 5 * 0.017453292516666667);
}

TEST(PathParser, SignsHexPointsAndComments) {
    auto p = parse("{-100 --100 0x64 0 0, -0X10 1.5 0 7 0}");
    ASSERT_EQ(p->keyCount, 2);
    EXPECT_EQ(p->keys[0].x, -1.0f);
    EXPECT_EQ(p->keys[0].y, 1.0f);
    EXPECT_EQ(p->keys[0].z, 1.0f);
    EXPECT_FLOAT_EQ(p->keys[1].x, -0.16f);
    EXPECT_FLOAT_EQ(p->keys[1].y, 0.01f); // 1.5 is the numbers 1 and 5
    EXPECT_FLOAT_EQ(p->keys[1].z, 0.05f);
    EXPECT_EQ(p->keys[1].duration, 0.0f);
    EXPECT_DOUBLE_EQ(p->keys[1].angle, 7 * 0.017453292516666667);

    EXPECT_EQ(parse("( # 1 2 3 4 5\n )")->keyCount, 0);
    EXPECT_EQ(parse("( /* 1 2 3 4 5 */ )")->keyCount, 0);
    auto open = parse("( 1 2 3 4 5 /* 6 7 8 9 10 ) ");
    EXPECT_EQ(open->keyCount, 1);
    EXPECT_EQ(open->groupCount, 0);                         // parsing ended inside the comment
    EXPECT_EQ(parse("#1 2 3 4 5\r1 2 3 4 5")->keyCount, 1); // the line end ends the comment
    EXPECT_EQ(parse("1 2 3 4 0")->keys[0].x, 0.01f);        // a last "0" is a value
    EXPECT_EQ(parse("1 2 / 3 4 5")->keyCount, 1);           // a lone "/" is ignored
}

TEST(PathParser, UnfinishedKeysAreDroppedAtTheBracket) {
    auto p = parse("(1 2 3 4) 10 20 30 40 50");
    EXPECT_EQ(p->groupLength[0], 0);
    ASSERT_EQ(p->keyCount, 1); // outside any group, still stored
    EXPECT_FLOAT_EQ(p->keys[0].x, 0.1f);
}

TEST(PathParser, StopsStoringAtItsCapacities) {
    std::string text;
    for (int g = 0; g < 80; ++g) text += "(" + std::string(20, ' ') + "1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 )";
    auto p = parse(text);
    EXPECT_EQ(p->groupCount, kPathGroups);
    EXPECT_EQ(p->keyCount, 80 * 3 > kPathKeys ? kPathKeys : 80 * 3);
    std::string keys;
    for (int k = 0; k < 1100; ++k) keys += "1 2 3 4 5 ";
    EXPECT_EQ(parse(keys)->keyCount, kPathKeys);
}

// Texts a damaged pool could hold: whatever the parser keeps, every group
// stays within the stored keys and every sample is a finite point.
TEST(PathParser, HostileTextsKeepGroupsInsideTheKeysAndSamplesFinite) {
    std::string twoThousand = "(";
    for (int k = 0; k < 2000; ++k) twoThousand += std::to_string(k) + " 1 2 3 4 ";
    twoThousand += ")";
    const std::string texts[] = {"",
                                 "1 2 3 4 5 6 7 8 9 10", // keys but no group
                                 "()(){}",               // groups without keys
                                 twoThousand,
                                 "( 1 2 3 4 5 /* never closed",
                                 "( 1 2 3 4 5 # a comment to the end",
                                 "(((((((((( 1 2 3 4 5",
                                 ")))) 1 2 3 4 5 (",
                                 "( 0x7FFFFFFF 0xFFFFFFFF -0x80000000 0 99999999999 )"};
    for (const std::string& text : texts) {
        auto p = parse(text);
        ASSERT_LE(p->keyCount, kPathKeys) << text.substr(0, 40);
        ASSERT_LE(p->groupCount, kPathGroups) << text.substr(0, 40);
        for (int g = 0; g < p->groupCount; ++g) {
            EXPECT_GE(p->groupStart[g], 0);
            EXPECT_GE(p->groupLength[g], 0);
            EXPECT_LE(p->groupStart[g] + p->groupLength[g], p->keyCount) << "group " << g;
        }
        for (int g = -1; g <= p->groupCount; ++g)
            for (int32_t time : {-1000, 0, 1, 77, 100000, INT32_MAX}) {
                Vector3 position;
                float angle;
                sampleCameraPath(p.get(), &position, &angle, time, g);
                EXPECT_TRUE(std::isfinite(position.x) && std::isfinite(position.y) &&
                            std::isfinite(position.z) && std::isfinite(angle))
                    << text.substr(0, 40) << " group " << g << " time " << time;
            }
    }
    EXPECT_EQ(parse(twoThousand)->keyCount, kPathKeys);
    EXPECT_EQ(parse("1 2 3 4 5 6 7 8 9 10")->groupCount, 0);
}

TEST(PathSampler, SegmentsWrapAndStartAtKeyZero) {
    auto p = parse("(0 0 0 10 0  100 0 0 10 90  100 100 0 10 180)");
    Vector3 position;
    float angle;
    sampleCameraPath(p.get(), &position, &angle, 35, 0); // 30 + 5: segment 0, halfway
    EXPECT_NEAR(angle, float(45 * 0.017453292516666667), 1e-6);
    EXPECT_GT(position.x, 0.0f);
    EXPECT_LT(position.x, 1.0f);
    sampleCameraPath(p.get(), &position, &angle, -1, 0); // no segment: key 0 exactly
    expectNear(position, 0, 0, 0, 0);
    EXPECT_EQ(angle, 0.0f);
    sampleCameraPath(p.get(), &position, &angle, 10, 0); // fraction 0 of segment 1
    expectNear(position, 1, 0, 0, 0);
    EXPECT_FLOAT_EQ(angle, float(90 * 0.017453292516666667));
    sampleCameraPath(p.get(), &position, &angle, 20, 0);
    expectNear(position, 1, 1, 0, 0);
}

TEST(PathSampler, DurationsComeFromThePathsFirstKeys) {
    // Group 1's own durations are 1, but its segments last 10 and 30.
    auto p = parse("(0 0 0 10 0 0 0 0 30 0)(0 0 0 1 0 500 0 0 1 0)");
    Vector3 position;
    float angle;
    sampleCameraPath(p.get(), &position, &angle, 10, 1); // start of segment 1: key 1 of the group
    expectNear(position, 5, 0, 0, 0);
    sampleCameraPath(p.get(), &position, &angle, 5, 1);
    EXPECT_GT(position.x, 0.0f);
    EXPECT_LT(position.x, 5.0f);
}

TEST(PathSampler, EmptyOrUnknownGroupsGiveTheOrigin) {
    auto p = parse("(1 2 3 4 5)()");
    Vector3 position = {9, 9, 9};
    float angle = 9;
    sampleCameraPath(p.get(), &position, &angle, 3, 1);
    expectNear(position, 0, 0, 0, 0);
    EXPECT_EQ(angle, 0.0f);
    sampleCameraPath(p.get(), &position, &angle, 3, 7);
    expectNear(position, 0, 0, 0, 0);
    sampleCameraPath(p.get(), &position, &angle, 3, -1);
    expectNear(position, 0, 0, 0, 0);
    // A one-key group samples that key, without NaN.
    sampleCameraPath(p.get(), &position, &angle, 1, 0);
    expectNear(position, 0.01f, 0.02f, 0.03f);
}

TEST(Curve, PassesThroughItsEnds) {
    Vector3 k[4], out;
    makeCurveSegment(k, {1, 2, 3}, {2, 2, 3}, {4, 5, 3}, {5, 5, 3});
    evaluateCurveSegment(&out, k, 0);
    expectNear(out, 1, 2, 3, 0);
    evaluateCurveSegment(&out, k, 1);
    expectNear(out, 5, 5, 3, 1e-5f);
}

} // namespace
