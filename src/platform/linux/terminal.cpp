#include "platform/terminal.h"
#include "platform/linux/terminal_linux.h"

#include "platform/cell_encoder.h"
#include "platform/debug_output.h"
#include "platform/key_decoder.h"
#include "platform/messages.h"
#include "platform/terminal_palette.h"
#include "platform/user_output.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace {

// Alternate screen, hidden cursor, no autowrap, title saved (the size is asked for after it).
const char kEnter[] = "\x1b[22;0t\x1b[?1049h" CELLRUNE_PICTURE_MODES;
const char kAskCellSize[] = "\x1b[16t";
// The alternate screen is cleared before it is left: a terminal grown meanwhile would otherwise
// keep rows of the picture on the user's screen.
const char kLeave[] = "\x1b[0m\x1b[H\x1b[2J" CELLRUNE_USER_MODES "\x1b[?1049l\x1b[23;0t";
constexpr size_t kInputCapacity = 128;

struct Terminal {
    bool open = false;
    int outFd = -1;
    int inFd = -1;
    int ownedFd = -1; // /dev/tty when we opened it
    termios saved = {};
    bool haveSaved = false;
    TerminalColours colours = TerminalColours::kDetect;
    ColourDepth depth = ColourDepth::k16;
    TerminalPalette lent;          // the console palette lent to the terminal
    bool paletteOpened = false;    // the questions were asked (once per run)
    bool answersAbandoned = false; // waited for once in vain: not again
    uint32_t palette[16] = {};
    char reason[160] = "";
    uint8_t input[kInputCapacity];
    size_t inputCount = 0;
    std::chrono::steady_clock::time_point lastInput;
    bool exitHandlerInstalled = false;
    char title[256] = "";
    CellWidthChoice cellChoice = CellWidthChoice::kAuto;
    int cellPixelWidth = 0, cellPixelHeight = 0; // 0: not known
    bool cellSizeAsked = false;
};

Terminal term;
CellEncoderState encoder;
char frameBytes[kEncoderFrameCapacity];

volatile sig_atomic_t resized = 0;
volatile sig_atomic_t suspendRequested = 0;
volatile sig_atomic_t continued = 0;
// Copies for the crash handler, which may only use async-signal-safe calls.
volatile sig_atomic_t crashFd = -1;
volatile sig_atomic_t paletteLent = 0; // the terminal shows the lent palette until it is given back
// The terminal the show started from, kept open to notice when it hangs up,
// also while a window style has handed it back.
int watchFd = -1;

void onResize(int) {
    resized = 1;
}
void onSuspend(int) {
    suspendRequested = 1;
}
void onContinue(int) {
    continued = 1;
}

bool closing = false; // terminalClose is handing the terminal back

void writeAll(int fd, const char* data, size_t length) {
    while (length > 0) {
        // A terminal that has stopped reading (a stalled connection) must not
        // keep the show from ending: once it is ending, wait a second at most.
        if (closing || quitPending()) {
            pollfd p = {fd, POLLOUT, 0};
            if (poll(&p, 1, 1000) <= 0) return;
        }
        ssize_t n = write(fd, data, length);
        if (n > 0) {
            data += n;
            length -= static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            pollfd p = {fd, POLLOUT, 0};
            poll(&p, 1, 100);
        } else {
            return; // the terminal is gone: nothing more to show
        }
    }
}

// Async-signal-safe and bounded: a terminal that has stopped reading gets a
// second in all, then is given up.
void writeWithin(int fd, const char* data, size_t length, int milliseconds) {
    timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    while (length > 0) {
        timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        long spent = (now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000;
        if (spent >= milliseconds) return;
        pollfd p = {fd, POLLOUT, 0};
        int ready = poll(&p, 1, int(milliseconds - spent));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0 || (p.revents & (POLLERR | POLLHUP | POLLNVAL))) return;
        ssize_t n = write(fd, data, length);
        if (n > 0) {
            data += n;
            length -= static_cast<size_t>(n);
        } else if (!(n < 0 && (errno == EINTR || errno == EAGAIN))) {
            return;
        }
    }
}

void onCrash(int sig) {
    terminalRestoreForExit();
    signal(sig, SIG_DFL);
    raise(sig);
}

void setHandler(int sig, void (*handler)(int)) {
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART
    sigaction(sig, &action, nullptr);
}

const int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS, SIGXCPU, SIGXFSZ};

void installHandlers() {
    setHandler(SIGWINCH, onResize);
    setHandler(SIGTSTP, onSuspend);
    setHandler(SIGCONT, onContinue);
    for (int sig : kCrashSignals) setHandler(sig, onCrash);
}

void removeHandlers() {
    for (int sig : {SIGWINCH, SIGTSTP, SIGCONT}) signal(sig, SIG_DFL);
    for (int sig : kCrashSignals) signal(sig, SIG_DFL);
}

void querySize(int* columns, int* rows) {
    winsize size = {};
    if (ioctl(term.outFd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0) {
        *columns = size.ws_col;
        *rows = size.ws_row;
        if (size.ws_xpixel > 0 && size.ws_ypixel > 0) { // not every terminal fills these in
            term.cellPixelWidth = size.ws_xpixel / size.ws_col;
            term.cellPixelHeight = size.ws_ypixel / size.ws_row;
        }
    } else {
        *columns = kEncoderColumns;
        *rows = kEncoderRows;
    }
}

void applyRawMode() {
    if (!term.haveSaved) return;
    termios raw = term.saved;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | IEXTEN);
    raw.c_lflag |= ISIG; // Ctrl-C and Ctrl-Z keep working
    raw.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL);
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    tcsetattr(term.inFd, TCSANOW, &raw);
}

bool lendsPalette() {
    return term.colours == TerminalColours::kDetect || term.colours == TerminalColours::kPalette;
}

ColourDepth detectDepth() {
    // 16-colour codes show the lent palette: exact, and a fraction of the bytes of 24-bit ones.
    if (term.colours == TerminalColours::kPalette) return ColourDepth::k16;
    if (term.colours == TerminalColours::kDetect && term.lent.confirmed) return ColourDepth::k16;
    if (term.colours == TerminalColours::kTwentyFour) return ColourDepth::k24;
    if (term.colours == TerminalColours::kSixteen) return ColourDepth::k16;
    const char* colourTerm = std::getenv("COLORTERM");
    if (colourTerm && (std::strcmp(colourTerm, "truecolor") == 0 || std::strcmp(colourTerm, "24bit") == 0))
        return ColourDepth::k24;
    return ColourDepth::k16;
}

void takeAnswer(const uint8_t* bytes, size_t count);

void lendPalette() {
    if (!lendsPalette()) return;
    static char sequence[kPaletteSequenceCapacity * 2];
    size_t length;
    const char* name = std::getenv("TERM");
    bool linuxConsole = name && std::strncmp(name, "linux", 5) == 0;
    if (linuxConsole) {
        length = startLinuxConsolePalette(&term.lent, term.palette, sequence, sizeof sequence);
        term.paletteOpened = true;
    } else if (!term.paletteOpened) {
        startTerminalPalette(&term.lent, term.palette);
        length = paletteOpeningSequence(term.lent, sequence, sizeof sequence);
        term.paletteOpened = true;
    } else {
        length = paletteSetSequence(term.palette, sequence, sizeof sequence);
    }
    paletteLent = 1;
    writeAll(term.outFd, sequence, length);
}

// Answers still on their way when the show leaves would reach the shell as typed text: they are
// read here first, a tenth of a second at most (a terminal that answers nothing costs that once).
void awaitAnswers() {
    if (!lendsPalette() || term.lent.attributesAnswers >= 2 || term.inFd < 0 || term.answersAbandoned) return;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
    while (term.lent.attributesAnswers < 2) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        pollfd p = {term.inFd, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            term.answersAbandoned = true;
            break;
        }
        ssize_t n = read(term.inFd, term.input + term.inputCount, kInputCapacity - term.inputCount);
        if (n <= 0) break;
        term.inputCount += static_cast<size_t>(n);
        // Keys typed meanwhile are dropped with the answers: the show is leaving.
        for (;;) {
            int key;
            size_t used = decodeKey(term.input, term.inputCount, false, &key);
            if (used == 0) break;
            if (key == kKeyIgnored) takeAnswer(term.input, used);
            std::memmove(term.input, term.input + used, term.inputCount - used);
            term.inputCount -= used;
        }
        if (term.inputCount == kInputCapacity) term.inputCount = 0;
    }
}

// The cell width for the terminal's size and cells; a change redraws.
void applyCellWidth() {
    int width =
        chooseCellWidth(term.cellChoice, encoder.terminalColumns, term.cellPixelWidth, term.cellPixelHeight);
    if (width != encoder.cellWidth) {
        encoder.cellWidth = width;
        encoder.fullRedraw = true;
    }
}

// Asks for the size that shows the picture whole: 160 x 50 where cells are square-able, else 80 x 50.
void askForSize() {
    int width =
        chooseCellWidth(term.cellChoice, 2 * kEncoderColumns, term.cellPixelWidth, term.cellPixelHeight);
    char sequence[32];
    int n = std::snprintf(sequence, sizeof sequence, "\x1b[8;%d;%dt", kEncoderRows, width * kEncoderColumns);
    writeAll(term.outFd, sequence, size_t(n));
}

void enter() {
    applyRawMode();
    writeAll(term.outFd, kEnter, sizeof kEnter - 1);
    lendPalette();
    term.depth = detectDepth(); // a palette the terminal is known to take is used at once
    int columns, rows;
    querySize(&columns, &rows);
    resetCellEncoder(&encoder, term.depth, columns, rows, term.palette);
    if (term.cellPixelWidth == 0 && !term.cellSizeAsked && term.cellChoice == CellWidthChoice::kAuto) {
        // Until an answer comes (many terminals give none) cells count as the usual 1:2.
        writeAll(term.outFd, kAskCellSize, sizeof kAskCellSize - 1);
        term.cellSizeAsked = true;
    }
    askForSize();
    applyCellWidth();
    if (term.title[0]) terminalSetTitle(term.title);
}

void leave() {
    if (paletteLent) {
        awaitAnswers();
        writeAll(term.outFd, term.lent.restore, term.lent.restoreLength);
        paletteLent = 0;
    }
    writeAll(term.outFd, kLeave, sizeof kLeave - 1);
    if (term.haveSaved) tcsetattr(term.inFd, TCSANOW, &term.saved);
}

void closeAtExit() {
    terminalClose();
}

void takeAnswer(const uint8_t* bytes, size_t count) {
    int width, height;
    if (parseCellSizeAnswer(bytes, count, &width, &height)) {
        if (width > 0 && height > 0) {
            term.cellPixelWidth = width;
            term.cellPixelHeight = height;
            applyCellWidth();
        }
        return;
    }
    bool wasConfirmed = term.lent.confirmed;
    if (!lendsPalette() || !takeTerminalAnswer(&term.lent, bytes, count)) return;
    if (term.lent.confirmed && !wasConfirmed) outputDebugString("the terminal took the lent palette\n");
    ColourDepth depth = detectDepth();
    if (depth != term.depth) {
        // Confirmed: what is on the screen already looks right; only the codes from now on change.
        term.depth = depth;
        encoder.depth = depth;
    }
}

// Signals are serviced here, between frames, never inside a write.
void serviceSignals() {
    if (!term.open) return;
    if (suspendRequested) {
        suspendRequested = 0;
        continued = 0;
        leave();
        // Run from a wrapper script, the shell stops the job as soon as the
        // wrapper stops and takes the terminal back, which stops us inside
        // leave(). A continue seen by now means that stop was the suspension:
        // stopping once more would leave us stopped in a job the shell thinks
        // is running.
        if (!continued) {
            signal(SIGTSTP, SIG_DFL);
            raise(SIGTSTP); // stops here until continued
            setHandler(SIGTSTP, onSuspend);
        }
        continued = 0;
        enter();
    }
    if (continued) {
        // Stopped by someone else: the shell may have changed the modes meanwhile.
        continued = 0;
        enter();
    }
    if (resized) {
        resized = 0;
        int columns, rows;
        querySize(&columns, &rows);
        encoder.terminalColumns = columns;
        encoder.terminalRows = rows;
        encoder.fullRedraw = true;
        applyCellWidth();
    }
}

} // namespace

bool terminalOpen(const uint32_t palette[16]) {
    if (term.open) return true;
    term.reason[0] = '\0';
    const char* name = std::getenv("TERM");
    if (name && std::strcmp(name, "dumb") == 0) {
        // It would print the escape sequences as text.
        std::snprintf(term.reason, sizeof term.reason,
                      "TERM is dumb, which cannot draw it (--snapshot and --export make pictures without a "
                      "terminal)");
        return false;
    }
    std::memcpy(term.palette, palette, sizeof term.palette);
    bool outIsTty = isatty(STDOUT_FILENO), inIsTty = isatty(STDIN_FILENO);
    if (!outIsTty || !inIsTty) {
        term.ownedFd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (term.ownedFd < 0 && !outIsTty) {
            std::snprintf(term.reason, sizeof term.reason,
                          "standard output is not a terminal and /dev/tty cannot be opened (%s)",
                          std::strerror(errno));
            return false;
        }
    }
    term.outFd = outIsTty ? STDOUT_FILENO : term.ownedFd;
    term.inFd = inIsTty ? STDIN_FILENO : term.ownedFd;
    term.haveSaved = term.inFd >= 0 && tcgetattr(term.inFd, &term.saved) == 0;
    term.depth = detectDepth();
    term.inputCount = 0;
    term.open = true;
    crashFd = term.outFd;
    if (watchFd < 0) watchFd = fcntl(term.outFd, F_DUPFD_CLOEXEC, 3);
    resized = 0;
    suspendRequested = 0;
    continued = 0;
    installHandlers();
    if (!term.exitHandlerInstalled) {
        std::atexit(closeAtExit);
        term.exitHandlerInstalled = true;
    }
    enter();
    return true;
}

void terminalClose() {
    if (!term.open) return;
    closing = true;
    leave();
    closing = false;
    removeHandlers();
    crashFd = -1;
    if (term.ownedFd >= 0) ::close(term.ownedFd);
    term.ownedFd = term.outFd = term.inFd = -1;
    term.open = false;
    flushUserOutput(); // messages kept back while the picture was up
}

bool terminalIsOpen() {
    return term.open;
}

const char* terminalFailureReason() {
    return term.reason;
}

void terminalSetTitle(const char* caption) {
    if (caption != term.title) std::snprintf(term.title, sizeof term.title, "%s", caption);
    if (!term.open) return;
    char sequence[sizeof term.title + 8];
    size_t n = 0;
    for (const char* p = "\x1b]2;"; *p; ++p) sequence[n++] = *p;
    for (const char* p = term.title; *p; ++p)
        if (static_cast<unsigned char>(*p) >= 0x20 && *p != 0x7F) sequence[n++] = *p; // no control bytes
    sequence[n++] = '\x07';
    writeAll(term.outFd, sequence, n);
}

int terminalPresent(const uint32_t* cells) {
    serviceSignals();
    if (!term.open) return -1;
    size_t length = encodeCellFrame(&encoder, cells, frameBytes, sizeof frameBytes);
    writeAll(term.outFd, frameBytes, length);
    return static_cast<int>(length);
}

int terminalPresentPixels(const uint32_t* pixels) {
    serviceSignals();
    if (!term.open) return -1;
    // Pixels in exact colours unless the terminal's own 16 were asked for.
    ColourDepth depth = term.colours == TerminalColours::kSixteen ? ColourDepth::k16 : ColourDepth::k24;
    size_t length = encodeHalfBlockFrame(&encoder, pixels, depth, frameBytes, sizeof frameBytes);
    writeAll(term.outFd, frameBytes, length);
    return static_cast<int>(length);
}

void terminalSetCellWidth(CellWidthChoice choice) {
    term.cellChoice = choice;
    if (term.open) applyCellWidth();
}

int terminalKeyPending() {
    serviceSignals();
    if (!term.open || term.inFd < 0) return 0;
    if (term.inputCount < kInputCapacity) {
        ssize_t n = read(term.inFd, term.input + term.inputCount, kInputCapacity - term.inputCount);
        if (n > 0) {
            term.inputCount += static_cast<size_t>(n);
            term.lastInput = std::chrono::steady_clock::now();
        }
    }
    if (term.inputCount == 0) return 0;
    int key;
    bool timedOut =
        std::chrono::steady_clock::now() - term.lastInput >= std::chrono::milliseconds(kEscapeTimeoutMs);
    return decodeKey(term.input, term.inputCount, timedOut, &key) > 0 ? 1 : 0;
}

bool terminalReadKey(ShowKeyEvent* event) {
    if (!term.open || term.inputCount == 0) return false;
    int key;
    bool timedOut =
        std::chrono::steady_clock::now() - term.lastInput >= std::chrono::milliseconds(kEscapeTimeoutMs);
    size_t used = decodeKey(term.input, term.inputCount, timedOut, &key);
    if (used == 0) return false;
    if (key == kKeyIgnored) takeAnswer(term.input, used);
    std::memmove(term.input, term.input + used, term.inputCount - used);
    term.inputCount -= used;
    // A terminal sends a keystroke, never its press and release apart.
    *event = {key == kKeyIgnored ? kShowKeyOther : showKeyOfCharacter(key), KeyAction::kStroke};
    return true;
}

void terminalSetColours(TerminalColours colours) {
    term.colours = colours;
    if (!term.open) return;
    ColourDepth depth = detectDepth();
    if (depth != term.depth) {
        term.depth = depth;
        encoder.depth = depth;
        encoder.fullRedraw = true;
    }
}

void terminalRestoreForExit() {
    if (crashFd < 0) return;
    if (paletteLent) writeWithin(crashFd, term.lent.restore, term.lent.restoreLength, 500);
    writeWithin(crashFd, kLeave, sizeof kLeave - 1, 500);
    if (term.haveSaved) tcsetattr(term.inFd, TCSANOW, &term.saved);
}

bool terminalHungUp() {
    if (watchFd < 0) return false;
    pollfd p = {watchFd, 0, 0};
    return poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL));
}
