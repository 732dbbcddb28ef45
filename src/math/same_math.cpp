#include "math/same_math.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

// A double-double: the unevaluated sum hi + lo, |lo| at most half an ulp of hi.
struct Wide {
    double hi, lo;
};

Wide twoSum(double a, double b) {
    double s = a + b;
    double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

Wide quickTwoSum(double a, double b) { // |a| >= |b|
    double s = a + b;
    return {s, b - (s - a)};
}

// Dekker's exact product, without relying on a fused multiply-add.
Wide twoProduct(double a, double b) {
    constexpr double kSplit = 134217729.0; // 2^27 + 1
    double p = a * b;
    double ta = kSplit * a, tb = kSplit * b;
    double ah = ta - (ta - a), al = a - ah;
    double bh = tb - (tb - b), bl = b - bh;
    return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

Wide add(Wide a, Wide b) {
    Wide s = twoSum(a.hi, b.hi);
    Wide t = twoSum(a.lo, b.lo);
    s = quickTwoSum(s.hi, s.lo + t.hi);
    return quickTwoSum(s.hi, s.lo + t.lo);
}

Wide negate(Wide a) {
    return {-a.hi, -a.lo};
}

Wide subtract(Wide a, Wide b) {
    return add(a, negate(b));
}

Wide multiply(Wide a, Wide b) {
    Wide p = twoProduct(a.hi, b.hi);
    return quickTwoSum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}

Wide multiply(Wide a, double b) {
    Wide p = twoProduct(a.hi, b);
    return quickTwoSum(p.hi, p.lo + a.lo * b);
}

Wide divide(Wide a, Wide b) {
    double q1 = a.hi / b.hi;
    Wide r = subtract(a, multiply(b, q1));
    double q2 = r.hi / b.hi;
    r = subtract(r, multiply(b, q2));
    double q3 = r.hi / b.hi;
    return add(quickTwoSum(q1, q2), Wide{q3, 0});
}

Wide squareRoot(Wide a) { // a > 0; the correctly rounded square root, then one Newton step
    double x = std::sqrt(a.hi);
    Wide square = twoProduct(x, x);
    return quickTwoSum(x, ((a.hi - square.hi) - square.lo + a.lo) / (2 * x));
}

constexpr Wide kPi = {3.141592653589793116, 1.2246467991473532e-16};
constexpr Wide kHalfPi = {kPi.hi / 2, kPi.lo / 2};
constexpr Wide kLn2 = {0.6931471805599452862, 2.319046813846299558e-17};

// Taylor coefficients, worked out once in double-double.
template <int N> struct Coefficients { Wide c[N]; };

// c[n] = (-1)^n / (2n + odd)!: the series of sin (odd 1) and cos (odd 0) in z = r^2.
template <int N> Coefficients<N> alternatingFactorials(int odd) {
    Coefficients<N> table{};
    Wide term = {1, 0};
    for (int n = 0, k = 1; n < N; ++n) {
        table.c[n] = n % 2 ? negate(term) : term;
        for (int step = 0; step < 2; ++step) term = divide(term, Wide{double(k++ + odd), 0});
    }
    return table;
}

template <int N> Wide horner(const Coefficients<N>& table, Wide z) {
    Wide sum = table.c[N - 1];
    for (int n = N - 2; n >= 0; --n) sum = add(multiply(sum, z), table.c[n]);
    return sum;
}

// For |r| <= pi/4 and a little over: the terms fall below 2^-110 of the first.
constexpr int kTrigTerms = 15;

Wide sinOfReduced(Wide r) {
    static const Coefficients<kTrigTerms> table = alternatingFactorials<kTrigTerms>(1);
    return multiply(horner(table, multiply(r, r)), r);
}

Wide cosOfReduced(Wide r) {
    static const Coefficients<kTrigTerms> table = alternatingFactorials<kTrigTerms>(0);
    return horner(table, multiply(r, r));
}

// x = k pi/2 + r, |r| about pi/4 at most. pi/2 in three 33-bit parts and a tail: k times a part is
// exact for |k| < 2^20, and x - k * the first part is exact (the two are within a factor two).
Wide reduce(double x, int* quadrant) {
    constexpr double kPart1 = 1.57079632673412561417e+00, kPart2 = 6.07710050630396597660e-11,
                     kPart3 = 2.02226624871116645580e-21, kTail = 8.47842766036889956997e-32;
    double k = std::nearbyint(x * (2 / kPi.hi));
    Wide r = {x - k * kPart1, 0};
    r = add(r, Wide{-k * kPart2, 0});
    r = add(r, Wide{-k * kPart3, 0});
    r = add(r, Wide{-k * kTail, 0});
    *quadrant = int(int64_t(k) & 3);
    return r;
}

// sin (phase 0) or cos (phase 1) of x.
Wide trig(double x, int phase) {
    int quadrant;
    Wide r = reduce(x, &quadrant);
    switch ((quadrant + phase) & 3) {
    case 0:
        return sinOfReduced(r);
    case 1:
        return cosOfReduced(r);
    case 2:
        return negate(sinOfReduced(r));
    default:
        return negate(cosOfReduced(r));
    }
}

// The same sin or cos of x rounded to a double, the quick way where that is certain, or false.
// The first four terms of the series go in double-double, the rest (below 4e-6 of the result)
// in doubles: the sum is within 2^-66 of the result's size of the exact value, and of the full
// series' sum. Where every value within 2^-62 of it rounds to one double, that is the double the
// full series rounds to; else (about one argument in 300) the caller sums the whole series.
bool quickTrig(double x, int phase, double* out) {
    static const Coefficients<kTrigTerms> sinTable = alternatingFactorials<kTrigTerms>(1);
    static const Coefficients<kTrigTerms> cosTable = alternatingFactorials<kTrigTerms>(0);
    constexpr int kWideTerms = 4; // z^0 .. z^3 in double-double; z^4 .. z^9 in doubles
    constexpr int kTerms = 10;    // z^10 / 20! is below 2^-72 of the result
    int quadrant;
    Wide r = reduce(x, &quadrant);
    int which = (quadrant + phase) & 3;
    bool cosine = which & 1;
    const Coefficients<kTrigTerms>& table = cosine ? cosTable : sinTable;
    Wide z = multiply(r, r);
    double tail = table.c[kTerms - 1].hi;
    for (int n = kTerms - 2; n >= kWideTerms; --n) tail = tail * z.hi + table.c[n].hi;
    Wide power = z; // z^n, n from 1
    Wide sum = table.c[0];
    for (int n = 1; n < kWideTerms; ++n) {
        sum = add(sum, multiply(power, table.c[n]));
        power = multiply(power, z);
    }
    sum = add(sum, Wide{power.hi * tail, 0}); // power is z^kWideTerms now
    if (!cosine) sum = multiply(sum, r);
    if (which >= 2) sum = negate(sum);
    double y = sum.hi + sum.lo;
    if (y == 0 || !std::isfinite(y)) return false;
    // Where the exact value may lie, against the midpoints to y's neighbours.
    double off = (sum.hi - y) + sum.lo, margin = std::fabs(y) * 0x1p-62;
    double away = y > 0 ? off : -off, size = std::fabs(y);
    double gapUp = std::nextafter(size, INFINITY) - size, gapDown = size - std::nextafter(size, 0.0);
    bool certain = away >= 0 ? away + margin < gapUp / 2 : -away + margin < gapDown / 2;
    if (certain) *out = y;
    return certain;
}

bool reachable(double x) {
    return std::isfinite(x) && std::fabs(x) < 1647099.0; // 2^20 * pi/2
}

// The float nearest hi + lo (ties to even), without rounding twice.
float toFloat(Wide v) {
    float f = float(v.hi);
    if (double(f) == v.hi || v.lo == 0) return f;
    float other = std::nextafter(f, v.hi > double(f) ? std::numeric_limits<float>::infinity()
                                                     : -std::numeric_limits<float>::infinity());
    // hi exactly halfway between two floats: lo says which side the exact value is on.
    if (double(f) + double(other) != 2 * v.hi) return f;
    return (v.lo > 0) == (double(other) > double(f)) ? other : f;
}

// atan(t) for 0 <= t <= 1: halved three times (atan t = 2 atan(t / (1 + sqrt(1 + t^2)))), then
// the series of u <= tan(pi/32).
Wide atanOfUnit(Wide t) {
    static const Coefficients<18> table = [] {
        Coefficients<18> odd{};
        for (int n = 0; n < 18; ++n) {
            Wide c = divide(Wide{1, 0}, Wide{double(2 * n + 1), 0});
            odd.c[n] = n % 2 ? negate(c) : c;
        }
        return odd;
    }();
    for (int i = 0; i < 3; ++i) t = divide(t, add(Wide{1, 0}, squareRoot(add(Wide{1, 0}, multiply(t, t)))));
    Wide sum = multiply(horner(table, multiply(t, t)), t);
    return {sum.hi * 8, sum.lo * 8};
}

// ln(x) for finite x > 0: x = 2^e m with m in [sqrt 1/2, sqrt 2), ln m = 2 atanh((m - 1) / (m + 1)).
Wide logOf(double x) {
    static const Coefficients<24> table = [] {
        Coefficients<24> odd{};
        for (int n = 0; n < 24; ++n) odd.c[n] = divide(Wide{2, 0}, Wide{double(2 * n + 1), 0});
        return odd;
    }();
    int exponent;
    double m = std::frexp(x, &exponent);
    if (m < 0.70710678118654752) {
        m *= 2;
        --exponent;
    }
    Wide s = divide(Wide{m - 1, 0}, twoSum(m, 1));
    Wide lnM = multiply(horner(table, multiply(s, s)), s);
    return add(multiply(kLn2, double(exponent)), lnM);
}

// e^y: y = k ln 2 + r, e^r from the series of r / 256 squared eight times.
double expOf(Wide y) {
    if (y.hi > 709.8) return std::numeric_limits<double>::infinity();
    if (y.hi < -745.2) return 0;
    static const Coefficients<12> table = [] {
        Coefficients<12> inverse{};
        Wide term = {1, 0};
        for (int n = 0; n < 12; ++n) {
            inverse.c[n] = term;
            term = divide(term, Wide{double(n + 1), 0});
        }
        return inverse;
    }();
    double k = std::nearbyint(y.hi / kLn2.hi);
    Wide r = subtract(y, multiply(kLn2, k));
    r = {r.hi / 256, r.lo / 256};
    Wide e = horner(table, r);
    for (int i = 0; i < 8; ++i) e = multiply(e, e);
    return std::ldexp(e.hi + e.lo, int(k));
}

} // namespace

double sameSin(double x) {
    if (!reachable(x)) return std::numeric_limits<double>::quiet_NaN();
    if (x == 0) return x; // -0 keeps its sign
    double quick;
    return quickTrig(x, 0, &quick) ? quick : sameSinPlain(x);
}

double sameCos(double x) {
    if (!reachable(x)) return std::numeric_limits<double>::quiet_NaN();
    double quick;
    return quickTrig(x, 1, &quick) ? quick : sameCosPlain(x);
}

double sameSinPlain(double x) {
    if (!reachable(x)) return std::numeric_limits<double>::quiet_NaN();
    if (x == 0) return x;
    Wide v = trig(x, 0);
    return v.hi + v.lo;
}

double sameCosPlain(double x) {
    if (!reachable(x)) return std::numeric_limits<double>::quiet_NaN();
    Wide v = trig(x, 1);
    return v.hi + v.lo;
}

float sameSin(float x) {
    if (!reachable(x)) return std::numeric_limits<float>::quiet_NaN();
    if (x == 0) return x;
    return toFloat(trig(x, 0));
}

float sameCos(float x) {
    if (!reachable(x)) return std::numeric_limits<float>::quiet_NaN();
    return toFloat(trig(x, 1));
}

double sameAtan2(double y, double x) {
    if (!std::isfinite(x) || !std::isfinite(y)) return std::numeric_limits<double>::quiet_NaN();
    if (y == 0) return std::signbit(x) ? std::copysign(kPi.hi, y) : y; // atan2(+-0, -0) is +-pi
    if (x == 0) return std::copysign(kHalfPi.hi, y);
    double ax = std::fabs(x), ay = std::fabs(y);
    Wide angle = ay <= ax ? atanOfUnit(divide(Wide{ay, 0}, Wide{ax, 0}))
                          : subtract(kHalfPi, atanOfUnit(divide(Wide{ax, 0}, Wide{ay, 0})));
    if (x < 0) angle = subtract(kPi, angle);
    return std::copysign(angle.hi + angle.lo, y);
}

double samePow(double base, double exponent) {
    if (!std::isfinite(base) || !std::isfinite(exponent) || base < 0)
        return std::numeric_limits<double>::quiet_NaN();
    if (exponent == 0 || base == 1) return 1;
    if (base == 0) return exponent > 0 ? 0 : std::numeric_limits<double>::infinity();
    return expOf(multiply(logOf(base), exponent));
}
