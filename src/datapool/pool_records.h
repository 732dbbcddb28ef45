// pool_records: every record of the pool, in the one order start-up reads
// them, which is the data format (the pool's records carry no names).
//
// The module, the 22 pictures (kPictures order), the eight file meshes'
// vertex and face files (kFileMeshNames order), the six camera paths. Start-up,
// the data builder and its checks, and the tests all index records through
// this table; the compile-time checks below tie it to the other tables.
#pragma once

#include "datapool/mesh.h"
#include "datapool/pictures.h"

#include <cstdint>
#include <initializer_list>

enum class RecordKind : uint8_t { kModule, kPicture, kMeshVertices, kMeshFaces, kCameraPath };

struct PoolRecord {
    const char* name;
    RecordKind kind;
    int item; // the picture, mesh or path it belongs to
};

constexpr int kCameraPathCount = 6;
constexpr int kPoolRecordCount = 1 + kPictureCount + 2 * kFileMeshCount + kCameraPathCount;
// The largest module or camera path start-up takes (its scratch block).
constexpr uint32_t kScratchRecordCapacity = 2u << 20;

constexpr int moduleRecord() {
    return 0;
}
constexpr int pictureRecord(int picture) {
    return 1 + picture;
}
constexpr int meshVerticesRecord(int mesh) {
    return 1 + kPictureCount + 2 * mesh;
}
constexpr int meshFacesRecord(int mesh) {
    return meshVerticesRecord(mesh) + 1;
}
constexpr int cameraPathRecord(int path) {
    return 1 + kPictureCount + 2 * kFileMeshCount + path;
}

inline constexpr PoolRecord kPoolRecords[kPoolRecordCount] = {
    {"pool/BOARDS4F.IT", RecordKind::kModule, 0},
    {"pool/tower.bmp", RecordKind::kPicture, 0},
    {"pool/topaz_vyn.bmp", RecordKind::kPicture, 1},
    {"pool/the_end.bmp", RecordKind::kPicture, 2},
    {"pool/skull.bmp", RecordKind::kPicture, 3},
    {"pool/scroller.bmp", RecordKind::kPicture, 4},
    {"pool/c_veins.bmp", RecordKind::kPicture, 5},
    {"pool/logo.bmp", RecordKind::kPicture, 6},
    {"pool/logo.raw", RecordKind::kPicture, 7},
    {"pool/vyn_small.bmp", RecordKind::kPicture, 8},
    {"pool/vyn_small.raw", RecordKind::kPicture, 9},
    {"pool/logo3.bmp", RecordKind::kPicture, 10},
    {"pool/av_txtr.bmp", RecordKind::kPicture, 11},
    {"pool/skybox.bmp", RecordKind::kPicture, 12},
    {"pool/env_map.bmp", RecordKind::kPicture, 13},
    {"pool/pot/textuur.raw", RecordKind::kPicture, 14},
    {"pool/pet/textuur.raw", RecordKind::kPicture, 15},
    {"pool/cornell/textuur.raw", RecordKind::kPicture, 16},
    {"pool/wirecube/textuur.raw", RecordKind::kPicture, 17},
    {"pool/zilm/textuur.raw", RecordKind::kPicture, 18},
    {"pool/house/textuur.raw", RecordKind::kPicture, 19},
    {"pool/vyn/textuur.raw", RecordKind::kPicture, 20},
    {"pool/vusk/textuur.raw", RecordKind::kPicture, 21},
    {"pool/pot/verts.bin", RecordKind::kMeshVertices, 0},
    {"pool/pot/faces.bin", RecordKind::kMeshFaces, 0},
    {"pool/pet/verts.bin", RecordKind::kMeshVertices, 1},
    {"pool/pet/faces.bin", RecordKind::kMeshFaces, 1},
    {"pool/cornell/verts.bin", RecordKind::kMeshVertices, 2},
    {"pool/cornell/faces.bin", RecordKind::kMeshFaces, 2},
    {"pool/wirecube/verts.bin", RecordKind::kMeshVertices, 3},
    {"pool/wirecube/faces.bin", RecordKind::kMeshFaces, 3},
    {"pool/zilm/verts.bin", RecordKind::kMeshVertices, 4},
    {"pool/zilm/faces.bin", RecordKind::kMeshFaces, 4},
    {"pool/vyn/verts.bin", RecordKind::kMeshVertices, 5},
    {"pool/vyn/faces.bin", RecordKind::kMeshFaces, 5},
    {"pool/vusk/verts.bin", RecordKind::kMeshVertices, 6},
    {"pool/vusk/faces.bin", RecordKind::kMeshFaces, 6},
    {"pool/house/verts.bin", RecordKind::kMeshVertices, 7},
    {"pool/house/faces.bin", RecordKind::kMeshFaces, 7},
    {"pool/pot/import/path.txt", RecordKind::kCameraPath, 0},
    {"pool/pet/import/path.txt", RecordKind::kCameraPath, 1},
    {"pool/cornell/import/path.txt", RecordKind::kCameraPath, 2},
    {"pool/wirecube/import/path.txt", RecordKind::kCameraPath, 3},
    {"pool/zilm/import/path.txt", RecordKind::kCameraPath, 4},
    {"pool/house/import/path.txt", RecordKind::kCameraPath, 5},
};

// The most bytes start-up takes from a record: a picture's exact size, a
// mesh file's capacity, the scratch block for the module and the paths.
uint32_t poolRecordCapacity(int record);

namespace poolrecords {
constexpr bool textIs(const char* text, const char* a, const char* b = "", const char* c = "") {
    for (const char* part : {a, b, c})
        while (*part)
            if (*text++ != *part++) return false;
    return *text == 0;
}
constexpr bool tableIsConsistent() {
    if (kPoolRecords[moduleRecord()].kind != RecordKind::kModule) return false;
    for (int p = 0; p < kPictureCount; ++p)
        if (kPoolRecords[pictureRecord(p)].kind != RecordKind::kPicture ||
            kPoolRecords[pictureRecord(p)].item != p)
            return false;
    for (int m = 0; m < kFileMeshCount; ++m) {
        const PoolRecord &v = kPoolRecords[meshVerticesRecord(m)], &f = kPoolRecords[meshFacesRecord(m)];
        if (v.kind != RecordKind::kMeshVertices || f.kind != RecordKind::kMeshFaces || v.item != m ||
            f.item != m || !textIs(v.name, "pool/", kFileMeshNames[m], "/verts.bin") ||
            !textIs(f.name, "pool/", kFileMeshNames[m], "/faces.bin"))
            return false;
    }
    for (int p = 0; p < kCameraPathCount; ++p)
        if (kPoolRecords[cameraPathRecord(p)].kind != RecordKind::kCameraPath ||
            kPoolRecords[cameraPathRecord(p)].item != p)
            return false;
    for (int t = 0; t < kMeshTextureCount; ++t)
        if (!textIs(kPoolRecords[pictureRecord(kPictureCount - kMeshTextureCount + t)].name, "pool/",
                    kMeshTextureNames[t], "/textuur.raw"))
            return false;
    return true;
}
} // namespace poolrecords
static_assert(kPoolRecordCount == 45);
static_assert(poolrecords::tableIsConsistent(), "the record table follows the pictures, meshes and paths");
