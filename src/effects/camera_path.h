// camera_path: key paths parsed from text and sampled by time.
//
// Text: five integers a key (x, y, z in hundredths, a duration, an angle in
// degrees), keys grouped by ( ) or { }, "#" line comments and /* */ block
// comments, "-" toggles the sign of the next number, 0x for hexadecimal, a
// point is an ignored byte. Up to kPathKeys keys and kPathGroups groups a
// path; beyond them nothing more is stored. A group is a closed loop sampled
// with a smooth cubic through its keys; durations are read from the path's
// first keys. Sampling an empty or unknown group gives the origin, angle 0.
#pragma once

#include "math/vector3.h"

#include <cstdint>

constexpr int kPathKeys = 1024;
constexpr int kPathGroups = 64;

struct PathKey {
    float x, y, z;
    float duration;
    double angle; // radians
};

struct CameraPath {
    int32_t keyCount;
    PathKey keys[kPathKeys];
    int32_t groupCount;
    int32_t groupStart[kPathGroups];
    int32_t groupLength[kPathGroups];
};

// The show's six paths, in the order start-up reads them.
constexpr int kPathCount = 6;
enum PathName { kPotPath, kPetPath, kCornellPath, kWirecubePath, kZilmPath, kHousePath };
extern CameraPath cameraPaths[kPathCount];

int parsePathText(CameraPath* path, const uint8_t* text, uint32_t length);
void appendPathKey(CameraPath* path, float x, float y, float z, float duration, double angle);
Vector3* sampleCameraPath(const CameraPath* path, Vector3* outPosition, float* outAngle, double time,
                          int group);
void makeCurveSegment(Vector3 out[4], const Vector3& p0, const Vector3& c1, const Vector3& c2,
                      const Vector3& p1);
void evaluateCurveSegment(Vector3* out, const Vector3 coefficients[4], float t);
