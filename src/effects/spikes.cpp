#include "effects/spikes.h"

#include "math/same_math.h"
#include "render/render_target.h"

#include <cmath>

void drawSpike(const Matrix4& m, float x, float y, float z) {
    const RenderTarget& rt = renderTarget;
    auto project = [&](const Vector3& p, double u, double v) {
        return ScreenVertex{p.x * rt.focalX / p.z + rt.centreX,
                            truncateCoordinate(p.y * rt.focalY / p.z + rt.centreY), u, v, 65536.0 / p.z};
    };
    Vector3 upper[8], lower[8];
    ScreenVertex upperScreen[8], lowerScreen[8];
    for (int k = 0; k < 8; ++k) {
        float a = float(k * 0.785398163395);
        float c = float(sameCos(double(a))), s = float(sameSin(double(a)));
        Vector3 normal = {-c, 0, s};
        rotateVector3(m, &normal);
        upper[k] = transformPoint(m, {x - c, y - 4.0f, z + s});
        lower[k] = transformPoint(m, {x - c, y - 8.0f, z + s});
        double u = normal.x * 127.0f + 128, v = normal.y * 127.0f + 128;
        upperScreen[k] = project(upper[k], u, v);
        lowerScreen[k] = project(lower[k], u, v);
    }
    Vector3 apex = transformPoint(m, {x, y, z});
    ScreenVertex apexScreen = project(apex, 128, 255);
    auto front = [](const Vector3& p) { return p.z >= 0.1f; };
    for (int k = 0; k < 8; ++k) {
        int k1 = (k + 1) % 8;
        if (front(lower[k]) && front(lower[k1]) && front(upper[k]) && front(upper[k1])) {
            fillTriangleEnvMapped(lowerScreen[k], lowerScreen[k1], upperScreen[k]);
            fillTriangleEnvMapped(upperScreen[k1], upperScreen[k], lowerScreen[k1]);
        }
    }
    for (int k = 0; k < 8; ++k) {
        int k1 = (k + 1) % 8;
        if (front(upper[k]) && front(upper[k1]) && front(apex))
            fillTriangleEnvMapped(upperScreen[k], upperScreen[k1], apexScreen);
    }
}
