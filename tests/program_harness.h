// program_harness: runs the built program as a user runs it, in a
// pseudo-terminal or with no terminal at all. It plays the terminal: it reads
// everything the program writes, types keys and sends signals.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <pty.h>
#include <sstream>
#include <string>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace harness {

using Clock = std::chrono::steady_clock;

// A new empty file of the tests' own, named from prefix; the caller removes it.
inline std::string temporaryFile(const char* prefix) {
    std::string name = std::string("/tmp/") + prefix + "-XXXXXX";
    int fd = mkstemp(name.data());
    if (fd < 0) return "";
    close(fd);
    return name;
}

inline std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Child {
    pid_t pid = -1;
    int master = -1;    // pty master, or -1 without a terminal
    std::string screen; // everything written to the terminal
    std::string errPath;
    std::string outPath;                    // stdout, when there is no terminal
    int status = -1;                        // exit status, or 128 + signal
    unsigned short rows = 50, columns = 80; // the terminal's size at the start
    bool stdoutToFile = false;              // with a terminal: stdout to outPath instead
    bool stdinClosed = false;               // with a terminal: no standard input at all

    ~Child() {
        if (pid > 0 && status < 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (master >= 0) close(master);
        if (!errPath.empty()) std::remove(errPath.c_str());
        if (!outPath.empty()) std::remove(outPath.c_str());
    }

    void drain() {
        if (master < 0) return;
        char buffer[65536];
        for (;;) {
            pollfd p = {master, POLLIN, 0};
            if (poll(&p, 1, 0) <= 0 || !(p.revents & POLLIN)) return;
            ssize_t n = read(master, buffer, sizeof buffer);
            if (n <= 0) return;
            // Keep the start and the latest part; a running show writes a lot.
            screen.append(buffer, static_cast<size_t>(n));
            if (screen.size() > (8u << 20)) screen.erase(4096, screen.size() - (4u << 20));
        }
    }

    // Runs for ms milliseconds reading output; returns early when the child ended.
    bool pump(int ms) {
        auto end = Clock::now() + std::chrono::milliseconds(ms);
        while (Clock::now() < end) {
            drain();
            int wstatus;
            pid_t done = waitpid(pid, &wstatus, WNOHANG);
            if (done == pid) {
                drain();
                status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    }

    // Pumps until the screen shows needle at or after from; false on timeout or exit.
    bool waitFor(const std::string& needle, size_t from = 0, int ms = 15000) {
        auto end = Clock::now() + std::chrono::milliseconds(ms);
        while (Clock::now() < end) {
            if (screen.find(needle, from) != std::string::npos) return true;
            if (pump(5)) return screen.find(needle, from) != std::string::npos;
        }
        return false;
    }

    void type(const char* keys) { ASSERT_EQ(write(master, keys, strlen(keys)), ssize_t(strlen(keys))); }

    std::string err() const { return slurp(errPath); }
    std::string out() const { return slurp(outPath); }
};

// Job control the way a shell does it: the program runs in its own
// foreground process group (a group without a shell parent would be
// orphaned, and the kernel discards stops for those). On a stop this "shell"
// reports 'S' on toShell/fromShell and waits for a 'C' to continue it.
struct ShellPipes {
    int toTest[2];
    int toShell[2];
};

[[noreturn]] inline void runAsShell(const std::vector<char*>& argv, ShellPipes& pipes) {
    signal(SIGTTOU, SIG_IGN);
    pid_t show = fork();
    if (show == 0) {
        setpgid(0, 0);
        tcsetpgrp(0, getpid());
        signal(SIGTTOU, SIG_DFL);
        execv(CELLRUNE_BINARY, argv.data());
        _exit(127);
    }
    setpgid(show, show);
    tcsetpgrp(0, show);
    for (;;) {
        int wstatus;
        if (waitpid(show, &wstatus, WUNTRACED) != show) _exit(126);
        if (WIFSTOPPED(wstatus)) {
            tcsetpgrp(0, getpgrp());
            char c = 'S';
            if (write(pipes.toTest[1], &c, 1) != 1 || read(pipes.toShell[0], &c, 1) != 1) _exit(125);
            tcsetpgrp(0, show);
            kill(-show, SIGCONT);
            continue;
        }
        _exit(WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus));
    }
}

// Starts the program in a fresh pseudo-terminal (withTerminal; 80 x 50 unless
// the child says otherwise) or in a new session with no terminal at all, in
// the folder with the show's data unless told otherwise, silently. stderr
// goes to a file.
inline void start(Child& child, std::vector<std::string> args, bool withTerminal = true,
                  std::vector<std::string> env = {}, ShellPipes* shell = nullptr,
                  const char* folder = CELLRUNE_SHOW_DIR) {
    char path[] = "/tmp/cellrune-err-XXXXXX";
    int errFd = mkstemp(path);
    ASSERT_GE(errFd, 0);
    child.errPath = path;
    char outName[] = "/tmp/cellrune-out-XXXXXX";
    int outFd = mkstemp(outName);
    ASSERT_GE(outFd, 0);
    child.outPath = outName;
    winsize size = {child.rows, child.columns, 0, 0};
    pid_t pid = withTerminal ? forkpty(&child.master, nullptr, nullptr, &size) : fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (!withTerminal) {
            setsid(); // no controlling terminal: /dev/tty cannot be opened
            dup2(outFd, 1);
            int in = open("/dev/null", O_RDONLY);
            dup2(in, 0);
        }
        if (withTerminal && child.stdoutToFile) dup2(outFd, 1);
        if (withTerminal && child.stdinClosed) close(0);
        dup2(errFd, 2);
        if (folder && chdir(folder) != 0) _exit(126);
        unsetenv("CELLRUNE_DEBUG");
        unsetenv("COLORTERM");
        unsetenv("DISPLAY");
        setenv("CELLRUNE_SILENT", "1", 1); // no sound device in tests; the music still keeps time
        unsetenv("WAYLAND_DISPLAY");
        for (auto& e : env) putenv(e.data());
        std::vector<char*> argv{const_cast<char*>(CELLRUNE_BINARY)};
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (shell) runAsShell(argv, *shell);
        execv(CELLRUNE_BINARY, argv.data());
        _exit(127);
    }
    close(errFd);
    close(outFd);
    child.pid = pid;
}

inline const std::string kAlternateOn = "\x1b[?1049h";
inline const std::string kAlternateOff = "\x1b[?1049l";
inline const std::string kCursorShown = "\x1b[?25h";

// The terminal was handed back: the last screen switch is the one to the main screen.
inline void expectRestored(const Child& child) {
    size_t off = child.screen.rfind(kAlternateOff);
    ASSERT_NE(off, std::string::npos) << "never left the alternate screen";
    EXPECT_EQ(child.screen.find(kAlternateOn, off), std::string::npos);
    EXPECT_NE(child.screen.find(kCursorShown, child.screen.rfind(kAlternateOn)), std::string::npos);
}

inline void expectCookedMode(int master) {
    termios t;
    ASSERT_EQ(tcgetattr(master, &t), 0);
    EXPECT_TRUE(t.c_lflag & ECHO);
    EXPECT_TRUE(t.c_lflag & ICANON);
}

} // namespace harness
