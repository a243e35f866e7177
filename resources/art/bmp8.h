// 8-bit palette BMP files for mkart: a palette from the picture's own colours,
// run-length encoded (BI_RLE8) whenever that is smaller than plain 8-bit rows.
#pragma once

#include <cstdint>
#include <vector>

// One 24-bit colour as 0xRRGGBB.
using Rgb = uint32_t;

// What bmp8File chose, for mkart's summary line.
struct Bmp8Info {
    int colours;        // palette entries written
    bool exact;         // every colour of the picture is in the palette
    bool rle;           // BI_RLE8 rather than BI_RGB
    double meanError;   // mean distance of a pixel to its palette colour, 0..441
};

// The whole file for a w x h picture given top row first, w * h pixels.
std::vector<uint8_t> bmp8File(int w, int h, const std::vector<Rgb>& pixels,
                              Bmp8Info* info);
