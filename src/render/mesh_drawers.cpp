#include "render/mesh_drawers.h"

#include <cmath>

namespace {

enum class Corners { kTexture, kEnvironment };
enum class Fill { kLightmapped, kKeyed, kEnvMapped, kInverseBlend, kFlat };

bool inside(const ClipVertex& v) {
    return double(v.z) > nearPlane;
}

ClipVertex crossing(const ClipVertex& from, const ClipVertex& to) {
    float t = float((nearPlane - double(from.z)) / double(to.z - from.z));
    return {from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t, float(nearPlane),
            from.u + (to.u - from.u) * t, from.v + (to.v - from.v) * t};
}

template <Fill fill> void drawMesh(const Mesh& mesh, const Matrix4& m) {
    constexpr bool textured = fill == Fill::kLightmapped || fill == Fill::kKeyed;
    for (uint32_t f = 0; f < mesh.faceCount && f < uint32_t(kMeshFaces); ++f) {
        const MeshFace& face = mesh.faces[f];
        if (face.faceKind == 1 || face.faceKind == 255) continue;
        Vector3 q = transformPoint(m, face.centroid), n = transformDirection(m, face.normal);
        float facing = q.x * n.x + q.y * n.y + q.z * n.z;
        if (!(facing >= 0)) continue;
        uint32_t colour = 0;
        if constexpr (fill == Fill::kFlat) {
            double ql = std::sqrt(double(q.x) * q.x + double(q.y) * q.y + double(q.z) * q.z);
            double nl = std::sqrt(double(n.x) * n.x + double(n.y) * n.y + double(n.z) * n.z);
            double cosine = (q.x / ql) * (n.x / nl) + (q.y / ql) * (n.y / nl) + (q.z / ql) * (n.z / nl);
            colour = flatShadeColour(int(truncateWide(511 * cosine)));
        }
        ClipVertex polygon[kClipCapacity] = {};
        int count = face.cornerCount <= kMaxFaceCorners ? face.cornerCount : 0;
        if (face.firstCorner + count > kMeshCorners) count = 0;
        for (int i = 0; i < count; ++i) {
            int corner = face.firstCorner + i;
            uint16_t vertex = mesh.cornerVertex[corner];
            if (vertex >= kMeshVertices) {
                count = 0;
                break;
            }
            Vector3 p = transformPoint(m, mesh.vertices[vertex]);
            ClipVertex& c = polygon[i];
            c.x = p.x;
            c.y = p.y;
            c.z = p.z;
            if constexpr (textured) {
                c.u = double(uint32_t(mesh.cornerU[corner]));
                c.v = double(uint32_t(mesh.cornerV[corner]));
            } else {
                Vector3 normal = transformDirection(m, mesh.vertexNormals[vertex]);
                c.u = normal.x * 127.0 + 128;
                c.v = normal.y * 127.0 + 128;
            }
        }
        count = clipNear(polygon, count);
        auto corner = [](const ClipVertex& c) {
            ScreenVertex s = projectVertex(c.x, c.y, c.z);
            if constexpr (textured) {
                float q = 1.0f / c.z;
                s.u = c.u * q;
                s.v = c.v * q;
                s.w = 65536.0 * q;
            } else {
                s.u = c.u;
                s.v = c.v;
                s.w = 65536.0 / double(c.z);
            }
            return s;
        };
        fanPolygon(polygon, count, corner,
                   [colour](const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c) {
                       switch (fill) {
                       case Fill::kLightmapped:
                           fillTriangleLightmapped(a, b, c);
                           break;
                       case Fill::kKeyed:
                           fillTriangleKeyed(a, b, c);
                           break;
                       case Fill::kEnvMapped:
                           fillTriangleEnvMapped(a, b, c);
                           break;
                       case Fill::kInverseBlend:
                           fillTriangleInverseBlend(a, b, c);
                           break;
                       case Fill::kFlat:
                           fillTriangleFlat(a, b, c, colour);
                           break;
                       }
                   });
    }
}

} // namespace

int clipNear(ClipVertex* polygon, int count) {
    if (count <= 0) return 0;
    ClipVertex out[kClipCapacity];
    int emitted = 0;
    for (int k = 0; k < count; ++k) {
        const ClipVertex& current = polygon[k];
        const ClipVertex& previous = polygon[k == 0 ? count - 1 : k - 1];
        bool in = inside(current), previousIn = inside(previous);
        // Every corner emits at most two and the crossings pair up, so a
        // convex or concave polygon of n corners gains at most one here;
        // the check keeps even a strange one inside the array.
        if (in && !previousIn && emitted < kClipCapacity) out[emitted++] = crossing(previous, current);
        if (in && emitted < kClipCapacity) out[emitted++] = current;
        if (!in && previousIn && emitted < kClipCapacity) out[emitted++] = crossing(current, previous);
    }
    for (int i = 0; i < emitted; ++i) polygon[i] = out[i];
    return emitted;
}

ScreenVertex projectVertex(float x, float y, float z) {
    const RenderTarget& rt = renderTarget;
    double sx = double(x) * rt.focalX / double(z) + rt.centreX;
    int32_t sy = truncateCoordinate(double(y) * rt.focalY / double(z) + rt.centreY);
    return {sx, sy, 0, 0, 0};
}

uint32_t flatShadeColour(int shade) {
    if (shade < 0) shade = 0;
    if (shade > 511) shade = 511;
    return shade < 256 ? uint32_t(shade) * 65536 : 0xFF0000 + uint32_t(shade - 256) * 257;
}

void drawMeshPerspectiveBilinear(const Mesh& mesh, const Matrix4& m) {
    drawMesh<Fill::kLightmapped>(mesh, m);
}
void drawMeshPerspectiveKeyed(const Mesh& mesh, const Matrix4& m) {
    drawMesh<Fill::kKeyed>(mesh, m);
}
void drawMeshTextured(const Mesh& mesh, const Matrix4& m) {
    drawMesh<Fill::kEnvMapped>(mesh, m);
}
void drawMeshInvertBlend(const Mesh& mesh, const Matrix4& m) {
    drawMesh<Fill::kInverseBlend>(mesh, m);
}
void drawMeshFlat(const Mesh& mesh, const Matrix4& m) {
    drawMesh<Fill::kFlat>(mesh, m);
}

void drawMeshTextured2(const Matrix4& m, float height) {
    const Vector3 corners[4] = {
        {-100, height, 100}, {-100, height, -100}, {100, height, -100}, {100, height, 100}};
    ClipVertex polygon[kClipCapacity] = {};
    for (int i = 0; i < 4; ++i) {
        Vector3 p = transformPoint(m, corners[i]);
        polygon[i] = {p.x, p.y, p.z, 128, 128};
    }
    int count = clipNear(polygon, 4);
    auto corner = [](const ClipVertex& c) {
        ScreenVertex s = projectVertex(c.x, c.y, c.z);
        s.u = c.u;
        s.v = c.v;
        s.w = 65536.0 / double(c.z);
        return s;
    };
    fanPolygon(polygon, count, corner, fillTriangleEnvMapped);
}
