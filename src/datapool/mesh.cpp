#include "datapool/mesh.h"

#include "datapool/pool.h"
#include "datapool/pool_records.h"
#include "math/same_math.h"
#include "platform/user_output.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

Mesh fileMeshes[kFileMeshCount];
Mesh proceduralMesh1;
Mesh proceduralMesh2;
Mesh proceduralMesh3;

namespace {

uint32_t read32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
uint16_t read16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
float readFloat(const uint8_t* p) {
    uint32_t bits = read32(p);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

Vector3 sub(Vector3 a, Vector3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

void addVertex(Mesh* mesh, float x, float y, float z) {
    mesh->vertices[mesh->vertexCount++] = {x, y, z};
}

// The shared corner texture values of the built tube and cube (their drawers ignore them).
void addPlainTriangle(Mesh* mesh, uint16_t a, uint16_t b, uint16_t c) {
    const uint16_t indices[3] = {a, b, c};
    const int32_t u[3] = {0, 0, 3904}, v[3] = {0, 15616, 0};
    addFace(mesh, 3, indices, u, v, 0);
}

} // namespace

void initMesh(Mesh* mesh) {
    for (int i = 0; i < kMeshVertices; ++i) mesh->vertices[i] = mesh->vertexNormals[i] = {0, 0, 0};
    for (int f = 0; f < kMeshFaces; ++f) mesh->faces[f].centroid = mesh->faces[f].normal = {0, 0, 0};
}

int addFace(Mesh* mesh, int cornerCount, const uint16_t* indices, const int32_t* u, const int32_t* v,
            uint16_t kind) {
    if (mesh->faceCount >= kMeshFaces || cornerCount < 0 || cornerCount > kMaxFaceCorners ||
        mesh->cornerCount + static_cast<uint32_t>(cornerCount) > kMeshCorners)
        return -1;
    for (int i = 0; i < cornerCount; ++i)
        if (indices[i] >= mesh->vertexCount) return -1;

    uint32_t f = mesh->faceCount;
    MeshFace& face = mesh->faces[f];
    face.cornerCount = static_cast<uint16_t>(cornerCount);
    face.faceKind = kind;
    face.firstCorner = static_cast<uint16_t>(mesh->cornerCount);
    Vector3 centroid = {0, 0, 0};
    for (int i = 0; i < cornerCount; ++i) {
        uint32_t c = mesh->cornerCount++;
        mesh->cornerU[c] = u[i];
        mesh->cornerV[c] = v[i];
        mesh->cornerVertex[c] = indices[i];
        const Vector3& p = mesh->vertices[indices[i]];
        centroid.x += p.x;
        centroid.y += p.y;
        centroid.z += p.z;
    }
    face.centroid = {0, 0, 0};
    face.normal = {0, 0, 0};
    if (cornerCount > 0) {
        float scale = 1.0f / static_cast<float>(cornerCount);
        face.centroid = {centroid.x * scale, centroid.y * scale, centroid.z * scale};
    }
    // Fewer than three corners, or three in a line, have no direction: the normal stays zero.
    if (cornerCount >= 3) {
        Vector3 p0 = mesh->vertices[indices[0]], p1 = mesh->vertices[indices[1]],
                p2 = mesh->vertices[indices[2]];
        Vector3 a = sub(p2, p1), b = sub(p1, p0);
        Vector3 n = {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
        float length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
        if (length > 0) face.normal = {n.x / length, n.y / length, n.z / length};
    }
    ++mesh->faceCount;
    return static_cast<int>(f);
}

MeshLoadReport parseMeshFiles(Mesh* mesh, const uint8_t* verts, uint32_t vertsLength, const uint8_t* faces,
                              uint32_t facesLength) {
    MeshLoadReport report = {};
    mesh->vertexCount = mesh->faceCount = mesh->cornerCount = 0;

    uint32_t fileVertices = vertsLength >= 4 ? read32(verts) : 0;
    uint32_t present = vertsLength >= 4 ? (vertsLength - 4) / 12 : 0;
    if (fileVertices > present) report.cutShort = true;
    uint32_t usable = fileVertices < present ? fileVertices : present;
    if (usable > kMeshVertices) usable = kMeshVertices;
    report.droppedVertices = fileVertices - usable;
    for (uint32_t i = 0; i < usable; ++i) {
        const uint8_t* p = verts + 4 + 12 * i;
        addVertex(mesh, readFloat(p), -readFloat(p + 4), readFloat(p + 8)); // files have y down
    }

    uint32_t fileFaces = facesLength >= 4 ? read32(faces) : 0;
    uint64_t at = 4 + 2 * uint64_t{fileFaces}; // a table of 16-bit values nobody uses
    for (uint32_t f = 0; f < fileFaces; ++f) {
        if (at + 4 > facesLength) {
            report.cutShort = true;
            report.droppedFaces += fileFaces - f;
            break;
        }
        uint16_t n = read16(faces + at);
        uint16_t kind = read16(faces + at + 2);
        uint64_t size = 4 + 10 * uint64_t{n};
        if (at + size > facesLength) {
            report.cutShort = true;
            report.droppedFaces += fileFaces - f;
            break;
        }
        if (n > kMaxFaceCorners) {
            ++report.droppedFaces;
            at += size;
            continue;
        }
        uint16_t indices[kMaxFaceCorners];
        int32_t u[kMaxFaceCorners], v[kMaxFaceCorners];
        const uint8_t* p = faces + at + 4;
        for (int i = 0; i < n; ++i) {
            indices[i] = read16(p + 2 * i);
            u[i] = static_cast<int32_t>(read32(p + 2 * n + 4 * i));
            v[i] = static_cast<int32_t>(read32(p + 6 * n + 4 * i));
        }
        if (addFace(mesh, n, indices, u, v, kind) < 0) ++report.droppedFaces;
        at += size;
    }
    return report;
}

MeshLoadReport loadMesh(Mesh* mesh, int fileMesh) {
    // Two blocks so the faces never see the vertex file's bytes.
    std::unique_ptr<uint8_t[]> verts(new uint8_t[kMeshFileCapacity]());
    std::unique_ptr<uint8_t[]> faces(new uint8_t[kMeshFileCapacity]());
    uint32_t shortBefore = poolStatus.shortRecords;
    uint32_t vertsLength =
        readPoolFile(kPoolRecords[meshVerticesRecord(fileMesh)].name, verts.get(), kMeshFileCapacity);
    uint32_t facesLength =
        readPoolFile(kPoolRecords[meshFacesRecord(fileMesh)].name, faces.get(), kMeshFileCapacity);
    MeshLoadReport report = parseMeshFiles(mesh, verts.get(), vertsLength, faces.get(), facesLength);
    if (poolStatus.shortRecords != shortBefore) report.cutShort = true;
    return report;
}

void buildProceduralMeshes() {
    // Built afresh each time (the tests build them again in one process).
    for (Mesh* m : {&proceduralMesh1, &proceduralMesh2, &proceduralMesh3})
        m->vertexCount = m->faceCount = m->cornerCount = 0;
    // Bent tube: 12 rings of 4, swelling from nothing and back, down the y
    // axis, a quarter turn about z, then along x.
    Mesh* tube = &proceduralMesh1;
    for (int r = 0; r < 12; ++r) {
        float s = sameSin(0.28559926f * static_cast<float>(r));
        float bend = r < 4 ? 0.0f : r < 8 ? static_cast<float>(r - 4) * 0.392699f : 1.5707964f;
        for (int k = 0; k < 4; ++k) {
            float a = 1.570796f * static_cast<float>(k);
            float p = 0.25f * s * sameCos(a) - 1.0f;
            float x = sameCos(bend) * p, y = sameSin(bend) * p, z = -0.25f * s * sameSin(a);
            if (r < 4) y = static_cast<float>(4 - r);
            if (r >= 8) x = static_cast<float>(r - 8);
            tube->vertexNormals[tube->vertexCount] = {sameCos(bend) * sameCos(a), sameSin(bend) * sameCos(a),
                                                      sameSin(a)};
            addVertex(tube, x, y, z);
        }
    }
    for (int g = 0; g < 11; ++g)
        for (int k = 0; k < 4; ++k) {
            uint16_t i = static_cast<uint16_t>(4 * g + k), j = static_cast<uint16_t>(4 * g + (k + 1) % 4);
            addPlainTriangle(tube, i, static_cast<uint16_t>(i + 4), j);
            addPlainTriangle(tube, static_cast<uint16_t>(j + 4), j, static_cast<uint16_t>(i + 4));
        }

    Mesh* cube = &proceduralMesh2;
    const float corners[8][3] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                                 {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1}};
    for (auto& c : corners) addVertex(cube, c[0], c[1], c[2]);
    const uint16_t triangles[12][3] = {{3, 2, 0}, {1, 0, 2}, {4, 5, 7}, {6, 7, 5}, {0, 1, 4}, {5, 4, 1},
                                       {2, 3, 6}, {7, 6, 3}, {1, 2, 5}, {6, 5, 2}, {3, 0, 7}, {4, 7, 0}};
    for (auto& t : triangles) addPlainTriangle(cube, t[0], t[1], t[2]);

    // Banner: both sides show the whole 256 x 160 overlay texture upright.
    Mesh* banner = &proceduralMesh3;
    addVertex(banner, -16, -5, 0);
    addVertex(banner, 16, -5, 0);
    addVertex(banner, 16, 5, 0);
    addVertex(banner, -16, 5, 0);
    const uint16_t front[4] = {0, 1, 2, 3}, back[4] = {3, 2, 1, 0};
    const int32_t u[4] = {0, 65280, 65280, 0};
    const int32_t vFront[4] = {0, 0, 40704, 40704}, vBack[4] = {40704, 40704, 0, 0};
    addFace(banner, 4, front, u, vFront, 0);
    addFace(banner, 4, back, u, vBack, 0);
}

void warnIfMeshDamaged(const char* name, const MeshLoadReport& report) {
    if (!report.cutShort && report.droppedVertices == 0 && report.droppedFaces == 0) return;
    reportProblem("mesh \"%s\": %s%u vertices and %u faces left out", name,
                  report.cutShort ? "its files are cut short or too large; " : "", report.droppedVertices,
                  report.droppedFaces);
}
