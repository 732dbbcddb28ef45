// The show's fingerprint: a 64-bit hash of the FrameBuffer, of the cells
// presented in display mode 0 and of the window picture of mode 5, at fixed
// music positions in every scene window, rendered by --snapshot. The table is
// tests/scene_pictures.txt; scripts/update-pictures rewrites it on purpose.
// A differing entry names its scene, position and picture, and its frames are
// kept as PNG files in the build's tests/picture-diffs/ for a person to see.
#include "program_harness.h"

#include <png.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace harness;

struct Entry {
    int scene;
    std::string position; // as written, 0x hexadecimal
    std::string settings; // "-" or keyword=value pairs joined by commas
    uint64_t fb, cells, win;
};

uint64_t hash64(const std::string& bytes) {
    uint64_t h = 14695981039346656037ull; // FNV-1a
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

std::vector<Entry> readTable(const std::string& path) {
    std::vector<Entry> entries;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        Entry e;
        std::string fb, cells, win;
        fields >> e.scene >> e.position >> e.settings >> fb >> cells >> win;
        e.fb = std::stoull(fb, nullptr, 16);
        e.cells = std::stoull(cells, nullptr, 16);
        e.win = std::stoull(win, nullptr, 16);
        entries.push_back(e);
    }
    return entries;
}

void writeTable(const std::string& path, const std::vector<Entry>& entries) {
    std::ofstream out(path);
    out << "# scene position settings fb-hash cells-hash(mode 0) win-hash(mode 5)\n"
           "# Written by scripts/update-pictures; a changed line is committed with its reason.\n";
    for (const Entry& e : entries) {
        char line[160];
        std::snprintf(line, sizeof line, "%2d %-10s %-6s %016llx %016llx %016llx\n", e.scene,
                      e.position.c_str(), e.settings.c_str(), (unsigned long long)e.fb,
                      (unsigned long long)e.cells, (unsigned long long)e.win);
        out << line;
    }
}

// The snapshot file base of a position, as the program names it.
std::string fileBase(const std::string& folder, const std::string& position) {
    char name[32];
    std::snprintf(name, sizeof name, "0x%05X", unsigned(std::stoul(position, nullptr, 16)));
    return folder + "/" + name;
}

bool writeFramePng(const std::string& path, const std::string& fb) {
    if (fb.size() != 160 * 100 * 4) return false;
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    image.width = 160;
    image.height = 100;
    image.format = PNG_FORMAT_BGRA;
    std::string opaque = fb;
    for (size_t i = 3; i < opaque.size(); i += 4) opaque[i] = char(0xFF);
    return png_image_write_to_file(&image, path.c_str(), 0, opaque.data(), 0, nullptr) != 0;
}

struct Rendered {
    std::string folder[2]; // mode 0, mode 5
};

// One --snapshot run per settings group and mode, positions in table order.
std::map<std::string, Rendered> render(const std::vector<Entry>& entries) {
    std::map<std::string, std::vector<std::string>> groups;
    for (const Entry& e : entries) groups[e.settings].push_back(e.position);
    std::map<std::string, Rendered> rendered;
    for (auto& [settings, positions] : groups) {
        std::string list;
        for (auto& p : positions) list += (list.empty() ? "" : ",") + p;
        for (int m = 0; m < 2; ++m) {
            char folder[] = "/tmp/cellrune-pictures-XXXXXX";
            EXPECT_NE(mkdtemp(folder), nullptr);
            rendered[settings].folder[m] = folder;
            std::vector<std::string> args = {"--snapshot", list, "--out", folder, "mode", m == 0 ? "0" : "5"};
            if (settings != "-") {
                std::istringstream pairs(settings);
                std::string pair;
                while (std::getline(pairs, pair, ',')) {
                    size_t eq = pair.find('=');
                    args.push_back(pair.substr(0, eq));
                    args.push_back(pair.substr(eq + 1));
                }
            }
            Child child;
            start(child, args, false, {"CELLRUNE_DEBUG=/dev/null"});
            EXPECT_TRUE(child.pump(120000)) << "snapshots did not finish";
            EXPECT_EQ(child.status, 0) << child.err();
        }
    }
    return rendered;
}

TEST(ScenePictures, EveryStoredPictureIsDrawnAgain) {
    const std::string table = CELLRUNE_SOURCE_DIR "/tests/scene_pictures.txt";
    const char* update = std::getenv("CELLRUNE_UPDATE_PICTURES");
    std::vector<Entry> entries = readTable(table);
    ASSERT_GE(entries.size(), 30u) << "cannot read " << table;
    std::map<std::string, Rendered> rendered = render(entries);
    const std::string diffs = CELLRUNE_TEST_OUTPUT_DIR "/picture-diffs";
    std::system(("rm -rf '" + diffs + "' && mkdir -p '" + diffs + "'").c_str());

    std::vector<Entry> now = entries;
    int changed = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        const Rendered& r = rendered[e.settings];
        std::string base0 = fileBase(r.folder[0], e.position), base5 = fileBase(r.folder[1], e.position);
        std::string fb = slurp(base0 + ".fb");
        ASSERT_EQ(fb.size(), 160u * 100u * 4u) << e.position << " was not rendered";
        // The scene draws the same FrameBuffer whatever the display mode.
        ASSERT_EQ(fb, slurp(base5 + ".fb")) << "scene " << e.scene << " at " << e.position;
        now[i].fb = hash64(fb);
        now[i].cells = hash64(slurp(base0 + ".cells"));
        now[i].win = hash64(slurp(base5 + ".win"));
        std::string name = "scene" + std::to_string(e.scene) + "-" + e.position +
                           (e.settings == "-" ? "" : "-" + e.settings);
        std::string differs;
        for (auto [picture, stored, drawn] :
             {std::tuple{"FrameBuffer", e.fb, now[i].fb}, std::tuple{"mode 0 cells", e.cells, now[i].cells},
              std::tuple{"mode 5 window", e.win, now[i].win}})
            if (stored != drawn) differs += (differs.empty() ? "" : ", ") + std::string(picture);
        if (differs.empty()) continue;
        ++changed;
        if (update) {
            std::printf("changed: scene %d at %s (%s): %s\n", e.scene, e.position.c_str(), e.settings.c_str(),
                        differs.c_str());
            continue;
        }
        ADD_FAILURE() << "scene " << e.scene << " at " << e.position << " (settings " << e.settings
                      << "): " << differs << " differ from the stored pictures; see " << diffs << "/" << name
                      << "-*.png";
        writeFramePng(diffs + "/" + name + "-frame.png", fb);
        std::rename((base0 + ".png").c_str(), (diffs + "/" + name + "-mode0.png").c_str());
        std::rename((base5 + ".png").c_str(), (diffs + "/" + name + "-mode5.png").c_str());
    }
    for (auto& [settings, r] : rendered)
        for (auto& folder : r.folder) std::system(("rm -rf '" + folder + "'").c_str());
    if (update) {
        writeTable(update, now);
        std::printf("%d entries changed; table written to %s\n", changed, update);
    }
}

} // namespace
