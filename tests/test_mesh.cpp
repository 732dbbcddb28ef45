#include "datapool/mesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void put32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
void put16(Bytes& b, uint16_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void putFloat(Bytes& b, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    put32(b, bits);
}

Bytes vertsFile(const std::vector<Vector3>& vertices, uint32_t claimed = UINT32_MAX) {
    Bytes b;
    put32(b, claimed == UINT32_MAX ? uint32_t(vertices.size()) : claimed);
    for (auto& v : vertices) {
        putFloat(b, v.x);
        putFloat(b, v.y);
        putFloat(b, v.z);
    }
    return b;
}

struct FileFace {
    std::vector<uint16_t> indices;
    uint16_t kind = 0;
};

Bytes facesFile(const std::vector<FileFace>& faces) {
    Bytes b;
    put32(b, uint32_t(faces.size()));
    for (size_t i = 0; i < faces.size(); ++i) put16(b, 0xBEEF); // unused table
    for (auto& f : faces) {
        put16(b, uint16_t(f.indices.size()));
        put16(b, f.kind);
        for (auto i : f.indices) put16(b, i);
        for (size_t i = 0; i < f.indices.size(); ++i) put32(b, uint32_t(i * 256));
        for (size_t i = 0; i < f.indices.size(); ++i) put32(b, uint32_t(1000 + i));
    }
    return b;
}

class Meshes : public ::testing::Test {
  protected:
    std::unique_ptr<Mesh> mesh = std::make_unique<Mesh>();
    MeshLoadReport parse(const Bytes& verts, const Bytes& faces) {
        return parseMeshFiles(mesh.get(), verts.data(), uint32_t(verts.size()), faces.data(),
                              uint32_t(faces.size()));
    }
};

TEST_F(Meshes, FileVerticesFlipTheSecondCoordinate) {
    parse(vertsFile({{1, 2, 3}}), facesFile({}));
    ASSERT_EQ(mesh->vertexCount, 1u);
    EXPECT_EQ(mesh->vertices[0].x, 1);
    EXPECT_EQ(mesh->vertices[0].y, -2);
    EXPECT_EQ(mesh->vertices[0].z, 3);
}

TEST_F(Meshes, FacesKeepOrderCornersCentroidAndNormal) {
    // File (0,0,0), (1,0,0), (1,1,0) are stored with y flipped: the normal is +z.
    Bytes verts = vertsFile({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
    MeshLoadReport report =
        parse(verts, facesFile({{{0, 1, 2, 3}, 0}, {{2, 1, 0}, 1}, {{}, 255}, {{3, 2, 1}, 255}}));
    EXPECT_EQ(report.droppedFaces, 0u);
    ASSERT_EQ(mesh->faceCount, 4u);
    const MeshFace& square = mesh->faces[0];
    EXPECT_EQ(square.normal.x, 0);
    EXPECT_EQ(square.normal.y, 0);
    EXPECT_EQ(square.normal.z, 1);
    EXPECT_FLOAT_EQ(square.centroid.x, 0.5f);
    EXPECT_FLOAT_EQ(square.centroid.y, -0.5f);
    EXPECT_EQ(mesh->faces[1].normal.z, -1); // the other way round
    uint32_t sum = 0;
    for (uint32_t f = 0; f < mesh->faceCount; ++f) {
        EXPECT_EQ(mesh->faces[f].firstCorner, sum);
        sum += mesh->faces[f].cornerCount;
    }
    EXPECT_EQ(mesh->cornerCount, sum);
    EXPECT_EQ(mesh->faces[1].faceKind, 1);   // stored like any other; the drawers skip it
    EXPECT_EQ(mesh->faces[2].faceKind, 255); // an empty face still takes a slot
    EXPECT_EQ(mesh->faces[2].cornerCount, 0);
    EXPECT_EQ(mesh->cornerVertex[4], 2);
    EXPECT_EQ(mesh->cornerU[5], 256);
    EXPECT_EQ(mesh->cornerV[6], 1002);
}

TEST_F(Meshes, DegenerateFaceHasAZeroNormalNotNaN) {
    parse(vertsFile({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}), facesFile({{{0, 1, 2}, 0}, {{0, 1}, 0}}));
    EXPECT_EQ(mesh->faces[0].normal.x, 0);
    EXPECT_EQ(mesh->faces[0].normal.z, 0);
    EXPECT_EQ(mesh->faces[1].normal.z, 0);
    EXPECT_FLOAT_EQ(mesh->faces[1].centroid.x, 0.5f);
}

TEST_F(Meshes, CapacitiesStopAtTheLimitAndDropBadFaces) {
    std::vector<Vector3> many(kMeshVertices + 5, Vector3{1, 1, 1});
    MeshLoadReport report = parse(vertsFile(many), facesFile({}));
    EXPECT_EQ(mesh->vertexCount, uint32_t(kMeshVertices));
    EXPECT_EQ(report.droppedVertices, 5u);

    // A face naming a vertex that does not exist, and one with 17 corners, are dropped.
    std::vector<uint16_t> seventeen(17, 0);
    report = parse(vertsFile({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}),
                   facesFile({{{0, 1, 2}, 0}, {{0, 1, 3}, 0}, {seventeen, 0}, {{2, 1, 0}, 0}}));
    EXPECT_EQ(mesh->faceCount, 2u);
    EXPECT_EQ(report.droppedFaces, 2u);
    EXPECT_EQ(mesh->faces[1].firstCorner, 3);

    // Faces: 2048 at most. Corners: 5120 at most.
    std::vector<FileFace> faces(kMeshFaces + 3,
                                FileFace{{0, 1}, 0}); // two corners: the face limit comes first
    report = parse(vertsFile({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}), facesFile(faces));
    EXPECT_EQ(mesh->faceCount, uint32_t(kMeshFaces));
    EXPECT_EQ(report.droppedFaces, 3u);
    std::vector<FileFace> wide(400, FileFace{std::vector<uint16_t>(16, 1), 0});
    report = parse(vertsFile({{0, 0, 0}, {1, 0, 0}}), facesFile(wide));
    EXPECT_EQ(mesh->cornerCount, 320u * 16);
    EXPECT_EQ(report.droppedFaces, 80u);
}

TEST_F(Meshes, FilesCutShortAreReportedAndNeverOverread) {
    Bytes verts = vertsFile({{1, 1, 1}, {2, 2, 2}}, 1000); // claims 1000, holds 2
    Bytes faces = facesFile({{{0, 1, 0}, 0}, {{1, 0, 1}, 0}});
    faces.resize(faces.size() - 3);
    MeshLoadReport report = parse(verts, faces);
    EXPECT_TRUE(report.cutShort);
    EXPECT_EQ(mesh->vertexCount, 2u);
    EXPECT_EQ(mesh->faceCount, 1u);
    EXPECT_EQ(report.droppedFaces, 1u);
    report = parse(Bytes{}, Bytes{}); // both missing: an empty mesh
    EXPECT_EQ(mesh->vertexCount, 0u);
    EXPECT_EQ(mesh->faceCount, 0u);
    EXPECT_FALSE(report.cutShort);
    testing::internal::CaptureStderr();
    warnIfMeshDamaged("zilm", MeshLoadReport{0, 3, true});
    EXPECT_NE(testing::internal::GetCapturedStderr().find("\"zilm\""), std::string::npos);
}

TEST(ProceduralMeshes, TubeCubeAndBanner) {
    buildProceduralMeshes();
    const Mesh& tube = proceduralMesh1;
    EXPECT_EQ(tube.vertexCount, 48u);
    EXPECT_EQ(tube.faceCount, 88u);
    EXPECT_EQ(tube.cornerCount, 264u);
    // Ring 0 has no width and sits at y = 4 on the axis x = -1.
    EXPECT_FLOAT_EQ(tube.vertices[0].x, -1.0f);
    EXPECT_FLOAT_EQ(tube.vertices[0].y, 4.0f);
    EXPECT_FLOAT_EQ(tube.vertices[0].z, 0.0f);
    // Ring 11: after the quarter turn, along x = 3.
    EXPECT_FLOAT_EQ(tube.vertices[44].x, 3.0f);
    EXPECT_NEAR(tube.vertices[44].y, -1.0f - 0.25f * std::sin(0.28559926f * 11), 1e-5);
    // Ring 6, corner 1: bend 2 * 0.392699 (45 degrees), a = 90 degrees.
    float s6 = std::sin(0.28559926f * 6), b = 2 * 0.392699f;
    EXPECT_NEAR(tube.vertices[25].x, std::cos(b) * (0.25f * s6 * std::cos(1.570796f) - 1), 1e-6);
    EXPECT_NEAR(tube.vertices[25].z, -0.25f * s6, 1e-6);
    EXPECT_NEAR(tube.vertexNormals[25].z, 1.0f, 1e-6);
    EXPECT_NEAR(tube.vertexNormals[0].x, 1.0f, 1e-6);
    EXPECT_EQ(tube.cornerVertex[0], 0);
    EXPECT_EQ(tube.cornerVertex[1], 4);
    EXPECT_EQ(tube.cornerVertex[2], 1);
    EXPECT_EQ(tube.cornerV[1], 15616);
    EXPECT_EQ(tube.cornerU[2], 3904);

    const Mesh& cube = proceduralMesh2;
    EXPECT_EQ(cube.vertexCount, 8u);
    EXPECT_EQ(cube.faceCount, 12u);
    // (3, 2, 0): the face at z = -1, its normal along -z or +z by the corner order.
    EXPECT_EQ(cube.faces[0].normal.x, 0);
    EXPECT_EQ(std::abs(cube.faces[0].normal.z), 1);
    EXPECT_FLOAT_EQ(cube.faces[0].centroid.z, -1.0f);
    for (uint32_t f = 0; f < cube.faceCount; f += 2)
        EXPECT_EQ(cube.faces[f].normal.x + cube.faces[f].normal.y + cube.faces[f].normal.z,
                  cube.faces[f + 1].normal.x + cube.faces[f + 1].normal.y + cube.faces[f + 1].normal.z);

    const Mesh& banner = proceduralMesh3;
    EXPECT_EQ(banner.faceCount, 2u);
    EXPECT_EQ(banner.cornerCount, 8u);
    EXPECT_EQ(banner.faces[0].normal.z, -banner.faces[1].normal.z); // two sides
    EXPECT_EQ(banner.cornerU[2], 65280);
    EXPECT_EQ(banner.cornerV[2], 40704);
    EXPECT_EQ(banner.cornerV[4], 40704);
}

} // namespace
