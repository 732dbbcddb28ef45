// poolmaker: makes every file of the show and packs the pool.
//   poolmaker OUTDIR           loose files under OUTDIR/pool, OUTDIR/pool/blob.raw
//                              and the encrypted OUTDIR/blob.rar (needs rar)
//   poolmaker --preview DIR    PNG pictures of every picture and mesh
// Deterministic: the same files every run (the archive's encryption salt aside).
#include "datapool/mesh.h"
#include "datapool/pictures.h"
#include "display/png_image.h"
#include "effects/camera_path.h"
#include "effects/span_buffer.h"
#include "effects/tubes.h"
#include "effects/water.h"
#include "math/matrix.h"
#include "render/mesh_drawers.h"
#include "timeline/view.h"
#include "tools/poolmaker/assets.h"
#include "tools/poolmaker/checks.h"
#include "tools/poolmaker/music.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace fs = std::filesystem;

namespace {

bool writeFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "poolmaker: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

std::vector<uint8_t> recordStream(const std::vector<PoolFile>& files) {
    std::vector<uint8_t> stream;
    for (const PoolFile& f : files) {
        uint32_t n = uint32_t(f.bytes.size());
        for (int i = 0; i < 4; ++i) stream.push_back(uint8_t(n >> (8 * i)));
        stream.insert(stream.end(), f.bytes.begin(), f.bytes.end());
    }
    return stream;
}

std::string shellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

int preview(const fs::path& dir, const ShowAssets& assets) {
    fs::create_directories(dir);
    bool ok = true;
    for (const auto& [name, image] : assets.previews)
        ok &= writePng((dir / (name + ".png")).string(), image.pixels.data(), image.width, image.height,
                       image.width, image.width <= 256 && image.height <= 256 ? 2 : 1);
    // Meshes through the program's own loaders, decoders and renderer.
    allocatePictureBlocks();
    auto find = [&](const std::string& name) -> const std::vector<uint8_t>& {
        for (const PoolFile& f : assets.files)
            if (f.name == name) return f.bytes;
        static const std::vector<uint8_t> none;
        return none;
    };
    std::vector<uint8_t> scratch(2 << 20);
    auto decode = [&](int picture) {
        const std::vector<uint8_t>& bytes = find(kPictures[picture].name);
        std::memcpy(scratch.data(), bytes.data(), bytes.size());
        decodePicture(kPictures[picture], scratch.data());
    };
    for (int i = 0; i < kPictureCount; ++i) decode(i);
    spanTexture = skyTexture;
    std::vector<uint32_t> pixels(256 * 100);
    renderTarget.pixels = pixels.data();
    renderTarget.depthBuffer = depthBufferA;
    renderTarget.width = 160;
    renderTarget.height = 100;
    renderTarget.pitch = 256;
    renderTarget.centreX = 80;
    renderTarget.centreY = 50;
    renderTarget.focalX = renderTarget.focalY = 80;
    const int textureOf[kFileMeshCount] = {0, 1, 2, 3, 4, 6, 7, 5}; // mesh order to texture order
    const float distance[kFileMeshCount] = {16, 30, 9, 40, 60, 10, 12, 6};
    const float lift[kFileMeshCount] = {-3, -3, 5, 0, -4, 0, 0, 0};
    const float centreZ[kFileMeshCount] = {0, 12, 0, 0, 20, 0, 0, 0};
    auto mesh = std::make_unique<Mesh>();
    for (int m = 0; m < kFileMeshCount; ++m) {
        std::string base = std::string("pool/") + kFileMeshNames[m];
        const auto& verts = find(base + "/verts.bin");
        const auto& faces = find(base + "/faces.bin");
        std::memset(mesh.get(), 0, sizeof(Mesh));
        parseMeshFiles(mesh.get(), verts.data(), uint32_t(verts.size()), faces.data(),
                       uint32_t(faces.size()));
        renderTarget.texture = meshTexture[textureOf[m]];
        bool house = std::strcmp(kFileMeshNames[m], "house") == 0;
        for (int view = 0; view < 3; ++view) {
            Matrix4 sky = identityMatrix;
            rotateMatrix4Y(&sky, 0.9f * float(view) - 0.4f);
            rotateMatrix4X(&sky, -0.25f);
            resetSpanBuffer();
            drawMeshSpans(sky);
            resolveSpanBuffer();
            for (int y = 0; y < 100; ++y)
                for (int x = 0; x < 160; ++x) depthBufferA[y * 256 + x] = 1;
            Matrix4 model = identityMatrix;
            translateMatrix4(&model, 0, 0, -centreZ[m]);
            if (house) rotateMatrix4X(&model, -1.2f); // its up is -z: stand it up
            rotateMatrix4Y(&model, 0.6f + 2.1f * float(view));
            rotateMatrix4X(&model, 0.3f);
            translateMatrix4(&model, 0, lift[m], distance[m]);
            drawMeshPerspectiveBilinear(*mesh, model);
            std::string file =
                (dir / (std::string("mesh_") + kFileMeshNames[m] + "_" + std::to_string(view) + ".png"))
                    .string();
            ok &= writePng(file, pixels.data(), 160, 100, 256, 3);
        }
    }
    // Each scene's camera pairs along their paths: a strip of frames per pair.
    struct Shot {
        const char* mesh;
        int path, eye, target;
        double until; // path time the scene reaches
        double focalX, focalY;
    };
    const Shot shots[] = {{"pot", 0, 2, 3, 20000, 90, 70},     {"pot", 0, 0, 1, 20000, 90, 70},
                          {"pet", 1, 0, 1, 8000, 50, 60},      {"pet", 1, 3, 2, 8000, 50, 60},
                          {"house", 5, 0, 1, 12000, 100, 75},  {"zilm", 4, 0, 1, 11000, 60, 37},
                          {"zilm", 4, 2, 3, 11000, 100, 75},   {"cornell", 2, 3, 2, 8000, 80, 80},
                          {"cornell", 2, 1, 0, 8000, 90, 60},  {"wirecube", 3, 0, 1, 8000, 64, 64},
                          {"wirecube", 3, 2, 3, 24000, 64, 64}};
    const char* pathNames[6] = {"pot", "pet", "cornell", "wirecube", "zilm", "house"};
    buildTubes();
    resetWater();
    auto path = std::make_unique<CameraPath>();
    std::vector<uint32_t> strip(size_t(160 * 6) * 100);
    for (const Shot& shot : shots) {
        int m = 0;
        while (std::strcmp(kFileMeshNames[m], shot.mesh) != 0) ++m;
        std::string base = std::string("pool/") + shot.mesh;
        const auto& verts = find(base + "/verts.bin");
        const auto& faces = find(base + "/faces.bin");
        std::memset(mesh.get(), 0, sizeof(Mesh));
        parseMeshFiles(mesh.get(), verts.data(), uint32_t(verts.size()), faces.data(),
                       uint32_t(faces.size()));
        const auto& text = find(std::string("pool/") + pathNames[shot.path] + "/import/path.txt");
        std::memset(path.get(), 0, sizeof(CameraPath));
        parsePathText(path.get(), text.data(), uint32_t(text.size()));
        renderTarget.texture = meshTexture[textureOf[m]];
        renderTarget.focalX = shot.focalX;
        renderTarget.focalY = shot.focalY;
        for (int frame = 0; frame < 6; ++frame) {
            double time = shot.until * frame / 6;
            Matrix4 view = buildViewMatrix(*path, shot.eye, shot.target, time);
            resetSpanBuffer();
            drawMeshSpans(view);
            resolveSpanBuffer();
            for (int y = 0; y < 100; ++y)
                for (int x = 0; x < 160; ++x) depthBufferA[y * 256 + x] = 1;
            drawMeshPerspectiveBilinear(*mesh, view);
            if (shot.path == 0) drawTubes(view, uint32_t(time));
            if (shot.path == 5) drawWaterSurface(view, 0);
            for (int y = 0; y < 100; ++y)
                std::memcpy(&strip[size_t(y) * 960 + size_t(frame) * 160], &pixels[size_t(y) * 256], 160 * 4);
        }
        std::string file = (dir / ("path_" + std::string(pathNames[shot.path]) + "_" +
                                   std::to_string(shot.eye) + std::to_string(shot.target) + ".png"))
                               .string();
        ok &= writePng(file, strip.data(), 960, 100, 960, 1);
    }
    releasePictureBlocks();
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    bool previewOnly = argc == 3 && std::strcmp(argv[1], "--preview") == 0;
    if (!(argc == 2 && argv[1][0] != '-') && !previewOnly) {
        std::fprintf(stderr, "usage: poolmaker OUTDIR | poolmaker --preview DIR\n");
        return 2;
    }
    auto start = std::chrono::steady_clock::now();
    ShowAssets assets;
    std::vector<uint8_t> music = makeMusic();
    std::string error = makeShowAssets(&assets, music);
    if (error.empty()) error = checkPoolFiles(assets.files);
    if (!error.empty()) {
        std::fprintf(stderr, "poolmaker: %s\n", error.c_str());
        return 1;
    }
    if (previewOnly) return preview(argv[2], assets);

    fs::path out = argv[1];
    for (const PoolFile& f : assets.files)
        if (!writeFile(out / f.name, f.bytes)) return 1;
    std::vector<uint8_t> stream = recordStream(assets.files);
    if (!writeFile(out / "pool" / "blob.raw", stream)) return 1;
    fs::path archive = fs::absolute(out / "blob.rar");
    fs::remove(archive); // rar adds to an existing archive
    // A 1 MB dictionary (rar's default is 8 MB): the archive is as small, since no record is
    // larger, and unpacking it at start-up takes some 1,200 fewer fresh pages of memory.
    std::string command = "cd " + shellQuote((out / "pool").string()) +
                          " && rar a -idq -ep -m3 -md1m -pvortelqanis " + shellQuote(archive.string()) +
                          " blob.raw >/dev/null";
    if (std::system(command.c_str()) != 0 || !fs::exists(archive)) {
        std::fprintf(stderr, "poolmaker: rar could not make %s (is rar installed?)\n", archive.c_str());
        return 1;
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("poolmaker: %zu records, %zu bytes of pool, %ju bytes of archive, %.1f s\n",
                assets.files.size(), stream.size(), uintmax_t(fs::file_size(archive)), seconds);
    return 0;
}
