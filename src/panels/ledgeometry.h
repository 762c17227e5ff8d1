#pragma once
#include <cstdint>
#include <vector>

#include <QString>

namespace panels {

enum TLEDAlignment { laLeft = 0, laRight = 1, laCenter = 2 };

// Dot grid of an LED display of W × H pixels, recomputed at every paint.
struct TLEDGeometry {
    int DotSize = 1;  // side of a dot's pitch part, H / 7.6, at least 1
    int DotGap = 0;   // DotSize / 10
    int Pitch = 1;    // DotSize + DotGap
    int CellW = 6;    // six columns, the last one always dark
    int CellH = 7;
    int Y0 = 0;          // top of every cell: the cells are centred vertically
    bool Drawn = false;  // false for H <= 7 or W <= 0: only the background shows
};

TLEDGeometry LEDGeometry(int w, int h);

// One character cell: its left edge and the glyph drawn there.
struct TLEDCell {
    int X = 0;
    uint8_t Code = 32;
};

// Every cell in paint order: first blank cells across the whole width on the grid of the text,
// then one cell per character of the caption (Latin-1 as is, anything else the block). Cells
// partly outside the picture are listed; the painter clips them.
std::vector<TLEDCell> LEDCells(const QString& caption, TLEDAlignment alignment, int w, int h);

}  // namespace panels
