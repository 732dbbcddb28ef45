// The six camera paths: for each scene, eye and target groups as closed loops.
// Positions in hundredths of a unit (program coordinates: up is -y, for the
// house up is -z), durations in path time (4,000 an order), angles in degrees.
#include "tools/poolmaker/assets.h"

#include "math/matrix.h"

#include <cmath>
#include <sstream>

namespace {

struct Key {
    double x, y, z;
    int angle = 0;
};

// Every group of a path holds the same number of keys; all durations are
// equal because the sampler reads them from the path's first keys.
std::string pathText(const std::string& title, const std::vector<std::vector<Key>>& groups, int duration) {
    std::ostringstream text;
    text << "# " << title << ": x y z (hundredths) duration angle (degrees)\n";
    for (size_t g = 0; g < groups.size(); ++g) {
        text << "( # group " << g << "\n";
        for (const Key& k : groups[g])
            text << "  " << std::lround(k.x * 100) << " " << std::lround(k.y * 100) << " "
                 << std::lround(k.z * 100) << " " << duration << " " << k.angle << "\n";
        text << ")\n";
    }
    return text.str();
}

// Keys on a horizontal ellipse around a centre (up is -y).
std::vector<Key> orbit(Vec centre, double rx, double rz, double height, double startTurn, double turns,
                       int keys, double bob = 0, int roll = 0) {
    std::vector<Key> out;
    for (int i = 0; i < keys; ++i) {
        double a = 2 * M_PI * (startTurn + turns * i / keys);
        out.push_back({centre.x + rx * std::cos(a), centre.y - height + bob * std::sin(3 * a),
                       centre.z + rz * std::sin(a), roll ? int(roll * std::sin(2 * a)) : 0});
    }
    return out;
}

// The same orbit in the house's frame, where up is -z.
std::vector<Key> orbitUpZ(Vec centre, double r, double height, double startTurn, int keys, double bob) {
    std::vector<Key> out;
    for (int i = 0; i < keys; ++i) {
        double a = 2 * M_PI * (startTurn + double(i) / keys);
        out.push_back({centre.x + r * std::cos(a), centre.y + r * std::sin(a),
                       centre.z - height + bob * std::sin(2 * a), 0});
    }
    return out;
}

// Rolls every eye key so that the world's up direction (up = -z for the
// house) stays upright on screen as the camera circles.
void keepUpright(std::vector<Key>& eyes, const std::vector<Key>& targets, Vec up) {
    double previous = 0;
    for (size_t i = 0; i < eyes.size(); ++i) {
        Key& e = eyes[i];
        const Key& t = targets[i];
        double dx = e.x - t.x, dy = e.y - t.y, dz = e.z - t.z;
        Matrix4 m = identityMatrix;
        rotateMatrix4Y(&m, float(std::atan2(-dx, -dz)));
        rotateMatrix4X(&m, float(std::atan2(-dy, std::sqrt(dz * dz + dx * dx))));
        Vector3 u = {float(up.x), float(up.y), float(up.z)};
        rotateVector3(m, &u);
        double roll = std::atan2(-double(u.x), -double(u.y)) * 180 / M_PI;
        while (roll - previous > 180) roll -= 360; // keep the angles continuous, they are interpolated
        while (roll - previous < -180) roll += 360;
        previous = roll;
        e.angle = int(std::lround(roll));
    }
}

std::vector<Key> points(const std::vector<Vec>& at) {
    std::vector<Key> out;
    for (const Vec& p : at) out.push_back({p.x, p.y, p.z, 0});
    return out;
}

} // namespace

std::vector<std::pair<std::string, std::string>> makePaths() {
    std::vector<std::pair<std::string, std::string>> paths;
    // Pot (scenes 1 and 3): the pot stands at the origin, 6 high, the tubes braid around it.
    paths.push_back({"pool/pot/import/path.txt",
                     pathText("pot",
                              {orbit({0, 0, 0}, 17, 17, 6, 0.6, 1, 8, 1.5, 6),  // 0 eye, wide orbit
                               orbit({0, 0, 0}, 1.5, 1.5, 3.5, 0.1, 1, 8, 0.5), // 1 target, the pot's belly
                               orbit({0, 0, 0}, 10, 12, 1.5, 0.1, -1, 8, 1.0, 10), // 2 eye, low and close
                               orbit({0, 0, 0}, 2, 2, 5, 0.6, -1, 8, 1.5)},        // 3 target, rim and above
                              2500)});
    // Pet (scenes 2 and 4): the creature sits at (-6, 0, 12), spikes land around it.
    paths.push_back(
        {"pool/pet/import/path.txt", pathText("pet",
                                              {orbit({-6, 0, 12}, 13, 13, 3, 0.75, 0.5, 8, 0.6), // 0 eye
                                               orbit({-7, 0, 14}, 2, 3, 2.5, 0.75, 0.5, 8, 0.4), // 1 target
                                               orbit({-7, 0, 14}, 1.5, 2, 2, 0.2, 1, 8, 0.8),    // 2 target
                                               orbit({-6, 0, 12}, 9, 11, 4.5, 0.25, 1, 8, 1.5, 8)}, // 3 eye
                                              1000)});
    // Cornell (scenes 10 and 13): a room from -5 to 5, floor y = 0, ceiling y = -10.
    paths.push_back({"pool/cornell/import/path.txt",
                     pathText("cornell",
                              {orbit({0, 0, 0}, 1.2, 1.2, 3.5, 0.5, 1, 8, 0.5),     // 0 target (scene 13)
                               orbit({0, 0, 0}, 3.6, 3.6, 5.5, 0.0, 1, 8, 1.2, 5),  // 1 eye (scene 13)
                               orbit({0, 0, 0}, 1.5, 1.5, 3.0, 0.75, -1, 8, 0.8),   // 2 target (scene 10)
                               orbit({0, 0, -1}, 3.3, 3.0, 6.0, 0.25, -1, 8, 1.0)}, // 3 eye (scene 10)
                              1000)});
    // Wirecube (scenes 11 and 14): beams at -12, -4, 4, 12; cell centres are free.
    std::vector<Vec> tour = {{0, 0, -8}, {0, 0, 0},  {8, 0, 0},  {8, 0, 8},
                             {0, 0, 8},  {-8, 0, 8}, {-8, 0, 0}, {-8, 0, -8}};
    std::vector<Vec> tourLook = {{0, 0, 0},  {8, 0, 0},  {8, 0, 8},   {0, 0, 8},
                                 {-8, 0, 8}, {-8, 0, 0}, {-8, 0, -8}, {0, 0, -8}};
    std::vector<Vec> high, highLook;
    for (int i = 0; i < 12; ++i) { // a slow circuit through the upper layer, over the water at y = 16
        double a = 2 * M_PI * i / 12;
        high.push_back({8 * std::cos(a), 8 + 0.0 * i, 8 * std::sin(a)});
        highLook.push_back({8 * std::cos(a + 0.9), 6, 8 * std::sin(a + 0.9)});
    }
    for (int i = 0; i < 4; ++i) { // groups 0 and 1 need as many keys as 2 and 3
        tour.push_back(tour[size_t(i)]);
        tourLook.push_back(tourLook[size_t(i)]);
    }
    paths.push_back(
        {"pool/wirecube/import/path.txt",
         pathText("wirecube", {points(tour), points(tourLook), points(high), points(highLook)}, 2000)});
    // Zilm (scenes 6 to 9): a city from x -20..20, z 0..40, ground at y = 1; streets at multiples of 4.
    paths.push_back({"pool/zilm/import/path.txt",
                     pathText("zilm",
                              {orbit({0, 1, 20}, 32, 30, 9, 0.75, 0.5, 8, 2.0, 4),  // 0 eye, wide sweep
                               orbit({0, 1, 20}, 6, 6, 3, 0.75, 0.5, 8, 1.0),       // 1 target
                               orbit({0, 1, 20}, 30, 30, 13, 0.25, -1, 8, 1.5, 12), // 2 eye, over the roofs
                               orbit({0, 1, 20}, 5, 5, 4, 0.5, -1, 8, 1.5)},        // 3 target
                              1500)});
    // House (scene 5): water in the x-y plane, up is -z; the house stands at the origin.
    std::vector<Key> houseEye = orbitUpZ({0, 0, 0}, 4.6, 3.2, 0.25, 8, 0.6);
    std::vector<Key> houseLook = orbitUpZ({0, 0, 0}, 0.3, 1.2, 0.25, 8, 0.2);
    std::vector<Key> houseEye2 = orbitUpZ({0, 0, 0}, 3.4, 2.2, 0.75, 8, 0.4);
    std::vector<Key> houseLook2 = orbitUpZ({0, 0, 0}, 0.3, 1.2, 0.75, 8, 0.2);
    keepUpright(houseEye, houseLook, {0, 0, -1});
    keepUpright(houseEye2, houseLook2, {0, 0, -1});
    paths.push_back({"pool/house/import/path.txt",
                     pathText("house", {houseEye, houseLook, houseEye2, houseLook2}, 1500)});
    return paths;
}
