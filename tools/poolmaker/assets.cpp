#include "tools/poolmaker/assets.h"

#include "datapool/pictures.h"
#include "effects/camera_path.h"
#include "tools/poolmaker/meshes.h"
#include "tools/poolmaker/pictures.h"

#include <cmath>
#include <cstring>
#include <memory>

namespace {

void put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void put32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

std::vector<uint8_t> bmpHeader(int width, int height, int bits, uint32_t dataBytes, uint32_t offset) {
    std::vector<uint8_t> h;
    h.push_back('B');
    h.push_back('M');
    put32(h, offset + dataBytes);
    put32(h, 0);
    put32(h, offset);
    put32(h, 40);
    put32(h, uint32_t(width));
    put32(h, uint32_t(height));
    put16(h, 1);
    put16(h, uint32_t(bits));
    put32(h, 0);
    put32(h, dataBytes);
    put32(h, 2835);
    put32(h, 2835);
    put32(h, bits == 8 ? 256 : 0);
    put32(h, 0);
    return h;
}

std::vector<uint8_t> rawRgb(const std::vector<uint8_t>& bgr) {
    return bgr;
}

} // namespace

std::vector<uint8_t> encodeBmp24(const Image& image) {
    uint32_t data = uint32_t(image.width) * image.height * 3;
    std::vector<uint8_t> out = bmpHeader(image.width, image.height, 24, data, 54);
    for (int r = 0; r < image.height; ++r) { // bottom row first
        const uint32_t* row = image.pixels.data() + size_t(image.height - 1 - r) * image.width;
        for (int x = 0; x < image.width; ++x) {
            out.push_back(uint8_t(row[x]));
            out.push_back(uint8_t(row[x] >> 8));
            out.push_back(uint8_t(row[x] >> 16));
        }
    }
    return out;
}

std::vector<uint8_t> encodeBmp8(int width, int height, const std::vector<uint8_t>& indices,
                                const std::vector<uint32_t>& palette) {
    std::vector<uint8_t> out = bmpHeader(width, height, 8, uint32_t(width) * height, 1078);
    for (int i = 0; i < 256; ++i) put32(out, palette[size_t(i)] & 0xFFFFFF);
    for (int r = 0; r < height; ++r) {
        const uint8_t* row = indices.data() + size_t(height - 1 - r) * width;
        out.insert(out.end(), row, row + width);
    }
    return out;
}

std::vector<uint8_t> encodeCells(const std::vector<uint32_t>& cells) {
    std::vector<uint8_t> out;
    for (uint32_t c : cells) put32(out, c);
    return out;
}

std::string makeShowAssets(ShowAssets* out, const std::vector<uint8_t>& music) {
    PictureSet p = makePictures();
    std::vector<Model> models = makeModels();
    std::vector<MeshFiles> meshFiles(models.size());
    for (size_t i = 0; i < models.size(); ++i) {
        std::string error = bakeAndWrite(models[i], &meshFiles[i]);
        if (!error.empty()) return error;
    }
    auto modelIndex = [&](const std::string& name) {
        for (size_t i = 0; i < models.size(); ++i)
            if (models[i].name == name) return i;
        return size_t(0);
    };
    std::vector<PoolFile>& f = out->files;
    f.clear();
    f.push_back({"pool/BOARDS4F.IT", music});
    std::vector<uint32_t> towerPalette = p.towerPalette;
    f.push_back({"pool/tower.bmp", encodeBmp8(160, 1152, p.tower, towerPalette)});
    f.push_back({"pool/topaz_vyn.bmp", encodeBmp8(256, 100, p.topaz, p.greyPalette)});
    f.push_back({"pool/the_end.bmp", encodeBmp24(p.theEnd)});
    f.push_back({"pool/skull.bmp", encodeBmp8(160, 384, p.skull, p.greyPalette)});
    f.push_back({"pool/scroller.bmp", encodeBmp8(1024, 32, p.scroller, p.greyPalette)});
    f.push_back({"pool/c_veins.bmp", encodeBmp24(p.veins)});
    f.push_back({"pool/logo.bmp", encodeBmp24(p.logo)});
    f.push_back({"pool/logo.raw", encodeCells(p.logoCells)});
    f.push_back({"pool/vyn_small.bmp", encodeBmp24(p.smallLogo)});
    f.push_back({"pool/vyn_small.raw", encodeCells(p.smallLogoCells)});
    f.push_back({"pool/logo3.bmp", encodeBmp8(160, 200, p.logo3, p.greyPalette)});
    f.push_back({"pool/av_txtr.bmp", encodeBmp24(p.banner)});
    f.push_back({"pool/skybox.bmp", encodeBmp24(p.sky)});
    f.push_back({"pool/env_map.bmp", encodeBmp24(p.env)});
    for (const char* name : {"pot", "pet", "cornell", "wirecube", "zilm", "house", "vyn", "vusk"})
        f.push_back(
            {std::string("pool/") + name + "/textuur.raw", rawRgb(meshFiles[modelIndex(name)].texture)});
    for (size_t i = 0; i < models.size(); ++i) {
        f.push_back({"pool/" + models[i].name + "/verts.bin", meshFiles[i].verts});
        f.push_back({"pool/" + models[i].name + "/faces.bin", meshFiles[i].faces});
    }
    for (auto& [name, text] : makePaths())
        f.push_back({name, std::vector<uint8_t>(text.begin(), text.end())});

    out->models = models;
    out->previews = {{"skybox", p.sky},    {"env_map", p.env},         {"av_txtr", p.banner},
                     {"logo", p.logo},     {"vyn_small", p.smallLogo}, {"c_veins", p.veins},
                     {"the_end", p.theEnd}};
    auto indexed = [](int w, int h, const std::vector<uint8_t>& v, const std::vector<uint32_t>& palette) {
        Image img{w, h, std::vector<uint32_t>(v.size())};
        for (size_t i = 0; i < v.size(); ++i) img.pixels[i] = palette[v[i]];
        return img;
    };
    out->previews.push_back({"tower", indexed(160, 1152, p.tower, p.towerPalette)});
    out->previews.push_back({"skull", indexed(160, 384, p.skull, p.greyPalette)});
    out->previews.push_back({"scroller", indexed(1024, 32, p.scroller, p.greyPalette)});
    out->previews.push_back({"topaz_vyn", indexed(256, 100, p.topaz, p.greyPalette)});
    out->previews.push_back({"logo3", indexed(160, 200, p.logo3, p.greyPalette)});
    return "";
}
