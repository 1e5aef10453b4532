#pragma once

#include <QGraphicsItem>

class ZImage;

// A scene item that draws one column of a ZImage: its header tile and the
// body tiles below it, each as it is, from the picture's own tiles. One
// item a column rather than one a tile: an item takes some 500 bytes of
// the heap, which for the millions of tiles of a large chart would hold
// gigabytes of address space that the heap keeps after the scene has gone.
// Only the tiles in the exposed part are drawn.
class ZImageColumnItem : public QGraphicsItem
{
public:
    enum { Type = UserType + 102 };

    // Column column of the picture, its rows 0 to rows - 1, cut to the
    // pixels [left, left + width) of the column. The picture must outlive
    // the item.
    ZImageColumnItem(const ZImage &image, int column, int rows, int left, int width,
                     QGraphicsItem *parent = nullptr);

    int column() const { return m_column; }
    int rows() const { return m_rows; }

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;
    int type() const override { return Type; }

private:
    const ZImage &m_image;
    int m_column;
    int m_rows;
    int m_left;
    int m_width;
    int m_headerHeight;
    int m_rowHeight;
};
