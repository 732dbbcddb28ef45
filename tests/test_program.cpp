// The built program, run as a user runs it.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct ProgramRun {
    int status = -1; // exit status, or 128 + signal
    std::string out;
    std::string err;
};

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Starts the program with stdout and stderr in files; optionally sends a
// signal after a delay. Waits at most 20 s, then kills it and fails.
ProgramRun runProgram(std::vector<std::string> args, int signalAfterMs = -1, int signal = SIGINT,
                      const char* debugFile = nullptr) {
    char dir[] = "/tmp/cellrune-test-XXXXXX";
    EXPECT_NE(mkdtemp(dir), nullptr);
    std::string outPath = std::string(dir) + "/out", errPath = std::string(dir) + "/err";
    pid_t pid = fork();
    if (pid == 0) {
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int in = open("/dev/null", O_RDONLY);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        if (debugFile)
            setenv("CELLRUNE_DEBUG", debugFile, 1);
        else
            unsetenv("CELLRUNE_DEBUG");
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(CELLRUNE_BINARY));
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(CELLRUNE_BINARY, argv.data());
        _exit(127);
    }
    ProgramRun run;
    auto start = std::chrono::steady_clock::now();
    bool signalled = false;
    int wstatus = 0;
    for (;;) {
        pid_t done = waitpid(pid, &wstatus, WNOHANG);
        if (done == pid) break;
        auto elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        if (signalAfterMs >= 0 && !signalled && elapsed.count() >= signalAfterMs) {
            kill(pid, signal);
            signalled = true;
        }
        if (elapsed.count() > 20000) {
            kill(pid, SIGKILL);
            waitpid(pid, &wstatus, 0);
            ADD_FAILURE() << "program did not end";
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    run.out = slurp(outPath);
    run.err = slurp(errPath);
    std::remove(outPath.c_str());
    std::remove(errPath.c_str());
    rmdir(dir);
    return run;
}

TEST(Program, HelpAndVersion) {
    ProgramRun help = runProgram({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: cellrune"), std::string::npos);
    EXPECT_NE(help.out.find("gamma G"), std::string::npos);
    ProgramRun version = runProgram({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("cellrune ", 0), 0u);
}

TEST(Program, UnknownOptionExitsWithStatusTwo) {
    ProgramRun run = runProgram({"mode", "1", "--frobnicate"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("--frobnicate"), std::string::npos);
    EXPECT_TRUE(run.out.empty());
}

TEST(Program, RunsItsLoopUntilInterruptedAndEndsCleanly) {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        ProgramRun run = runProgram({"mode", "3"}, 300, signal);
        EXPECT_EQ(run.status, 0) << "signal " << signal << " stderr: " << run.err;
    }
}

TEST(Program, DebugTextGoesToStderrWhenItIsNotATerminal) {
    ProgramRun run = runProgram({}, 200);
    EXPECT_EQ(run.err, "\n\n\nkonten:");
    EXPECT_TRUE(run.out.empty());
}

TEST(Program, DebugTextGoesToTheNamedFile) {
    char path[] = "/tmp/cellrune-debug-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    ProgramRun run = runProgram({}, 200, SIGINT, path);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(slurp(path), "\n\n\nkonten:");
    EXPECT_TRUE(run.err.empty());
    std::remove(path);

    ProgramRun bad = runProgram({}, 200, SIGINT, "/nonexistent-dir/debug.txt");
    EXPECT_EQ(bad.status, 0);
    EXPECT_NE(bad.err.find("cannot open debug file"), std::string::npos);
}

} // namespace
