#pragma once

#include <QImage>
#include <QVector>

class QWidget;

// A picture too large for one QImage, held as tiles: one row of header tiles
// (one per column) and a grid of body tiles (one row of tiles per table row).
// The views build it with renderWidget(); the print and snip dialogs read it
// back tile by tile. A plain value class: copies share the tiles.
//
// Not supported: tiles of different heights within a row, or rows with more
// tiles than there are header tiles (appendToRight keeps both in step when the
// two images are).
class ZImage
{
public:
    ZImage(QVector<QImage> headerParts = {}, QVector<QVector<QImage>> rows = {});

    // Out-of-range indexes give a null image (and assert in debug builds).
    const QImage &getHeaderPart(int i) const;
    const QImage &getPart(int row, int column) const;

    int rows() const;
    int columns() const;
    int rowHeight() const;
    int headerHeight() const;
    // The whole picture from (0, 0); empty without a header tile or a row.
    QRect rect() const;

    // Puts the other image's columns after this image's columns, row for row.
    // Rows of this image beyond the other's keep only their own tiles; rows of
    // the other beyond this image's have nothing to join and are left out.
    void appendToRight(const ZImage &other);

private:
    QVector<QImage> m_headerParts;
    QVector<QVector<QImage>> m_rows;
};

// Paints the widget band by band and cuts it into a grid of tiles: rowCount
// rows of tiles rowHeight pixels high, each row holding one tile per entry of
// widths (left to right from the widget's left edge). The first tile row
// starts yOffset pixels below the widget's top edge. No intermediate image is
// wider than 20000 pixels (unless a single column is) or higher than 19999.
// The caller sizes the widget to its whole content first: only what lies
// inside the widget is painted. A null widget, or a rowHeight outside
// 1 .. 19999, gives an empty grid. Tiles with the same pixels share them;
// their pixels are mapped apart from the heap and given back whole when the
// picture's last tile goes (TileMemory).
// Throws std::bad_alloc, before painting, when the room a chunk's tiles
// could take is not there (memoryroom::available), and after the paint that
// lost it when memory runs out in the widget's own paint code (caught there,
// see paintguard.h). Tells WorkProgress how many rows are done between
// chunks; asked to stop, returns at once with the grid partly filled.
QVector<QVector<QImage>> renderWidget(QWidget *widget, const QVector<int> &widths,
                                      int rowHeight, int rowCount, int yOffset);

// The former form of renderWidget, with the same arguments and result: it
// paints every band image before cutting any, so it holds the whole widget
// in memory at once. Kept for comparison; nothing calls it.
QVector<QVector<QImage>> renderWidget_old(QWidget *widget, const QVector<int> &widths,
                                          int rowHeight, int rowCount, int yOffset);

// The same for cellCount columns, each cellWidth pixels wide.
QVector<QVector<QImage>> renderWidget(QWidget *widget, int cellWidth, int cellCount,
                                      int rowHeight, int rowCount, int yOffset);
