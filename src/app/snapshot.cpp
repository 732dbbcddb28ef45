#include "app/snapshot.h"

#include "app/headless.h"
#include "display/cell_image.h"
#include "display/display_mode.h"
#include "display/png_image.h"
#include "display/presenters.h"
#include "display/small_font.h"
#include "display/window_converters.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/music_player.h"
#include "settings/settings.h"
#include "timeline/frame_clock.h"
#include "timeline/scene_windows.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace {

Converter sceneConverter = nullptr;
std::string outputFolder;
int32_t currentClock = 0;
bool writeFailed = false;

std::string base() {
    char name[32];
    std::snprintf(name, sizeof name, "0x%05X", unsigned(currentClock));
    return outputFolder + "/" + name;
}

void writeBytes(const std::string& path, const void* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), std::streamsize(size));
    out.close(); // the last of the data is written here, and may fail here
    if (!out) writeFailed = true;
}

// Keeps the FrameBuffer as the scene hands it over, then converts as usual.
void recordingConverter(uint32_t* pixels, uint32_t frame) {
    writeBytes(base() + ".fb", pixels, kFramePixels * sizeof(uint32_t));
    sceneConverter(pixels, frame);
}

// A glyph of the 8 x 8 font for a code page 437 character: shades as dither, blocks, letters from the 5 x 7
// font.
bool glyphBit(uint8_t c, int x, int y) {
    switch (c) {
    case 0x00:
    case 0x20:
        return false;
    case 0xB0:
        return (x + 2 * y) % 4 == 0;
    case 0xB1:
        return (x + y) % 2 == 0;
    case 0xB2:
        return (x + 2 * y) % 4 != 0;
    case 0xDB:
        return true;
    case 0xDF:
        return y < 4;
    case 0xDC:
        return y >= 4;
    default:
        break;
    }
    if (x < 1 || x > 5 || y > 6) return false;
    if (glyphRows(char(c))[0] == 0 && glyphRows(char(c))[3] == 0 && c != '.' && c != ',')
        return (x + y) % 3 == 0; // a character the small font lacks: a light texture
    return glyphPixel(char(c), x - 1, y);
}

int snapshotPresenter() {
    static uint32_t picture[kViewerWidth * kViewerHeight];
    bool window = showingWindowMode();
    if (window)
        writeBytes(base() + ".win", windowImage, sizeof windowImage);
    else
        writeBytes(base() + ".cells", cellBuffer, sizeof cellBuffer);
    drawViewerPicture(picture);
    if (!writePng(base() + ".png", picture, kViewerWidth, kViewerHeight, kViewerWidth, 1)) writeFailed = true;
    return 0;
}

} // namespace

void drawViewerPicture(uint32_t* picture) {
    if (showingWindowMode()) {
        for (int y = 0; y < kViewerHeight; ++y)
            for (int x = 0; x < kViewerWidth; ++x)
                picture[y * kViewerWidth + x] =
                    windowImage[(kWindowHeight - 1 - y / 2) * kWindowWidth + x / 2];
        return;
    }
    for (int cy = 0; cy < kCellRows; ++cy)
        for (int cx = 0; cx < kCellColumns; ++cx) {
            uint32_t cell = cellBuffer[cy * kCellColumns + cx];
            uint8_t character = uint8_t(cell);
            uint32_t attribute = cell >> 16;
            uint32_t fg = consolePalette[attribute & 15], bg = consolePalette[(attribute >> 4) & 15];
            for (int y = 0; y < kGlyphSize; ++y)
                for (int x = 0; x < kGlyphSize; ++x)
                    picture[(cy * kGlyphSize + y) * kViewerWidth + cx * kGlyphSize + x] =
                        glyphBit(character, x, y) ? fg : bg;
        }
}

bool parseClockList(const std::string& text, std::vector<int32_t>* clocks, std::string* error,
                    int32_t highest) {
    clocks->clear();
    size_t at = 0;
    while (at <= text.size()) {
        size_t comma = text.find(',', at);
        std::string item = text.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        errno = 0;
        char* end = nullptr;
        // Digits only (strtoll alone would take spaces, signs and octal).
        bool hex = item.size() > 2 && item[0] == '0' && (item[1] == 'x' || item[1] == 'X');
        bool digits = !item.empty() && item.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789",
                                                              hex ? 2 : 0) == std::string::npos;
        long long value = digits ? std::strtoll(item.c_str(), &end, hex ? 16 : 10) : -1;
        if (!digits || *end != '\0' || errno != 0 || value < 0 || value > highest) {
            char range[96];
            std::snprintf(range, sizeof range, "the music's positions go from 0 to 0x%X", unsigned(highest));
            *error = "'" + item + "' is not a music position: " + range +
                     " (order x 16384 + row x 256, decimal or 0x hexadecimal)";
            return false;
        }
        clocks->push_back(int32_t(value));
        if (comma == std::string::npos) break;
        at = comma + 1;
    }
    return true;
}

int runSnapshots(const std::string& commandLine, const std::vector<int32_t>& clocks,
                 const std::string& folder) {
    if (!startHeadless(commandLine, snapshotPresenter)) return 1;
    char reason[256];
    if (!makeFolders(folder.c_str(), reason, sizeof reason)) {
        std::fprintf(stderr, "cellrune: cannot write snapshots to '%s': %s\n", folder.c_str(), reason);
        return 2;
    }
    outputFolder = folder;
    sceneConverter = currentConverter;
    currentConverter = recordingConverter;
    for (int32_t clock : clocks) {
        currentClock = clock;
        setVirtualMilliseconds(musicMillisecondsAt(clock));
        // Each picture is the first frame of a show started at P, whatever the list drew before it.
        settleTimeline(clock);
        frameNumber = 0;
        renderFrameAt(clock);
    }
    if (writeFailed) {
        std::fprintf(stderr, "cellrune: could not write every snapshot file to '%s'\n", folder.c_str());
        return 2;
    }
    return 0;
}

int runBenchmark(const std::string& commandLine, int frames) {
    if (!startHeadless(commandLine)) return 1;
    buildConsoleTables(); // every mode is measured
    double sceneSeconds[16] = {}, modeSeconds[kDisplayModeCount] = {};
    int sceneFrames[16] = {};
    const int64_t span = int64_t(35) * 16384;
    for (int i = 0; i < frames; ++i) {
        int32_t clock = int32_t(span * i / frames);
        setVirtualMilliseconds(musicMillisecondsAt(clock));
        int scenes[2];
        int scene = scenesAt(clock, scenes) > 0 ? scenes[0] : 0;
        settleTimeline(clock);
        for (int mode = 0; mode < kDisplayModeCount; ++mode) {
            currentConverter = displayModes[mode].converter;
            displayState = displayModes[mode].state;
            auto start = std::chrono::steady_clock::now();
            renderFrameAt(clock);
            double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            sceneSeconds[scene] += seconds;
            modeSeconds[mode] += seconds;
            ++sceneFrames[scene];
        }
    }
    double total = 0;
    for (int scene = 1; scene <= 15; ++scene) {
        if (!sceneFrames[scene]) continue;
        std::printf("scene %2d: %8.0f fps\n", scene, sceneFrames[scene] / sceneSeconds[scene]);
        total += sceneSeconds[scene];
    }
    for (int mode = 0; mode < kDisplayModeCount; ++mode)
        std::printf("mode %2d (%s): %8.0f fps\n", mode, displayModes[mode].caption,
                    frames / modeSeconds[mode]);
    std::printf("overall: %.0f fps\n", double(frames) * kDisplayModeCount / total);
    return 0;
}
