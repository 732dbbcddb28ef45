#include "timeline/scene_kit.h"

#include "effects/span_buffer.h"
#include "render/mesh_drawers.h"

void target(uint32_t* pixels, uint32_t width, uint32_t height, int32_t pitch) {
    renderTarget.pixels = pixels;
    renderTarget.width = width;
    renderTarget.height = height;
    renderTarget.pitch = pitch;
}

void focal(double x, double y) {
    renderTarget.focalX = x;
    renderTarget.focalY = y;
}

void centre(int32_t x, int32_t y) {
    renderTarget.centreX = x;
    renderTarget.centreY = y;
}

void sceneTarget(uint32_t* buffer) {
    target(buffer, kFrameWidth, kFrameHeight, kSceneBufferPitch);
    renderTarget.depthBuffer = depthBufferA;
}

void frameTarget() {
    target(frameBuffer, kFrameWidth, kFrameHeight, kFrameWidth);
    renderTarget.depthBuffer = depthBufferA;
}

void selectTexture(MeshName mesh) {
    renderTarget.texture = meshTexture[scenekit::textureIndex(mesh)];
}

void drawLit(MeshName mesh, const Matrix4& m) {
    selectTexture(mesh);
    drawMeshPerspectiveBilinear(fileMeshes[mesh], m);
}

void skyPassUnder(const Matrix4& view, MeshName mesh) {
    resetSpanBuffer();
    drawMeshSpans(view);
    beginSpanBufferResolve();
    drawLit(mesh, view);
    finishSpanBufferResolve();
}

Matrix4 then(Matrix4 m, const Matrix4& next) {
    multiplyMatrix4(&m, next);
    return m;
}

Matrix4 view(PathName path, int eye, int look, double pathTime) {
    return buildViewMatrix(cameraPaths[path], eye, look, pathTime);
}

Matrix4 viewOf(const CameraPose& pose, float yOffset, bool pitch, float pitchDelta, bool roll,
               float rollValue) {
    Matrix4 m = identityMatrix;
    translateMatrix4(&m, -pose.eye.x, yOffset - pose.eye.y, -pose.eye.z);
    rotateMatrix4Y(&m, pose.yaw);
    if (pitch) rotateMatrix4X(&m, pose.pitch - pitchDelta);
    if (roll) rotateMatrix4Z(&m, rollValue);
    return m;
}

namespace {

void bannerTarget() {
    frameTarget();
    centre(kFrameWidth / 2, kFrameHeight / 2);
    focal(80, 80);
}

} // namespace

void leaveBanner() {
    bannerTarget();
    selectTexture(kVusk);
}

void drawBannerAndCraft(const Matrix4& placement, float craftTurn, float craftOffset) {
    bannerTarget();
    renderTarget.texture = overlayTexture;
    drawMeshPerspectiveKeyed(proceduralMesh3, placement);
    Matrix4 craft = identityMatrix;
    rotateMatrix4Z(&craft, craftTurn);
    translateMatrix4(&craft, craftOffset, 0, 0);
    drawLit(kVusk, then(craft, placement));
}
