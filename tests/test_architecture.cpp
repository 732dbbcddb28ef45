// The layers of src/, bottom to top, and who may include whom: a file may
// include its own folder and the folders below it, never above; headers of
// the operating system, the terminal, the window system or sound only in
// src/platform; the libraries each in the one place that wraps them (below);
// no test for a platform (#ifdef _WIN32 and the like) outside src/platform.
// Each breach is named by file and line.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kLayers = {"platform", "math",    "settings", "datapool", "render",
                                          "effects",  "display", "timeline", "app"};

int layerOf(const std::string& folder) {
    for (size_t i = 0; i < kLayers.size(); ++i)
        if (kLayers[i] == folder) return int(i);
    return -1;
}

bool isSystemHeader(const std::string& header) {
    static const std::regex system(
        R"(^(unistd\.h|termios\.h|signal\.h|csignal|fcntl\.h|poll\.h|dirent\.h|pty\.h|dlfcn\.h|pthread\.h|)"
        R"(sys/.*|SDL2?/.*|SDL\.h|X11/.*|windows\.h|winsock2?\.h|io\.h|direct\.h|mmsystem\.h)$)");
    return std::regex_match(header, system);
}

// Libraries with the places (folders or files under src/) that may include them.
struct LibraryRule {
    const char* header; // a regular expression for the header's name
    const char* what;
    std::vector<std::string> places;
};
const std::vector<LibraryRule> kLibraryRules = {
    {R"(unrar/.*)", "the archive library", {"platform/archive_library.h"}},
    {R"(png\.h)", "libpng", {"display/png_image.cpp"}},
    // SDL, libopenmpt and threads belong to one system's implementation, never to the shared code
    // (side_work_threads.cpp is Linux's and Windows' alike; the page builds its own).
    {R"(SDL2?/.*|SDL\.h)", "SDL", {"platform/linux/"}},
    {R"(libopenmpt/.*)", "the module renderer", {"platform/music_player.cpp"}},
    {R"(thread|mutex|condition_variable|future)",
     "threads",
     {"platform/linux/", "platform/win32/", "platform/side_work_threads.cpp"}},
};

bool placeAllows(const std::string& file, const std::vector<std::string>& places) {
    for (const std::string& place : places)
        if (file.compare(0, place.size(), place) == 0) return true;
    return false;
}

struct Breach {
    std::string where, what;
};

std::vector<Breach> breaches(const fs::path& src) {
    std::vector<Breach> found;
    static const std::regex include(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
    static const std::regex platformTest(
        R"(^\s*#\s*(if|ifdef|ifndef|elif)\b.*\b(_WIN32|_WIN64|__linux__|__unix__|__APPLE__|__EMSCRIPTEN__|_MSC_VER|__MINGW32__)\b)");
    for (const auto& entry : fs::recursive_directory_iterator(src)) {
        std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) continue;
        std::string folder = fs::relative(entry.path(), src).begin()->string();
        int layer = layerOf(folder);
        std::ifstream in(entry.path());
        std::string line;
        std::string file = fs::relative(entry.path(), src).generic_string();
        for (int number = 1; std::getline(in, line); ++number) {
            std::string where =
                fs::relative(entry.path(), src.parent_path()).string() + ":" + std::to_string(number);
            if (folder != "platform" && std::regex_search(line, platformTest))
                found.push_back({where, "a test for a platform outside src/platform"});
            std::smatch m;
            if (!std::regex_search(line, m, include)) continue;
            std::string header = m[2];
            if (layer < 0) {
                found.push_back({where, "a folder outside the layers"});
                break;
            }
            if (m[1] == "<") {
                for (const LibraryRule& rule : kLibraryRules)
                    if (std::regex_match(header, std::regex(rule.header)) && !placeAllows(file, rule.places))
                        found.push_back({where, rule.what + std::string(" (<") + header + ">) outside " +
                                                    rule.places[0]});
                if (folder != "platform" && isSystemHeader(header))
                    found.push_back({where, "operating-system header <" + header + "> outside src/platform"});
                continue;
            }
            std::string target = header.substr(0, header.find('/'));
            int targetLayer = layerOf(target);
            if (header.find('/') == std::string::npos || targetLayer < 0)
                found.push_back({where, "\"" + header + "\" is not a header of src/"});
            else if (targetLayer > layer)
                found.push_back(
                    {where, folder + " includes " + target + " (\"" + header + "\"), a layer above it"});
        }
    }
    return found;
}

TEST(Architecture, IncludesFollowTheLayers) {
    std::vector<Breach> found = breaches(fs::path(CELLRUNE_SOURCE_DIR) / "src");
    std::string report;
    for (const Breach& b : found) report += "  " + b.where + ": " + b.what + "\n";
    EXPECT_TRUE(found.empty())
        << found.size() << " include(s) against the layers "
        << "(platform, math, settings, datapool, render, effects, display, timeline, app):\n"
        << report;
}

} // namespace

namespace {

// The checker itself, on a planted tree: each breach kind is found, and what the rules allow is not.
TEST(Architecture, CheckerFindsEachKindOfBreach) {
    fs::path root = fs::temp_directory_path() / ("cellrune-architecture-" + std::to_string(::getpid()));
    fs::remove_all(root);
    struct Planted {
        const char* file;
        const char* line;
        bool breach;
    };
    const Planted planted[] = {
        {"app/loop.cpp", "#include <thread>", true},
        {"datapool/pool.cpp", "#include <unrar/dll.hpp>", true},
        {"datapool/names.cpp", "#include \"platform/archive_library.h\"", false},
        {"platform/archive_library.h", "#include <unrar/dll.hpp>", false},
        {"timeline/clock.cpp", "#if defined(_WIN32) && 1", true},
        {"effects/water.cpp", "#ifdef __EMSCRIPTEN__", true},
        {"platform/linux/window.cpp", "#include <SDL2/SDL.h>", false},
        {"platform/window_common.cpp", "#include <SDL2/SDL.h>", true},
        {"platform/linux/sound.cpp", "#include <mutex>", false},
        {"render/fill.cpp", "#include <png.h>", true},
        {"display/png_image.cpp", "#include <png.h>", false},
        {"display/cells.cpp", "#include \"app/main_loop.h\"", true},
        {"app/main_loop.cpp", "#include \"display/display_mode.h\"", false},
        {"platform/linux/terminal.cpp", "#ifdef __linux__", false},
    };
    for (const Planted& p : planted) {
        fs::create_directories((root / p.file).parent_path());
        std::ofstream(root / p.file) << "// planted\n" << p.line << "\n";
    }
    std::vector<Breach> found = breaches(root);
    fs::remove_all(root);
    for (const Planted& p : planted) {
        std::string where = (fs::path(root.filename()) / p.file).string() + ":2";
        bool seen = false;
        for (const Breach& b : found) seen = seen || b.where == where;
        EXPECT_EQ(seen, p.breach) << p.file << ": " << p.line;
    }
}

} // namespace
