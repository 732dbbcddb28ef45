#include "app/export.h"

#include "app/headless.h"
#include "app/snapshot.h"
#include "display/cell_image.h"
#include "display/display_mode.h"
#include "display/window_converters.h"
#include "platform/cell_encoder.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/music_player.h"
#include "platform/terminal_palette.h"
#include "settings/settings.h"
#include "timeline/frame_clock.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = kViewerWidth, kHeight = kViewerHeight; // the video is what the viewer sees

void put16(FILE* f, uint32_t v) {
    std::fputc(int(v & 255), f);
    std::fputc(int((v >> 8) & 255), f);
}
void put32(FILE* f, uint32_t v) {
    put16(f, v & 0xFFFF);
    put16(f, v >> 16);
}

void writeWavHeader(FILE* f, uint32_t frames) {
    uint32_t data = frames * 4;
    std::fwrite("RIFF", 1, 4, f);
    put32(f, 36 + data);
    std::fwrite("WAVEfmt ", 1, 8, f);
    put32(f, 16);
    put16(f, 1); // PCM
    put16(f, 2);
    put32(f, uint32_t(kMusicRate));
    put32(f, uint32_t(kMusicRate) * 4);
    put16(f, 4);
    put16(f, 16);
    std::fwrite("data", 1, 4, f);
    put32(f, data);
}

// BT.601, studio range, as video tools read YUV4MPEG2 by default.
void writeY4mFrame(FILE* f, const uint32_t* rgb) {
    static uint8_t planes[3][kWidth * kHeight];
    for (int i = 0; i < kWidth * kHeight; ++i) {
        int r = int(rgb[i] >> 16 & 255), g = int(rgb[i] >> 8 & 255), b = int(rgb[i] & 255);
        planes[0][i] = uint8_t(16 + ((66 * r + 129 * g + 25 * b + 128) >> 8));
        planes[1][i] = uint8_t(128 + ((-38 * r - 74 * g + 112 * b + 128) >> 8));
        planes[2][i] = uint8_t(128 + ((112 * r - 94 * g - 18 * b + 128) >> 8));
    }
    std::fputs("FRAME\n", f);
    std::fwrite(planes, 1, sizeof planes, f);
}

void writeJsonString(FILE* f, const char* data, size_t length) {
    std::fputc('"', f);
    for (size_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(data[i]);
        if (c == '"' || c == '\\') {
            std::fputc('\\', f);
            std::fputc(c, f);
        } else if (c < 0x20 || c == 0x7F) {
            std::fprintf(f, "\\u%04x", c);
        } else {
            std::fputc(c, f);
        }
    }
    std::fputc('"', f);
}

void progress(double done, double total, std::chrono::steady_clock::time_point start) {
    if (!streamIsTerminal(stderr) || total <= 0) return;
    double fraction = std::min(1.0, done / total);
    double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double left = fraction > 0 ? elapsed * (1 - fraction) / fraction : 0;
    char bar[41];
    int filled = int(fraction * 40);
    for (int i = 0; i < 40; ++i) bar[i] = i < filled ? '#' : '.';
    bar[40] = '\0';
    std::fprintf(stderr, "\r[%s] %3d%%  %4.0f s left ", bar, int(fraction * 100), left);
}

// One output file. It is written as NAME.part and renamed to NAME only once whole, so a failed or
// interrupted export never leaves a short file under the name asked for ("-": standard output).
struct Output {
    std::string name;
    FILE* file = nullptr;
    int error = 0; // the first write error (errno), 0 for none

    bool direct = false; // a device or pipe (or standard output): written as it is, never renamed

    bool toStdout() const { return name == "-"; }
    std::string partName() const { return name + ".part"; }
    bool open() {
        if (name.empty()) return true;
        direct = toStdout() || isSpecialFile(name.c_str());
        file = toStdout() ? stdout : std::fopen(direct ? name.c_str() : partName().c_str(), "wb");
        if (!file) {
            error = errno;
            std::fprintf(stderr, "cellrune: cannot write '%s': %s\n",
                         direct ? name.c_str() : partName().c_str(), std::strerror(error));
        }
        return file != nullptr;
    }
    bool failed() {
        if (file && !error && std::ferror(file)) error = errno ? errno : EIO;
        return error != 0;
    }
    // Closes it; false (and said) when a write or the close failed.
    bool close() {
        if (!file) return true;
        failed();
        int result = toStdout() ? std::fflush(file) : std::fclose(file);
        if (result != 0 && !error) error = errno;
        file = nullptr;
        if (error)
            std::fprintf(stderr, "cellrune: cannot write '%s': %s\n",
                         toStdout() ? "standard output" : name.c_str(), std::strerror(error));
        return !error;
    }
    // After close: the whole file takes its name, or the part is removed.
    void keep(bool whole) {
        if (name.empty() || direct) return;
        if (whole && std::rename(partName().c_str(), name.c_str()) == 0) return;
        if (whole)
            std::fprintf(stderr, "cellrune: cannot name '%s': %s\n", name.c_str(), std::strerror(errno));
        std::remove(partName().c_str());
    }
};

// The recording: a header naming the terminal it needs, the modes the picture is shown in, each
// frame's bytes as the terminal encoder sends them, and an ending that hands the terminal back.
struct CastRecorder {
    FILE* file = nullptr;
    bool window = false; // a pixel style: recorded as half blocks
    bool lent = false;   // the show's palette lent to the replaying terminal
    ColourDepth pixelDepth = ColourDepth::k24;
    CellEncoderState encoder;
    std::vector<char> bytes = std::vector<char>(kEncoderFrameCapacity);
    uint32_t halved[kHalfBlockColumns * 2 * kHalfBlockRows];

    void entry(double seconds, const char* data, size_t length) {
        std::fprintf(file, "[%.6f, \"o\", ", seconds);
        writeJsonString(file, data, length);
        std::fprintf(file, "]\n");
    }

    void begin(const ExportRequest& request, bool windowMode) {
        window = windowMode;
        lent = request.colours == TerminalColours::kDetect || request.colours == TerminalColours::kPalette;
        // The pixel styles are recorded as the terminal shows them without a display: half blocks, in
        // 24-bit colour unless told 16. Text cells are one column wide unless told 2.
        pixelDepth = request.colours == TerminalColours::kSixteen ? ColourDepth::k16 : ColourDepth::k24;
        int columns =
            window || request.cells == CellWidthChoice::kTwo ? 2 * kEncoderColumns : kEncoderColumns;
        resetCellEncoder(
            &encoder, request.colours == TerminalColours::kTwentyFour ? ColourDepth::k24 : ColourDepth::k16,
            columns, kEncoderRows, consolePalette);
        encoder.cellWidth = window ? 1 : columns / kEncoderColumns;
        // 24-bit codes are recorded for --colors 24, and for the pixel styles unless told 16.
        bool trueColour =
            request.colours == TerminalColours::kTwentyFour || (window && pixelDepth == ColourDepth::k24);
        std::fprintf(
            file, "{\"version\": 2, \"width\": %d, \"height\": %d, \"env\": {\"TERM\": \"xterm-256color\"%s}",
            columns, kEncoderRows, trueColour ? ", \"COLORTERM\": \"truecolor\"" : "");
        if (lent) {
            // Players take the palette from the header; a terminal replaying the bytes, from OSC 4.
            std::fprintf(file, ", \"theme\": {\"fg\": \"#%06x\", \"bg\": \"#%06x\", \"palette\": \"",
                         consolePalette[7], consolePalette[0]);
            for (int i = 0; i < 16; ++i) // in ANSI order
                std::fprintf(file, "%s#%06x", i ? ":" : "", consolePalette[ansiColourOf(i)]);
            std::fprintf(file, "\"}");
        }
        std::fprintf(file, "}\n");
        char enter[16 + kPaletteSequenceCapacity] = CELLRUNE_PICTURE_MODES;
        size_t length = std::strlen(enter);
        if (lent) length += paletteSetSequence(consolePalette, enter + length, sizeof enter - length);
        entry(0, enter, length);
    }

    void frame(double seconds) {
        size_t n;
        if (window) {
            halveWindowImage(windowImage, halved);
            n = encodeHalfBlockFrame(&encoder, halved, pixelDepth, bytes.data(), bytes.size());
        } else {
            n = encodeCellFrame(&encoder, cellBuffer, bytes.data(), bytes.size());
        }
        entry(seconds, bytes.data(), n);
    }

    // The terminal that replays it is left as the live show leaves one: attributes reset, line wrap
    // on, the cursor shown, and (when lent) its own colours back.
    void end(double seconds) {
        std::string ending = CELLRUNE_USER_MODES;
        if (lent) ending += "\x1b]104\x07";
        entry(seconds, ending.data(), ending.size());
    }
};

// The music rendered offline up to each frame's time, written as 16-bit PCM when a WAV is asked for.
struct SoundTrack {
    FILE* file = nullptr;
    int64_t rendered = 0;
    uint32_t frames = 0; // written to the file
    float samples[2 * 1024];
    int16_t pcm[2 * 1024];

    void renderTo(int64_t target) {
        while (rendered < target) {
            int n = int(std::min<int64_t>(1024, target - rendered));
            renderMusicOffline(samples, n);
            if (file) {
                for (int i = 0; i < 2 * n; ++i)
                    pcm[i] = int16_t(std::lround(std::max(-1.0f, std::min(1.0f, samples[i])) * 32767));
                std::fwrite(pcm, sizeof(int16_t), size_t(2 * n), file);
                frames += uint32_t(n);
            }
            rendered += n;
        }
    }
};

// The export's own limits, before anything is loaded; a message and false when they do not hold.
bool exportRequestIsSound(const ExportRequest& request) {
    if (request.fps >= 1 && request.fps <= 240 && request.to > request.from) return true;
    std::fprintf(stderr, "cellrune: the export needs 1-240 frames a second and --to after --from\n");
    return false;
}

// Every output open, or none (each opened one closed and removed again).
bool openOutputs(Output (&outputs)[3]) {
    for (Output& output : outputs)
        if (!output.open()) {
            for (Output& other : outputs) {
                other.close();
                other.keep(false);
            }
            return false;
        }
    return true;
}

} // namespace

int runExport(const std::string& commandLine, const ExportRequest& request) {
    parseCommandLine(commandLine.c_str());
    bool window = isWindowMode(clampDisplayMode(modeSetting));
    if (!exportRequestIsSound(request)) return 2;
    // The show's data first: without it nothing is written.
    if (!startHeadless(commandLine)) return 1;
    Output outputs[3] = {{request.video}, {request.audio}, {request.cast}};
    if (!openOutputs(outputs)) return 2;
    FILE* video = outputs[0].file;
    static SoundTrack sound;
    sound.file = outputs[1].file;
    static CastRecorder cast;
    cast.file = outputs[2].file;
    setMusicOrderRow(request.from >> 14, (request.from >> 8) & 63);

    if (video) std::fprintf(video, "YUV4MPEG2 W%d H%d F%d:1 Ip A1:1 C444\n", kWidth, kHeight, request.fps);
    if (sound.file) writeWavHeader(sound.file, 0); // sizes are filled in at the end
    if (cast.file) cast.begin(request, window);

    static uint32_t picture[kWidth * kHeight];
    auto start = std::chrono::steady_clock::now();
    int32_t previous = INT32_MIN;
    int frames = 0;
    bool writeError = false;
    for (int64_t k = 0;; ++k) {
        sound.renderTo(k * kMusicRate / request.fps);
        int32_t clock = readMusicClock();
        if (clock >= request.to || clock < previous) break; // the end, or the music looping back
        previous = clock;
        setVirtualMilliseconds(k * 1000 / request.fps);
        renderFrameAt(clock);
        if (video) {
            drawViewerPicture(picture);
            writeY4mFrame(video, picture);
        }
        if (cast.file) cast.frame(double(k) / request.fps);
        ++frames;
        // A full disk or a closed pipe: stop now rather than render the rest for nothing.
        if (outputs[0].failed() || outputs[1].failed() || outputs[2].failed()) {
            writeError = true;
            break;
        }
        if (frames % 25 == 0) progress(clock - request.from, request.to - request.from, start);
    }
    if (cast.file) cast.end(double(frames) / request.fps);
    sound.renderTo(int64_t(frames) * kMusicRate / request.fps); // the sound of the last frame too
    if (streamIsTerminal(stderr)) std::fprintf(stderr, "\n");
    if (sound.file) {
        std::fseek(sound.file, 0, SEEK_SET);
        writeWavHeader(sound.file, sound.frames);
    }
    bool ok = !writeError;
    for (Output& output : outputs) ok &= output.close();
    for (Output& output : outputs) output.keep(ok);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!ok) {
        std::fprintf(stderr, "cellrune: the export stopped after %d frame%s; nothing was kept\n", frames,
                     frames == 1 ? "" : "s");
        return 1;
    }
    std::fprintf(stderr, "cellrune: exported %d frames in %.1f s (%.0f frames a second)\n", frames, seconds,
                 frames / std::max(seconds, 1e-9));
    return 0;
}
