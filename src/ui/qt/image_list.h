#pragma once
// A strip of equal cells drawn with one colour keyed out (magenta), like the image lists
// the skins and list views use.
#include <QImage>

class QPainter;

namespace vl {

constexpr QRgb kMaskColor = 0xFFFF00FF;  // magenta: transparent in every strip

// A resource bitmap by number (":/bitmaps/N"); a null image when there is none.
QImage LoadResourceBitmap(int id);

class ImageList {
public:
    ImageList(int cellWidth, int cellHeight) : cellWidth_(cellWidth), cellHeight_(cellHeight) {}

    // Adds the cells of `strip` cut from the left (cells that do not fit whole are dropped);
    // pixels of the mask colour become transparent. False when nothing was added.
    bool AddMasked(const QImage& strip, QRgb mask = kMaskColor);

    int GetImageCount() const { return count_; }
    int CellWidth() const { return cellWidth_; }
    int CellHeight() const { return cellHeight_; }

    // Draws cell `index` with its top-left at (x, y); nothing for an index it does not hold.
    void Draw(QPainter& painter, int index, int x, int y) const;
    // Cell `index` as an image (null for an index it does not hold).
    QImage Cell(int index) const;

private:
    int cellWidth_;
    int cellHeight_;
    int count_ = 0;
    QImage cells_;  // all cells side by side, premultiplied ARGB
};

}  // namespace vl
