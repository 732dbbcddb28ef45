// model: meshes as poolmaker builds them (in the program's coordinates, up is
// -y), their baked light textures and the file formats they are written in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Vec {
    double x = 0, y = 0, z = 0;
};
inline Vec operator+(Vec a, Vec b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec operator-(Vec a, Vec b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec operator*(Vec a, double s) {
    return {a.x * s, a.y * s, a.z * s};
}
inline Vec operator*(double s, Vec a) {
    return a * s;
}
double dot(Vec a, Vec b);
Vec cross(Vec a, Vec b);
double length(Vec a);
Vec normalize(Vec a);

struct Colour {
    double r = 0, g = 0, b = 0;
};
Colour hexColour(uint32_t rgb);
uint32_t packColour(Colour c); // clamped to 0..255 per channel

struct ModelFace {
    std::vector<int> corners; // 3 or 4; standard winding: (p1 - p0) x (p2 - p0) points to the viewer's side
    Colour albedo;
    Colour emission;
    bool smooth = false; // light with interpolated vertex normals
};

struct Light {
    Vec position;  // for point lights
    Vec direction; // towards the light, for directional lights
    Colour colour;
    bool point = false;
};

struct Model {
    std::string name;
    std::vector<Vec> vertices;
    std::vector<ModelFace> faces;
    std::vector<Light> lights;
    Colour ambient = {0.25, 0.25, 0.3};
    double occlusionRange = 2.0;
};

int addVertex(Model& m, Vec p);
void addQuad(Model& m, Vec a, Vec b, Vec c, Vec d, Colour albedo, Colour emission = {});
void addTriangle(Model& m, Vec a, Vec b, Vec c, Colour albedo);
// An axis-aligned box; inside = true faces its walls inward (a room).
void addBox(Model& m, Vec low, Vec high, Colour albedo, bool inside = false, bool bottom = true);
// A box from its eight corners, ordered as addBox orders them (low/high x,
// y, z as bits of the index: 0 low-low-low, 1 +x, 2 +x+y, 3 +y, 4..7 the same at high z).
void addBoxCorners(Model& m, const Vec corners[8], Colour albedo, bool inside = false, bool bottom = true);
// Turns a face so that its visible side looks away from (or towards) a point.
void orientFace(Model& m, size_t face, Vec reference, bool away);
// A beam between two points with a square section of the given half-width.
void addBeam(Model& m, Vec from, Vec to, double halfWidth, Colour albedo);
// A surface of revolution about the y axis through centre: profile points
// (radius, height above the base, up is -y), segments around.
void addLathe(Model& m, Vec centre, const std::vector<std::pair<double, double>>& profile, int segments,
              Colour albedo, bool capTop = false);

struct MeshFiles {
    std::vector<uint8_t> verts, faces, texture; // texture: raw RGB, 32 x 8192 texels
};
// Bakes the light texture and writes both mesh files; fails loudly (returns
// an error text) when the model does not fit the program's capacities.
std::string bakeAndWrite(const Model& m, MeshFiles* out);
