// scenes: the fifteen recipes, one function each, and what each leaves behind.
//
// drawSceneN(P) draws the frame of scene N at MusicClock P into the
// FrameBuffer (usually through the scene buffers) and says how the frame
// clock finishes that frame; no recipe converts or presents. leaveSceneN(P)
// sets in the RenderTarget exactly the fields a frame of scene N at P sets,
// to the values that frame leaves there, and nothing else: the timeline
// rebuilds from them what a jump of the clock skipped (scene_windows.h).
// The schedules at the end are the recipes' timing, kept apart for tests.
#pragma once

#include <cstdint>

// How the frame clock finishes a frame (converted, then presented, always).
struct HandOver {
    bool debugPanels;      // display mode 8 shows the two scene buffers on the left of its picture
    void (*cellOverlay)(); // laid over the converted cells in display mode 0, or null
};
constexpr HandOver kPlainHandOver = {true, nullptr};

HandOver drawScene1(int32_t P);
HandOver drawScene2(int32_t P);
HandOver drawScene3(int32_t P);
HandOver drawScene4(int32_t P);
HandOver drawScene5(int32_t P);
HandOver drawScene6(int32_t P);
HandOver drawScene7(int32_t P);
HandOver drawScene8(int32_t P);
HandOver drawScene9(int32_t P);
HandOver drawScene10(int32_t P);
HandOver drawScene11(int32_t P);
HandOver drawScene12(int32_t P);
HandOver drawScene13(int32_t P);
HandOver drawScene14(int32_t P);
HandOver drawScene15(int32_t P);

void leaveScene1(int32_t P);
void leaveScene2(int32_t P);
void leaveScene3(int32_t P);
void leaveScene4(int32_t P);
void leaveScene5(int32_t P);
void leaveScene6(int32_t P);
void leaveScene7(int32_t P); // scene 9 leaves the same
void leaveScene8(int32_t P);
void leaveScene10(int32_t P);
void leaveScene11(int32_t P);
void leaveScene12(int32_t P);
void leaveScene13(int32_t P);
void leaveScene14(int32_t P);
void leaveScene15(int32_t P);

// Schedules. Weights are A's share out of 128 in the blend with B.
int potBlendWeight(int32_t P);    // scene 1, pass A against pass B
int potCrossFade(int32_t L);      // scene 3
int petNegativeWeight(int32_t L); // scene 2, the picture against its negative
int petPaleWeight(int32_t P);     // scene 4 once L > 0x7000, the picture against pale
bool petFadesToPale(int32_t L);   // scene 4: the blend replaces the wavy smear

struct CityShot {
    int32_t shot;    // every 32 rows
    double pathTime; // each shot replays path time from 1000 x shot
    int eye, look;   // camera groups
    double focalX, focalY;
};
CityShot cityShot(int32_t L); // scenes 6 and 8, L on scene 6's clock

int32_t skullFlashLevel(int32_t L); // scene 13: 0 outside the four flash windows

void waterFadeGains(int32_t L, int32_t gains[3]); // scene 14: red, green, blue out of 128
struct TintRingPlace {
    int32_t centreX, centreY, inner, outer, weight;
};
bool tintRingAt(int32_t L, TintRingPlace* ring); // scene 14: false outside both ring windows
