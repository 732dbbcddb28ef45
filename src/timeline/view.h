// view: the view matrix a scene builds from two groups of a camera path.
//
// The target group gives the point looked at, the eye group the camera's
// position and its roll angle; the matrix moves the eye to the origin, then
// turns by yaw and pitch towards the target, then rolls.
#pragma once

#include "effects/camera_path.h"
#include "math/matrix.h"

struct CameraPose {
    Vector3 eye, target;
    float angle;
    float yaw, pitch;
};

CameraPose sampleCameraPose(const CameraPath& path, int eyeGroup, int targetGroup, double pathTime);
Matrix4 buildViewMatrix(const CameraPath& path, int eyeGroup, int targetGroup, double pathTime);
