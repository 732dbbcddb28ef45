#include "timeline/scene_windows.h"

#include "render/render_target.h"
#include "timeline/scene_kit.h"

#include <cstdint>

namespace {

struct Window {
    int scene;
    int32_t first, last; // the first and last MusicClock values inside the window
    HandOver (*draw)(int32_t);
    void (*leave)(int32_t);
};

// Windows are half-open [start, end) unless a scene's bounds are closed; scene 13's opens after 0x64000.
constexpr Window kWindows[] = {
    {5, at(10), at(13) - 1, drawScene5, leaveScene5},
    {1, at(0), at(5) - 1, drawScene1, leaveScene1},
    {2, at(5), at(7) - 1, drawScene2, leaveScene2},
    {3, at(7), at(8) - 1, drawScene3, leaveScene3},
    {4, at(8), at(10) - 1, drawScene4, leaveScene4},
    {6, at(13), at(17, 48) - 1, drawScene6, leaveScene6},
    {7, at(17, 48), at(18) - 1, drawScene7, leaveScene7},
    {8, at(18), at(18, 48) - 1, drawScene8, leaveScene8},
    {9, at(18, 48), at(19) - 1, drawScene9, leaveScene7},
    {10, at(19), at(21) - 1, drawScene10, leaveScene10},
    {11, at(21), at(23), drawScene11, leaveScene11},
    {12, at(23), at(25), drawScene12, leaveScene12},
    {13, at(25) + 1, at(27) - 1, drawScene13, leaveScene13},
    {14, at(27), at(33), drawScene14, leaveScene14},
    {15, at(33), INT32_MAX, drawScene15, leaveScene15},
};
static_assert(sizeof kWindows / sizeof kWindows[0] == kSceneCount);

constexpr bool windowsFollowTheMusic() {
    // Scene 5 is tested first; every other window starts where the one before it ended
    // (or, at the closed bounds of scenes 11-12 and 14-15, on the same position).
    for (int scene = 2; scene <= kSceneCount; ++scene) {
        const Window *previous = nullptr, *current = nullptr;
        for (const Window& w : kWindows) {
            if (w.scene == scene - 1) previous = &w;
            if (w.scene == scene) current = &w;
        }
        if (!previous || !current) return false;
        if (current->first != previous->last + 1 && current->first != previous->last) return false;
    }
    return kWindows[0].scene == 5;
}
static_assert(windowsFollowTheMusic());

bool holds(const Window& w, int32_t clock) {
    return clock >= w.first && clock <= w.last;
}

} // namespace

int scenesAt(int32_t clock, int out[2]) {
    int n = 0;
    for (const Window& w : kWindows)
        if (holds(w, clock) && n < 2) out[n++] = w.scene;
    return n;
}

HandOver runScenes(int32_t clock) {
    HandOver handOver = kPlainHandOver;
    for (const Window& w : kWindows)
        if (holds(w, clock)) handOver = w.draw(clock);
    return handOver;
}

void settleRenderTarget(int32_t clock) {
    // The values start-up gives, then each window's leavings in the order of the music. A scene whose
    // frames set different fields as it goes (13 draws its banner only early on) is covered by its first
    // frame and by its latest frame before P.
    renderTarget = kStartRenderTarget;
    for (int scene = 1; scene <= kSceneCount; ++scene)
        for (const Window& w : kWindows) {
            if (w.scene != scene || w.first >= clock) continue;
            w.leave(w.first);
            w.leave(clock - 1 < w.last ? clock - 1 : w.last);
        }
}
