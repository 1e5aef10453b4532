#pragma once

#include <QGraphicsItem>
#include <QImage>

// A scene item that draws one tile of a ZImage as it is. It shares the tile's
// pixels instead of copying them into a pixmap (a pixmap made from a small
// image copies it, which would double the memory of a large chart).
class ZImageTileItem : public QGraphicsItem
{
public:
    enum { Type = UserType + 101 };

    explicit ZImageTileItem(const QImage &image, QGraphicsItem *parent = nullptr);

    const QImage &image() const { return m_image; }

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;
    int type() const override { return Type; }

private:
    QImage m_image;
};
