#include "effects/camera_path.h"

#include <cmath>

CameraPath cameraPaths[kPathCount];

namespace {

constexpr float kHundredth = 0.01f;
constexpr double kDegree = 0.017453292516666667;

bool isDigit(uint8_t c) {
    return c >= '0' && c <= '9';
}
int hexValue(uint8_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

struct Double3 {
    double x, y, z;
};
Double3 toDouble(const Vector3& v) {
    return {v.x, v.y, v.z};
}
Double3 minus(Double3 a, Double3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
double lengthOf(Double3 a) {
    return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
}
// A zero vector has no direction; it stays zero rather than turning into NaN.
Double3 unit(Double3 a) {
    double l = lengthOf(a);
    return l > 0 ? Double3{a.x / l, a.y / l, a.z / l} : Double3{0, 0, 0};
}
Vector3 toFloat(Double3 a) {
    return {float(a.x), float(a.y), float(a.z)};
}

} // namespace

void appendPathKey(CameraPath* path, float x, float y, float z, float duration, double angle) {
    if (path->keyCount >= kPathKeys) return;
    path->keys[path->keyCount++] = {x, y, z, duration, angle};
}

int parsePathText(CameraPath* path, const uint8_t* text, uint32_t length) {
    int n = 0;
    int64_t sign = 1;
    float pending[4] = {};
    uint32_t i = 0;
    while (i < length) {
        uint8_t c = text[i];
        if (c == '#') {
            while (i < length && text[i] != '\r' && text[i] != '\n') ++i;
            if (i == length) break;
            continue; // the line end is read as an ordinary byte
        }
        if (c == '/' && i + 1 < length && text[i + 1] == '*') {
            uint32_t j = i + 2;
            while (j + 1 < length && !(text[j] == '*' && text[j + 1] == '/')) ++j;
            if (j + 1 >= length) break; // never closed
            i = j + 2;
            continue;
        }
        if (c == '(' || c == '{') {
            if (path->groupCount < kPathGroups) path->groupStart[path->groupCount] = path->keyCount;
            ++i;
            continue;
        }
        if (c == ')' || c == '}') {
            if (path->groupCount < kPathGroups) {
                path->groupLength[path->groupCount] = path->keyCount - path->groupStart[path->groupCount];
                ++path->groupCount;
            }
            n = 0;
            ++i;
            continue;
        }
        if (c == '-') {
            sign = -sign;
            ++i;
            continue;
        }
        if (!isDigit(c)) {
            ++i;
            continue;
        }
        uint32_t number = 0;
        if (c == '0' && i + 1 < length && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
            i += 2;
            for (int h; i < length && (h = hexValue(text[i])) >= 0; ++i) number = number * 16 + uint32_t(h);
        } else {
            for (; i < length && isDigit(text[i]); ++i) number = number * 10 + uint32_t(text[i] - '0');
        }
        int64_t value = sign * int64_t{number};
        sign = 1;
        if (n < 3) {
            pending[n] = static_cast<float>(value) * kHundredth;
        } else if (n == 3) {
            pending[3] = static_cast<float>(value);
        } else {
            appendPathKey(path, pending[0], pending[1], pending[2], pending[3],
                          static_cast<double>(value) * kDegree);
            n = 0;
            continue;
        }
        ++n;
    }
    return path->groupCount;
}

void makeCurveSegment(Vector3 out[4], const Vector3& p0, const Vector3& c1, const Vector3& c2,
                      const Vector3& p1) {
    out[0] = {2 * c1.x - 2 * c2.x, 2 * c1.y - 2 * c2.y, 2 * c1.z - 2 * c2.z};
    out[1] = {p0.x - 4 * c1.x + 2 * c2.x + p1.x, p0.y - 4 * c1.y + 2 * c2.y + p1.y,
              p0.z - 4 * c1.z + 2 * c2.z + p1.z};
    out[2] = {2 * c1.x - 2 * p0.x, 2 * c1.y - 2 * p0.y, 2 * c1.z - 2 * p0.z};
    out[3] = p0;
}

void evaluateCurveSegment(Vector3* out, const Vector3 k[4], float t) {
    float t2 = t * t, t3 = t2 * t;
    *out = {k[0].x * t3 + k[1].x * t2 + k[2].x * t + k[3].x, k[0].y * t3 + k[1].y * t2 + k[2].y * t + k[3].y,
            k[0].z * t3 + k[1].z * t2 + k[2].z * t + k[3].z};
}

Vector3* sampleCameraPath(const CameraPath* path, Vector3* outPosition, float* outAngle, double time,
                          int group) {
    *outPosition = {0, 0, 0};
    *outAngle = 0;
    if (group < 0 || group >= path->groupCount || group >= kPathGroups) return outPosition;
    int start = path->groupStart[group], length = path->groupLength[group];
    if (length <= 0 || start < 0 || start + length > path->keyCount) return outPosition;

    // Durations come from the path's first keys, whatever the group.
    int segment = 0;
    double fraction = 0, sum = 0;
    for (int i = 0; i < 65536; ++i) {
        int c = i % length;
        double d = path->keys[c].duration;
        if (sum <= time && time < sum + d) {
            segment = c;
            fraction = (time - sum) / d;
            break;
        }
        sum += d;
    }
    auto key = [&](int k) -> const PathKey& { return path->keys[start + k % length]; };
    auto point = [&](int k) { return Vector3{key(k).x, key(k).y, key(k).z}; };
    *outAngle = static_cast<float>((1 - fraction) * key(segment).angle + fraction * key(segment + 1).angle);

    Double3 pm = toDouble(point(segment - 1 + length)), p0 = toDouble(point(segment)),
            p1 = toDouble(point(segment + 1)), p2 = toDouble(point(segment + 2));
    Double3 dirIn = unit(minus(p0, pm)), edge = minus(p1, p0), dirOut = unit(minus(p2, p1));
    double len = lengthOf(edge);
    Double3 dirMid = unit(edge);
    const double third = 0.3333333333333333;
    Double3 c1 = {p0.x + len * (dirIn.x + dirMid.x) * third, p0.y + len * (dirIn.y + dirMid.y) * third,
                  p0.z + len * (dirIn.z + dirMid.z) * third};
    Double3 c2 = {p1.x - len * (dirMid.x + dirOut.x) * third, p1.y - len * (dirMid.y + dirOut.y) * third,
                  p1.z - len * (dirMid.z + dirOut.z) * third};
    Vector3 coefficients[4];
    makeCurveSegment(coefficients, point(segment), toFloat(c1), toFloat(c2), point(segment + 1));
    evaluateCurveSegment(outPosition, coefficients, static_cast<float>(fraction));
    return outPosition;
}
