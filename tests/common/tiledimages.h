#pragma once

// Small tiled pictures whose every tile has a colour of its own, so a test
// can tell from a pixel which tile it came from.

#include "zimage.h"

#include <QColor>
#include <QImage>
#include <QVector>

inline QColor bodyTileColor(int row, int column)
{
    return QColor((column * 37) % 256, (row * 53) % 256, 100 + (row + column) % 2 * 100);
}

inline QColor headerTileColor(int column)
{
    return QColor(250, (column * 37) % 256, 10);
}

// A picture with one header tile per width and rows rows of body tiles.
inline ZImage makeTiledImage(const QVector<int> &widths, int headerHeight, int rows, int rowHeight)
{
    QVector<QImage> header;
    QVector<QVector<QImage>> body(rows);
    for (int c = 0; c < widths.size(); ++c) {
        QImage tile(widths.at(c), headerHeight, QImage::Format_ARGB32_Premultiplied);
        tile.fill(headerTileColor(c));
        header.append(tile);
        for (int r = 0; r < rows; ++r) {
            QImage cell(widths.at(c), rowHeight, QImage::Format_ARGB32_Premultiplied);
            cell.fill(bodyTileColor(r, c));
            body[r].append(cell);
        }
    }
    return ZImage(header, body);
}
