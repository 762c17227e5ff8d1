#include "panels/ledgeometry.h"

#include <algorithm>

#include "panels/ledfont.h"

namespace panels {

TLEDGeometry LEDGeometry(int w, int h)
{
    TLEDGeometry g;
    g.DotSize = std::max(1, int(h / 7.6));
    g.DotGap = int(g.DotSize * 0.1);
    g.Pitch = g.DotSize + g.DotGap;
    g.CellW = 6 * g.Pitch;
    g.CellH = 7 * g.DotSize + 6 * g.DotGap;
    g.Y0 = (h - g.CellH) / 2;
    g.Drawn = h > 7 && w > 0;
    return g;
}

std::vector<TLEDCell> LEDCells(const QString& caption, TLEDAlignment alignment, int w, int h)
{
    std::vector<TLEDCell> cells;
    const TLEDGeometry g = LEDGeometry(w, h);
    if (!g.Drawn)
        return cells;
    const int cw = g.CellW;
    const int n = int(caption.size());
    // Blank cells on the grid of the text, so the dark dots line up with the lit ones.
    switch (alignment) {
    case laLeft:
        for (int x = 0; x < w; x += cw)
            cells.push_back({x, 32});
        break;
    case laCenter:
        // Truncating division and a remainder with the dividend's sign, as C++ does them.
        for (int x = ((w - n * cw) / 2) % cw - cw; x < w; x += cw)
            cells.push_back({x, 32});
        break;
    case laRight:
        for (int x = w - cw; x > -cw; x -= cw)
            cells.push_back({x, 32});
        break;
    }
    switch (alignment) {
    case laLeft:
        for (int i = 0; i < n; ++i)
            cells.push_back({i * cw, LEDGlyphCode(caption[i].unicode())});
        break;
    case laCenter: {
        const int x0 = (w - n * cw) / 2;
        for (int i = 0; i < n; ++i)
            cells.push_back({x0 + i * cw, LEDGlyphCode(caption[i].unicode())});
        break;
    }
    case laRight:
        for (int i = n - 1, x = w - cw; i >= 0; --i, x -= cw)
            cells.push_back({x, LEDGlyphCode(caption[i].unicode())});
        break;
    }
    return cells;
}

}  // namespace panels
