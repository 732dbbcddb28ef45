// The pixel window on Windows: the "GIframe" window class and a GDI blit of
// the bottom-up picture. Full screen changes the display to 320 x 200 x 32
// where it offers that mode (given back on every way out), else covers the
// whole display with the picture enlarged by a whole factor on black.
#include "platform/window.h"

#include "platform/show_keys.h"
#include "platform/show_sizes.h"
#include "platform/user_output.h"

#include <windows.h>

#include <cstdlib>

namespace {

constexpr int kWidth = kWindowWidth;
constexpr int kHeight = kWindowHeight;
const char kClassName[] = "GIframe";

struct Window {
    bool classRegistered = false;
    HWND handle = nullptr;
    bool displayChanged = false; // the display is in the 320 x 200 mode and must be given back
    bool cursorHidden = false;
    bool enlarged = false; // full screen on a display without the mode
    BITMAPINFO bitmap = {};
    PlatformMessage pending = {};
    bool hasPending = false;
};

Window win;

void giveBackDisplay() {
    if (!win.displayChanged) return;
    ChangeDisplaySettingsA(nullptr, 0);
    win.displayChanged = false;
}

// A crash must not leave the user's screen at 320 x 200: give it back, then let the crash go on.
LONG WINAPI onCrash(EXCEPTION_POINTERS*) {
    giveBackDisplay();
    return EXCEPTION_CONTINUE_SEARCH;
}

void atExit() {
    giveBackDisplay();
}

ShowKey showKeyOfVirtualKey(WPARAM code) {
    if (code >= '0' && code <= '9') return ShowKey(code);
    return code == VK_ESCAPE ? kShowKeyEscape : kShowKeyOther;
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
    case WM_ACTIVATE:
        return 0; // destroying the window in a switch of styles does not end the show
    case WM_CLOSE:
        // The show ends in order and destroys the window itself.
        win.pending = {kMessageClose, 0};
        win.hasPending = true;
        return 0;
    case WM_KEYDOWN:
        win.pending = {kMessageKeyDown, showKeyOfVirtualKey(wParam)};
        win.hasPending = true;
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void reportOnce(const char* what) {
    static bool said = false;
    if (said) return;
    said = true;
    reportProblem("%s (error %lu): the pixel styles are shown in the console", what,
                  static_cast<unsigned long>(GetLastError()));
}

} // namespace

int windowSystemInit() {
    if (win.classRegistered) return 0;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32650)); // the application-starting cursor
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(1);
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassA(&windowClass)) {
        reportOnce("cannot register the window class");
        return -1;
    }
    BITMAPINFOHEADER& header = win.bitmap.bmiHeader;
    header.biSize = sizeof header;
    header.biWidth = kWidth;
    header.biHeight = kHeight; // positive: bottom-up, as the picture is stored
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    SetUnhandledExceptionFilter(onCrash);
    std::atexit(atExit);
    win.classRegistered = true;
    return 0;
}

void windowSystemQuit() {
    windowDestroy();
    giveBackDisplay();
}

int windowCreate(const char* title, bool fullScreen) {
    if (win.handle) return 0;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    win.enlarged = false;
    if (fullScreen) {
        DEVMODEA mode = {};
        mode.dmSize = sizeof mode;
        mode.dmBitsPerPel = 32;
        mode.dmPelsWidth = kWidth;
        mode.dmPelsHeight = kHeight;
        mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
        if (ChangeDisplaySettingsA(&mode, CDS_TEST) == DISP_CHANGE_SUCCESSFUL &&
            ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL)
            win.displayChanged = true;
        int width = win.displayChanged ? kWidth : GetSystemMetrics(SM_CXSCREEN);
        int height = win.displayChanged ? kHeight : GetSystemMetrics(SM_CYSCREEN);
        win.enlarged = !win.displayChanged;
        win.handle = CreateWindowExA(0, kClassName, title, WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                                     instance, nullptr);
        if (win.handle) SetWindowPos(win.handle, HWND_TOPMOST, 0, 0, width, height, 0);
    } else {
        win.handle = CreateWindowExA(0, kClassName, title, WS_SYSMENU, 160, 140, kWidth, kHeight, nullptr,
                                     nullptr, instance, nullptr);
    }
    if (!win.handle) {
        reportOnce("cannot create the window");
        MessageBoxA(nullptr, "error", "error", MB_OK);
        giveBackDisplay();
        return -2;
    }
    ShowWindow(win.handle, SW_SHOWNORMAL);
    UpdateWindow(win.handle);
    if (!fullScreen) {
        // Centre, then grow the frame so the client area is 320 x 200 (the window was made that size).
        RECT desktop, client;
        GetClientRect(GetDesktopWindow(), &desktop);
        MoveWindow(win.handle, (desktop.right - kWidth) / 2, (desktop.bottom - kHeight) / 2, kWidth, kHeight,
                   TRUE);
        GetClientRect(win.handle, &client);
        int width = 2 * kWidth - client.right, height = 2 * kHeight - client.bottom;
        MoveWindow(win.handle, (desktop.right - width) / 2, (desktop.bottom - height) / 2, width, height,
                   TRUE);
    }
    SetForegroundWindow(win.handle);
    if (!win.cursorHidden) ShowCursor(FALSE);
    win.cursorHidden = true;
    return 0;
}

void windowDestroy() {
    if (!win.handle) return;
    DestroyWindow(win.handle);
    win.handle = nullptr;
    win.hasPending = false;
    giveBackDisplay();
    if (win.cursorHidden) ShowCursor(TRUE);
    win.cursorHidden = false;
}

void windowSetTitle(const char* title) {
    if (win.handle) SetWindowTextA(win.handle, title);
}

void windowPresent(const uint32_t* bottomUpImage) {
    if (!win.handle) return;
    HDC context = GetDC(win.handle);
    if (!context) return;
    if (!win.enlarged) {
        SetDIBitsToDevice(context, 0, 0, kWidth, kHeight, 0, 0, 0, kHeight, bottomUpImage, &win.bitmap,
                          DIB_RGB_COLORS);
    } else {
        RECT client;
        GetClientRect(win.handle, &client);
        int factor =
            client.right / kWidth < client.bottom / kHeight ? client.right / kWidth : client.bottom / kHeight;
        if (factor < 1) factor = 1;
        int left = (client.right - kWidth * factor) / 2, top = (client.bottom - kHeight * factor) / 2;
        int right = left + kWidth * factor, bottom = top + kHeight * factor;
        PatBlt(context, 0, 0, client.right, top, BLACKNESS);
        PatBlt(context, 0, bottom, client.right, client.bottom - bottom, BLACKNESS);
        PatBlt(context, 0, top, left, bottom - top, BLACKNESS);
        PatBlt(context, right, top, client.right - right, bottom - top, BLACKNESS);
        SetStretchBltMode(context, COLORONCOLOR); // whole factors, unfiltered
        StretchDIBits(context, left, top, kWidth * factor, kHeight * factor, 0, 0, kWidth, kHeight,
                      bottomUpImage, &win.bitmap, DIB_RGB_COLORS, SRCCOPY);
    }
    ReleaseDC(win.handle, context);
}

bool windowPollMessage(PlatformMessage* message) {
    MSG msg;
    win.hasPending = false;
    while (!win.hasPending && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (!win.hasPending) return false;
    win.hasPending = false;
    *message = win.pending;
    return true;
}
