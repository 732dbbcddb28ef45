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

constexpr int kWidth = 640, kHeight = 400;

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

bool writeFailed(FILE* f) {
    return f && std::ferror(f);
}

FILE* openOutput(const std::string& name) {
    if (name == "-") return stdout;
    return std::fopen(name.c_str(), "wb");
}

} // namespace

int runExport(const std::string& commandLine, const ExportRequest& request) {
    parseCommandLine(commandLine.c_str());
    int32_t mode = clampDisplayMode(modeSetting);
    bool window = isWindowMode(mode);
    if (request.fps < 1 || request.fps > 240 || request.to <= request.from) {
        std::fprintf(stderr, "cellrune: the export needs 1-240 frames a second and --to after --from\n");
        return 2;
    }
    FILE* video = request.video.empty() ? nullptr : openOutput(request.video);
    FILE* audio = request.audio.empty() ? nullptr : std::fopen(request.audio.c_str(), "wb");
    FILE* cast = request.cast.empty() ? nullptr : std::fopen(request.cast.c_str(), "wb");
    if ((!request.video.empty() && !video) || (!request.audio.empty() && !audio) ||
        (!request.cast.empty() && !cast)) {
        std::fprintf(stderr, "cellrune: cannot write the export: %s\n", std::strerror(errno));
        return 2;
    }
    startHeadless(commandLine);
    setMusicOrderRow(request.from >> 14, (request.from >> 8) & 63);

    if (video) std::fprintf(video, "YUV4MPEG2 W%d H%d F%d:1 Ip A1:1 C444\n", kWidth, kHeight, request.fps);
    if (audio) writeWavHeader(audio, 0); // sizes are filled in at the end
    static CellEncoderState encoder;
    static std::vector<char> castBytes(kEncoderFrameCapacity);
    bool lent = request.colours == TerminalColours::kDetect || request.colours == TerminalColours::kPalette;
    // The pixel styles are recorded as the terminal shows them without a display: half blocks, in
    // 24-bit colour unless told 16. Text cells are one column wide unless told 2.
    ColourDepth pixelDepth =
        request.colours == TerminalColours::kSixteen ? ColourDepth::k16 : ColourDepth::k24;
    int columns = window || request.cells == CellWidthChoice::kTwo ? 2 * kEncoderColumns : kEncoderColumns;
    static uint32_t halved[kHalfBlockColumns * 2 * kHalfBlockRows];
    if (cast) {
        resetCellEncoder(
            &encoder, request.colours == TerminalColours::kTwentyFour ? ColourDepth::k24 : ColourDepth::k16,
            columns, kEncoderRows, consolePalette);
        encoder.cellWidth = window ? 1 : columns / kEncoderColumns;
        std::fprintf(
            cast, "{\"version\": 2, \"width\": %d, \"height\": 50, \"env\": {\"TERM\": \"xterm-256color\"}",
            columns);
        if (lent) {
            // Players take the palette from the header; a terminal replaying the bytes, from OSC 4.
            std::fprintf(cast, ", \"theme\": {\"fg\": \"#%06x\", \"bg\": \"#%06x\", \"palette\": \"",
                         consolePalette[7], consolePalette[0]);
            for (int i = 0; i < 16; ++i) // in ANSI order
                std::fprintf(cast, "%s#%06x", i ? ":" : "", consolePalette[ansiColourOf(i)]);
            std::fprintf(cast, "\"}");
        }
        std::fprintf(cast, "}\n");
        char enter[16 + kPaletteSequenceCapacity] = "\x1b[?25l\x1b[?7l";
        size_t length = std::strlen(enter);
        if (lent) length += paletteSetSequence(consolePalette, enter + length, sizeof enter - length);
        std::fprintf(cast, "[0.000000, \"o\", ");
        writeJsonString(cast, enter, length);
        std::fprintf(cast, "]\n");
    }
    std::vector<uint32_t> picture(size_t(kWidth) * kHeight);
    std::vector<float> samples(2 * 1024);
    std::vector<int16_t> pcm(2 * 1024);
    int64_t rendered = 0;
    uint32_t audioFrames = 0;
    auto renderAudioTo = [&](int64_t target) {
        while (rendered < target) {
            int n = int(std::min<int64_t>(1024, target - rendered));
            renderMusicOffline(samples.data(), n);
            if (audio) {
                for (int i = 0; i < 2 * n; ++i)
                    pcm[size_t(i)] =
                        int16_t(std::lround(std::max(-1.0f, std::min(1.0f, samples[size_t(i)])) * 32767));
                std::fwrite(pcm.data(), sizeof(int16_t), size_t(2 * n), audio);
                audioFrames += uint32_t(n);
            }
            rendered += n;
        }
    };
    auto start = std::chrono::steady_clock::now();
    int32_t previous = INT32_MIN;
    int frames = 0;
    int writeError = 0;
    for (int64_t k = 0;; ++k) {
        renderAudioTo(k * kMusicRate / request.fps);
        int32_t clock = readMusicClock();
        if (clock >= request.to || clock < previous) break; // the end, or the music looping back
        previous = clock;
        setVirtualMilliseconds(k * 1000 / request.fps);
        renderFrameAt(clock);
        if (video) {
            drawViewerPicture(picture.data());
            writeY4mFrame(video, picture.data());
        }
        if (cast) {
            size_t n;
            if (window) {
                halveWindowImage(windowImage, halved);
                n = encodeHalfBlockFrame(&encoder, halved, pixelDepth, castBytes.data(), castBytes.size());
            } else {
                n = encodeCellFrame(&encoder, cellBuffer, castBytes.data(), castBytes.size());
            }
            std::fprintf(cast, "[%.6f, \"o\", ", double(k) / request.fps);
            writeJsonString(cast, castBytes.data(), n);
            std::fprintf(cast, "]\n");
        }
        ++frames;
        // A full disk or a closed pipe: stop now rather than render the rest for nothing.
        if (writeFailed(video) || writeFailed(audio) || writeFailed(cast)) {
            writeError = errno;
            break;
        }
        if (frames % 25 == 0) progress(clock - request.from, request.to - request.from, start);
    }
    if (cast && lent) {
        // The terminal that replays it gets its own colours back at the end.
        const char giveBack[] = "\x1b]104\x07";
        std::fprintf(cast, "[%.6f, \"o\", ", double(frames) / request.fps);
        writeJsonString(cast, giveBack, sizeof giveBack - 1);
        std::fprintf(cast, "]\n");
    }
    renderAudioTo(int64_t(frames) * kMusicRate / request.fps); // the sound of the last frame too
    if (streamIsTerminal(stderr)) std::fprintf(stderr, "\n");
    // fclose reports only its own flush; an earlier failed write shows in ferror.
    bool ok = writeError == 0;
    auto finish = [&](FILE* f) {
        if (!f) return;
        bool good = !std::ferror(f) && (f == stdout ? std::fflush(f) == 0 : std::fclose(f) == 0);
        if (!good && ok) writeError = errno;
        ok &= good;
    };
    if (audio) {
        std::fseek(audio, 0, SEEK_SET);
        writeWavHeader(audio, audioFrames);
    }
    finish(audio);
    finish(video);
    finish(cast);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!ok) {
        std::fprintf(stderr,
                     "cellrune: the export could not be written whole (%s); it stopped after %d frame%s\n",
                     writeError ? std::strerror(writeError) : "write error", frames, frames == 1 ? "" : "s");
        return 1;
    }
    std::fprintf(stderr, "cellrune: exported %d frames in %.1f s (%.0f frames a second)\n", frames, seconds,
                 frames / std::max(seconds, 1e-9));
    return 0;
}
