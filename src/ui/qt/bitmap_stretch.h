#pragma once
// Resizing a bitmap made of a grid of cells, cell by cell, so that cells never bleed into
// each other (skin strips, slider thumb).
#include <QImage>

namespace vl {

// Scales every cell of the `columns` x `rows` grid in `bitmap` to width x height (a size of 0
// is derived from the other one, keeping the cell's aspect). False, bitmap unchanged, for a
// null bitmap, both sizes 0 or no columns or rows. Nearest-pixel scaling keeps key colours
// exact.
bool StretchBitmap(QImage& bitmap, int width, int height, int columns, int rows);

// The screen scaling of a length in base pixels (96 dpi): sign(n) * ((|n| * dpi + 48) / 96).
int ScalePixels(int n, int dpi);

}  // namespace vl
