#pragma once

#include <QBrush>
#include <QObject>
#include <QRect>
#include <QString>

class QPainter;

// End-point shapes of a Gantt bar, with the names layouts and pickers use.
enum ZItemShape {
    NoShape = 0,
    Circle = 1,
    Square = 2,
    Diamond = 3,
    SouthPenta = 4,
    NorthPenta = 5,
    WestPenta = 6,
    EastPenta = 7,
    NorthCone = 8,
    SouthCone = 9,
    EastCone = 10,
    WestCone = 11
};

// Draws end-point shapes and bar bodies. Stateless: every operation is
// static; the object exists only so that pickers can hold one.
class ZItemPainter : public QObject
{
    Q_OBJECT
public:
    explicit ZItemPainter(QObject *parent = nullptr);

    // The shape's name; anything outside 1..11 is "NoShape".
    static QString shapeToString(ZItemShape shape);
    // Exact, case-sensitive match of a name; anything else is NoShape.
    static ZItemShape stringToShape(const QString &name);

    // Draws the shape into rect with the painter's current pen (and, for the
    // circle, its current brush), size one-pixel rows or columns.
    static void drawShape(QPainter *painter, QRect rect, ZItemShape shape, int size);
    // Fills the rows top + offset .. top + offset + height - 1 of rect.
    static void drawInnerBar(QPainter *painter, QRect rect, QBrush brush, int height, int offset);
    // Fills a share (value <= 1) or a number of pixels (value > 1) of rect's
    // height, aligned to the top, bottom (AlignBottom) or centre (AlignCenter).
    static void drawFullBar(QPainter *painter, QRect rect, QBrush brush, Qt::Alignment alignment,
                            double value);
};

// The chart's shape drawing by name; a name that is no shape draws nothing.
void drawShape(QPainter *painter, QRect rect, const QString &name, int size);
