// matrix: 4 x 4 float matrices and three-float vectors for every 3-D transform.
//
// Row-major (element [r][c] at 4r + c), row vectors: v' = v M, translation in
// the last row. Builders multiply onto the right, so the first operation
// applied to a matrix is the first applied to a vertex. Sine and cosine are
// taken in double and stored as floats.
#pragma once

#include "math/vector3.h"

struct Matrix4 {
    float m[16];
};
static_assert(sizeof(Matrix4) == 64);

extern const Matrix4 identityMatrix;

void zeroVector3(Vector3* v);
void rotateVector3(const Matrix4& m, Vector3* v);   // upper 3 x 3 only
void multiplyMatrix4(Matrix4* m, const Matrix4& b); // m = m b; b may be m
void translateMatrix4(Matrix4* m, float x, float y, float z);
void rotateMatrix4X(Matrix4* m, float angle);
void rotateMatrix4Y(Matrix4* m, float angle);
void rotateMatrix4Z(Matrix4* m, float angle);

// A point (with translation) and a direction (without) through m.
Vector3 transformPoint(const Matrix4& m, const Vector3& p);
Vector3 transformDirection(const Matrix4& m, const Vector3& d);
