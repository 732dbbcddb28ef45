// The eight meshes of the show, modelled in the program's coordinates
// (up is -y, except the house, whose water lies in the x-y plane: up is -z).
#include "tools/poolmaker/meshes.h"
#include "display/small_font.h"
#include "tools/poolmaker/palette.h"

#include <cmath>

namespace {

Light sun(Vec towards, uint32_t colour, double strength) {
    Colour c = hexColour(colour);
    return {{}, normalize(towards), {c.r * strength, c.g * strength, c.b * strength}, false};
}
Light lamp(Vec at, uint32_t colour, double strength) {
    Colour c = hexColour(colour);
    return {at, {}, {c.r * strength, c.g * strength, c.b * strength}, true};
}

// A grid of quads on the plane y = height, facing up (-y).
void addGround(Model& m, double x0, double x1, double z0, double z1, double height, int cells,
               Colour colour) {
    for (int i = 0; i < cells; ++i)
        for (int j = 0; j < cells; ++j) {
            double ax = x0 + (x1 - x0) * i / cells, bx = x0 + (x1 - x0) * (i + 1) / cells;
            double az = z0 + (z1 - z0) * j / cells, bz = z0 + (z1 - z0) * (j + 1) / cells;
            addQuad(m, {ax, height, az}, {bx, height, az}, {bx, height, bz}, {ax, height, bz},
                    colour); // facing -y
        }
}

// A box turned about the vertical axis.
void addTurnedBox(Model& m, Vec centre, Vec half, double yaw, Colour colour) {
    double c = std::cos(yaw), s = std::sin(yaw);
    Vec corners[8];
    for (int i = 0; i < 8; ++i) {
        Vec p = {(i == 1 || i == 2 || i == 5 || i == 6) ? half.x : -half.x,
                 (i == 2 || i == 3 || i == 6 || i == 7) ? half.y : -half.y, i >= 4 ? half.z : -half.z};
        // A turn about y keeps the handedness, so the box's windings stay outward.
        corners[i] = {p.x * c - p.z * s + centre.x, p.y + centre.y, p.x * s + p.z * c + centre.z};
    }
    addBoxCorners(m, corners, colour);
}

Model makePot() {
    Model m;
    m.name = "pot";
    Colour glaze = hexColour(kCream), band = hexColour(kMagenta), rim = hexColour(kOrange);
    Vec base = {0, 0, 0};
    addLathe(m, base, {{0, 0}, {1.5, 0}, {2.1, 0.35}, {2.7, 1.4}, {2.95, 2.6}}, 16, glaze);
    addLathe(m, base, {{2.95, 2.6}, {2.9, 3.2}}, 16, band);
    addLathe(m, base, {{2.9, 3.2}, {2.5, 4.1}, {1.7, 4.9}, {1.35, 5.4}}, 16, glaze);
    addLathe(m, base, {{1.35, 5.4}, {1.7, 5.8}, {1.55, 6.0}, {1.2, 6.0}}, 16, rim);
    // A handle on one side, a spout on the other.
    const int steps = 7;
    for (int i = 0; i < steps; ++i) {
        double a0 = M_PI * i / steps - M_PI / 2, a1 = M_PI * (i + 1) / steps - M_PI / 2;
        Vec p0 = {2.7 + 1.2 * std::cos(a0), -3.2 + 1.4 * std::sin(a0), 0};
        Vec p1 = {2.7 + 1.2 * std::cos(a1), -3.2 + 1.4 * std::sin(a1), 0};
        addBeam(m, p0, p1, 0.22, rim);
    }
    addBeam(m, {-2.4, -2.0, 0}, {-3.6, -3.4, 0}, 0.35, glaze);
    addBeam(m, {-3.6, -3.4, 0}, {-4.4, -4.6, 0}, 0.25, glaze);
    m.lights = {sun({-0.5, -1, -0.6}, kCream, 1.0), sun({0.8, -0.2, 0.6}, kMagenta, 0.55)};
    m.ambient = {0.18, 0.16, 0.3};
    return m;
}

Model makePet() {
    Model m;
    m.name = "pet";
    Colour fur = hexColour(kOrange), belly = hexColour(kCream), dark = hexColour(kIndigo),
           eyes = hexColour(kTeal);
    addGround(m, -24, 16, -4, 36, 0, 6, hexColour(kDeepTeal));
    // A cat-like creature sitting near (-6, 0, 12), looking at -z.
    Vec at = {-6, 0, 12};
    addBox(m, at + Vec{-1.4, -2.6, -1.2}, at + Vec{1.4, -0.6, 2.2}, fur);                   // body
    addBox(m, at + Vec{-1.1, -2.3, -1.35}, at + Vec{1.1, -0.9, -1.2}, belly, false, false); // chest patch
    addBox(m, at + Vec{-1.2, -4.6, -2.2}, at + Vec{1.2, -2.4, -0.2}, fur);                  // head
    addBox(m, at + Vec{-0.8, -4.3, -2.3}, at + Vec{-0.3, -3.8, -2.2}, eyes, false, false);  // eyes
    addBox(m, at + Vec{0.3, -4.3, -2.3}, at + Vec{0.8, -3.8, -2.2}, eyes, false, false);
    addBox(m, at + Vec{-0.3, -3.5, -2.35}, at + Vec{0.3, -3.1, -2.2}, dark, false, false); // nose
    for (double side : {-1.0, 1.0}) {
        // Ears, one face each way.
        addTriangle(m, at + Vec{side * 1.2, -4.6, -1.4}, at + Vec{side * 0.3, -4.6, -1.4},
                    at + Vec{side * 0.9, -5.6, -1.2}, fur);
        addTriangle(m, at + Vec{side * 0.9, -5.6, -1.2}, at + Vec{side * 0.3, -4.6, -1.4},
                    at + Vec{side * 1.2, -4.6, -1.4}, fur);
        addBox(m, at + Vec{side * 0.9 - 0.35, -0.6, -1.1}, at + Vec{side * 0.9 + 0.35, 0, -0.4},
               belly); // front paws
        addBox(m, at + Vec{side * 1.2 - 0.4, -1.2, 1.0}, at + Vec{side * 1.2 + 0.4, 0, 2.0}, fur); // haunches
    }
    for (int i = 0; i < 5; ++i) { // a tail curling up behind
        double a0 = i * 0.5, a1 = (i + 1) * 0.5;
        Vec p0 =
            at + Vec{1.2 + 1.4 * std::sin(a0), -0.4 - 1.8 * (1 - std::cos(a0)), 2.4 + 0.6 * std::sin(a0)};
        Vec p1 =
            at + Vec{1.2 + 1.4 * std::sin(a1), -0.4 - 1.8 * (1 - std::cos(a1)), 2.4 + 0.6 * std::sin(a1)};
        addBeam(m, p0, p1, 0.28, fur);
    }
    m.lights = {sun({-0.4, -1, -0.5}, kGold, 1.1), sun({0.7, -0.3, 0.6}, kTeal, 0.5)};
    m.ambient = {0.2, 0.16, 0.28};
    return m;
}

Model makeCornell() {
    Model m;
    m.name = "cornell";
    Colour white = hexColour(0xE8E0D0), red = hexColour(0xD0302A), green = hexColour(0x2FA84A);
    const int n = 3;
    auto wall = [&](Vec origin, Vec across, Vec along, Colour colour) {
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) {
                Vec a = origin + across * (double(i) / n) + along * (double(j) / n);
                Vec b = a + across * (1.0 / n), d = a + along * (1.0 / n), c = b + along * (1.0 / n);
                addQuad(m, a, b, c, d, colour);
            }
    };
    // Walls seen from inside: winding towards the room's centre.
    wall({-5, 0, -5}, {10, 0, 0}, {0, 0, 10}, white);   // floor (y = 0)
    wall({-5, -10, -5}, {0, 0, 10}, {10, 0, 0}, white); // ceiling
    wall({-5, 0, 5}, {10, 0, 0}, {0, -10, 0}, white);   // back
    wall({-5, 0, -5}, {0, -10, 0}, {10, 0, 0}, white);  // front
    wall({-5, 0, -5}, {0, 0, 10}, {0, -10, 0}, red);    // left
    wall({5, 0, -5}, {0, -10, 0}, {0, 0, 10}, green);   // right
    // The ceiling light, facing down.
    addQuad(m, {-1.2, -9.95, -1.2}, {1.2, -9.95, -1.2}, {1.2, -9.95, 1.2}, {-1.2, -9.95, 1.2}, white,
            {1.4, 1.3, 1.1});
    orientFace(m, m.faces.size() - 1, {0, -5, 0}, false);             // towards the room
    addTurnedBox(m, {-1.8, -3.0, 1.5}, {1.4, 3.0, 1.4}, 0.3, white);  // tall block
    addTurnedBox(m, {1.8, -1.5, -1.6}, {1.4, 1.5, 1.4}, -0.3, white); // short block
    m.lights = {lamp({0, -9.3, 0}, 0xFFF0D8, 5.5)};
    m.ambient = {0.3, 0.27, 0.3};
    m.occlusionRange = 3.0;
    return m;
}

Model makeWirecube() {
    Model m;
    m.name = "wirecube";
    const double at[4] = {-12, -4, 4, 12};
    Colour colours[3] = {hexColour(kTeal), hexColour(kMagenta), hexColour(kGold)};
    for (int a = 0; a < 4; ++a)
        for (int b = 0; b < 4; ++b) {
            addBeam(m, {-12.4, at[a], at[b]}, {12.4, at[a], at[b]}, 0.35, colours[0]);
            addBeam(m, {at[a], -12.4, at[b]}, {at[a], 12.4, at[b]}, 0.35, colours[1]);
            addBeam(m, {at[a], at[b], -12.4}, {at[a], at[b], 12.4}, 0.35, colours[2]);
        }
    m.lights = {sun({-0.3, -1, -0.4}, kCream, 1.0), sun({0.6, 0.4, 0.7}, kViolet, 0.6)};
    m.ambient = {0.18, 0.15, 0.3};
    m.occlusionRange = 1.5;
    return m;
}

Model makeZilm() {
    Model m;
    m.name = "zilm";
    addGround(m, -22, 22, -4, 44, 1, 6, hexColour(0x2A2040));
    // A city of towers, tallest in the middle, streets every 4 units.
    for (int i = 0; i < 10; ++i)
        for (int j = 0; j < 10; ++j) {
            double cx = -18 + 4 * i, cz = 2 + 4 * j;
            double centre = std::exp(-((cx * cx) / 200 + (cz - 20) * (cz - 20) / 300));
            double h = 1.5 + 9 * centre + 3 * std::fabs(std::sin(i * 7.1 + j * 3.3));
            double w = 1.2 + 0.4 * std::fabs(std::sin(i * 1.7 + j * 5.1));
            uint32_t tone = (i + j) % 3 == 0 ? 0x8A5AC0 : (i * j) % 4 == 1 ? kSteel : 0x6A6498;
            addBox(m, {cx - w, 1 - h, cz - w}, {cx + w, 1, cz + w}, hexColour(tone), false, false);
        }
    m.lights = {sun({-0.8, -0.45, 0.5}, kOrange, 1.5), sun({0.5, -0.6, -0.6}, kTeal, 0.6)};
    m.ambient = {0.3, 0.24, 0.42};
    m.occlusionRange = 3;
    return m;
}

Model makeHouse() {
    // The water lies in the x-y plane at z = 0 (heights along z): up is -z here.
    Model m;
    m.name = "house";
    Colour wood = hexColour(0x8A5A3C), roof = hexColour(kMagenta), wall = hexColour(kCream),
           glow = hexColour(kGold);
    auto box = [&](Vec lo, Vec hi, Colour c) {
        // addBox's "bottom" is high y; here the heights run along z, which the box does not care about.
        addBox(m, lo, hi, c);
    };
    for (double x : {-0.7, 0.7})
        for (double y : {-0.5, 0.5})
            box({x - 0.06, y - 0.06, -0.9}, {x + 0.06, y + 0.06, 1.2}, wood); // stilts
    box({-0.95, -0.75, -1.0}, {0.95, 0.75, -0.9}, wood);                      // platform
    box({-0.7, -0.5, -1.8}, {0.7, 0.5, -1.0}, wall);                          // walls
    box({-0.2, -0.51, -1.35}, {0.2, -0.5, -1.1}, glow);                       // a lit window
    // A pitched roof along x.
    Vec r0 = {-0.85, -0.65, -1.8}, r1 = {0.85, -0.65, -1.8}, r2 = {0.85, 0.65, -1.8},
        r3 = {-0.85, 0.65, -1.8};
    Vec ridge0 = {-0.85, 0, -2.5}, ridge1 = {0.85, 0, -2.5};
    size_t firstRoof = m.faces.size();
    addQuad(m, r0, r1, ridge1, ridge0, roof);
    addQuad(m, r2, r3, ridge0, ridge1, roof);
    addTriangle(m, r3, r0, ridge0, wall);
    addTriangle(m, r1, r2, ridge1, wall);
    for (size_t f = firstRoof; f < m.faces.size(); ++f) orientFace(m, f, {0, 0, -2.0}, true);
    box({-1.0, 0.75, -0.98}, {-0.4, 2.2, -0.92}, wood); // a jetty
    m.lights = {sun({-0.4, -0.5, -1}, kGold, 1.1), sun({0.6, 0.5, -0.4}, kTeal, 0.5)};
    m.ambient = {0.2, 0.18, 0.3};
    m.occlusionRange = 0.8;
    return m;
}

Model makeVyn() {
    // The logo as a solid: each row run of the 5 x 7 letters is a bar.
    Model m;
    m.name = "vyn";
    const std::string word = "CELLRUNE";
    const double pixel = 0.25, depth = 0.5;
    for (size_t i = 0; i < word.size(); ++i)
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 5;) {
                if (!glyphPixel(word[i], x, y)) {
                    ++x;
                    continue;
                }
                int end = x;
                while (end < 5 && glyphPixel(word[i], end, y)) ++end;
                double left = (double(i) * 6 + x - 24) * pixel, right = (double(i) * 6 + end - 24) * pixel;
                double top = (y - 3.5) * pixel;
                Colour c = y < 3 ? hexColour(kGold) : y < 5 ? hexColour(kOrange) : hexColour(kMagenta);
                addBox(m, {left, top, -depth / 2}, {right, top + pixel, depth / 2}, c);
                x = end;
            }
    m.lights = {sun({-0.3, -0.6, -1}, kCream, 1.0), sun({0.7, 0.2, -0.3}, kTeal, 0.5)};
    m.ambient = {0.3, 0.25, 0.35};
    m.occlusionRange = 0.3;
    return m;
}

Model makeVusk() {
    // A small craft, nose along +y (the way it tows), wings along x.
    Model m;
    m.name = "vusk";
    Colour hull = hexColour(kSteel), trim = hexColour(kTeal), engine = hexColour(kOrange);
    addBeam(m, {0, -2.5, 0}, {0, 2.6, 0}, 0.55, hull);      // fuselage
    addBeam(m, {0, 2.6, 0}, {0, 3.4, 0}, 0.3, trim);        // nose
    addBox(m, {-2.6, -0.6, -0.08}, {2.6, 0.6, 0.08}, hull); // wings
    addBox(m, {-2.8, -0.7, -0.1}, {-2.4, 0.7, 0.1}, trim);
    addBox(m, {2.4, -0.7, -0.1}, {2.8, 0.7, 0.1}, trim);
    addBox(m, {-0.08, -2.4, -1.4}, {0.08, -1.2, 0}, trim); // tail fin
    for (double x : {-1.2, 1.2}) {
        addBox(m, {x - 0.3, -1.8, -0.3}, {x + 0.3, 0.4, 0.3}, hull);
        addQuad(m, {x - 0.25, -1.81, -0.25}, {x + 0.25, -1.81, -0.25}, {x + 0.25, -1.81, 0.25},
                {x - 0.25, -1.81, 0.25}, engine, {1.0, 0.5, 0.2});
        orientFace(m, m.faces.size() - 1, {x, 0, 0}, true); // the exhaust looks backwards
    }
    m.lights = {sun({-0.4, -0.3, -1}, kCream, 1.0), sun({0.5, 0.8, 0.3}, kMagenta, 0.5)};
    m.ambient = {0.25, 0.22, 0.32};
    m.occlusionRange = 0.6;
    return m;
}

} // namespace

std::vector<Model> makeModels() {
    // Mesh order of the pool: pot, pet, cornell, wirecube, zilm, vyn, vusk, house.
    return {makePot(),  makePet(), makeCornell(), makeWirecube(),
            makeZilm(), makeVyn(), makeVusk(),    makeHouse()};
}
