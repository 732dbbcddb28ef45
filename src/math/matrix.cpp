#include "math/matrix.h"

#include "math/same_math.h"

#include <cmath>

const Matrix4 identityMatrix = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

void zeroVector3(Vector3* v) {
    *v = {0, 0, 0};
}

void rotateVector3(const Matrix4& m, Vector3* v) {
    *v = transformDirection(m, *v);
}

void multiplyMatrix4(Matrix4* m, const Matrix4& b) {
    Matrix4 product;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            float sum = m->m[4 * r] * b.m[c];
            for (int k = 1; k < 4; ++k) sum += m->m[4 * r + k] * b.m[4 * k + c];
            product.m[4 * r + c] = sum;
        }
    *m = product;
}

void translateMatrix4(Matrix4* m, float x, float y, float z) {
    Matrix4 t = identityMatrix;
    t.m[12] = x;
    t.m[13] = y;
    t.m[14] = z;
    multiplyMatrix4(m, t);
}

namespace {

// Rotation in the plane of axes i and j: [i][i] = [j][j] = cos, [i][j] = sin, [j][i] = -sin.
void rotate(Matrix4* m, float angle, int i, int j) {
    float c = static_cast<float>(sameCos(static_cast<double>(angle)));
    float s = static_cast<float>(sameSin(static_cast<double>(angle)));
    Matrix4 r = identityMatrix;
    r.m[4 * i + i] = c;
    r.m[4 * i + j] = s;
    r.m[4 * j + i] = -s;
    r.m[4 * j + j] = c;
    multiplyMatrix4(m, r);
}

} // namespace

void rotateMatrix4X(Matrix4* m, float angle) {
    rotate(m, angle, 1, 2);
}
void rotateMatrix4Y(Matrix4* m, float angle) {
    rotate(m, angle, 0, 2);
}
void rotateMatrix4Z(Matrix4* m, float angle) {
    rotate(m, angle, 0, 1);
}

Vector3 transformPoint(const Matrix4& m, const Vector3& p) {
    const float* a = m.m;
    return {p.x * a[0] + p.y * a[4] + p.z * a[8] + a[12], p.x * a[1] + p.y * a[5] + p.z * a[9] + a[13],
            p.x * a[2] + p.y * a[6] + p.z * a[10] + a[14]};
}

Vector3 transformDirection(const Matrix4& m, const Vector3& d) {
    const float* a = m.m;
    return {d.x * a[0] + d.y * a[4] + d.z * a[8], d.x * a[1] + d.y * a[5] + d.z * a[9],
            d.x * a[2] + d.y * a[6] + d.z * a[10]};
}
