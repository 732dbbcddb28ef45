// The show's own sin, cos, atan2 and pow: within a hair of half an ulp of the
// exact value everywhere a picture takes them (a long double reference), and
// the C rules at zeros, where a wrong sign or quadrant would turn a camera round.
#include "math/same_math.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>

namespace {

// Error in ulps of the result's own precision.
template <typename T> double ulpError(T value, long double exact) {
    T nearest = T(exact);
    T ulp = std::nextafter(std::fabs(nearest), T(INFINITY)) - std::fabs(nearest);
    return double(std::fabs((long double)value - exact) / (long double)ulp);
}

uint64_t state = 0x9E3779B97F4A7C15ull;
double uniform(double low, double high) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return low + (high - low) * double(state >> 11) / 9007199254740992.0;
}

// Correctly rounded would be 0.5; the long double reference itself is a little off.
constexpr double kMostUlps = 0.52;
// Where the reference can be trusted: glibc reduces long double angles exactly; Windows' C
// library takes the processor's own sine, whose reduction is off far from zero.
#if defined(__GLIBC__)
constexpr double kWidestAngle = 3000;
#else
constexpr double kWidestAngle = 0.78;
#endif

TEST(SameMath, CloseToTheExactValueOverThePicturesRanges) {
    double worst[6] = {};
    for (int i = 0; i < 20000; ++i) {
        double a = uniform(-kWidestAngle, kWidestAngle), b = uniform(-100, 100);
        float f = float(uniform(-std::min(kWidestAngle, 60.0), std::min(kWidestAngle, 60.0)));
        double base = uniform(0, 1), exponent = uniform(0.1, 4);
        double errors[6] = {
            ulpError(sameSin(a), sinl(a)),           ulpError(sameCos(a), cosl(a)),
            ulpError(sameSin(f), sinl(f)),           ulpError(sameCos(f), cosl(f)),
            ulpError(sameAtan2(a, b), atan2l(a, b)), ulpError(samePow(base, exponent), powl(base, exponent))};
        for (int k = 0; k < 6; ++k) worst[k] = std::max(worst[k], errors[k]);
    }
    const char* names[6] = {"sin", "cos", "sin (float)", "cos (float)", "atan2", "pow"};
    for (int k = 0; k < 6; ++k) EXPECT_LT(worst[k], kMostUlps) << names[k];
}

// The quick sin and cos give the whole series' double for every argument: angles over the
// pictures' ranges, near multiples of pi/4 (where the reduced angle or the result is small, or
// sin and cos swap series), floats widened, and tiny ones.
TEST(SameMath, TheQuickSinAndCosAreTheWholeSeriesBitForBit) {
    const double quarter = 0.78539816339744830962;
    auto check = [](double x) {
        ASSERT_EQ(std::bit_cast<uint64_t>(sameSin(x)), std::bit_cast<uint64_t>(sameSinPlain(x)))
            << "sin " << x;
        ASSERT_EQ(std::bit_cast<uint64_t>(sameCos(x)), std::bit_cast<uint64_t>(sameCosPlain(x)))
            << "cos " << x;
    };
    for (int i = 0; i < 150000; ++i) {
        check(uniform(-kWidestAngle, kWidestAngle));
        check(double(float(uniform(-100, 100))));
        check(std::round(uniform(-4000, 4000)) * quarter + uniform(-1e-6, 1e-6));
        check(uniform(-1e-3, 1e-3) * std::pow(2.0, -uniform(0, 40)));
    }
    for (double x : {0.0, -0.0, 1e-300, 5e-324, quarter, -quarter, 2 * quarter, 1647098.9}) check(x);
}

TEST(SameMath, ExactCasesAndTheRulesAtZeros) {
    const double pi = 3.141592653589793;
    struct Case {
        const char* what;
        double got, expected;
    } cases[] = {
        {"sin 0", sameSin(0.0), 0.0},
        {"cos 0", sameCos(0.0), 1.0},
        {"sin -0 keeps its sign", 1 / sameSin(-0.0), -INFINITY},
        {"sin pi/2", sameSin(pi / 2), 1.0},
        {"cos pi", sameCos(pi), -1.0},
        {"atan2(+0, +0)", sameAtan2(0.0, 0.0), 0.0},
        {"atan2(+0, -0)", sameAtan2(0.0, -0.0), pi},
        {"atan2(-0, -0)", sameAtan2(-0.0, -0.0), -pi},
        {"atan2(-0, +1) keeps its sign", 1 / sameAtan2(-0.0, 1.0), -INFINITY},
        {"atan2(1, 0)", sameAtan2(1.0, 0.0), pi / 2},
        {"atan2(-1, 0)", sameAtan2(-1.0, 0.0), -pi / 2},
        {"atan2(1, 1)", sameAtan2(1.0, 1.0), pi / 4},
        {"atan2(-1, -1)", sameAtan2(-1.0, -1.0), -3 * pi / 4},
        {"atan2(1, -1e-300)", sameAtan2(1.0, -1e-300), pi / 2},
        {"pow(x, 1)", samePow(0.3, 1.0), 0.3},
        {"pow(x, 0)", samePow(0.3, 0.0), 1.0},
        {"pow(0, 0)", samePow(0.0, 0.0), 1.0},
        {"pow(0, 2)", samePow(0.0, 2.0), 0.0},
        {"pow(0.25, 0.5)", samePow(0.25, 0.5), 0.5},
        {"pow(0.5, 3)", samePow(0.5, 3.0), 0.125},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.expected) << c.what;
    EXPECT_EQ(sameSin(float(pi / 2)), 1.0f);
    EXPECT_TRUE(std::isnan(sameSin(INFINITY)));
    EXPECT_TRUE(std::isnan(samePow(-1.0, 2.0)));
}

} // namespace
