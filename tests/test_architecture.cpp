// The layers of src/, bottom to top, and who may include whom: a file may
// include its own folder and the folders below it, never above; headers of
// the operating system, the terminal, the window system or sound only in
// src/platform. Each breach is named by file and line.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kLayers = {"platform", "settings", "math",     "datapool", "render",
                                          "effects",  "display",  "timeline", "app"};

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

struct Breach {
    std::string where, what;
};

std::vector<Breach> breaches(const fs::path& src) {
    std::vector<Breach> found;
    static const std::regex include(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
    for (const auto& entry : fs::recursive_directory_iterator(src)) {
        std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) continue;
        std::string folder = fs::relative(entry.path(), src).begin()->string();
        int layer = layerOf(folder);
        std::ifstream in(entry.path());
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            std::smatch m;
            if (!std::regex_search(line, m, include)) continue;
            std::string where =
                fs::relative(entry.path(), src.parent_path()).string() + ":" + std::to_string(number);
            std::string header = m[2];
            if (layer < 0) {
                found.push_back({where, "a folder outside the layers"});
                break;
            }
            if (m[1] == "<") {
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
        << "(platform, settings, math, datapool, render, effects, display, timeline, app):\n"
        << report;
}

} // namespace
