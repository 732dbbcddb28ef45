// The show's pictures: sky, reflection map, logos, tower, skull, scroller,
// veins and the closing picture.
#include "tools/poolmaker/pictures.h"
#include "display/small_font.h"
#include "tools/poolmaker/assets.h"
#include "tools/poolmaker/palette.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

double clamp01(double v) {
    return std::clamp(v, 0.0, 1.0);
}
double smooth(double e0, double e1, double x) {
    double t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}
Colour mix(Colour a, Colour b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Colour add(Colour a, Colour b) {
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
Colour scale(Colour a, double s) {
    return {a.r * s, a.g * s, a.b * s};
}

// Deterministic value noise.
double hash(int x, int y, int seed) {
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + uint32_t(seed) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return double((h ^ (h >> 16)) & 0xFFFFFF) / double(0xFFFFFF);
}
double noise(double x, double y, int seed) {
    int xi = int(std::floor(x)), yi = int(std::floor(y));
    double fx = x - xi, fy = y - yi;
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    double a = hash(xi, yi, seed), b = hash(xi + 1, yi, seed), c = hash(xi, yi + 1, seed),
           d = hash(xi + 1, yi + 1, seed);
    return (a + (b - a) * fx) * (1 - fy) + (c + (d - c) * fx) * fy;
}
double fractal(double x, double y, int seed) {
    double sum = 0, amplitude = 0.5;
    for (int octave = 0; octave < 5; ++octave) {
        sum += amplitude * noise(x, y, seed + octave);
        x *= 2;
        y *= 2;
        amplitude *= 0.5;
    }
    return sum;
}

// The sky in a direction (up is -y): the dusk, its sun, stars and the glowing grid below the horizon.
Colour skyColour(Vec d) {
    d = normalize(d);
    double up = -d.y;
    Colour zenith = hexColour(kNight), high = hexColour(kIndigo), glow = hexColour(kMagenta),
           horizon = hexColour(kOrange);
    Colour c;
    if (up >= 0) {
        c = mix(horizon, glow, smooth(0.0, 0.12, up));
        c = mix(c, high, smooth(0.1, 0.45, up));
        c = mix(c, zenith, smooth(0.4, 1.0, up));
        // Stars: sparse points on a fine grid of directions.
        double u = std::atan2(d.x, d.z) * 40, v = up * 60;
        double star = hash(int(std::floor(u)), int(std::floor(v)), 7);
        if (star > 0.985 && up > 0.2)
            c = add(c, scale(hexColour(kCream), (star - 0.985) * 40 * smooth(0.2, 0.5, up)));
        // Thin clouds lit from below.
        double cloud = fractal(u * 0.05, v * 0.12, 11);
        c = mix(c, hexColour(kViolet),
                smooth(0.55, 0.8, cloud) * 0.5 * smooth(0.05, 0.3, up) * (1 - smooth(0.5, 0.9, up)));
        // The sun ahead, with a striped lower half.
        Vec sun = normalize({0.0, -0.12, 1.0});
        double angle = std::acos(std::clamp(dot(d, sun), -1.0, 1.0));
        if (angle < 0.22) {
            bool stripe = d.y > sun.y && int(std::floor((d.y - sun.y) * 90)) % 2 == 1;
            if (!stripe) c = mix(hexColour(kGold), hexColour(kMagenta), clamp01((d.y - sun.y + 0.2) * 2.5));
        }
        c = add(c, scale(hexColour(kOrange), 0.35 * std::exp(-angle * angle * 18)));
    } else {
        double down = -up;
        c = mix(scale(hexColour(kViolet), 0.6), hexColour(kNight), smooth(0.0, 0.3, down));
        // The grid floor, projected onto a plane below.
        double gx = d.x / down * 2, gz = d.z / down * 2;
        double line = std::min(std::fabs(gx - std::round(gx)), std::fabs(gz - std::round(gz)));
        double width = 0.02 + 0.08 * (1 - smooth(0.0, 0.5, down));
        double glowLine = (1 - smooth(0, width, line)) * (1 - smooth(0.0, 0.02, down) * 0.3);
        c = add(c, scale(hexColour(kMagenta), 0.8 * glowLine));
        c = mix(c, hexColour(kOrange), 0.5 * (1 - smooth(0.0, 0.05, down)));
    }
    return c;
}

Image makeSkybox() {
    // Six 128 x 128 tiles as the sky cube maps them: corners and their texels per face.
    static const Vec corners[8] = {{-100, 100, 100},  {100, 100, 100},   {100, -100, 100},
                                   {-100, -100, 100}, {-100, 100, -100}, {100, 100, -100},
                                   {100, -100, -100}, {-100, -100, -100}};
    static const int faces[6][4] = {{0, 1, 2, 3}, {1, 5, 6, 2}, {5, 4, 7, 6},
                                    {4, 0, 3, 7}, {7, 3, 2, 6}, {0, 1, 5, 4}};
    static const int tileU[6] = {0, 128, 0, 128, 0, 128}, tileV[6] = {128, 128, 256, 256, 0, 0};
    Image sky{256, 384, std::vector<uint32_t>(256 * 384)};
    for (int f = 0; f < 6; ++f)
        for (int ty = 0; ty < 128; ++ty)
            for (int tx = 0; tx < 128; ++tx) {
                double s = (tx + 0.5) / 128, t = (ty + 0.5) / 128;
                Vec p0 = corners[faces[f][0]], p1 = corners[faces[f][1]], p2 = corners[faces[f][2]],
                    p3 = corners[faces[f][3]];
                Vec p = p0 * ((1 - s) * (1 - t)) + p1 * (s * (1 - t)) + p2 * (s * t) + p3 * ((1 - s) * t);
                sky.pixels[(tileV[f] + ty) * 256 + tileU[f] + tx] = packColour(skyColour(p));
            }
    return sky;
}

Image makeEnvironmentMap() {
    // Chrome: the normal (u = n.x, v = n.y) reflects the dusk, with two hot highlights.
    Image env{256, 256, std::vector<uint32_t>(65536)};
    for (int v = 0; v < 256; ++v)
        for (int u = 0; u < 256; ++u) {
            double nx = (u - 128) / 127.0, ny = (v - 128) / 127.0;
            double r2 = nx * nx + ny * ny;
            double nz = r2 < 1 ? -std::sqrt(1 - r2) : 0; // normals that face the camera point to -z
            // Reflect the view direction (0, 0, 1) about the normal.
            Vec n = normalize({nx, ny, nz});
            Vec reflected = Vec{0, 0, 1} - n * (2 * n.z); // the view ray (0, 0, 1) mirrored
            Colour c = skyColour(reflected);
            c = mix(c, hexColour(kSteel), 0.25);
            double highlight = std::exp(-((nx + 0.35) * (nx + 0.35) + (ny + 0.45) * (ny + 0.45)) * 22);
            double rim = std::exp(-((nx - 0.5) * (nx - 0.5) + (ny - 0.1) * (ny - 0.1)) * 40);
            c = add(c, scale(hexColour(kCream), 1.1 * highlight));
            c = add(c, scale(hexColour(kTeal), 0.6 * rim));
            if (r2 >= 1) c = scale(hexColour(kIndigo), 1.2);
            env.pixels[v * 256 + u] = packColour(c);
        }
    return env;
}

// Text in the 5 x 7 font, each font pixel size x size, with an outline: 1 letter, 2 outline, 0 none.
std::vector<uint8_t> textMask(const std::string& text, int size, int spacing, int* width, int* height) {
    int advance = (5 + spacing) * size;
    *width = int(text.size()) * advance + 2;
    *height = 7 * size + 2;
    std::vector<uint8_t> mask(size_t(*width) * *height, 0);
    for (size_t i = 0; i < text.size(); ++i)
        for (int y = 0; y < 7 * size; ++y)
            for (int x = 0; x < 5 * size; ++x)
                if (glyphPixel(text[i], x / size, y / size))
                    mask[size_t(y + 1) * *width + i * advance + x + 1] = 1;
    std::vector<uint8_t> out = mask;
    for (int y = 0; y < *height; ++y)
        for (int x = 0; x < *width; ++x) {
            if (mask[size_t(y) * *width + x]) continue;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    int yy = y + dy, xx = x + dx;
                    if (yy >= 0 && yy < *height && xx >= 0 && xx < *width && mask[size_t(yy) * *width + xx])
                        out[size_t(y) * *width + x] = 2;
                }
        }
    return out;
}

// The logo's fill: a vertical sunset gradient.
Colour logoFill(double t) {
    return t < 0.5 ? mix(hexColour(kGold), hexColour(kOrange), t * 2)
                   : mix(hexColour(kOrange), hexColour(kMagenta), (t - 0.5) * 2);
}

Image makeLogo(int width, int height, int size, uint32_t background, bool outline) {
    int tw, th;
    std::vector<uint8_t> mask = textMask("CELLRUNE", size, 1, &tw, &th);
    Image img{width, height, std::vector<uint32_t>(size_t(width) * height, background)};
    int ox = (width - tw) / 2, oy = (height - th) / 2;
    for (int y = 0; y < th; ++y)
        for (int x = 0; x < tw; ++x) {
            int px = ox + x, py = oy + y;
            if (px < 0 || py < 0 || px >= width || py >= height) continue;
            uint8_t m = mask[size_t(y) * tw + x];
            if (m == 1) img.pixels[size_t(py) * width + px] = packColour(logoFill(double(y) / th));
            if (m == 2 && outline) img.pixels[size_t(py) * width + px] = kNight;
        }
    return img;
}

} // namespace

PictureSet makePictures() {
    PictureSet p;
    p.sky = makeSkybox();
    p.env = makeEnvironmentMap();

    // The banner: the logo on the key colour, with a dark outline so it reads on any sky.
    p.banner = makeLogo(256, 160, 5, kKeyGreen, true);
    for (int y = 0; y < 160; ++y) // a thin frame above and below the letters
        for (int x = 8; x < 248; ++x)
            if (y == 36 || y == 37 || y == 122 || y == 123) p.banner.pixels[size_t(y) * 256 + x] = kTeal;

    // The logo picture sits where the banner's letters are not key green (scene 12 samples the banner as
    // mask).
    p.logo = Image{160, 50, std::vector<uint32_t>(160 * 50)};
    for (int k = 0; k < 50; ++k)
        for (int j = 0; j < 160; ++j) {
            uint32_t mask = p.banner.pixels[size_t((25 + 160 * k) / 50) * 256 + (80 + 256 * j) / 160];
            double t = double(k) / 49;
            Colour c = mask == kTeal                         ? hexColour(kTeal)
                       : mask == kKeyGreen || mask == kNight ? hexColour(kNight)
                                                             : logoFill(t);
            p.logo.pixels[size_t(k) * 160 + j] = packColour(c);
        }

    // Console cells: the same logo in blocks and shades, 80 x 25 cells, by the same mask.
    p.logoCells.assign(80 * 25, 0);
    for (int k = 0; k < 25; ++k)
        for (int j = 0; j < 80; ++j) {
            uint32_t mask = p.banner.pixels[size_t((12 + 160 * k) / 25) * 256 + (40 + 256 * j) / 80];
            uint32_t character = 0x20, attribute = 0x00;
            if (mask == kTeal) {
                character = 0xDF; // upper half block: a thin bar
                attribute = 0x03;
            } else if (mask == kNight) {
                character = 0xB1;
                attribute = 0x05; // magenta shade on black
            } else if (mask != kKeyGreen) {
                // Letters: yellow at the top, bright red in the middle, magenta at the foot.
                character = 0xDB;
                attribute = k < 10 ? 0x0E : k < 15 ? 0x0C : 0x0D;
            }
            p.logoCells[size_t(k) * 80 + j] = character | attribute << 16;
        }

    // The small logo for the end screen, and its cells (43 x 5 are shown).
    p.smallLogo = makeLogo(88, 10, 1, kNight, false);
    p.smallLogoCells.assign(80 * 5, 0x20);
    // A 3 x 5 hand-drawn font reads better than the 5 x 7 one squeezed into five rows.
    auto small = [](char c, int x, int y) {
        static const char* const rows[6][5] = {
            {"###", "#..", "#..", "#..", "###"}, {"###", "#..", "##.", "#..", "###"},
            {"#..", "#..", "#..", "#..", "###"}, {"##.", "#.#", "##.", "#.#", "#.#"},
            {"#.#", "#.#", "#.#", "#.#", "###"}, {"#.#", "###", "###", "#.#", "#.#"}};
        const char* letters = "CELRUN";
        const char* at = std::strchr(letters, c);
        return at && rows[at - letters][y][x] == '#';
    };
    const std::string word = "CELLRUNE";
    for (int row = 0; row < 5; ++row)
        for (size_t letter = 0; letter < word.size(); ++letter)
            for (int x = 0; x < 3; ++x) {
                static const uint32_t colours[5] = {0x0E, 0x0E, 0x0C, 0x0C, 0x0D};
                if (small(word[letter], x, row))
                    p.smallLogoCells[size_t(row) * 80 + 6 + letter * 4 + size_t(x)] = 0xDB | colours[row]
                                                                                                 << 16;
            }

    // The tower: brick and glass climbing into the dusk, 8-bit with its own palette.
    p.towerPalette.resize(256);
    for (int i = 0; i < 256; ++i) {
        Colour c;
        if (i < 64)
            c = mix(hexColour(kNight), hexColour(kMagenta), i / 63.0); // sky
        else if (i < 128)
            c = mix(hexColour(0x201830), hexColour(kSteel), (i - 64) / 63.0); // stone
        else if (i < 192)
            c = mix(hexColour(0x301020), hexColour(kGold), (i - 128) / 63.0); // lit windows
        else
            c = mix(hexColour(kDeepTeal), hexColour(kTeal), (i - 192) / 63.0); // glass
        p.towerPalette[size_t(i)] = packColour(c);
    }
    p.tower.assign(160 * 1152, 0);
    for (int y = 0; y < 1152; ++y)
        for (int x = 0; x < 160; ++x) {
            double height = 1 - y / 1151.0; // 0 at the foot, 1 at the top
            double half = 34 + 14 * std::cos(height * 9) * (1 - height) - 18 * smooth(0.8, 1.0, height);
            if (height > 0.97) half = 4; // the spire
            double dx = std::fabs(x - 79.5);
            uint8_t v;
            if (dx > half) {
                v = uint8_t(
                    std::clamp(63.0 * (1 - height) * 0.9 + 6 * noise(x * 0.1, y * 0.1, 3), 0.0, 63.0));
            } else {
                double shade = 1 - dx / (half + 1) * 0.6;
                bool window = (y % 24) > 6 && (y % 24) < 18 && (x % 12) > 3 && (x % 12) < 9 && dx < half - 4;
                bool lit = hash(x / 12, y / 24, 5) > 0.45;
                bool band = (y % 96) < 6;
                if (window)
                    v = uint8_t(lit ? 128 + 40 + 23 * shade : 192 + 30 * shade);
                else if (band)
                    v = uint8_t(192 + 50 * shade);
                else
                    v = uint8_t(64 + 50 * shade + 8 * noise(x * 0.5, y * 0.25, 9));
            }
            p.tower[size_t(y) * 160 + x] = v;
        }

    // The skull: brightness values for additive flashes, two skulls high.
    p.skull.assign(160 * 384, 0);
    for (int y = 0; y < 384; ++y)
        for (int x = 0; x < 160; ++x) {
            double cy = (y % 192) - 90.0, cx = x - 80.0;
            double cranium = (cx * cx) / (62.0 * 62) + (cy + 10) * (cy + 10) / (70.0 * 70);
            double jaw = (cx * cx) / (40.0 * 40) + (cy - 58) * (cy - 58) / (30.0 * 30);
            double value = 0;
            if (cranium < 1 || jaw < 1) value = 200 - 80 * std::min(cranium, jaw);
            auto hole = [&](double hx, double hy, double rx, double ry) {
                return ((cx - hx) * (cx - hx)) / (rx * rx) + ((cy - hy) * (cy - hy)) / (ry * ry) < 1;
            };
            if (hole(-24, 4, 17, 19) || hole(24, 4, 17, 19)) value = 0;
            if (hole(0, 32, 7, 11)) value = 0;
            if (cy > 62 && cy < 80 && std::fmod(std::fabs(cx) + 3, 12) < 2 && std::fabs(cx) < 34)
                value = 0; // teeth gaps
            double glowRing = std::exp(-std::pow(std::sqrt(cranium) - 1.05, 2) * 200);
            value = std::max(value, 255 * glowRing);
            p.skull[size_t(y) * 160 + x] = uint8_t(std::clamp(value, 0.0, 255.0));
        }

    // The scroller: a greeting in letters that brighten, outlined in a shade that darkens.
    const std::string greeting = "     CELLRUNE  *  A SHOW FOR THE TERMINAL  *  GREETINGS TO EVERY CURSOR "
                                 "AND EVERY CELL  *  KEEP IT ON THE BEAT  ";
    p.scroller.assign(1024 * 32, 0);
    int tw, th;
    std::vector<uint8_t> mask = textMask(greeting, 3, 1, &tw, &th);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 1024; ++x) {
            int sy = y - (32 - th) / 2;
            if (sy < 0 || sy >= th || x >= tw) continue;
            uint8_t m = mask[size_t(sy) * tw + x];
            if (m == 1) p.scroller[size_t(y) * 1024 + x] = uint8_t(128 + 60 + 60 * (1 - double(sy) / th));
            if (m == 2) p.scroller[size_t(y) * 1024 + x] = 110; // darken by 110
        }

    // Veins: glowing organic threads on the key colour.
    p.veins = Image{256, 256, std::vector<uint32_t>(65536, kKeyGreen)};
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            double n = fractal(x / 48.0, y / 48.0, 21), m = fractal(x / 24.0 + 7, y / 24.0, 31);
            double vein = std::fabs(n - 0.5), fine = std::fabs(m - 0.5);
            if (vein < 0.035 || fine < 0.018) {
                double strength = vein < 0.035 ? 1 - vein / 0.035 : 0.6 * (1 - fine / 0.018);
                Colour c = mix(hexColour(kViolet), hexColour(kMagenta), strength);
                c = add(c, scale(hexColour(kGold), std::pow(strength, 4) * 0.6));
                uint32_t packed = packColour(c);
                if (packed == kKeyGreen) packed ^= 1;
                p.veins.pixels[size_t(y) * 256 + x] = packed;
            }
        }

    // The closing picture.
    p.theEnd = Image{128, 64, std::vector<uint32_t>(128 * 64)};
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 128; ++x)
            p.theEnd.pixels[size_t(y) * 128 + x] =
                packColour(skyColour({(x - 64) / 64.0, (y - 40) / 50.0, 1}));
    {
        int ew, eh;
        std::vector<uint8_t> end = textMask("THE END", 2, 1, &ew, &eh);
        int ox = (128 - ew) / 2, oy = 10;
        for (int y = 0; y < eh; ++y)
            for (int x = 0; x < ew; ++x) {
                uint8_t m = end[size_t(y) * ew + x];
                if (m == 1)
                    p.theEnd.pixels[size_t(oy + y) * 128 + ox + x] = packColour(logoFill(double(y) / eh));
                if (m == 2) p.theEnd.pixels[size_t(oy + y) * 128 + ox + x] = kNight;
            }
    }

    // Shown by no scene: a plain logo mark and a small title, as 8-bit values.
    p.logo3.assign(160 * 200, 0);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 160; ++x) {
            double r = std::hypot(x - 80.0, y - 100.0);
            p.logo3[size_t(y) * 160 + x] = uint8_t(r < 70 ? 255 - r * 3 : 0);
        }
    p.topaz.assign(256 * 100, 0);
    {
        int w2, h2;
        std::vector<uint8_t> title = textMask("CELLRUNE", 4, 1, &w2, &h2);
        for (int y = 0; y < h2 && y < 100; ++y)
            for (int x = 0; x < w2 && x < 256; ++x)
                p.topaz[size_t(y + 30) * 256 + x + 20] = title[size_t(y) * w2 + x] * 100;
    }
    for (int i = 0; i < 256; ++i) p.greyPalette.push_back(uint32_t(i) * 0x010101u);
    return p;
}
