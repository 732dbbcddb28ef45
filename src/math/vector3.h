// vector3: the three-float vector shared by meshes, the renderer and effects.
#pragma once

struct Vector3 {
    float x, y, z;
};
static_assert(sizeof(Vector3) == 12, "mesh records and files rely on packed vectors");
