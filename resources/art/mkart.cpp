// Generates Vidmora's artwork (BMPs and the icon) from code so it can be
// rebuilt byte-for-byte. From the repo root:
//   g++ -O2 -o /tmp/mkart resources/art/mkart.cpp resources/art/bmp8.cpp && /tmp/mkart [outdir]
// outdir defaults to this file's folder as named at compile time.
// Only the C/C++ standard library is used; no randomness, no clock.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bmp8.h"

namespace {

struct Col {
    double r, g, b;
};

Col rgb(int r, int g, int b) { return {r / 255.0, g / 255.0, b / 255.0}; }
Col mix(Col a, Col b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
double clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
double smooth(double e0, double e1, double x) {
    double t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

// Straight (non-premultiplied) RGBA canvas in 0..1.
struct Canvas {
    int w, h;
    std::vector<Col> c;
    std::vector<double> a;
    Canvas(int w_, int h_, Col fill, double alpha = 1.0)
        : w(w_), h(h_), c(w_ * h_, fill), a(w_ * h_, alpha) {}

    void blend(int x, int y, Col src, double sa) {
        if (x < 0 || y < 0 || x >= w || y >= h || sa <= 0) return;
        int i = y * w + x;
        double da = a[i];
        double oa = sa + da * (1 - sa);
        if (oa <= 0) return;
        Col d = c[i];
        c[i] = {(src.r * sa + d.r * da * (1 - sa)) / oa,
                (src.g * sa + d.g * da * (1 - sa)) / oa,
                (src.b * sa + d.b * da * (1 - sa)) / oa};
        a[i] = oa;
    }
};

using Inside = std::function<bool(double, double)>;
using Paint = std::function<Col(double, double)>;
using AlphaFn = std::function<double(double, double)>;

// Supersampled fill: coverage from an n*n grid, colour and extra opacity
// from the pixel centre.
void fill(Canvas& cv, const Inside& in, const Paint& paint,
          const AlphaFn& alpha = nullptr, int n = 6) {
    for (int y = 0; y < cv.h; ++y)
        for (int x = 0; x < cv.w; ++x) {
            int hits = 0;
            for (int sy = 0; sy < n; ++sy)
                for (int sx = 0; sx < n; ++sx)
                    if (in(x + (sx + 0.5) / n, y + (sy + 0.5) / n)) ++hits;
            if (!hits) continue;
            double al = alpha ? alpha(x + 0.5, y + 0.5) : 1.0;
            cv.blend(x, y, paint(x + 0.5, y + 0.5), al * hits / double(n * n));
        }
}
Paint solid(Col c) {
    return [c](double, double) { return c; };
}

// Signed distance to a rounded rectangle [x0,x1]x[y0,y1] with corner radius r.
double rrectDist(double px, double py, double x0, double y0, double x1,
                 double y1, double r) {
    double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    double hx = (x1 - x0) / 2 - r, hy = (y1 - y0) / 2 - r;
    double qx = std::fabs(px - cx) - hx, qy = std::fabs(py - cy) - hy;
    double ox = std::max(qx, 0.0), oy = std::max(qy, 0.0);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0) - r;
}
Inside rrect(double x0, double y0, double x1, double y1, double r) {
    return [=](double x, double y) {
        return rrectDist(x, y, x0, y0, x1, y1, r) <= 0;
    };
}
Inside tri(double ax, double ay, double bx, double by, double cx, double cy) {
    return [=](double x, double y) {
        double d1 = (x - bx) * (ay - by) - (ax - bx) * (y - by);
        double d2 = (x - cx) * (by - cy) - (bx - cx) * (y - cy);
        double d3 = (x - ax) * (cy - ay) - (cx - ax) * (y - ay);
        bool neg = d1 < 0 || d2 < 0 || d3 < 0;
        bool pos = d1 > 0 || d2 > 0 || d3 > 0;
        return !(neg && pos);
    };
}

// ---- file output ---------------------------------------------------------

void put16(std::vector<uint8_t>& v, unsigned x) {
    v.push_back(x & 0xff);
    v.push_back((x >> 8) & 0xff);
}
void put32(std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back((x >> (8 * i)) & 0xff);
}

uint8_t quant(double v) {
    int q = int(std::floor(clamp01(v) * 255.0 + 0.5));
    return uint8_t(std::min(255, std::max(0, q)));
}

void putInfoHeader(std::vector<uint8_t>& f, int w, int h, int bpp,
                   uint32_t imageSize) {
    put32(f, 40);
    put32(f, uint32_t(w));
    put32(f, uint32_t(h));
    put16(f, 1);
    put16(f, bpp);
    put32(f, 0);  // BI_RGB
    put32(f, imageSize);
    put32(f, 0);
    put32(f, 0);
    put32(f, 0);
    put32(f, 0);
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& data) {
    FILE* fp = std::fopen(path.c_str(), "wb");
    if (!fp) {
        std::fprintf(stderr, "mkart: cannot write %s\n", path.c_str());
        return false;
    }
    bool ok = std::fwrite(data.data(), 1, data.size(), fp) == data.size();
    ok = (std::fclose(fp) == 0) && ok;
    if (!ok) std::fprintf(stderr, "mkart: write failed: %s\n", path.c_str());
    return ok;
}

// An 8-bit palette picture; the generator's colours are rounded to 24 bits first.
// Not dithered: the long, run-length encoded gradients stay small, and the tabs'
// corners, copied from the background, match it pixel for pixel.
bool writeBmp(const std::string& path, const Canvas& cv) {
    std::vector<Rgb> pixels;
    for (int y = 0; y < cv.h; ++y)
        for (int x = 0; x < cv.w; ++x) {
            const Col& p = cv.c[y * cv.w + x];
            pixels.push_back(Rgb(quant(p.r)) << 16 |
                             Rgb(quant(p.g)) << 8 | quant(p.b));
        }
    Bmp8Info info;
    std::vector<uint8_t> f = bmp8File(cv.w, cv.h, pixels, &info);
    std::printf("%s: %dx%d, %d colours (%s), %s, %zu bytes\n", path.c_str(), cv.w, cv.h,
                info.colours, info.exact ? "exact" : "quantised",
                info.rle ? "RLE8" : "uncompressed", f.size());
    if (!info.exact) std::printf("  mean colour error %.2f\n", info.meanError);
    return writeFile(path, f);
}

// One DIB per size: 32-bit BGRA (height doubled) followed by the 1-bit mask.
std::vector<uint8_t> iconDib(const Canvas& cv) {
    std::vector<uint8_t> d;
    int maskRow = ((cv.w + 31) / 32) * 4;
    uint32_t size = uint32_t(cv.w * cv.h * 4 + maskRow * cv.h);
    putInfoHeader(d, cv.w, cv.h * 2, 32, size);
    for (int y = cv.h - 1; y >= 0; --y)
        for (int x = 0; x < cv.w; ++x) {
            int i = y * cv.w + x;
            uint8_t al = quant(cv.a[i]);
            const Col& p = cv.c[i];
            // Fully transparent pixels are zeroed, as mask-only renderers expect.
            d.push_back(al ? quant(p.b) : 0);
            d.push_back(al ? quant(p.g) : 0);
            d.push_back(al ? quant(p.r) : 0);
            d.push_back(al);
        }
    for (int y = cv.h - 1; y >= 0; --y) {
        std::vector<uint8_t> row(maskRow, 0);
        for (int x = 0; x < cv.w; ++x)
            if (cv.a[y * cv.w + x] < 0.5) row[x / 8] |= uint8_t(0x80 >> (x % 8));
        d.insert(d.end(), row.begin(), row.end());
    }
    return d;
}

bool writeIco(const std::string& path, const std::vector<Canvas>& imgs) {
    std::vector<std::vector<uint8_t>> dibs;
    for (const Canvas& c : imgs) dibs.push_back(iconDib(c));
    std::vector<uint8_t> f;
    put16(f, 0);
    put16(f, 1);  // icon
    put16(f, unsigned(imgs.size()));
    uint32_t off = 6 + 16 * uint32_t(imgs.size());
    for (size_t i = 0; i < imgs.size(); ++i) {
        f.push_back(uint8_t(imgs[i].w));
        f.push_back(uint8_t(imgs[i].h));
        f.push_back(0);
        f.push_back(0);
        put16(f, 1);
        put16(f, 32);
        put32(f, uint32_t(dibs[i].size()));
        put32(f, off);
        off += uint32_t(dibs[i].size());
    }
    for (auto& d : dibs) f.insert(f.end(), d.begin(), d.end());
    return writeFile(path, f);
}

// ---- palette -------------------------------------------------------------

const Col kLogoTop = rgb(80, 152, 238);
const Col kLogoBottom = rgb(34, 76, 178);
const Col kInk = rgb(34, 50, 72);
const Col kTabBorder = rgb(128, 150, 178);

// ---- background ----------------------------------------------------------

Col gradientAt(double x, double y) {
    // Pale blue-grey at the top (so the white edit boxes stand out), easing to
    // near white towards the bottom right where the info text sits.
    Col top = rgb(224, 231, 241), bottom = rgb(247, 249, 252);
    double t = clamp01(y / 280.0 * 0.8 + x / 480.0 * 0.35);
    return mix(top, bottom, smooth(0, 1, t));
}

// Crest of wave layer k at column x.
double waveY(int k, double x) {
    double base = 186 + k * 14;
    return base + 8 * std::sin(x * 0.019 + k * 1.1) +
           5 * std::sin(x * 0.043 + 1.7 + k * 1.9);
}

// Waves fade out well before the information panel.
double waveEnvelope(double x) {
    return smooth(-60, 60, x) * (1 - smooth(180, 312, x));
}

Canvas makeBackground() {
    const int W = 480, H = 280;
    Canvas cv(W, H, rgb(255, 255, 255));
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            cv.c[y * W + x] = gradientAt(x + 0.5, y + 0.5);

    // Layered translucent waves in the lower-left/middle, away from text.
    const Col waveCol = rgb(98, 142, 204);
    for (int k = 0; k < 4; ++k) {
        double strength = 0.045 + 0.01 * k;
        fill(cv, [k](double x, double y) { return y >= waveY(k, x); },
             solid(waveCol),
             [strength](double x, double) { return strength * waveEnvelope(x); },
             4);
        // A thin light rim on each crest gives the layers some depth.
        fill(cv,
             [k](double x, double y) {
                 double c = waveY(k, x);
                 return y >= c && y < c + 1.2;
             },
             solid(rgb(255, 255, 255)),
             [](double x, double) { return 0.55 * waveEnvelope(x); }, 4);
    }

    // A faint card behind the information panel keeps its grey text crisp.
    fill(cv, rrect(312, 113, 472, 246, 6), solid(rgb(255, 255, 255)),
         [](double, double) { return 0.45; });
    fill(cv,
         [](double x, double y) {
             double d = rrectDist(x, y, 312, 113, 472, 246, 6);
             return d <= 0 && d > -1;
         },
         solid(rgb(196, 208, 224)), [](double, double) { return 0.6; });
    return cv;
}

// ---- progress fill -------------------------------------------------------

Canvas makeProgress() {
    const int W = 200, H = 25;
    Canvas cv(W, H, rgb(0, 0, 0));
    Col top = rgb(118, 184, 246), mid = rgb(62, 138, 224),
        bottom = rgb(40, 102, 190);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            double t = (y + 0.5) / H;
            cv.c[y * W + x] =
                t < 0.45 ? mix(top, mid, t / 0.45) : mix(mid, bottom, (t - 0.45) / 0.55);
        }
    // Diagonal stripes with a 20 px period, so 200 px tiles seamlessly.
    fill(cv,
         [](double x, double y) {
             double p = std::fmod(x + y + 400.0, 20.0);
             return p < 9;
         },
         solid(rgb(255, 255, 255)), [](double, double) { return 0.13; });
    // Soft gloss on the upper half, crisp edge lines top and bottom.
    fill(cv, [](double, double y) { return y < 11; }, solid(rgb(255, 255, 255)),
         [](double, double y) { return 0.22 * (1 - y / 11.0); });
    fill(cv, [](double, double y) { return y < 1; }, solid(rgb(255, 255, 255)),
         [](double, double) { return 0.35; });
    fill(cv, [](double, double y) { return y >= H - 1; }, solid(rgb(20, 60, 130)),
         [](double, double) { return 0.5; });
    return cv;
}

// ---- tabs ----------------------------------------------------------------

// 5x7 glyphs for the few letters the tabs need, one string per row.
const char* const* glyph(char ch) {
    static const char* const A[7] = {".###.", "#...#", "#...#", "#####",
                                     "#...#", "#...#", "#...#"};
    static const char* const b[7] = {"#....", "#....", "####.", "#...#",
                                     "#...#", "#...#", "####."};
    static const char* const o[7] = {".....", ".....", ".###.", "#...#",
                                     "#...#", "#...#", ".###."};
    static const char* const u[7] = {".....", ".....", "#...#", "#...#",
                                     "#...#", "#..##", ".##.#"};
    static const char* const t[7] = {".#...", ".#...", "###..", ".#...",
                                     ".#...", ".#..#", "..##."};
    switch (ch) {
        case 'A': return A;
        case 'b': return b;
        case 'o': return o;
        case 'u': return u;
        case 't': return t;
        default: return nullptr;
    }
}

// Tab body: rounded on the right only (the left runs off-window); the
// corners show the background exactly as the window paints it there.
Canvas makeTabBase(const Canvas& bg, int h, int clientY) {
    const int W = 20;
    Canvas cv(W, h, rgb(0, 0, 0));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < W; ++x)
            cv.c[y * W + x] = bg.c[(clientY + y) * bg.w + std::max(0, x - 2)];
    fill(cv, rrect(-6, 0, W, h, 4), solid(kTabBorder));
    Col l = rgb(206, 219, 237), r = rgb(229, 236, 246);
    fill(cv, rrect(-6, 1, W - 1, h - 1, 3),
         [l, r](double x, double) { return mix(l, r, clamp01((x - 2) / 16)); });
    return cv;
}

// Draws text in bold 5x7 pixels, rotated to read from bottom to top.
void drawVerticalText(Canvas& cv, const std::string& s, Col ink) {
    const int adv = 7;  // 5 px glyph + 1 px bold + 1 px gap
    int len = int(s.size()) * adv - 1;
    int yb = (cv.h + len) / 2 - 1;  // bottom-most row of the text
    int x0 = 7;                     // centres 7 rows in the visible 2..18
    for (size_t i = 0; i < s.size(); ++i) {
        const char* const* g = glyph(s[i]);
        if (!g) continue;
        for (int gy = 0; gy < 7; ++gy)
            for (int gx = 0; gx < 6; ++gx) {
                bool on = (gx < 5 && g[gy][gx] == '#') ||
                          (gx > 0 && g[gy][gx - 1] == '#');
                if (on) cv.blend(x0 + gy, yb - int(i) * adv - gx, ink, 1.0);
            }
    }
}

Canvas makeAboutTab(const Canvas& bg) {
    Canvas cv = makeTabBase(bg, 79, 120);
    drawVerticalText(cv, "About", kInk);
    return cv;
}

// Down arrow onto a baseline: reads as "put away" at any orientation.
Canvas makeMinimizeTab(const Canvas& bg) {
    Canvas cv = makeTabBase(bg, 40, 200);
    fill(cv, rrect(9, 10, 12, 20, 0), solid(kInk));
    fill(cv, tri(5.5, 18, 15.5, 18, 10.5, 23), solid(kInk));
    fill(cv, rrect(5, 26, 16, 28, 0), solid(kInk));
    return cv;
}

// ---- logo ----------------------------------------------------------------

// The logo is laid out on a 16-unit grid, with the arrow and bar snapped to
// whole pixels (symmetric about the centre) so small icons stay crisp.
// detail 1 adds sprocket holes down both sides: the tile becomes a film frame.
void drawLogo(Canvas& cv, double ox, double oy, double s, int detail) {
    const double u = s / 16.0, cx = ox + s / 2;
    auto snap = [u](double v) { return std::round(v * u); };
    const double r = 3.6 * u;
    Paint body = [=](double, double y) {
        return mix(kLogoTop, kLogoBottom, clamp01((y - oy) / s));
    };
    Inside tile = rrect(ox, oy, ox + s, oy + s, r);
    AlphaFn opaque = nullptr;

    fill(cv, tile, body);
    // Gentle sheen across the top third.
    fill(cv,
         [=](double x, double y) {
             double dx = (x - cx) / (12 * u), dy = (y - oy + 7 * u) / (13 * u);
             return dx * dx + dy * dy <= 1 && tile(x, y);
         },
         solid(rgb(255, 255, 255)), [](double, double) { return 0.12; });

    if (detail) {
        const double hw = std::max(1.0, snap(1)), hh = std::max(1.0, snap(1.2));
        const double pitch = snap(2.5), inset = snap(1);
        for (int side = 0; side < 2; ++side)
            for (int i = -2; i <= 2; ++i) {
                double hx = side ? ox + s - inset - hw : ox + inset;
                double hy = std::round(oy + s / 2 + i * pitch - hh / 2);
                fill(cv, rrect(hx, hy, hx + hw, hy + hh, 0.25 * u),
                     solid(rgb(255, 255, 255)),
                     [](double, double) { return 0.38; });
            }
    }

    const double shaftHw = std::max(1.0, snap(1.25)), headHw = snap(4.25);
    const double shaftTop = oy + snap(2.5), headBase = oy + snap(6.5);
    const double tip = headBase + headHw;  // 45 degree sides
    auto arrow = [&](double dy, Col c, const AlphaFn& af) {
        fill(cv, rrect(cx - shaftHw, shaftTop + dy, cx + shaftHw,
                       headBase + 0.5 + dy, 0.3 * u),
             solid(c), af);
        fill(cv, tri(cx - headHw, headBase + dy, cx + headHw, headBase + dy, cx,
                     tip + dy),
             solid(c), af);
    };
    const Col white = rgb(255, 255, 255);
    if (detail)  // soft drop shadow where there is room for one
        arrow(0.35 * u, rgb(10, 30, 80), [](double, double) { return 0.25; });
    arrow(0, white, opaque);

    const double barHw = snap(5), barTop = oy + snap(12), barBot = oy + snap(14);
    if (detail)
        fill(cv, rrect(cx - barHw, barTop + 0.35 * u, cx + barHw, barBot + 0.35 * u,
                       0.4 * u),
             solid(rgb(10, 30, 80)), [](double, double) { return 0.25; });
    fill(cv, rrect(cx - barHw, barTop, cx + barHw, barBot, 0.4 * u), solid(white));
}

Canvas makeIcon(int size) {
    Canvas cv(size, size, rgb(0, 0, 0), 0.0);
    // Small sizes use the whole square; larger ones keep a 1 px margin.
    double m = size >= 32 ? 1 : 0;
    drawLogo(cv, m, m, size - 2 * m, size >= 32 ? 1 : 0);
    return cv;
}

Canvas makeAbout() {
    const int S = 128;
    Canvas cv(S, S, rgb(0, 0, 0));
    for (int y = 0; y < S; ++y)
        for (int x = 0; x < S; ++x)
            cv.c[y * S + x] = mix(rgb(244, 247, 251), rgb(228, 235, 244),
                                  clamp01((x + y + 1.0) / (2.0 * S)));
    const double o = 14, s = 100;
    // Soft shadow under the tile.
    fill(cv, [](double, double) { return true; }, solid(rgb(20, 40, 80)),
         [=](double x, double y) {
             double d = rrectDist(x, y - 3, o + 1, o + 1, o + s - 1, o + s - 1,
                                  22.5);
             return 0.30 * (1 - smooth(-3, 7, d));
         },
         1);
    drawLogo(cv, o, o, s, 1);
    return cv;
}

}  // namespace

int main(int argc, char** argv) {
    std::string dir;
    if (argc > 1) {
        dir = argv[1];
    } else {
        std::string self = __FILE__;
        size_t slash = self.find_last_of("/\\");
        dir = slash == std::string::npos ? "." : self.substr(0, slash);
    }
    if (!dir.empty() && dir.back() != '/' && dir.back() != '\\') dir += '/';

    Canvas bg = makeBackground();
    bool ok = true;
    ok &= writeBmp(dir + "background.bmp", bg);
    ok &= writeBmp(dir + "progress.bmp", makeProgress());
    ok &= writeBmp(dir + "about_tab.bmp", makeAboutTab(bg));
    ok &= writeBmp(dir + "minimize_tab.bmp", makeMinimizeTab(bg));
    ok &= writeBmp(dir + "about.bmp", makeAbout());
    ok &= writeIco(dir + "app.ico",
                   {makeIcon(48), makeIcon(32), makeIcon(24), makeIcon(16)});
    return ok ? 0 : 1;
}
