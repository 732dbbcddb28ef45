// Camera path texts: any bytes parse without writing past the path's arrays,
// and any group sampled at any time gives finite numbers or the origin.
#include "effects/camera_path.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static auto path = std::make_unique<CameraPath>();
    std::memset(path.get(), 0, sizeof(CameraPath));
    parsePathText(path.get(), data, uint32_t(size));
    if (path->keyCount > kPathKeys || path->groupCount > kPathGroups) std::abort();
    // The edges of the group range and a few inside it: sampling every group of
    // a 64-group path at far times costs more than the parse it follows.
    for (int g : {-1, 0, 1, path->groupCount / 2, path->groupCount - 1, path->groupCount})
        for (double t : {-1.0, 0.0, 1234.5, 1e9}) {
            Vector3 p;
            float angle;
            sampleCameraPath(path.get(), &p, &angle, t, g);
        }
    return 0;
}
