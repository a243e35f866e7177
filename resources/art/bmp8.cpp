// 8-bit palette BMP files for mkart: exact palettes for pictures of at most 256
// colours, median cut refined by a few k-means passes for the rest; BI_RLE8 when smaller.

#include "bmp8.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace {

const int kMaxColours = 256;
const int kRefinePasses = 8;

int red(Rgb c) { return int(c >> 16) & 0xff; }
int green(Rgb c) { return int(c >> 8) & 0xff; }
int blue(Rgb c) { return int(c) & 0xff; }
int channel(Rgb c, int k) { return k == 0 ? red(c) : (k == 1 ? green(c) : blue(c)); }

// Green counts most and blue least, roughly as the eye weighs them.
long distance2(Rgb a, Rgb b) {
    long dr = red(a) - red(b), dg = green(a) - green(b), db = blue(a) - blue(b);
    return 3 * dr * dr + 4 * dg * dg + 2 * db * db;
}

struct Weighted {
    Rgb colour;
    uint32_t count;
};

// A box of the median cut: a range of the colour list.
struct Box {
    size_t begin, end;
};

// Spread of one channel in a box: the count-weighted sum of squared deviations.
double channelSpread(const std::vector<Weighted>& cs, const Box& b, int k) {
    double n = 0, sum = 0, sum2 = 0;
    for (size_t i = b.begin; i < b.end; ++i) {
        double v = channel(cs[i].colour, k);
        n += cs[i].count;
        sum += v * cs[i].count;
        sum2 += v * v * cs[i].count;
    }
    return n > 0 ? sum2 - sum * sum / n : 0;
}

Rgb meanColour(const std::vector<Weighted>& cs, size_t begin, size_t end) {
    double n = 0, r = 0, g = 0, b = 0;
    for (size_t i = begin; i < end; ++i) {
        n += cs[i].count;
        r += red(cs[i].colour) * double(cs[i].count);
        g += green(cs[i].colour) * double(cs[i].count);
        b += blue(cs[i].colour) * double(cs[i].count);
    }
    auto q = [n](double v) { return Rgb(std::lround(v / n)); };
    return q(r) << 16 | q(g) << 8 | q(b);
}

// Splits the box with the largest spread along that channel at its weighted median,
// until there are enough boxes or none can be split.
std::vector<Rgb> medianCut(std::vector<Weighted> cs) {
    std::vector<Box> boxes{{0, cs.size()}};
    while (int(boxes.size()) < kMaxColours) {
        double best = 0;
        size_t bestBox = 0;
        int bestChannel = 0;
        for (size_t i = 0; i < boxes.size(); ++i)
            for (int k = 0; k < 3; ++k) {
                if (boxes[i].end - boxes[i].begin < 2) continue;
                double s = channelSpread(cs, boxes[i], k);
                if (s > best) best = s, bestBox = i, bestChannel = k;
            }
        if (best <= 0) break;
        Box b = boxes[bestBox];
        int k = bestChannel;
        std::stable_sort(cs.begin() + long(b.begin), cs.begin() + long(b.end),
                         [k](const Weighted& x, const Weighted& y) {
                             return channel(x.colour, k) < channel(y.colour, k);
                         });
        uint64_t total = 0, seen = 0;
        for (size_t i = b.begin; i < b.end; ++i) total += cs[i].count;
        size_t cut = b.begin + 1;
        for (size_t i = b.begin; i + 1 < b.end; ++i) {
            seen += cs[i].count;
            cut = i + 1;
            if (2 * seen >= total) break;
        }
        boxes[bestBox] = {b.begin, cut};
        boxes.push_back({cut, b.end});
    }
    std::vector<Rgb> palette;
    for (const Box& b : boxes) palette.push_back(meanColour(cs, b.begin, b.end));
    return palette;
}

int nearest(const std::vector<Rgb>& palette, Rgb c) {
    int best = 0;
    long bestD = distance2(palette[0], c);
    for (size_t i = 1; i < palette.size() && bestD > 0; ++i) {
        long d = distance2(palette[i], c);
        if (d < bestD) bestD = d, best = int(i);
    }
    return best;
}

// Moves each palette colour to the mean of the colours nearest to it.
void refine(std::vector<Rgb>& palette, const std::vector<Weighted>& cs) {
    for (int pass = 0; pass < kRefinePasses; ++pass) {
        std::vector<double> n(palette.size()), r(n), g(n), b(n);
        for (const Weighted& w : cs) {
            int i = nearest(palette, w.colour);
            n[i] += w.count;
            r[i] += red(w.colour) * double(w.count);
            g[i] += green(w.colour) * double(w.count);
            b[i] += blue(w.colour) * double(w.count);
        }
        for (size_t i = 0; i < palette.size(); ++i)
            if (n[i] > 0)
                palette[i] = Rgb(std::lround(r[i] / n[i])) << 16 |
                             Rgb(std::lround(g[i] / n[i])) << 8 | Rgb(std::lround(b[i] / n[i]));
    }
}

std::vector<Rgb> makePalette(const std::vector<Rgb>& pixels, bool* exact) {
    std::map<Rgb, uint32_t> histogram;
    for (Rgb p : pixels) ++histogram[p];
    std::vector<Weighted> cs;
    for (const auto& e : histogram) cs.push_back({e.first, e.second});
    *exact = cs.size() <= size_t(kMaxColours);
    std::vector<Rgb> palette;
    if (*exact) {
        for (const Weighted& w : cs) palette.push_back(w.colour);
        return palette;
    }
    palette = medianCut(cs);
    refine(palette, cs);
    std::sort(palette.begin(), palette.end());
    palette.erase(std::unique(palette.begin(), palette.end()), palette.end());
    return palette;
}

// BI_RLE8 rows, bottom row first: runs as (count, index), stretches of three or more
// differing pixels in absolute mode (0, n, indices, padded to a whole word), each row
// ended by (0, 0) and the picture by (0, 1).
std::vector<uint8_t> encodeRle8(int w, int h, const std::vector<uint8_t>& index) {
    std::vector<uint8_t> out;
    for (int y = h - 1; y >= 0; --y) {
        const uint8_t* row = &index[size_t(y) * size_t(w)];
        int i = 0;
        while (i < w) {
            int run = 1;
            while (i + run < w && run < 255 && row[i + run] == row[i]) ++run;
            if (run >= 2) {
                out.push_back(uint8_t(run));
                out.push_back(row[i]);
                i += run;
                continue;
            }
            int j = i;
            while (j < w && j - i < 255) {
                int r = 1;
                while (j + r < w && r < 3 && row[j + r] == row[j]) ++r;
                if (r >= 3) break;
                ++j;
            }
            int n = j - i;
            if (n < 3) {
                for (int k = i; k < j; ++k) {
                    out.push_back(1);
                    out.push_back(row[k]);
                }
            } else {
                out.push_back(0);
                out.push_back(uint8_t(n));
                out.insert(out.end(), row + i, row + j);
                if (n & 1) out.push_back(0);
            }
            i = j;
        }
        out.push_back(0);
        out.push_back(0);
    }
    out.push_back(0);
    out.push_back(1);
    return out;
}

// Plain 8-bit rows, bottom row first, each padded to a multiple of 4 bytes.
std::vector<uint8_t> encodeRows(int w, int h, const std::vector<uint8_t>& index) {
    std::vector<uint8_t> out;
    int stride = (w + 3) & ~3;
    for (int y = h - 1; y >= 0; --y) {
        const uint8_t* row = &index[size_t(y) * size_t(w)];
        out.insert(out.end(), row, row + w);
        out.insert(out.end(), size_t(stride - w), 0);
    }
    return out;
}

void put16(std::vector<uint8_t>& v, unsigned x) {
    v.push_back(x & 0xff);
    v.push_back((x >> 8) & 0xff);
}
void put32(std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back((x >> (8 * i)) & 0xff);
}

}  // namespace

std::vector<uint8_t> bmp8File(int w, int h, const std::vector<Rgb>& pixels,
                              Bmp8Info* info) {
    bool exact = false;
    std::vector<Rgb> palette = makePalette(pixels, &exact);
    std::vector<uint8_t> index(pixels.size());
    std::map<Rgb, uint8_t> chosen;
    double error = 0;
    for (size_t i = 0; i < pixels.size(); ++i) {
        auto found = chosen.find(pixels[i]);
        if (found == chosen.end())
            found = chosen.emplace(pixels[i], uint8_t(nearest(palette, pixels[i]))).first;
        index[i] = found->second;
        Rgb p = palette[found->second], q = pixels[i];
        double dr = red(p) - red(q), dg = green(p) - green(q), db = blue(p) - blue(q);
        error += std::sqrt(dr * dr + dg * dg + db * db);
    }
    std::vector<uint8_t> rle = encodeRle8(w, h, index);
    std::vector<uint8_t> rows = encodeRows(w, h, index);
    bool useRle = rle.size() < rows.size();
    const std::vector<uint8_t>& bits = useRle ? rle : rows;

    uint32_t offBits = 14 + 40 + 4 * uint32_t(palette.size());
    std::vector<uint8_t> f;
    f.push_back('B');
    f.push_back('M');
    put32(f, offBits + uint32_t(bits.size()));
    put32(f, 0);
    put32(f, offBits);
    put32(f, 40);
    put32(f, uint32_t(w));
    put32(f, uint32_t(h));
    put16(f, 1);
    put16(f, 8);
    put32(f, useRle ? 1 : 0);  // BI_RLE8 or BI_RGB
    put32(f, uint32_t(bits.size()));
    put32(f, 0);
    put32(f, 0);
    put32(f, uint32_t(palette.size()));  // biClrUsed: only the entries written
    put32(f, 0);
    for (Rgb c : palette) {  // RGBQUAD: blue, green, red, reserved
        f.push_back(uint8_t(blue(c)));
        f.push_back(uint8_t(green(c)));
        f.push_back(uint8_t(red(c)));
        f.push_back(0);
    }
    f.insert(f.end(), bits.begin(), bits.end());
    if (info) *info = {int(palette.size()), exact, useRle, error / double(pixels.size())};
    return f;
}
