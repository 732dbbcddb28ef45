// mesh: the eleven polygon objects of the show.
//
// A Mesh holds up to kMeshVertices vertices, kMeshFaces faces and
// kMeshCorners corners (kMaxFaceCorners a face); every face keeps its corner
// range, kind, centroid and unit normal. Eight meshes load from the pool
// (verts.bin then faces.bin, records of "pool/<name>/..."), three are built in
// code (bent tube, cube, banner). Loading never writes past an array: a file
// beyond a capacity stops at the limit, a face naming a missing vertex or with
// too many corners is dropped, and the mesh's problems are counted in its
// MeshLoadReport for one warning. Start-up only; read-only afterwards.
#pragma once

#include "math/vector3.h"

#include <cstddef>
#include <cstdint>

constexpr int kMeshVertices = 1024;
constexpr int kMeshFaces = 2048;
constexpr int kMeshCorners = 5120;
constexpr int kMaxFaceCorners = 16;
constexpr uint32_t kMeshFileCapacity = 1 << 20;
constexpr int kFileMeshCount = 8;

struct MeshFace {
    uint16_t cornerCount;
    uint16_t firstCorner;
    uint16_t faceKind; // 1 and 255 are never drawn
    Vector3 centroid;
    Vector3 normal;
};
static_assert(offsetof(MeshFace, faceKind) == 4 && offsetof(MeshFace, centroid) == 8 &&
              sizeof(MeshFace) == 32);

struct Mesh {
    uint32_t vertexCount;
    Vector3 vertices[kMeshVertices];
    Vector3 vertexNormals[kMeshVertices];
    MeshFace faces[kMeshFaces];
    uint32_t faceCount;
    uint32_t cornerCount;
    uint16_t cornerVertex[kMeshCorners];
    int32_t cornerU[kMeshCorners]; // 1/256 texel
    int32_t cornerV[kMeshCorners];
};
static_assert(offsetof(Mesh, vertices) == 4 && offsetof(Mesh, faces) == 4 + 2 * 12 * kMeshVertices);

struct MeshLoadReport {
    uint32_t droppedVertices; // beyond the capacity or the file's end
    uint32_t droppedFaces;    // over a capacity, too many corners, or naming a missing vertex
    bool cutShort;            // a file was larger than kMeshFileCapacity or ended early
};

// Load order; the scenes name the meshes by their place here.
inline constexpr const char* kFileMeshNames[kFileMeshCount] = {"pot",  "pet", "cornell", "wirecube",
                                                               "zilm", "vyn", "vusk",    "house"};
extern Mesh fileMeshes[kFileMeshCount];
extern Mesh proceduralMesh1; // bent tube
extern Mesh proceduralMesh2; // cube
extern Mesh proceduralMesh3; // double-sided banner

void initMesh(Mesh* mesh);
// Reads file mesh number fileMesh (kFileMeshNames order): its verts.bin and faces.bin records.
MeshLoadReport loadMesh(Mesh* mesh, int fileMesh);
// Parses the two files' bytes (each held in a block of at least
// kMeshFileCapacity bytes, valid lengths given); what loadMesh does after reading.
MeshLoadReport parseMeshFiles(Mesh* mesh, const uint8_t* verts, uint32_t vertsLength, const uint8_t* faces,
                              uint32_t facesLength);
// Appends a face; returns its index, or -1 when it cannot be stored.
int addFace(Mesh* mesh, int cornerCount, const uint16_t* indices, const int32_t* u, const int32_t* v,
            uint16_t kind);
void buildProceduralMeshes();
// One warning on stderr naming the mesh when its files were cut or over a limit.
void warnIfMeshDamaged(const char* name, const MeshLoadReport& report);
