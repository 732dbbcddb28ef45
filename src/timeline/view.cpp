#include "timeline/view.h"

#include "math/same_math.h"

#include <cmath>

CameraPose sampleCameraPose(const CameraPath& path, int eyeGroup, int targetGroup, double pathTime) {
    CameraPose pose;
    float ignored;
    sampleCameraPath(&path, &pose.target, &ignored, pathTime, targetGroup);
    sampleCameraPath(&path, &pose.eye, &pose.angle, pathTime, eyeGroup);
    float dx = pose.eye.x - pose.target.x, dy = pose.eye.y - pose.target.y, dz = pose.eye.z - pose.target.z;
    pose.yaw = sameAtan2(-dx, -dz);
    pose.pitch = sameAtan2(-dy, std::sqrt(dz * dz + dx * dx));
    return pose;
}

Matrix4 buildViewMatrix(const CameraPath& path, int eyeGroup, int targetGroup, double pathTime) {
    CameraPose pose = sampleCameraPose(path, eyeGroup, targetGroup, pathTime);
    Matrix4 m = identityMatrix;
    translateMatrix4(&m, -pose.eye.x, -pose.eye.y, -pose.eye.z);
    rotateMatrix4Y(&m, pose.yaw);
    rotateMatrix4X(&m, pose.pitch);
    rotateMatrix4Z(&m, pose.angle);
    return m;
}
