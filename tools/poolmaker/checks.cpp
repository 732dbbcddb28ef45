#include "tools/poolmaker/checks.h"

#include "datapool/mesh.h"
#include "datapool/pictures.h"
#include "datapool/pool_records.h"
#include "effects/camera_path.h"

#include <cmath>
#include <cstring>
#include <memory>

const std::vector<std::string>& expectedRecordNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> n;
        for (const PoolRecord& record : kPoolRecords) n.push_back(record.name);
        return n;
    }();
    return names;
}

namespace {

uint32_t read32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

std::string checkPicture(const PictureSpec& picture, const std::vector<uint8_t>& bytes) {
    std::string name = picture.name;
    if (bytes.size() != pictureRecordSize(picture))
        return name + ": " + std::to_string(bytes.size()) + " bytes, the program needs " +
               std::to_string(pictureRecordSize(picture));
    if (picture.encoding == PictureEncoding::kBmp24 || picture.encoding == PictureEncoding::kBmp8) {
        int bits = picture.encoding == PictureEncoding::kBmp24 ? 24 : 8;
        if (bytes[0] != 'B' || bytes[1] != 'M' || read32(bytes, 18) != uint32_t(picture.width) ||
            read32(bytes, 22) != uint32_t(picture.height) || (bytes[28] | bytes[29] << 8) != bits)
            return name + ": its BMP header does not say " + std::to_string(picture.width) + " x " +
                   std::to_string(picture.height) + " at " + std::to_string(bits) + " bits";
    }
    return "";
}

std::string checkMesh(const std::string& name, const std::vector<uint8_t>& verts,
                      const std::vector<uint8_t>& faces) {
    auto mesh = std::make_unique<Mesh>();
    std::memset(mesh.get(), 0, sizeof(Mesh));
    if (verts.size() > kMeshFileCapacity || faces.size() > kMeshFileCapacity)
        return name + ": a file over 1 MiB";
    MeshLoadReport report = parseMeshFiles(mesh.get(), verts.data(), uint32_t(verts.size()), faces.data(),
                                           uint32_t(faces.size()));
    if (report.cutShort || report.droppedFaces || report.droppedVertices)
        return name + ": the program would drop parts of it (over a capacity or cut short)";
    for (uint32_t f = 0; f < mesh->faceCount; ++f) {
        const MeshFace& face = mesh->faces[f];
        if (face.cornerCount < 3)
            return name + ": face " + std::to_string(f) + " has fewer than three corners";
        double n = std::sqrt(double(face.normal.x) * face.normal.x + double(face.normal.y) * face.normal.y +
                             double(face.normal.z) * face.normal.z);
        if (std::fabs(n - 1) > 1e-3) return name + ": face " + std::to_string(f) + " has no proper normal";
        for (int c = 0; c < face.cornerCount; ++c) {
            int32_t u = mesh->cornerU[face.firstCorner + c], v = mesh->cornerV[face.firstCorner + c];
            if (u < 0 || u > 31 * 256 || v < 0 || v > 8191 * 256)
                return name + ": face " + std::to_string(f) + " addresses texels outside the light texture";
        }
    }
    return "";
}

std::string checkPath(const std::string& name, const std::vector<uint8_t>& text) {
    auto path = std::make_unique<CameraPath>();
    std::memset(path.get(), 0, sizeof(CameraPath));
    parsePathText(path.get(), text.data(), uint32_t(text.size()));
    if (path->groupCount < 4) return name + ": groups 0 to 3 are needed";
    for (int g = 0; g < 4; ++g)
        if (path->groupLength[g] < 3)
            return name + ": group " + std::to_string(g) + " has fewer than three keys";
    for (int k = 0; k < path->keyCount; ++k)
        if (!(path->keys[k].duration > 0))
            return name + ": key " + std::to_string(k) + " has no positive duration";
    return "";
}

} // namespace

std::string checkPoolFiles(const std::vector<PoolFile>& files) {
    const auto& names = expectedRecordNames();
    if (files.size() != names.size())
        return std::to_string(files.size()) + " records instead of " + std::to_string(kPoolRecordCount);
    for (size_t i = 0; i < files.size(); ++i)
        if (files[i].name != names[i])
            return "record " + std::to_string(i + 1) + " is " + files[i].name + ", not " + names[i];
    for (int p = 0; p < kPictureCount; ++p) {
        std::string error = checkPicture(kPictures[p], files[size_t(pictureRecord(p))].bytes);
        if (!error.empty()) return error;
    }
    for (int m = 0; m < kFileMeshCount; ++m) {
        std::string error = checkMesh(kFileMeshNames[m], files[size_t(meshVerticesRecord(m))].bytes,
                                      files[size_t(meshFacesRecord(m))].bytes);
        if (!error.empty()) return error;
    }
    for (int p = 0; p < kCameraPathCount; ++p) {
        const PoolFile& file = files[size_t(cameraPathRecord(p))];
        std::string error = checkPath(file.name, file.bytes);
        if (!error.empty()) return error;
    }
    for (int r = 0; r < kPoolRecordCount; ++r)
        if (files[size_t(r)].bytes.size() > poolRecordCapacity(r))
            return files[size_t(r)].name + ": " + std::to_string(files[size_t(r)].bytes.size()) +
                   " bytes, more than the program takes (" + std::to_string(poolRecordCapacity(r)) + ")";
    return "";
}
