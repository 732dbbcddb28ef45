// The built program, run as a user runs it: options, exit statuses, the
// terminal handed back, signals.
#include "program_harness.h"

#include <png.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace harness;

TEST(Program, HelpAndVersionNeedNoTerminal) {
    Child help;
    start(help, {"--help"}, false);
    ASSERT_TRUE(help.pump(10000));
    EXPECT_EQ(help.status, 0);
    Child version;
    start(version, {"--version"});
    ASSERT_TRUE(version.pump(10000));
    EXPECT_EQ(version.status, 0);
    EXPECT_NE(version.screen.find("cellrune "), std::string::npos);
    EXPECT_EQ(version.screen.find(kAlternateOn), std::string::npos);
}

// --max-fps caps the frames sent to the terminal; without it the show sends as many as it draws.
TEST(Program, MaxFpsCapsTheFramesSent) {
    auto framesInASecond = [](std::vector<std::string> args) {
        Child child;
        start(child, args);
        EXPECT_TRUE(child.waitFor("\x1b[?2026h"));
        size_t from = child.screen.size();
        child.pump(1000);
        int frames = 0;
        for (size_t at = child.screen.find("\x1b[?2026h", from); at != std::string::npos;
             at = child.screen.find("\x1b[?2026h", at + 1))
            ++frames;
        child.type("\x1b");
        EXPECT_TRUE(child.pump(5000));
        EXPECT_EQ(child.status, 0);
        return frames;
    };
    int capped = framesInASecond({"--max-fps", "10", "pos", "13"});
    EXPECT_GE(capped, 6);
    EXPECT_LE(capped, 12);
    EXPECT_GT(framesInASecond({"pos", "13"}),
              20); // far more on an idle machine; margin for sanitizers and load
}

TEST(Program, BadFrontEndOptionsExitWithStatusTwo) {
    for (auto args : {std::vector<std::string>{"mode", "1", "--frobnicate"},
                      std::vector<std::string>{"--colors", "256"}, std::vector<std::string>{"--max-fps", "0"},
                      std::vector<std::string>{"--max-fps", "fast"}, std::vector<std::string>{"--max-fps"}}) {
        Child child;
        start(child, args, false);
        ASSERT_TRUE(child.pump(10000));
        EXPECT_EQ(child.status, 2);
        EXPECT_NE(child.err().find(args.back()), std::string::npos) << child.err();
    }
}

TEST(Program, WithoutTerminalOrWindowItSaysSoAndExitsWithOne) {
    for (const char* mode : {"0", "6"}) {
        Child child;
        start(child, {"mode", mode}, false);
        ASSERT_TRUE(child.pump(10000));
        EXPECT_EQ(child.status, 1) << "mode " << mode;
        EXPECT_NE(child.err().find("no terminal"), std::string::npos) << child.err();
    }
}

TEST(Program, EscapeEndsTheShowAndRestoresTheTerminal) {
    Child child;
    start(child, {});
    ASSERT_TRUE(child.waitFor("\x1b]2;-[ CELLRUNE ]-\x07"));
    EXPECT_NE(child.screen.find(kAlternateOn), std::string::npos);
    EXPECT_TRUE(child.waitFor("\xe2\x96\x88")); // full blocks are drawn
    child.type("\x1b");
    ASSERT_TRUE(child.pump(5000));
    EXPECT_EQ(child.status, 0);
    expectRestored(child);
    expectCookedMode(child.master);
}

TEST(Program, ArrowKeysAreIgnoredAndDigitsSwitchStyles) {
    Child child;
    start(child, {"mode", "3"});
    ASSERT_TRUE(child.waitFor("\x1b]2;gray greys\x07"));
    child.type("\x1b[A\x1bOB"); // up, then down in application mode: not an Escape
    ASSERT_FALSE(child.pump(300));
    child.type("2");
    ASSERT_TRUE(child.waitFor("\x1b]2;New Text Document.txt - Notepad\x07"));
    // The ASCII style: black on white in 16 colours.
    EXPECT_TRUE(child.waitFor("\x1b[30;107m"));
    child.type("\x1b");
    ASSERT_TRUE(child.pump(5000));
    EXPECT_EQ(child.status, 0);
}

TEST(Program, TrueColourWhenTheTerminalSaysSoOrWhenAsked) {
    Child announced;
    start(announced, {"mode", "1"}, true, {"COLORTERM=truecolor"});
    EXPECT_TRUE(announced.waitFor("\x1b[38;2;0;0;0;48;2;255;255;255m"));
    Child forced;
    start(forced, {"mode", "1", "--colors", "16"}, true, {"COLORTERM=truecolor"});
    ASSERT_TRUE(forced.waitFor("\x1b[30;107m"));
    EXPECT_EQ(forced.screen.find("\x1b[38;2;"), std::string::npos);
}

TEST(Program, ResizeRedrawsTheMiddleThatFits) {
    Child child;
    start(child, {"mode", "3"});
    ASSERT_TRUE(child.waitFor("\x1b]2;gray greys\x07"));
    ASSERT_TRUE(child.waitFor("\xe2\x96"));
    winsize small = {20, 40, 0, 0};
    size_t before = child.screen.size();
    ASSERT_EQ(ioctl(child.master, TIOCSWINSZ, &small), 0);
    ASSERT_TRUE(child.waitFor("\x1b[2J", before));
    ASSERT_FALSE(child.pump(300));
    size_t redraw = child.screen.find("\x1b[2J", before);
    // After the redraw no cursor move leaves the 40 x 20 screen.
    std::string after = child.screen.substr(redraw);
    for (size_t at = after.find("\x1b["); at != std::string::npos; at = after.find("\x1b[", at + 1)) {
        unsigned row = 0, column = 0;
        char final = 0;
        if (std::sscanf(after.c_str() + at, "\x1b[%u;%u%c", &row, &column, &final) == 3 && final == 'H') {
            ASSERT_LE(row, 20u);
            ASSERT_LE(column, 40u);
        }
    }
    child.type("\x1b");
    ASSERT_TRUE(child.pump(5000));
    EXPECT_EQ(child.status, 0);
}

TEST(Program, SignalsEndTheShowCleanly) {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        Child child;
        start(child, {"mode", "3"});
        ASSERT_TRUE(child.waitFor("\x1b]2;gray greys\x07"));
        kill(child.pid, signal);
        ASSERT_TRUE(child.pump(5000));
        EXPECT_EQ(child.status, 128 + signal) << "signal " << signal; // 130, 143, 129: as shells expect
        expectRestored(child);
        expectCookedMode(child.master);
    }
}

TEST(Program, CrashSignalRestoresTheTerminalBestEffort) {
    Child child;
    start(child, {});
    ASSERT_TRUE(child.waitFor("\xe2\x96"));
    kill(child.pid, SIGSEGV);
    ASSERT_TRUE(child.pump(5000));
    EXPECT_EQ(child.status, 128 + SIGSEGV);
    expectRestored(child);
    expectCookedMode(child.master);
}

TEST(Program, SuspendRestoresTheTerminalAndContinueRedraws) {
    ShellPipes pipes;
    ASSERT_EQ(pipe(pipes.toTest), 0);
    ASSERT_EQ(pipe(pipes.toShell), 0);
    Child child;
    start(child, {}, true, {}, &pipes);
    ASSERT_TRUE(child.waitFor("\xe2\x96"));
    child.type("\x1a"); // Ctrl-Z
    pollfd p = {pipes.toTest[0], POLLIN, 0};
    for (int i = 0; i < 500 && poll(&p, 1, 0) == 0; ++i) child.pump(10);
    char c = 0;
    ASSERT_EQ(read(pipes.toTest[0], &c, 1), 1);
    ASSERT_EQ(c, 'S');
    child.pump(100);
    expectRestored(child);
    expectCookedMode(child.master);
    size_t before = child.screen.size();
    c = 'C';
    ASSERT_EQ(write(pipes.toShell[1], &c, 1), 1);
    EXPECT_TRUE(child.waitFor(kAlternateOn, before));
    EXPECT_TRUE(child.waitFor("\x1b[2J", before)); // a full redraw
    child.type("\x1b");
    ASSERT_TRUE(child.pump(5000));
    EXPECT_EQ(child.status, 0);
    for (int fd : {pipes.toTest[0], pipes.toTest[1], pipes.toShell[0], pipes.toShell[1]}) close(fd);
}

TEST(Program, ADumbTerminalGetsWordsNotEscapes) {
    Child child;
    start(child, {}, true, {"TERM=dumb"});
    ASSERT_TRUE(child.pump(10000));
    EXPECT_EQ(child.status, 1);
    EXPECT_EQ(child.screen.find('\x1b'), std::string::npos) << "escape sequences sent to a dumb terminal";
    EXPECT_NE(child.err().find("TERM is dumb"), std::string::npos) << child.err();
    EXPECT_NE(child.err().find("--snapshot"), std::string::npos) << child.err();
}

TEST(Program, PixelStylesWithoutADisplayAreDrawnInTheTerminal) {
    Child child;
    start(child, {"mode", "6"});
    ASSERT_TRUE(child.waitFor("\x1b]2;blur\x07"));
    ASSERT_TRUE(child.waitFor("\xe2\x96\x80")); // half blocks
    child.type("4");                            // the terminal takes keys: a text style again
    EXPECT_TRUE(child.waitFor("\x1b]2;gray greys\x07"));
    child.type("9"); // and another pixel style, in the terminal too
    EXPECT_TRUE(child.waitFor("\x1b]2;the_Zo-Ra debugsor, press '6' NOW\x07"));
    size_t entered = child.screen.find(kAlternateOn);
    EXPECT_EQ(child.screen.find(kAlternateOff, entered), std::string::npos) << "the terminal was handed back";
    child.type("\x1b");
    ASSERT_TRUE(child.pump(5000));
    EXPECT_EQ(child.status, 0);
    std::string err = child.err();
    EXPECT_EQ(err.rfind("cellrune: no display to open a window on", 0), 0u) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << "said once: " << err;
}

TEST(Program, WindowModeHandsTheTerminalBack) {
    // SDL's invisible driver, asked for by name, stands in for a display.
    Child child;
    start(child, {"mode", "2"}, true, {"SDL_VIDEODRIVER=dummy"});
    ASSERT_TRUE(child.waitFor("somewhat LATE"));
    child.type("0");
    ASSERT_TRUE(child.waitFor(kAlternateOff));
    ASSERT_FALSE(child.pump(200));
    expectRestored(child);
    expectCookedMode(child.master);
    size_t released = child.screen.size();
    ASSERT_FALSE(child.pump(300)); // the show goes on in the window, not in the terminal
    EXPECT_EQ(child.screen.size(), released);
    kill(child.pid, SIGTERM);
    ASSERT_TRUE(child.pump(5000));
    EXPECT_EQ(child.status, 128 + SIGTERM);
    EXPECT_EQ(child.err(), "");
}

TEST(Program, StartingInAWindowNeverTouchesTheTerminal) {
    Child child;
    start(child, {"mode", "9", "full", "1"}, true, {"SDL_VIDEODRIVER=dummy"});
    ASSERT_FALSE(child.pump(1000));
    EXPECT_EQ(child.screen.find(kAlternateOn), std::string::npos);
    kill(child.pid, SIGINT);
    ASSERT_TRUE(child.pump(5000));
    EXPECT_EQ(child.status, 128 + SIGINT);
}

TEST(Program, TheShowStartsFromItsArchiveAndSaysNothingWhenAllIsWell) {
    Child child;
    auto launched = Clock::now();
    start(child, {"mode", "3"}, true, {"CELLRUNE_SILENT=1"}, nullptr, CELLRUNE_SHOW_DIR);
    ASSERT_TRUE(child.waitFor(kAlternateOn));
    size_t opened = child.screen.size();
    ASSERT_TRUE(child.waitFor("\x1b[?2026h", opened)); // the first frame
    auto firstFrame = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - launched).count();
    std::printf("launch to first frame: %lld ms\n", static_cast<long long>(firstFrame));
    child.type("\x1b");
    ASSERT_TRUE(child.pump(5000));
    EXPECT_EQ(child.status, 0);
    EXPECT_EQ(child.err(), ""); // no warning: every record as expected
}

TEST(Program, AMissingArchiveStillReachesTheFirstFrame) {
    char folder[] = "/tmp/cellrune-empty-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    Child child;
    // The XDG places pointed at the empty folder too, whatever this machine has installed.
    start(
        child, {"mode", "3"}, true,
        {"CELLRUNE_SILENT=1", std::string("XDG_DATA_HOME=") + folder, std::string("XDG_DATA_DIRS=") + folder},
        nullptr, folder);
    ASSERT_TRUE(child.waitFor(kAlternateOn));
    std::string err = child.err(); // said before the picture took the terminal
    EXPECT_NE(err.find("cannot read the show's data 'blob.rar'"), std::string::npos) << err;
    EXPECT_NE(err.find(folder), std::string::npos) << err;
    ASSERT_TRUE(child.waitFor("\x1b[?2026h", child.screen.size()));
    child.type("\x1b");
    ASSERT_TRUE(child.pump(5000));
    EXPECT_EQ(child.status, 0);
    EXPECT_EQ(child.err(), err) << "said once";
    rmdir(folder);
}

TEST(Program, SnapshotsAreTheSameEveryRun) {
    std::string runs[2];
    for (int run = 0; run < 2; ++run) {
        char folder[] = "/tmp/cellrune-snap-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        Child child;
        start(child, {"--snapshot", "0x800,0x2C000,0x55000,0x70000", "--out", folder, "mode", "0"}, false);
        ASSERT_TRUE(child.pump(60000));
        ASSERT_EQ(child.status, 0) << child.err();
        for (const char* name : {"0x00800", "0x2C000", "0x55000", "0x70000"})
            for (const char* kind : {".fb", ".cells", ".png"}) {
                std::string file = slurp(std::string(folder) + "/" + name + kind);
                EXPECT_FALSE(file.empty()) << name << kind;
                runs[run] += file;
                std::remove((std::string(folder) + "/" + name + kind).c_str());
            }
        rmdir(folder);
    }
    EXPECT_EQ(runs[0], runs[1]);
}

// Each snapshot is the first frame of a show started at its position, whatever the list drew before it:
// in mode 2 (which turns with the frame number) and mode 8 (which shows the scene buffers too).
TEST(Program, ASnapshotListInAnyOrderGivesTheSamePictures) {
    const std::vector<std::string> names = {"0x4C000", "0x14000", "0x30000", "0x66000", "0x78000"};
    for (const char* mode : {"2", "8"}) {
        std::string pictures[2];
        for (int run = 0; run < 2; ++run) {
            std::string list;
            for (size_t i = 0; i < names.size(); ++i)
                list += (i ? "," : "") + names[run == 0 ? i : names.size() - 1 - i];
            char folder[] = "/tmp/cellrune-order-XXXXXX";
            ASSERT_NE(mkdtemp(folder), nullptr);
            Child child;
            start(child, {"--snapshot", list, "--out", folder, "mode", mode}, false);
            ASSERT_TRUE(child.pump(60000));
            ASSERT_EQ(child.status, 0) << child.err();
            for (const std::string& name : names)
                for (const char* kind : {".fb", ".cells", ".win"})
                    pictures[run] += name + kind + slurp(std::string(folder) + "/" + name + kind);
            std::system(("rm -rf " + std::string(folder)).c_str());
        }
        EXPECT_GT(pictures[0].size(), 5u * 64000u);
        EXPECT_TRUE(pictures[0] == pictures[1]) << "mode " << mode;
    }
}

// Offline runs that cannot do what they were asked end at once with one line saying why and
// write nothing: without readable data (status 1) or with a bad argument (status 2).
TEST(Program, OfflineFailuresSayWhyAndWriteNothing) {
    char scratch[] = "/tmp/cellrune-offline-XXXXXX";
    ASSERT_NE(mkdtemp(scratch), nullptr);
    const std::string folder = scratch, out = folder + "/out";
    const bool haveRar = std::system("command -v rar >/dev/null 2>&1") == 0;
    if (haveRar) { // a sound archive under another password
        std::string make = "cd " + folder + " && echo x > f && rar a -idq -pother wrong.rar f >/dev/null";
        ASSERT_EQ(std::system(make.c_str()), 0);
    }
    struct Data {
        const char* name;
        const char* archive; // what blob.rar is: nothing, random bytes, the other password's archive
        const char* reason;
    } data[] = {{"missing", nullptr, "no such file in the working folder"},
                {"damaged", "random", "it is not a valid archive"},
                {"wrong password", "wrong.rar", "password"}};
    const std::vector<std::vector<std::string>> runs = {{"--snapshot", "0x2C000", "--out", out},
                                                        {"--bench", "--frames", "2"},
                                                        {"--export", out + "/v.y4m", "--to", "0x100"},
                                                        {"--cast", out + "/c.cast", "--to", "0x100"}};
    // XDG places pointed at the scratch folder: only the working folder can hold the data.
    const std::vector<std::string> env = {"XDG_DATA_HOME=" + folder, "XDG_DATA_DIRS=" + folder};
    for (const Data& d : data) {
        if (std::string(d.name) == "wrong password" && !haveRar) continue;
        std::remove((folder + "/blob.rar").c_str());
        if (d.archive && std::string(d.archive) == "random")
            std::ofstream(folder + "/blob.rar", std::ios::binary) << std::string(4096, '\x5a');
        else if (d.archive)
            std::rename((folder + "/" + d.archive).c_str(), (folder + "/blob.rar").c_str());
        for (const auto& args : runs) {
            if (args[0] != "--snapshot") mkdir(out.c_str(), 0755);
            Child child;
            start(child, args, false, env, nullptr, folder.c_str());
            ASSERT_TRUE(child.pump(60000));
            std::string err = child.err(), what = std::string(d.name) + " archive, " + args[0];
            EXPECT_EQ(child.status, 1) << what << ": " << err;
            EXPECT_EQ(err.rfind("cellrune: cannot read the show's data '", 0), 0u) << what << ": " << err;
            EXPECT_NE(err.find(d.reason), std::string::npos) << what << ": " << err;
            EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << what << ": " << err;
            EXPECT_EQ(child.out(), "") << what;
            bool wroteSomething = std::filesystem::exists(out) && !std::filesystem::is_empty(out);
            EXPECT_FALSE(wroteSomething) << what << ": wrote into " << out;
            std::filesystem::remove_all(out);
        }
        if (d.archive && std::string(d.archive) != "random")
            std::rename((folder + "/blob.rar").c_str(), (folder + "/" + d.archive).c_str());
    }
    // Bad arguments, with the show's data at hand: status 2, the reason, nothing written.
    struct Bad {
        std::vector<std::string> args;
        const char* says;
    } bad[] = {
        {{"--snapshot", "-5", "--out", out}, "from 0 to 0xABFFF"},
        {{"--snapshot", "0x900000", "--out", out}, "from 0 to 0xABFFF"},
        {{"--snapshot", "99999999999999999999", "--out", out}, "from 0 to 0xABFFF"},
        {{"--snapshot", "0x80x", "--out", out}, "is not a music position"},
        {{"--snapshot", "100", "--out", "/proc/cellrune-cannot-be-here"}, "No such file or directory"},
        {{"--snapshot", "100"}, "go together"},
        {{"--export", out + "/v.y4m", "--from", "0xAC000"}, "from 0 to 0xABFFF"},
        {{"--export", out + "/v.y4m", "--to", "0xAC001"}, "from 0 to 0xAC000"},
        {{"--export", "/proc/cellrune-no/v.y4m", "--to", "0x100"},
         "cannot write '/proc/cellrune-no/v.y4m.part'"},
    };
    for (const Bad& b : bad) {
        Child child;
        start(child, b.args, false);
        ASSERT_TRUE(child.pump(60000));
        std::string err = child.err();
        EXPECT_EQ(child.status, 2) << b.args[1] << ": " << err;
        EXPECT_EQ(err.rfind("cellrune: ", 0), 0u) << err;
        EXPECT_NE(err.find(b.says), std::string::npos) << b.args[1] << ": " << err;
        EXPECT_FALSE(std::filesystem::exists(out)) << b.args[1] << ": wrote " << out;
    }
    std::filesystem::remove_all(folder);
    if (!haveRar) GTEST_SKIP() << "rar is not installed: the wrong-password archive is untested";
}

TEST(Program, BenchmarkReportsEverySceneAndMode) {
    Child child;
    start(child, {"--bench", "--frames", "120"}, false);
    ASSERT_TRUE(child.pump(120000));
    EXPECT_EQ(child.status, 0) << child.err();
    std::string report = child.out();
    for (const char* line : {"scene  1:", "scene 15:", "mode  0 (", "mode 10 (raw)", "overall: "})
        EXPECT_NE(report.find(line), std::string::npos) << line << " in:\n" << report;
    Child bad;
    start(bad, {"--bench", "--frames", "0"}, false);
    ASSERT_TRUE(bad.pump(10000));
    EXPECT_EQ(bad.status, 2);
}

// The 640 x 400 RGB picture of a PNG the snapshot wrote.
std::vector<uint32_t> readPng(const std::string& path) {
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    std::vector<uint32_t> out;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return out;
    image.format = PNG_FORMAT_BGRA;
    out.resize(size_t(image.width) * image.height);
    if (!png_image_finish_read(&image, nullptr, out.data(), 0, nullptr)) out.clear();
    for (auto& p : out) p &= 0xFFFFFF;
    return out;
}

TEST(Program, ExportIsFrameExactAndRepeatable) {
    char folder[] = "/tmp/cellrune-export-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    std::string dir = folder;
    std::string outputs[2];
    for (int run = 0; run < 2; ++run) {
        Child child;
        start(child,
              {"--export", dir + "/v.y4m", "--audio", dir + "/a.wav", "--from", "0x55000", "--to", "0x55800",
               "--fps", "10", "mode", "5"},
              false);
        ASSERT_TRUE(child.pump(60000));
        ASSERT_EQ(child.status, 0) << child.err();
        outputs[run] = slurp(dir + "/v.y4m") + slurp(dir + "/a.wav");
    }
    EXPECT_EQ(outputs[0], outputs[1]);
    std::string video = slurp(dir + "/v.y4m"), audio = slurp(dir + "/a.wav");
    const std::string header = "YUV4MPEG2 W640 H400 F10:1 Ip A1:1 C444\n";
    ASSERT_EQ(video.compare(0, header.size(), header), 0);
    size_t frameBytes = 6 + 640 * 400 * 3;
    ASSERT_EQ((video.size() - header.size()) % frameBytes, 0u);
    size_t frames = (video.size() - header.size()) / frameBytes;
    // 0x800 clock units are 8 rows: 8 x 6 x 2.5 / 140 s at 10 frames a second.
    EXPECT_EQ(frames, size_t(std::ceil(8 * 6 * 2.5 / 140 * 10)));
    EXPECT_EQ(audio.size(), 44 + frames * 4410 * 4); // the sound of every frame, to the sample

    // Frame 0 is the snapshot of the same position.
    Child snap;
    start(snap, {"--snapshot", "0x55000", "--out", dir, "mode", "5"}, false);
    ASSERT_TRUE(snap.pump(60000));
    ASSERT_EQ(snap.status, 0);
    std::vector<uint32_t> picture = readPng(dir + "/0x55000.png");
    ASSERT_EQ(picture.size(), 640u * 400u);
    const uint8_t* y = reinterpret_cast<const uint8_t*>(video.data()) + header.size() + 6;
    int mismatches = 0;
    for (size_t i = 0; i < picture.size(); i += 97) {
        int r = int(picture[i] >> 16 & 255), g = int(picture[i] >> 8 & 255), b = int(picture[i] & 255);
        int expected = 16 + ((66 * r + 129 * g + 25 * b + 128) >> 8);
        mismatches += std::abs(expected - int(y[i])) > 0;
    }
    EXPECT_EQ(mismatches, 0);
    std::system(("rm -rf " + dir).c_str());
}

TEST(Program, CastIsAsciicastOfTheTerminalBytes) {
    std::string path = temporaryFile("cellrune-cast");
    ASSERT_FALSE(path.empty());
    Child child;
    start(child, {"--cast", path, "--from", "0x2C000", "--to", "0x2C400", "mode", "3"}, false);
    ASSERT_TRUE(child.pump(60000));
    ASSERT_EQ(child.status, 0) << child.err();
    std::istringstream cast(slurp(path));
    std::string line;
    ASSERT_TRUE(std::getline(cast, line));
    EXPECT_NE(line.find("\"version\": 2"), std::string::npos);
    EXPECT_NE(line.find("\"width\": 80"), std::string::npos);
    int events = 0;
    double last = -1;
    while (std::getline(cast, line)) {
        ASSERT_EQ(line.front(), '[');
        ASSERT_EQ(line.back(), ']');
        double time = std::atof(line.c_str() + 1);
        ASSERT_GE(time, last);
        last = time;
        ASSERT_NE(line.find(", \"o\", \""), std::string::npos) << line.substr(0, 40);
        ++events;
    }
    EXPECT_GT(events, 5);
    Child window; // a pixel style is recorded as the terminal shows it without a display
    start(window, {"--cast", path, "--to", "0x100", "mode", "6"}, false);
    ASSERT_TRUE(window.pump(10000));
    EXPECT_EQ(window.status, 0) << window.err();
    EXPECT_NE(slurp(path).find("\u2580"), std::string::npos);
    std::remove(path.c_str());
}

TEST(Program, DebugTextOnlyWhereAskedFor) {
    // Without CELLRUNE_DEBUG a log of stderr holds the program's messages only; "-" asks for stderr.
    for (const char* setting : {"", "CELLRUNE_DEBUG=-"}) {
        Child child;
        start(child, {}, true, *setting ? std::vector<std::string>{setting} : std::vector<std::string>{});
        ASSERT_TRUE(child.waitFor(kAlternateOn));
        kill(child.pid, SIGTERM);
        ASSERT_TRUE(child.pump(5000));
        EXPECT_EQ(child.err(), *setting ? "\n\n\nkonten:" : "") << setting;
    }
}

TEST(Program, DebugTextGoesToTheNamedFile) {
    std::string path = temporaryFile("cellrune-debug");
    ASSERT_FALSE(path.empty());
    Child child;
    start(child, {}, true, {std::string("CELLRUNE_DEBUG=") + path});
    ASSERT_TRUE(child.waitFor(kAlternateOn));
    kill(child.pid, SIGTERM);
    ASSERT_TRUE(child.pump(5000));
    EXPECT_EQ(slurp(path), "\n\n\nkonten:");
    EXPECT_EQ(child.err(), "");
    std::remove(path.c_str());
}

// The trace a measurement of picture against sound reads: a line for every frame, written out
// whole when the show ends, its times and music frames advancing together.
TEST(Program, TheFrameTraceFollowsTheClockAndIsWrittenOutAtTheEnd) {
    std::string path = temporaryFile("cellrune-trace");
    ASSERT_FALSE(path.empty());
    Child child;
    start(child, {"--max-fps", "50"}, true, {std::string("CELLRUNE_FRAME_TRACE=") + path});
    ASSERT_TRUE(child.waitFor(kAlternateOn));
    child.pump(1500);
    child.type("\x1b");
    ASSERT_TRUE(child.pump(5000));
    EXPECT_EQ(child.status, 0);
    std::istringstream lines(slurp(path));
    std::vector<std::pair<int64_t, int64_t>> frames;
    int64_t ns = 0, music = 0;
    while (lines >> ns >> music) frames.push_back({ns, music});
    std::remove(path.c_str());
    ASSERT_GE(frames.size(), 20u) << "a second and a half at up to 50 frames a second";
    for (size_t i = 1; i < frames.size(); ++i) {
        ASSERT_GT(frames[i].first, frames[i - 1].first) << "line " << i;
        ASSERT_GE(frames[i].second, frames[i - 1].second) << "line " << i;
    }
    // Silent, the music runs on the same steady clock: 44,100 frames a second.
    double seconds = double(frames.back().first - frames[1].first) / 1e9;
    double played = double(frames.back().second - frames[1].second) / 44100;
    EXPECT_NEAR(played, seconds, 0.05 + seconds * 0.02);
}

} // namespace
