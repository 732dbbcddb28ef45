// The mesh loader on arbitrary verts.bin and faces.bin contents (the input
// is split in two at a point its first two bytes choose).
#include "datapool/mesh.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > kMeshFileCapacity) return 0;
    size_t split = (size_t(data[0]) | size_t(data[1]) << 8) % (size - 1);
    std::vector<uint8_t> verts(data + 2, data + 2 + split), faces(data + 2 + split, data + size);
    static auto mesh = std::make_unique<Mesh>();
    parseMeshFiles(mesh.get(), verts.data(), uint32_t(verts.size()), faces.data(), uint32_t(faces.size()));
    if (mesh->vertexCount > kMeshVertices || mesh->faceCount > kMeshFaces || mesh->cornerCount > kMeshCorners)
        std::abort();
    for (uint32_t f = 0; f < mesh->faceCount; ++f) {
        const MeshFace& face = mesh->faces[f];
        if (face.firstCorner + face.cornerCount > mesh->cornerCount) std::abort();
        for (int c = 0; c < face.cornerCount; ++c)
            if (mesh->cornerVertex[face.firstCorner + c] >= mesh->vertexCount) std::abort();
    }
    return 0;
}
