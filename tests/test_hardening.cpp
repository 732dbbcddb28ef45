// The program against bad data, hostile command lines and odd terminals: it
// never crashes or hangs, says what is wrong in a line, and still starts.
#include "program_harness.h"

#include <sys/resource.h>
#include <sys/syscall.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

namespace {

using namespace harness;
namespace fs = std::filesystem;

int envNumber(const char* name, int otherwise) {
    const char* value = std::getenv(name);
    return value && *value ? std::atoi(value) : otherwise;
}

// Every line the program wrote to stderr is one of its own messages.
void expectOwnMessages(const std::string& err) {
    size_t start = 0;
    while (start < err.size()) {
        size_t end = err.find('\n', start);
        std::string line = err.substr(start, end == std::string::npos ? std::string::npos : end - start);
        EXPECT_EQ(line.rfind("cellrune: ", 0), 0u) << "not a message of ours: " << line;
        if (end == std::string::npos) break;
        start = end + 1;
    }
}

struct TempFolder {
    std::string path;
    TempFolder() {
        char name[] = "/tmp/cellrune-hard-XXXXXX";
        if (mkdtemp(name)) path = name;
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

// Random byte flips in the real archive: in its headers, its end, or anywhere.
// An archive that cannot be read ends an offline run (here: a snapshot) with
// one line naming it and nothing written; any other gives the picture, the
// same as the sound archive's unless something was said. CELLRUNE_FLIPS sets how many
// archives (scripts/hardening tries 1,000).
TEST(Hardening, ArchivesWithRandomByteFlipsStillGiveAShow) {
    std::string original = slurp(std::string(CELLRUNE_SHOW_DIR) + "/blob.rar");
    ASSERT_GT(original.size(), 8192u);
    int archives = envNumber("CELLRUNE_FLIPS", 40);
    TempFolder folder;
    ASSERT_FALSE(folder.path.empty());
    // The picture of the undamaged archive, to hold the unreported cases against.
    std::ofstream(folder.path + "/blob.rar", std::ios::binary) << original;
    std::string expected;
    {
        Child child;
        start(child, {"--snapshot", "0x14000", "--out", folder.path}, false, {"CELLRUNE_DEBUG=/dev/null"},
              nullptr, folder.path.c_str());
        ASSERT_TRUE(child.pump(60000));
        ASSERT_EQ(child.status, 0) << child.err();
        expected = slurp(folder.path + "/0x14000.fb");
        ASSERT_FALSE(expected.empty());
        fs::remove(folder.path + "/0x14000.png");
    }
    int whole = 0, reported = 0, refused = 0;
    for (int i = 0; i < archives; ++i) {
        std::mt19937 random(unsigned(i) + 1);
        std::string damaged = original;
        int flips = 1 + int(random() % 8);
        // In turn: the first 4 KiB (headers), anywhere, the last 4 KiB (the last entry and the end header).
        size_t region = i % 3 == 1 ? damaged.size() : 4096;
        size_t base = i % 3 == 2 ? damaged.size() - 4096 : 0;
        for (int f = 0; f < flips; ++f) damaged[base + random() % region] ^= char(1 + random() % 255);
        std::ofstream(folder.path + "/blob.rar", std::ios::binary) << damaged;

        Child child;
        start(child, {"--snapshot", "0x14000", "--out", folder.path}, false, {"CELLRUNE_DEBUG=/dev/null"},
              nullptr, folder.path.c_str());
        ASSERT_TRUE(child.pump(60000)) << "archive " << i << " hung the program";
        std::string err = child.err();
        expectOwnMessages(err);
        if (child.status == 1) {
            ++refused;
            EXPECT_EQ(err.rfind("cellrune: cannot read the show's data '", 0), 0u)
                << "archive " << i << ": " << err;
            EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << "archive " << i << ": " << err;
            EXPECT_FALSE(fs::exists(folder.path + "/0x14000.png"))
                << "archive " << i << ": written all the same";
            continue;
        }
        ASSERT_EQ(child.status, 0) << "archive " << i << ": " << err;
        EXPECT_GT(fs::file_size(folder.path + "/0x14000.png"), 0u) << "archive " << i;
        if (err.empty()) {
            ++whole;
            // Nothing said, so nothing may differ: damage is never passed off as data.
            EXPECT_EQ(slurp(folder.path + "/0x14000.fb"), expected)
                << "archive " << i << " changed the picture silently";
        } else {
            ++reported;
            EXPECT_NE(err.find("blob.rar"), std::string::npos) << "archive " << i << ": " << err;
            EXPECT_LE(std::count(err.begin(), err.end(), '\n'), 3) << "archive " << i << ": " << err;
        }
        fs::remove(folder.path + "/0x14000.png");
        fs::remove(folder.path + "/0x14000.fb");
    }
    std::printf(
        "%d damaged archives: %d refused, %d gave a picture and said what was wrong, %d unharmed (the "
        "same picture as the sound archive)\n",
        archives, refused, reported, whole);
    EXPECT_GT(refused + reported, archives / 2);
}

// The whole show, start to end, headless: every scene, its music rendered,
// every frame encoded (the sanitizer build runs this too).
TEST(Hardening, TheWholeShowRunsHeadless) {
    Child child;
    start(child, {"--export", "/dev/null", "--audio", "/dev/null", "--fps", "2", "mode", "0", "vemo", "1"},
          false, {"CELLRUNE_DEBUG=/dev/null"});
    ASSERT_TRUE(child.pump(600000));
    EXPECT_EQ(child.status, 0) << child.err();
    std::string err = child.err();
    int frames = 0;
    ASSERT_EQ(std::sscanf(err.c_str(), "cellrune: exported %d frames", &frames), 1) << err;
    EXPECT_GT(frames, 2 * 4 * 60) << "the show is over four minutes long";
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

struct Case {
    std::vector<std::string> args;
    int status; // 0: the show ran and was ended with Escape; 2: refused with a message
};

// Runs a command line in a terminal; a show that starts is ended with Escape.
void runCase(const Case& c, const std::string& label) {
    Child child;
    start(child, c.args, true, {"CELLRUNE_DEBUG=/dev/null"});
    bool ended = false;
    auto deadline = Clock::now() + std::chrono::seconds(30);
    while (!ended && Clock::now() < deadline) {
        if (child.screen.find("\x1b[?2026h") != std::string::npos) break; // a frame: the show runs
        ended = child.pump(5);
    }
    if (!ended) {
        ASSERT_NE(child.screen.find("\x1b[?2026h"), std::string::npos)
            << label << ": neither a frame nor an exit";
        child.type("\x1b");
        ASSERT_TRUE(child.pump(10000)) << label << ": Escape did not end it";
    }
    EXPECT_EQ(child.status, c.status) << label << ": " << child.err();
    std::string err = child.err();
    expectOwnMessages(err);
    if (c.status == 2) {
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << label << ": " << err;
        EXPECT_EQ(child.screen.find(kAlternateOn), std::string::npos) << label << ": touched the terminal";
    } else {
        expectRestored(child);
        expectCookedMode(child.master);
    }
}

TEST(Hardening, HostileCommandLines) {
    const std::string huge(10000, '7'), hugeWord(10000, 'm'), hugeOption = "--" + std::string(9998, 'x');
    std::vector<Case> cases = {
        // Keywords without a value change nothing.
        {{"mode"}, 0},
        {{"gamma"}, 0},
        {{"pos"}, 0},
        {{"full"}, 0},
        {{"vemo"}, 0},
        {{"mode", "gamma", "pos", "full", "vemo"}, 0},
        // Tokens of 10,000 characters.
        {{hugeWord}, 0},
        {{"mode", huge}, 0},
        {{"gamma", huge}, 0},
        {{"pos", huge}, 0},
        {{hugeOption}, 2},
        {{"--colors", huge}, 2},
        // Numbers out of range.
        {{"mode", "-2147483649"}, 0},
        {{"mode", "99999999999999999999"}, 0},
        {{"pos", "65536"}, 0},
        {{"pos", "-1"}, 0},
        {{"gamma", "1000000000000000000000000000000000000000"}, 0},
        {{"gamma", "-0.000000000000000000000000001"}, 0},
        {{"full", "-7"}, 0},
        // Bytes that are not ASCII.
        {{"mode", "\xff\xfe\x80"}, 0},
        {{"\xc3\xa9t\xc3\xa9", "\xe2\x80\x8b"}, 0},
        {{"gamma", "\xc2\xbd"}, 0},
        // Front-end options without their value, or with one out of range.
        {{"--colors"}, 2},
        {{"--colors", "8"}, 2},
        {{"--snapshot"}, 2},
        {{"--out"}, 2},
        {{"--frames"}, 2},
        {{"--export"}, 2},
        {{"--audio"}, 2},
        {{"--fps"}, 2},
        {{"--from"}, 2},
        {{"--to"}, 2},
        {{"--cast"}, 2},
        {{"--bench", "--frames", "-1"}, 2},
        {{"--bench", "--frames", "99999999999999999999"}, 2},
        {{"--export", "/dev/null", "--fps", "0"}, 2},
        {{"--export", "/dev/null", "--fps", "4294967297"}, 2},
        {{"--snapshot", "99999999999999999999", "--out", "/tmp"}, 2},
        {{"--snapshot", "\xff", "--out", "/tmp"}, 2},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        std::string label = "case " + std::to_string(i);
        for (auto& a : cases[i].args) label += " " + (a.size() > 20 ? a.substr(0, 12) + "..." : a);
        runCase(cases[i], label);
    }
}

// A terminal of 40 x 20 from the start: the middle of the picture, nothing
// written outside the terminal, and the terminal handed back.
TEST(Hardening, ASmallTerminalShowsTheMiddle) {
    Child child;
    child.rows = 20;
    child.columns = 40;
    start(child, {"mode", "1"}, true, {"CELLRUNE_DEBUG=/dev/null"});
    ASSERT_TRUE(child.waitFor("\x1b[?2026h"));
    ASSERT_TRUE(child.waitFor("\x1b[?2026l", child.screen.find("\x1b[?2026h")));
    child.pump(300);
    child.type("\x1b");
    ASSERT_TRUE(child.pump(10000));
    EXPECT_EQ(child.status, 0) << child.err();
    int moves = 0;
    for (size_t at = child.screen.find("\x1b["); at != std::string::npos;
         at = child.screen.find("\x1b[", at + 2)) {
        int row = 0, column = 0;
        char end = 0;
        if (std::sscanf(child.screen.c_str() + at, "\x1b[%d;%d%c", &row, &column, &end) == 3 && end == 'H') {
            ++moves;
            EXPECT_LE(row, 20) << "a move below the terminal";
            EXPECT_LE(column, 40) << "a move right of the terminal";
        }
    }
    EXPECT_GT(moves, 0);
    expectRestored(child);
    expectCookedMode(child.master);
}

// A terminal, but standard output a file (or a pipe) or standard input
// closed: the show finds the terminal itself and hands it back the same.
TEST(Hardening, StandardStreamsAwayFromTheTerminal) {
    for (int variant = 0; variant < 3; ++variant) {
        Child child;
        child.stdoutToFile = variant != 1;
        child.stdinClosed = variant != 0;
        start(child, {"mode", "0"}, true, {"CELLRUNE_DEBUG=/dev/null"});
        ASSERT_TRUE(child.waitFor("\x1b[?2026h")) << "variant " << variant << ": " << child.err();
        child.type("\x1b");
        ASSERT_TRUE(child.pump(10000)) << "variant " << variant << ": Escape did not end it";
        EXPECT_EQ(child.status, 0) << child.err();
        EXPECT_EQ(child.out(), "") << "variant " << variant << ": the picture went to the file";
        expectRestored(child);
        expectCookedMode(child.master);
    }
}

// No sound device: one line says so and the show runs, silently and on time.
TEST(Hardening, NoSoundDeviceGivesASilentShow) {
    Child child;
    start(child, {"mode", "1"}, true,
          {"CELLRUNE_SILENT=0", "SDL_AUDIODRIVER=no-such-driver", "CELLRUNE_DEBUG=/dev/null"});
    ASSERT_TRUE(child.waitFor("\x1b[?2026h")) << child.err();
    child.pump(500);
    child.type("\x1b");
    ASSERT_TRUE(child.pump(10000));
    EXPECT_EQ(child.status, 0);
    std::string err = child.err();
    EXPECT_EQ(err.rfind("cellrune: sound is off (", 0), 0u) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    expectRestored(child);
}

// An export to a full disk fails at once, with the reason and a failing
// status, whichever of its outputs cannot be written.
TEST(Hardening, ExportToAFullDiskFailsAtOnce) {
    for (auto args : {std::vector<std::string>{"--export", "/dev/full"},
                      std::vector<std::string>{"--export", "/dev/null", "--audio", "/dev/full"},
                      std::vector<std::string>{"--cast", "/dev/full"}}) {
        Child child;
        start(child, args, false, {"CELLRUNE_DEBUG=/dev/null"});
        ASSERT_TRUE(child.pump(60000));
        EXPECT_EQ(child.status, 1) << args[1] << ": " << child.err();
        std::string err = child.err();
        EXPECT_NE(err.find("cannot write '/dev/full': No space left on device"), std::string::npos) << err;
        int frames = -1;
        size_t at = err.find("stopped after ");
        ASSERT_NE(at, std::string::npos) << err;
        std::sscanf(err.c_str() + at, "stopped after %d", &frames);
        EXPECT_LE(frames, 30) << "it went on after the disk was full";
    }
}

// True while the process's main thread sleeps inside write(2) ("running" when it is not in a call).
bool blockedInWrite(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/syscall");
    long number = -1;
    return (in >> number) && number == SYS_write;
}

// A terminal that stopped reading (a stalled connection, a frozen emulator):
// the show blocks in its writes, yet SIGTERM still ends it, with the modes
// handed back even though the screen cannot be.
// Neither a quit nor a crash may hang on a terminal that has stopped reading: each write waits a
// second at most, the modes are put back, and a crash then ends the process as the signal does.
TEST(Hardening, ATerminalThatStopsReadingCannotHoldTheShow) {
    rlimit noCore = {0, 0};
    setrlimit(RLIMIT_CORE, &noCore); // the crash below is sent on purpose
    struct Case {
        int signal, status;
    } cases[] = {{SIGTERM, 128 + SIGTERM}, {SIGSEGV, 128 + SIGSEGV}, {SIGABRT, 128 + SIGABRT}};
    for (const Case& c : cases) {
        Child child;
        start(child, {"mode", "0"}, true, {"CELLRUNE_DEBUG=/dev/null", "COLORTERM=truecolor"});
        ASSERT_TRUE(child.waitFor("\x1b[?2026h"));
        // Unread from here on: the terminal's buffer fills and the show sleeps inside a write,
        // still there a moment later (not a write that was merely under way).
        bool stuck = false;
        for (auto deadline = Clock::now() + std::chrono::seconds(20); !stuck && Clock::now() < deadline;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            stuck = blockedInWrite(child.pid);
            if (stuck) {
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                stuck = blockedInWrite(child.pid);
            }
        }
        ASSERT_TRUE(stuck) << "signal " << c.signal
                           << ": the show never blocked writing to the unread terminal";
        kill(child.pid, c.signal);
        int wstatus = 0;
        pid_t done = 0;
        auto deadline = Clock::now() + std::chrono::seconds(10);
        while ((done = waitpid(child.pid, &wstatus, WNOHANG)) == 0 && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_EQ(done, child.pid) << "signal " << c.signal << " did not end a show stuck writing";
        child.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
        EXPECT_EQ(child.status, c.status) << "signal " << c.signal;
        expectCookedMode(child.master);
    }
}

} // namespace
