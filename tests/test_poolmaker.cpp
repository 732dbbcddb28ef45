#include "datapool/mesh.h"
#include "datapool/pictures.h"
#include "datapool/pool.h"
#include "datapool/pool_records.h"
#include "tools/poolmaker/assets.h"
#include "tools/poolmaker/checks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

const ShowAssets& assets() {
    static ShowAssets made = [] {
        ShowAssets a;
        std::string error = makeShowAssets(&a, {1, 2, 3});
        EXPECT_EQ(error, "");
        return a;
    }();
    return made;
}

TEST(Poolmaker, MakesASoundPoolInTheProgramsOrder) {
    const auto& files = assets().files;
    EXPECT_EQ(checkPoolFiles(files), "");
    ASSERT_EQ(files.size(), 45u);
    EXPECT_EQ(files[0].name, "pool/BOARDS4F.IT");
    EXPECT_EQ(files[15].name, "pool/pot/textuur.raw");
    EXPECT_EQ(files[20].name, "pool/house/textuur.raw");
    EXPECT_EQ(files[33].name, "pool/vyn/verts.bin");
    EXPECT_EQ(files[44].name, "pool/house/import/path.txt");
}

TEST(Poolmaker, SameBytesEveryTime) {
    ShowAssets again;
    ASSERT_EQ(makeShowAssets(&again, {1, 2, 3}), "");
    ASSERT_EQ(again.files.size(), assets().files.size());
    for (size_t i = 0; i < again.files.size(); ++i)
        EXPECT_EQ(again.files[i].bytes, assets().files[i].bytes) << again.files[i].name;
}

TEST(Poolmaker, ChecksRefuseBrokenFiles) {
    std::vector<PoolFile> files = assets().files;
    files[size_t(pictureRecord(2))].bytes.pop_back(); // the_end.bmp one byte short
    EXPECT_NE(checkPoolFiles(files).find("pool/the_end.bmp"), std::string::npos);

    files = assets().files;
    auto& faces = files[size_t(meshFacesRecord(0))].bytes; // pot faces: make the first face name vertex 60000
    uint32_t count = faces[0] | faces[1] << 8;
    size_t first = 4 + 2 * size_t(count) + 4;
    faces[first] = 0x60;
    faces[first + 1] = 0xEA;
    EXPECT_NE(checkPoolFiles(files).find("pot"), std::string::npos);

    files = assets().files;
    files[size_t(cameraPathRecord(1))].bytes = {'(', '1', ' ', '2', ' ', '3', ' ', '4', ' ', '5', ')'};
    EXPECT_NE(checkPoolFiles(files).find("pool/pet/import/path.txt"), std::string::npos);

    files = assets().files;
    std::swap(files[1], files[2]);
    EXPECT_NE(checkPoolFiles(files), "");
}

TEST(Poolmaker, PoolLoadsThroughTheProgramsReaders) {
    // The record stream read back as the program reads it: every record its exact size.
    std::vector<uint8_t> stream;
    for (const PoolFile& f : assets().files) {
        uint32_t n = uint32_t(f.bytes.size());
        for (int i = 0; i < 4; ++i) stream.push_back(uint8_t(n >> (8 * i)));
        stream.insert(stream.end(), f.bytes.begin(), f.bytes.end());
    }
    resetPool();
    useArchive = true;
    ASSERT_EQ(archiveCallback(1, 0, reinterpret_cast<intptr_t>(stream.data()), intptr_t(stream.size())), 0);
    std::vector<uint8_t> scratch(2 << 20);
    for (const PoolFile& f : assets().files) {
        uint32_t got = readPoolFile(f.name.c_str(), scratch.data(), uint32_t(scratch.size()));
        EXPECT_EQ(got, f.bytes.size()) << f.name;
    }
    for (int p = 0; p < kPictureCount; ++p)
        EXPECT_EQ(assets().files[size_t(pictureRecord(p))].bytes.size(), pictureRecordSize(kPictures[p]));
    auto mesh = std::make_unique<Mesh>();
    for (int m = 0; m < kFileMeshCount; ++m) {
        const auto& verts = assets().files[size_t(meshVerticesRecord(m))].bytes;
        const auto& faces = assets().files[size_t(meshFacesRecord(m))].bytes;
        std::memset(mesh.get(), 0, sizeof(Mesh));
        MeshLoadReport report = parseMeshFiles(mesh.get(), verts.data(), uint32_t(verts.size()), faces.data(),
                                               uint32_t(faces.size()));
        EXPECT_FALSE(report.cutShort) << kFileMeshNames[m];
        EXPECT_EQ(report.droppedFaces, 0u) << kFileMeshNames[m];
        EXPECT_GT(mesh->faceCount, 10u) << kFileMeshNames[m];
    }
    resetPool();
}

} // namespace
