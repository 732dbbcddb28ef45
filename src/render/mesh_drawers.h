// mesh_drawers: meshes (and a floor square) to screen triangles.
//
// One pipeline: corners to camera space by the object-to-camera matrix, the
// polygon clipped against z = nearPlane, corners projected with renderTarget's
// focal lengths and centre, the polygon fanned into triangles for a filler.
// The camera looks along +z from the origin; rows grow with y. Faces of kind
// 1 and 255 are skipped, and the mesh drawers skip faces whose centroid-to-
// normal test is negative. Set renderTarget.texture before the bilinear and
// keyed drawers. A clipped polygon never outgrows kClipCapacity corners.
#pragma once

#include "datapool/mesh.h"
#include "math/matrix.h"
#include "render/render_target.h"

constexpr double nearPlane = 0.321;
constexpr int kClipCapacity = kMaxFaceCorners + 2; // clipping adds at most one corner

struct ClipVertex {
    float x, y, z;
    double u, v;
};

int clipNear(ClipVertex* polygon, int count);
// Screen column (unrounded) and row (truncated) of a camera-space point.
ScreenVertex projectVertex(float x, float y, float z);

// Fans a clipped polygon into triangles; corner(v) makes a ScreenVertex.
template <typename Corner, typename Triangle>
void fanPolygon(const ClipVertex* polygon, int count, Corner corner, Triangle triangle) {
    if (count <= 2) return;
    ScreenVertex first = corner(polygon[0]);
    for (int k = 1; k + 1 < count; ++k) triangle(first, corner(polygon[k]), corner(polygon[k + 1]));
}

void drawMeshPerspectiveBilinear(const Mesh& mesh, const Matrix4& m);
void drawMeshPerspectiveKeyed(const Mesh& mesh, const Matrix4& m);
void drawMeshTextured(const Mesh& mesh, const Matrix4& m);
void drawMeshInvertBlend(const Mesh& mesh, const Matrix4& m);
void drawMeshFlat(const Mesh& mesh, const Matrix4& m);
void drawMeshTextured2(const Matrix4& m, float height);

// The flat drawer's colour for a shade 0..511: black, through red, to white.
uint32_t flatShadeColour(int shade);
