#include "tools/poolmaker/model.h"

#include <algorithm>
#include <cmath>
#include <cstring>

double dot(Vec a, Vec b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec cross(Vec a, Vec b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double length(Vec a) {
    return std::sqrt(dot(a, a));
}
Vec normalize(Vec a) {
    double l = length(a);
    return l > 0 ? a * (1 / l) : Vec{};
}

Colour hexColour(uint32_t rgb) {
    return {((rgb >> 16) & 255) / 255.0, ((rgb >> 8) & 255) / 255.0, (rgb & 255) / 255.0};
}

uint32_t packColour(Colour c) {
    auto channel = [](double v) { return uint32_t(std::clamp(v, 0.0, 1.0) * 255.0 + 0.5); };
    return channel(c.r) << 16 | channel(c.g) << 8 | channel(c.b);
}

int addVertex(Model& m, Vec p) {
    for (size_t i = 0; i < m.vertices.size(); ++i)
        if (length(m.vertices[i] - p) < 1e-9) return int(i);
    m.vertices.push_back(p);
    return int(m.vertices.size() - 1);
}

void addQuad(Model& m, Vec a, Vec b, Vec c, Vec d, Colour albedo, Colour emission) {
    ModelFace f;
    f.corners = {addVertex(m, a), addVertex(m, b), addVertex(m, c), addVertex(m, d)};
    f.albedo = albedo;
    f.emission = emission;
    m.faces.push_back(f);
}

void addTriangle(Model& m, Vec a, Vec b, Vec c, Colour albedo) {
    ModelFace f;
    f.corners = {addVertex(m, a), addVertex(m, b), addVertex(m, c)};
    f.albedo = albedo;
    m.faces.push_back(f);
}

void addBox(Model& m, Vec lo, Vec hi, Colour albedo, bool inside, bool bottom) {
    Vec p[8] = {{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z}, {lo.x, hi.y, lo.z},
                {lo.x, lo.y, hi.z}, {hi.x, lo.y, hi.z}, {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}};
    addBoxCorners(m, p, albedo, inside, bottom);
}

void orientFace(Model& m, size_t face, Vec reference, bool away) {
    ModelFace& f = m.faces[face];
    Vec p0 = m.vertices[size_t(f.corners[0])];
    Vec n = cross(m.vertices[size_t(f.corners[1])] - p0, m.vertices[size_t(f.corners[2])] - p0);
    bool facesAway = dot(n, p0 - reference) > 0;
    if (facesAway != away) std::reverse(f.corners.begin(), f.corners.end());
}

void addBoxCorners(Model& m, const Vec p[8], Colour albedo, bool inside,
                   bool bottom) { // Outward windings; y grows downwards, so the "top" face is the low-y one.
    const int quads[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 4, 7, 3},
                             {1, 2, 6, 5}, {0, 1, 5, 4}, {3, 7, 6, 2}};
    for (int f = 0; f < 6; ++f) {
        if (!bottom && f == 5) continue; // the high-y face is the bottom
        const int* q = quads[f];
        if (inside)
            addQuad(m, p[q[3]], p[q[2]], p[q[1]], p[q[0]], albedo);
        else
            addQuad(m, p[q[0]], p[q[1]], p[q[2]], p[q[3]], albedo);
    }
}

void addBeam(Model& m, Vec from, Vec to, double w, Colour albedo) {
    Vec axis = normalize(to - from);
    Vec helper = std::fabs(axis.y) < 0.9 ? Vec{0, 1, 0} : Vec{1, 0, 0};
    Vec side = normalize(cross(axis, helper)) * w, up = normalize(cross(side, axis)) * w;
    Vec ring[4] = {side + up, side * -1 + up, side * -1 + up * -1, side + up * -1};
    for (int k = 0; k < 4; ++k) {
        Vec a = from + ring[k], b = from + ring[(k + 1) % 4], c = to + ring[(k + 1) % 4], d = to + ring[k];
        Vec n = cross(b - a, c - a);
        if (dot(n, ring[k] + ring[(k + 1) % 4]) < 0)
            addQuad(m, d, c, b, a, albedo);
        else
            addQuad(m, a, b, c, d, albedo);
    }
}

void addLathe(Model& m, Vec centre, const std::vector<std::pair<double, double>>& profile, int segments,
              Colour albedo, bool capTop) {
    auto point = [&](size_t i, int s) {
        double a = 2 * M_PI * s / segments;
        return centre +
               Vec{profile[i].first * std::cos(a), -profile[i].second, profile[i].first * std::sin(a)};
    };
    for (size_t i = 0; i + 1 < profile.size(); ++i)
        for (int s = 0; s < segments; ++s) {
            Vec a = point(i, s), b = point(i, s + 1), c = point(i + 1, s + 1), d = point(i + 1, s);
            ModelFace f;
            f.albedo = albedo;
            f.smooth = true;
            // Outward: the profile climbs (towards -y) from a to d.
            Vec outward = normalize(Vec{a.x - centre.x, 0, a.z - centre.z});
            bool flip = dot(cross(b - a, d - a), outward) < 0;
            if (profile[i].first < 1e-9) { // a point at the bottom: a triangle
                f.corners = flip ? std::vector<int>{addVertex(m, c), addVertex(m, d), addVertex(m, a)}
                                 : std::vector<int>{addVertex(m, a), addVertex(m, d), addVertex(m, c)};
            } else if (profile[i + 1].first < 1e-9) {
                f.corners = flip ? std::vector<int>{addVertex(m, d), addVertex(m, b), addVertex(m, a)}
                                 : std::vector<int>{addVertex(m, a), addVertex(m, b), addVertex(m, d)};
            } else {
                f.corners = flip ? std::vector<int>{addVertex(m, a), addVertex(m, d), addVertex(m, c),
                                                    addVertex(m, b)}
                                 : std::vector<int>{addVertex(m, a), addVertex(m, b), addVertex(m, c),
                                                    addVertex(m, d)};
            }
            Vec n = cross(m.vertices[f.corners[1]] - m.vertices[f.corners[0]],
                          m.vertices[f.corners[2]] - m.vertices[f.corners[0]]);
            if (length(n) > 1e-12) m.faces.push_back(f);
        }
    if (capTop) {
        size_t last = profile.size() - 1;
        Vec top = centre + Vec{0, -profile[last].second, 0};
        for (int s = 0; s < segments; ++s) addTriangle(m, top, point(last, s + 1), point(last, s), albedo);
    }
}

namespace {

struct Triangle {
    Vec a, e1, e2;
    Vec centre;
    double radius;
};

bool hit(const std::vector<Triangle>& tris, Vec origin, Vec dir, double maxT) {
    for (const Triangle& t : tris) {
        // Quick reject: the ray's closest approach to the triangle's bounding sphere.
        Vec oc = t.centre - origin;
        double along = dot(oc, dir);
        if (along < -t.radius || along > maxT + t.radius) continue;
        if (dot(oc, oc) - along * along > t.radius * t.radius) continue;
        Vec p = cross(dir, t.e2);
        double det = dot(t.e1, p);
        if (std::fabs(det) < 1e-12) continue;
        double inv = 1 / det;
        Vec s = origin - t.a;
        double u = dot(s, p) * inv;
        if (u < 0 || u > 1) continue;
        Vec q = cross(s, t.e1);
        double v = dot(dir, q) * inv;
        if (v < 0 || u + v > 1) continue;
        double d = dot(t.e2, q) * inv;
        if (d > 1e-4 && d < maxT) return true;
    }
    return false;
}

void put32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
void put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void putFloat(std::vector<uint8_t>& b, double v) {
    float f = float(v);
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    put32(b, bits);
}

} // namespace

std::string bakeAndWrite(const Model& m, MeshFiles* out) {
    const size_t faceCount = m.faces.size();
    size_t cornerTotal = 0;
    for (const ModelFace& f : m.faces) cornerTotal += f.corners.size();
    if (m.vertices.size() > 1024)
        return m.name + ": " + std::to_string(m.vertices.size()) + " vertices (at most 1024)";
    if (faceCount > 2048 || faceCount == 0)
        return m.name + ": " + std::to_string(faceCount) + " faces (1 to 2048)";
    if (cornerTotal > 5120) return m.name + ": " + std::to_string(cornerTotal) + " corners (at most 5120)";
    const int rows = faceCount <= 1024 ? 8 : 4; // light texture rows per face

    std::vector<Triangle> tris;
    std::vector<Vec> faceNormal(faceCount);
    std::vector<Vec> vertexNormal(m.vertices.size());
    for (size_t f = 0; f < faceCount; ++f) {
        const ModelFace& face = m.faces[f];
        if (face.corners.size() < 3 || face.corners.size() > 4)
            return m.name + ": a face without 3 or 4 corners";
        for (int c : face.corners)
            if (c < 0 || size_t(c) >= m.vertices.size()) return m.name + ": a corner names a missing vertex";
        Vec p0 = m.vertices[face.corners[0]], p1 = m.vertices[face.corners[1]],
            p2 = m.vertices[face.corners[2]];
        Vec n = cross(p1 - p0, p2 - p0);
        if (length(n) < 1e-10) return m.name + ": a face whose first three corners lie in a line";
        faceNormal[f] = normalize(n);
        if (face.smooth)
            for (int c : face.corners) vertexNormal[c] = vertexNormal[c] + faceNormal[f];
        for (size_t k = 1; k + 1 < face.corners.size(); ++k) {
            Vec a = p0, b = m.vertices[face.corners[k]], c = m.vertices[face.corners[k + 1]];
            Vec centre = (a + b + c) * (1.0 / 3);
            double radius = std::max({length(a - centre), length(b - centre), length(c - centre)});
            tris.push_back({a, b - a, c - a, centre, radius});
        }
    }
    // A fixed set of hemisphere directions for ambient occlusion.
    const Vec hemisphere[6] = {{0, 0, 1},     {0.6, 0, 0.8},  {-0.6, 0, 0.8},
                               {0, 0.6, 0.8}, {0, -0.6, 0.8}, {0.4, 0.4, 0.82}};

    out->texture.assign(size_t(32) * 8192 * 3, 0);
    out->verts.clear();
    out->faces.clear();
    put32(out->verts, uint32_t(m.vertices.size()));
    for (const Vec& v : m.vertices) {
        putFloat(out->verts, v.x);
        putFloat(out->verts, -v.y); // files store the second coordinate negated
        putFloat(out->verts, v.z);
    }
    put32(out->faces, uint32_t(faceCount));
    for (size_t f = 0; f < faceCount; ++f) put16(out->faces, 0);

    for (size_t f = 0; f < faceCount; ++f) {
        const ModelFace& face = m.faces[f];
        const bool quad = face.corners.size() == 4;
        const int top = int(f) * rows;
        auto positionAt = [&](double s, double t) {
            Vec p0 = m.vertices[face.corners[0]], p1 = m.vertices[face.corners[1]],
                p2 = m.vertices[face.corners[2]];
            if (!quad) return p0 + (p1 - p0) * s + (p2 - p0) * t;
            Vec p3 = m.vertices[face.corners[3]];
            return p0 * ((1 - s) * (1 - t)) + p1 * (s * (1 - t)) + p2 * (s * t) + p3 * ((1 - s) * t);
        };
        auto normalAt = [&](double s, double t) {
            if (!face.smooth) return faceNormal[f];
            Vec n0 = normalize(vertexNormal[face.corners[0]]), n1 = normalize(vertexNormal[face.corners[1]]),
                n2 = normalize(vertexNormal[face.corners[2]]);
            if (!quad) return normalize(n0 + (n1 - n0) * s + (n2 - n0) * t);
            Vec n3 = normalize(vertexNormal[face.corners[3]]);
            return normalize(n0 * ((1 - s) * (1 - t)) + n1 * (s * (1 - t)) + n2 * (s * t) +
                             n3 * ((1 - s) * t));
        };
        // Visibility on a coarse grid (soft shadows and occlusion), lighting per texel.
        constexpr int kGx = 4, kGy = 3;
        double visibility[kGy][kGx][5] = {};
        const size_t lightCount = std::min<size_t>(m.lights.size(), 4);
        for (int gy = 0; gy < kGy; ++gy)
            for (int gx = 0; gx < kGx; ++gx) {
                double s = (gx + 0.5) / kGx, t = (gy + 0.5) / kGy;
                if (!quad && s + t > 1) {
                    double excess = (s + t - 1) / 2;
                    s -= excess;
                    t -= excess;
                }
                Vec p = positionAt(s, t), n = faceNormal[f];
                Vec origin = p + n * 1e-3;
                Vec tangent = normalize(cross(n, std::fabs(n.y) < 0.9 ? Vec{0, 1, 0} : Vec{1, 0, 0})),
                    bitangent = cross(n, tangent);
                int blocked = 0;
                for (const Vec& h : hemisphere) {
                    Vec dir = normalize(tangent * h.x + bitangent * h.y + n * h.z);
                    blocked += hit(tris, origin, dir, m.occlusionRange);
                }
                visibility[gy][gx][4] = 1 - 0.75 * blocked / 6.0;
                for (size_t l = 0; l < lightCount; ++l) {
                    const Light& light = m.lights[l];
                    Vec toLight = light.point ? light.position - p : light.direction;
                    double distance = light.point ? length(toLight) : 1e9;
                    visibility[gy][gx][l] = hit(tris, origin, normalize(toLight), distance) ? 0.15 : 1.0;
                }
            }
        for (int ty = 0; ty < rows; ++ty)
            for (int tx = 0; tx < 32; ++tx) {
                double s = tx / 31.0, t = ty / double(rows - 1);
                double ps = s, pt = t;
                if (!quad && s + t > 1) { // beyond the hypotenuse: the nearest edge point
                    double excess = (s + t - 1) / 2;
                    ps -= excess;
                    pt -= excess;
                }
                Vec p = positionAt(ps, pt), n = normalAt(ps, pt);
                double gxf = std::clamp(s * kGx - 0.5, 0.0, kGx - 1.0),
                       gyf = std::clamp(t * kGy - 0.5, 0.0, kGy - 1.0);
                int gx0 = int(gxf), gy0 = int(gyf), gx1 = std::min(gx0 + 1, kGx - 1),
                    gy1 = std::min(gy0 + 1, kGy - 1);
                double fx = gxf - gx0, fy = gyf - gy0;
                auto vis = [&](int k) {
                    return (visibility[gy0][gx0][k] * (1 - fx) + visibility[gy0][gx1][k] * fx) * (1 - fy) +
                           (visibility[gy1][gx0][k] * (1 - fx) + visibility[gy1][gx1][k] * fx) * fy;
                };
                double occlusion = vis(4);
                Colour light = {m.ambient.r * occlusion, m.ambient.g * occlusion, m.ambient.b * occlusion};
                for (size_t l = 0; l < lightCount; ++l) {
                    const Light& source = m.lights[l];
                    Vec toLight = source.point ? source.position - p : source.direction;
                    double falloff = 1;
                    if (source.point) {
                        double d = length(toLight);
                        falloff = 1 / (1 + 0.02 * d * d);
                    }
                    double lambert = std::max(0.0, dot(n, normalize(toLight))) * falloff * vis(int(l));
                    light.r += source.colour.r * lambert;
                    light.g += source.colour.g * lambert;
                    light.b += source.colour.b * lambert;
                }
                Colour c = {face.albedo.r * light.r + face.emission.r,
                            face.albedo.g * light.g + face.emission.g,
                            face.albedo.b * light.b + face.emission.b};
                // A gentle shoulder instead of a hard clip.
                auto tone = [](double v) { return v < 0.8 ? v : 0.8 + 0.2 * (1 - std::exp(-(v - 0.8) * 5)); };
                uint32_t packed = packColour({tone(c.r), tone(c.g), tone(c.b)});
                size_t texel = size_t(top + ty) * 32 + size_t(tx);
                out->texture[3 * texel] = uint8_t(packed);
                out->texture[3 * texel + 1] = uint8_t(packed >> 8);
                out->texture[3 * texel + 2] = uint8_t(packed >> 16);
            }
        // The face record: corners address the region, kept one texel inside its rows.
        put16(out->faces, uint32_t(face.corners.size()));
        put16(out->faces, 0);
        for (int c : face.corners) put16(out->faces, uint32_t(c));
        const int32_t lastRow = (top + rows - 1) * 256;
        const int32_t us[4] = {0, 31 * 256, 31 * 256, 0};
        const int32_t vs4[4] = {top * 256, top * 256, lastRow, lastRow};
        const int32_t vs3[3] = {top * 256, top * 256, lastRow};
        for (size_t k = 0; k < face.corners.size(); ++k) put32(out->faces, uint32_t(us[k]));
        for (size_t k = 0; k < face.corners.size(); ++k) put32(out->faces, uint32_t(quad ? vs4[k] : vs3[k]));
    }
    return "";
}
