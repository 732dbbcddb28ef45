#include "platform/window.h"

#include "platform/linux/terminal_linux.h"
#include "platform/show_keys.h"
#include "platform/show_sizes.h"
#include "platform/terminal.h"
#include "platform/user_output.h"

#include <SDL2/SDL.h>
#include <X11/Xlib.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kWidth = kWindowWidth;
constexpr int kHeight = kWindowHeight;

struct Window {
    bool videoStarted = false;
    SDL_Window* window = nullptr;
    SDL_Surface* staging = nullptr; // for window surfaces that are not 32-bit XRGB
};

Window win;

// The main-row digits and Escape; the keypad's digits are not mode keys.
ShowKey showKeyOfSdl(SDL_Keycode code) {
    if (code >= SDLK_0 && code <= SDLK_9) return ShowKey(kShowKeyDigit0 + (code - SDLK_0));
    return code == SDLK_ESCAPE ? kShowKeyEscape : kShowKeyOther;
}

// Said once a run (each pixel style tries again), through the user's messages: kept back while
// the terminal shows the picture, so it never lands in it.
void reportError(const char* what, const char* detail) {
    static bool said = false;
    if (said) return;
    said = true;
    reportProblem("%s (%s): the pixel styles are shown in the terminal", what, detail);
}

// Picture scale and placement inside a surface of w x h.
void placement(int w, int h, int* factor, int* left, int* top) {
    int f = w / kWidth < h / kHeight ? w / kWidth : h / kHeight;
    if (f < 1) f = 1;
    *factor = f;
    *left = (w - kWidth * f) / 2;
    *top = (h - kHeight * f) / 2;
}

void fillBorders(SDL_Surface* surface, int left, int top, int width, int height) {
    Uint32 black = SDL_MapRGB(surface->format, 0, 0, 0);
    SDL_Rect rects[4] = {
        {0, 0, surface->w, top > 0 ? top : 0},
        {0, top + height, surface->w, surface->h - top - height},
        {0, top, left > 0 ? left : 0, height},
        {left + width, top, surface->w - left - width, height},
    };
    for (SDL_Rect& r : rects)
        if (r.w > 0 && r.h > 0) SDL_FillRect(surface, &r, black);
}

// Writes the picture upright into 32-bit XRGB pixels, enlarged by factor.
void scaleInto(uint8_t* pixels, int pitch, int left, int top, int factor, const uint32_t* bottomUp) {
    for (int s = 0; s < kHeight; ++s) {
        const uint32_t* source = bottomUp + (kHeight - 1 - s) * kWidth;
        for (int repeat = 0; repeat < factor; ++repeat) {
            int y = top + s * factor + repeat;
            uint32_t* out = reinterpret_cast<uint32_t*>(pixels + y * pitch) + left;
            if (factor == 1) {
                std::memcpy(out, source, kWidth * sizeof(uint32_t));
                continue;
            }
            for (int x = 0; x < kWidth; ++x)
                for (int k = 0; k < factor; ++k) *out++ = source[x];
        }
    }
}

// The X server went away (closed, crashed, a forwarded display dropped).
// Xlib cannot go on after this and would exit through atexit handlers that
// talk to the dead connection again, so nothing here returns to it: the
// terminal is put back, one line says why, and the process ends at once.
int onDisplayLost(Display*) {
    terminalRestoreForExit();
    flushUserOutput();
    static const char kLost[] = "cellrune: the display went away; the show ends\n";
    ssize_t ignored = write(STDERR_FILENO, kLost, sizeof kLost - 1);
    (void)ignored;
    _exit(1);
}

} // namespace

int windowSystemInit() {
    if (win.videoStarted) return 0;
    // Ctrl-C and SIGTERM are the program's own (they post the quit message).
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // The picture goes to the window surface in software. An accelerated surface would make SDL
    // destroy the first window and map a second one for its GL context, a flash on every switch.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // Set before SDL opens the display: a server lost while SDL is still setting up would
    // otherwise meet Xlib's own handler, which exits without putting the terminal back. The
    // handler is Xlib's, not a display's, so it is harmless when another driver is chosen.
    XSetIOErrorHandler(onDisplayLost);
    // A write to the display's closed socket must come back as an error for that handler, not end
    // the process silently on SIGPIPE.
    signal(SIGPIPE, SIG_IGN);
    // Without a display SDL would only try its other drivers (and complain on stderr, into the picture).
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("SDL_VIDEODRIVER")) {
        reportError("no display to open a window on", "DISPLAY is not set");
        return -1;
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        reportError("no window can be opened", SDL_GetError());
        return -1;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    bool invisible = driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
    if (invisible && !std::getenv("SDL_VIDEODRIVER")) {
        reportError("no display to open a window on", driver);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return -1;
    }
    win.videoStarted = true;
    return 0;
}

void windowSystemQuit() {
    if (!win.videoStarted) return;
    windowDestroy();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    win.videoStarted = false;
}

int windowCreate(const char* title, bool fullScreen) {
    if (win.window) return 0;
    Uint32 flags = SDL_WINDOW_SHOWN;
    int x = SDL_WINDOWPOS_CENTERED, y = SDL_WINDOWPOS_CENTERED, w = kWidth, h = kHeight;
    bool realMode = false;
    if (fullScreen) {
        SDL_DisplayMode wanted = {SDL_PIXELFORMAT_RGB888, kWidth, kHeight, 0, nullptr}, closest;
        realMode =
            SDL_GetClosestDisplayMode(0, &wanted, &closest) && closest.w == kWidth && closest.h == kHeight;
        if (realMode) {
            flags |= SDL_WINDOW_FULLSCREEN;
        } else {
            // Desktop full screen is not resized without a window manager; a
            // borderless window over the whole display is, everywhere.
            SDL_Rect bounds;
            if (SDL_GetDisplayBounds(0, &bounds) == 0) {
                x = bounds.x;
                y = bounds.y;
                w = bounds.w;
                h = bounds.h;
            }
            flags |= SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALWAYS_ON_TOP;
        }
    } else {
        flags |= SDL_WINDOW_RESIZABLE;
    }
    win.window = SDL_CreateWindow(title, x, y, w, h, flags);
    if (!win.window) {
        reportError("cannot create the window", SDL_GetError());
        return -2;
    }
    if (realMode) {
        SDL_DisplayMode mode = {SDL_PIXELFORMAT_RGB888, kWidth, kHeight, 0, nullptr};
        SDL_SetWindowDisplayMode(win.window, &mode);
    }
    SDL_ShowCursor(SDL_DISABLE);
    SDL_RaiseWindow(win.window);
    return 0;
}

void windowDestroy() {
    if (!win.window) return;
    // Destroying a full-screen window gives the display its desktop mode back.
    SDL_DestroyWindow(win.window);
    win.window = nullptr;
    SDL_ShowCursor(SDL_ENABLE);
}

void windowSetTitle(const char* title) {
    if (win.window) SDL_SetWindowTitle(win.window, title);
}

void windowPresent(const uint32_t* bottomUpImage) {
    if (!win.window) return;
    SDL_Surface* surface = SDL_GetWindowSurface(win.window);
    if (!surface) return;
    int factor, left, top;
    placement(surface->w, surface->h, &factor, &left, &top);
    bool direct = surface->format->BytesPerPixel == 4 && surface->format->Rmask == 0xFF0000 &&
                  surface->format->Gmask == 0x00FF00 && surface->format->Bmask == 0x0000FF &&
                  surface->w >= kWidth && surface->h >= kHeight;
    if (direct) {
        if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return;
        fillBorders(surface, left, top, kWidth * factor, kHeight * factor);
        scaleInto(static_cast<uint8_t*>(surface->pixels), surface->pitch, left, top, factor, bottomUpImage);
        if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    } else {
        // Another pixel format, or a window smaller than the picture (the blit clips it).
        if (!win.staging) {
            win.staging = SDL_CreateRGBSurfaceWithFormat(0, kWidth, kHeight, 32, SDL_PIXELFORMAT_RGB888);
            if (!win.staging) return;
        }
        scaleInto(static_cast<uint8_t*>(win.staging->pixels), win.staging->pitch, 0, 0, 1, bottomUpImage);
        fillBorders(surface, left, top, kWidth * factor, kHeight * factor);
        SDL_Rect target = {left, top, kWidth * factor, kHeight * factor};
        SDL_BlitScaled(win.staging, nullptr, surface, &target);
    }
    SDL_UpdateWindowSurface(win.window);
}

bool windowPollMessage(PlatformMessage* message) {
    if (!win.videoStarted) return false;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
        case SDL_QUIT:
            *message = {kMessageClose, 0};
            return true;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
                *message = {kMessageClose, 0};
                return true;
            }
            break;
        case SDL_KEYDOWN:
            *message = {kMessageKeyDown, showKeyOfSdl(event.key.keysym.sym)};
            return true;
        default:
            break;
        }
    }
    return false;
}
