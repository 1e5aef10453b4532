#pragma once

#include <QBrush>
#include <QGraphicsScene>
#include <QSizeF>
#include <QVector>

class QGraphicsItem;
class QGraphicsRectItem;
class QPrinter;
class ZImage;
class ZImageTileItem;

// Lays a tiled picture (table and chart side by side) out on pages of a
// given size in a grid, for the preview and for printing. Scene units are
// 4.33333 per millimetre, with a 5 mm margin. A row of tiles that does not
// fit on a page row moves to the next one, a tile that does not fit on a page
// column to the next column; with header repetition each page row starts
// with the header strip. One item per body tile is made once and moved by
// every layout; headers and pages are laid out anew, page numbers rebuilt.
//
// Header and page items a layout no longer needs are hidden and kept for the
// next one: taking an item out of a scene of a picture's many tiles costs a
// search through all of them, so deleting thousands would take longer than
// the layout itself.
//
// Keeps a reference to the caller's image, which must outlive the scene.
class ZPrintPreviewScene : public QGraphicsScene
{
    Q_OBJECT
public:
    static constexpr double UNITS_PER_MM = 4.33333;

    explicit ZPrintPreviewScene(const ZImage &image, QObject *parent = nullptr);
    ~ZPrintPreviewScene() override;

    void createItems();
    // Page size in millimetres; does not lay the pages out again.
    void setPageSize(const QSize &millimetres);
    QSizeF pageSize() const { return m_pageSize; }
    void setScale(float scale);
    float scale() const { return m_scale; }
    bool repeatTableHeaders() const { return m_repeatTableHeaders; }
    bool printPageNumbers() const { return m_printPageNumbers; }

    void drawContent();
    // Whether the last layout placed every row: one that memory running out
    // or a stop ended early leaves a scene that is never printed.
    bool laidOut() const { return m_laidOut; }
    // The page at that place, made (or taken from the spares) when missing;
    // null for a negative place.
    QGraphicsRectItem *getPage(int pageRow, int pageColumn);
    void addOrRemovePageNumbers();
    // Prints each page on a sheet of its own, page rows in order, each from
    // left to right. Returns the sheets handed to the printer: all of them
    // unless WorkProgress stopped it between two; -1 when the printer failed
    // (not started, a sheet refused, its end).
    // Memory running out in the scene's own work before the first sheet
    // throws std::bad_alloc. Tells WorkProgress the pages printed.
    int print(QPrinter &printer);
    // Bytes print() takes beyond the pictures, which it shares.
    qint64 printRoom() const;
    // Take every header item, or every page (with its number), out of the
    // layout and empty the list.
    void clearHeader();
    void clearPages();
    int getPageRow(int y) const;
    int getPageColumn(int x) const;

    // The pages in printing order.
    QList<QGraphicsRectItem *> pages() const;
    int headerRowCount() const;
    // The item of the body tile at (row, column); null out of range.
    QGraphicsItem *cell(int row, int column) const;

public slots:
    void setRepeatTableHeaders(bool repeat);
    void setPrintPageNumbers(bool print);

private:
    ZImageTileItem *takeHeaderItem(int column);
    // The bounding rectangle of the tiles and of the shown headers and pages.
    QRectF contentRect() const;

    const ZImage &m_image;
    QSizeF m_pageSize{-1, -1};
    double m_marginX;
    double m_marginY;
    float m_scale = 1.0f;
    QVector<QVector<QGraphicsRectItem *>> m_pages; // Owned by the scene.
    QVector<QVector<ZImageTileItem *>> m_cells; // Owned by the scene.
    QVector<QVector<ZImageTileItem *>> m_headers; // Owned by the scene.
    // Hidden items out of the layout, kept for the next one (owned by the
    // scene): header items by column, and pages.
    QVector<QVector<ZImageTileItem *>> m_spareHeaders;
    QVector<QGraphicsRectItem *> m_sparePages;
    QBrush m_pageBrush{Qt::white, Qt::SolidPattern};
    bool m_repeatTableHeaders = true;
    bool m_printPageNumbers = false;
    bool m_laidOut = false;
};
