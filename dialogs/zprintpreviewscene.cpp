#include "zprintpreviewscene.h"

#include "dialogslogging.h"
#include "parallel.h"
#include "workprogress.h"
#include "zimage.h"
#include "zimagetileitem.h"

#include <QGraphicsRectItem>
#include <QGraphicsSimpleTextItem>
#include <QGuiApplication>
#include <QHash>
#include <QPainter>
#include <QPrinter>
#include <QScopeGuard>
#include <QStyleOptionGraphicsItem>

#include <algorithm>
#include <cstring>

namespace {

// One picture per distinct tile content. A table repeats cells (types,
// dates, empty floats) and a chart repeats empty cells: tiles that share
// their pixels print as one stored picture, which a lossless page needs to
// stay small and fast.
class SharedTiles
{
public:
    static uint hashOf(const QImage &tile)
    {
        return qHashBits(tile.constBits(), size_t(tile.sizeInBytes()), uint(tile.width()));
    }

    QImage shared(const QImage &tile, uint hash)
    {
        if (tile.isNull())
            return tile;
        QVector<QImage> &same = m_tiles[hash];
        for (const QImage &known : qAsConst(same)) {
            if (known.size() == tile.size() && known.format() == tile.format()
                && known.bytesPerLine() == tile.bytesPerLine()
                && std::memcmp(known.constBits(), tile.constBits(), size_t(tile.sizeInBytes())) == 0)
                return known;
        }
        same.append(tile);
        return tile;
    }

private:
    QHash<uint, QVector<QImage>> m_tiles;
};

// What of a tile goes to paper: its background colour (the pixel at its
// top right) as a plain fill, and the pieces that differ from it as
// pictures, one per word or mark (ink apart from other ink by a few
// background columns). A lossless picture costs by the pixel: most of a
// cell is background, a blank cell is no picture at all, and the same word
// in many cells (a type, a date, a repeated name) is stored once.
struct InkPiece
{
    QRect rect;   // in tile pixels
    QImage image; // the piece, sharing the tile's pixels
    uint hash = 0;
};

struct TileInk
{
    QRgb background = 0;
    QVector<InkPiece> pieces;
};

// Background columns that part two pieces: the gap between two words, not
// between two letters (pieces cost a drawing each).
const int kPieceGap = 5;

InkPiece pieceOf(const QImage &tile, const QRect &rect)
{
    InkPiece piece;
    piece.rect = rect;
    // A view on the tile's own pixels: no copy.
    piece.image = QImage(tile.constScanLine(rect.top()) + rect.left() * 4, rect.width(), rect.height(),
                         tile.bytesPerLine(), tile.format());
    uint hash = uint(rect.width()) * 31u + uint(rect.height());
    for (int y = 0; y < rect.height(); ++y)
        hash = qHashBits(piece.image.constScanLine(y), size_t(rect.width()) * 4, hash);
    piece.hash = hash;
    return piece;
}

bool samePixels(const QImage &a, const QImage &b)
{
    if (a.size() != b.size() || a.format() != b.format())
        return false;
    const size_t bytes = size_t(a.width()) * 4;
    for (int y = 0; y < a.height(); ++y) {
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), bytes) != 0)
            return false;
    }
    return true;
}

TileInk inkOf(const QImage &tile)
{
    TileInk ink;
    if (tile.isNull() || tile.depth() != 32)
        return ink;
    const int width = tile.width();
    const int height = tile.height();
    ink.background = tile.pixel(width - 1, 0);
    // Rows and columns that hold ink.
    QVector<bool> inkedColumn(width, false);
    int top = -1;
    int bottom = -1;
    for (int y = 0; y < height; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(tile.constScanLine(y));
        bool inked = false;
        for (int x = 0; x < width; ++x) {
            if (line[x] != ink.background) {
                inkedColumn[x] = true;
                inked = true;
            }
        }
        if (inked) {
            if (top < 0)
                top = y;
            bottom = y;
        }
    }
    if (top < 0)
        return ink;
    int x = 0;
    while (x < width) {
        while (x < width && !inkedColumn.at(x))
            ++x;
        if (x == width)
            break;
        int end = x; // one past the piece's last inked column
        int blank = 0;
        for (int c = x; c < width && blank < kPieceGap; ++c) {
            if (inkedColumn.at(c)) {
                end = c + 1;
                blank = 0;
            } else {
                ++blank;
            }
        }
        // The piece's own rows.
        int pieceTop = bottom;
        int pieceBottom = top;
        for (int y = top; y <= bottom; ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(tile.constScanLine(y));
            for (int c = x; c < end; ++c) {
                if (line[c] != ink.background) {
                    pieceTop = qMin(pieceTop, y);
                    pieceBottom = qMax(pieceBottom, y);
                    break;
                }
            }
        }
        ink.pieces.append(pieceOf(tile, QRect(QPoint(x, pieceTop), QPoint(end - 1, pieceBottom))));
        x = end;
    }
    return ink;
}

// Depth of the preview's item index, fixed: Qt derives it from the number
// of items and splits the scene across as often as down, so a preview that
// grows downwards with the rows gets leaves ever narrower than a tile, each
// tile in more of them, and building the index grows faster than the rows.
// 64 x 64 leaves keep a tile in a few, and what a screenful of the preview
// asks for within a few leaves.
const int kIndexDepth = 12;

// Qt gives an item its transform's data (some 150 bytes) at the first
// setScale, even to 1: a tile at the scale it has keeps without it.
void setItemScale(QGraphicsItem *item, qreal scale)
{
    if (item->scale() != scale)
        item->setScale(scale);
}

} // namespace

ZPrintPreviewScene::ZPrintPreviewScene(const ZImage &image, QObject *parent)
    : QGraphicsScene(parent)
    , m_image(image)
    , m_marginX(5 * UNITS_PER_MM)
    , m_marginY(5 * UNITS_PER_MM)
{
    // A rectangle of its own from the start: without one, a progress shown
    // while the items are made lets the scene measure all of them at each
    // change it handles.
    setSceneRect(QRectF(0, 0, 1, 1));
    createItems();
    // Given now, the preview does not ask every tile for its bounds.
    setSceneRect(contentRect());
}

ZPrintPreviewScene::~ZPrintPreviewScene() = default;

void ZPrintPreviewScene::createItems()
{
    const int rows = m_image.rows();
    const int columns = m_image.columns();
    // Tiles alike are found by their pixels, hashed side by side; tiles
    // that share their pixels already (as the views' pictures make them)
    // are hashed once.
    QVector<int> distinctOf(rows * columns);
    QVector<QImage> distinct;
    {
        QHash<qint64, int> byKey;
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < columns; ++c) {
                const QImage &tile = m_image.getPart(r, c);
                const auto found = byKey.constFind(tile.cacheKey());
                if (found != byKey.constEnd()) {
                    distinctOf[r * columns + c] = *found;
                } else {
                    distinctOf[r * columns + c] = distinct.size();
                    byKey.insert(tile.cacheKey(), distinct.size());
                    distinct.append(tile);
                }
            }
        }
    }
    QVector<uint> hashes(distinct.size());
    parallelFor(distinct.size(), [&distinct, &hashes](int i) { hashes[i] = SharedTiles::hashOf(distinct.at(i)); });
    SharedTiles tiles;
    for (int i = 0; i < distinct.size(); ++i)
        distinct[i] = tiles.shared(distinct.at(i), hashes.at(i));
    m_cells.reserve(rows);
    for (int r = 0; r < rows && WorkProgress::advance(r, rows); ++r) {
        update(); // as in drawContent()
        QVector<ZImageTileItem *> row;
        row.reserve(columns);
        for (int c = 0; c < columns; ++c) {
            auto *item = new ZImageTileItem(distinct.at(distinctOf.at(r * columns + c)));
            item->setZValue(1.0);
            addItem(item);
            row.append(item);
        }
        m_cells.append(row);
    }
}

void ZPrintPreviewScene::setPageSize(const QSize &millimetres)
{
    m_pageSize = QSizeF(qRound(millimetres.width() * UNITS_PER_MM),
                        qRound(millimetres.height() * UNITS_PER_MM));
}

void ZPrintPreviewScene::setScale(float scale)
{
    m_scale = scale;
    drawContent();
}

void ZPrintPreviewScene::setRepeatTableHeaders(bool repeat)
{
    m_repeatTableHeaders = repeat;
    drawContent();
}

void ZPrintPreviewScene::setPrintPageNumbers(bool print)
{
    m_printPageNumbers = print;
    addOrRemovePageNumbers();
    update();
}

int ZPrintPreviewScene::getPageRow(int y) const
{
    return int((2 * m_marginY + y) / m_pageSize.height());
}

int ZPrintPreviewScene::getPageColumn(int x) const
{
    return int((2 * m_marginX + x) / m_pageSize.width());
}

void ZPrintPreviewScene::clearHeader()
{
    // A header row holds one item per column, left to right.
    for (const QVector<ZImageTileItem *> &row : qAsConst(m_headers)) {
        if (m_spareHeaders.size() < row.size())
            m_spareHeaders.resize(row.size());
        for (int c = 0; c < row.size(); ++c) {
            row.at(c)->hide();
            m_spareHeaders[c].append(row.at(c));
        }
    }
    m_headers.clear();
}

void ZPrintPreviewScene::clearPages()
{
    for (const QVector<QGraphicsRectItem *> &row : qAsConst(m_pages)) {
        for (QGraphicsRectItem *page : row) {
            if (!page)
                continue;
            qDeleteAll(page->childItems()); // its number
            page->hide();
            m_sparePages.append(page);
        }
    }
    m_pages.clear();
}

ZImageTileItem *ZPrintPreviewScene::takeHeaderItem(int column)
{
    if (column < m_spareHeaders.size() && !m_spareHeaders.at(column).isEmpty()) {
        ZImageTileItem *item = m_spareHeaders[column].takeLast();
        item->show();
        return item;
    }
    auto *item = new ZImageTileItem(m_image.getHeaderPart(column));
    item->setZValue(1.0);
    addItem(item);
    return item;
}

QGraphicsRectItem *ZPrintPreviewScene::getPage(int pageRow, int pageColumn)
{
    if (pageRow < 0 || pageColumn < 0)
        return nullptr;
    if (m_pages.size() <= pageRow)
        m_pages.resize(pageRow + 1);
    QVector<QGraphicsRectItem *> &row = m_pages[pageRow];
    if (row.size() <= pageColumn)
        row.resize(pageColumn + 1);
    if (!row.at(pageColumn)) {
        const QRectF rect(int(m_pageSize.width() * pageColumn), int(m_pageSize.height() * pageRow),
                          int(m_pageSize.width()), int(m_pageSize.height()));
        QGraphicsRectItem *page = nullptr;
        if (!m_sparePages.isEmpty()) {
            page = m_sparePages.takeLast();
            page->setRect(rect);
            page->show();
        } else {
            page = addRect(rect, QPen(), m_pageBrush);
            page->setZValue(0);
        }
        row[pageColumn] = page;
    }
    return row.at(pageColumn);
}

void ZPrintPreviewScene::drawContent()
{
    // Seconds for a picture of many thousand rows.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restoreCursor = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
    const bool blocked = blockSignals(true);
    // A move of an item that the index holds searches the leaves it lies
    // in, for every tile. A change of the index's depth drops the index:
    // the layout moves the tiles unindexed, and the index is built once
    // after it. Switching the index off and on instead would sort every
    // item by its stacking order, twice a layout.
    m_laidOut = false;
    setBspTreeDepth(kIndexDepth + 1);
    clearHeader();
    clearPages();

    const int rowHeight = int(float(m_image.rowHeight()) * m_scale);
    const int headerHeight = int(float(m_image.headerHeight()) * m_scale);
    const int columns = m_cells.isEmpty() ? 0 : m_cells.first().size();
    const bool laidOut = columns > 0 && m_pageSize.width() > 0 && m_pageSize.height() > 0;

    int y = 0;
    int previousPageRow = -1;
    int previousPageColumn = -1;
    int r = 0;
    for (; laidOut && r < m_cells.size() && WorkProgress::advance(r, m_cells.size()); ++r) {
        // While the whole scene is to be drawn again, a moved item is not
        // marked on its own; a progress shown meanwhile lets the scene
        // handle that, after which every move would mark its item.
        update();
        const int pageRow = getPageRow(y + rowHeight);
        const bool header = pageRow != previousPageRow && (pageRow == 0 || m_repeatTableHeaders);
        const QVector<ZImageTileItem *> &cells = m_cells.at(r);
        int x = 0;
        for (int c = 0; c < qMin(columns, cells.size()); ++c) {
            ZImageTileItem *cell = cells.at(c);
            const int w = int(float(cell->image().width()) * m_scale);
            const int pageColumn = getPageColumn(x + w);
            const bool newColumn = pageColumn != previousPageColumn || (c == 0 && r != 0);
            if (pageRow != previousPageRow || newColumn) {
                const QRectF page = getPage(pageRow, pageColumn)->rect();
                if (newColumn) {
                    x = int(page.x() + m_marginX);
                    previousPageColumn = pageColumn;
                }
                if (pageRow != previousPageRow)
                    y = int(page.y() + m_marginY);
            }
            if (header) {
                ZImageTileItem *item = takeHeaderItem(c);
                setItemScale(item, m_scale);
                item->setPos(x, y);
                if (m_headers.size() <= pageRow)
                    m_headers.resize(pageRow + 1);
                m_headers[pageRow].append(item);
            }
            setItemScale(cell, m_scale);
            cell->setPos(x, header ? y + headerHeight : y);
            x += w;
            previousPageRow = pageRow;
        }
        y += rowHeight + (header ? headerHeight : 0);
    }
    m_laidOut = laidOut && r == m_cells.size();

    blockSignals(blocked);
    setSceneRect(contentRect());
    if (m_printPageNumbers)
        addOrRemovePageNumbers();
    setBspTreeDepth(kIndexDepth);
    update();
}

QRectF ZPrintPreviewScene::contentRect() const
{
    // What itemsBoundingRect() gives without the hidden spares, and without
    // asking every tile for its scene transform: a tile is only moved and
    // scaled.
    QRectF rect;
    const auto tileRect = [](const ZImageTileItem *item) {
        const qreal scale = item->scale();
        return QRectF(item->pos(), QSizeF(item->image().width() * scale, item->image().height() * scale));
    };
    for (const QVector<ZImageTileItem *> &row : m_cells) {
        for (const ZImageTileItem *item : row)
            rect |= tileRect(item);
    }
    for (const QVector<ZImageTileItem *> &row : m_headers) {
        for (const ZImageTileItem *item : row)
            rect |= tileRect(item);
    }
    for (const QGraphicsRectItem *page : pages())
        rect |= page->sceneBoundingRect();
    return rect;
}

QList<QGraphicsRectItem *> ZPrintPreviewScene::pages() const
{
    QList<QGraphicsRectItem *> list;
    for (const QVector<QGraphicsRectItem *> &row : m_pages) {
        for (QGraphicsRectItem *page : row) {
            if (page)
                list.append(page);
        }
    }
    return list;
}

int ZPrintPreviewScene::headerRowCount() const
{
    int count = 0;
    for (const QVector<ZImageTileItem *> &row : m_headers)
        count += row.isEmpty() ? 0 : 1;
    return count;
}

QGraphicsItem *ZPrintPreviewScene::cell(int row, int column) const
{
    if (row < 0 || row >= m_cells.size() || column < 0 || column >= m_cells.at(row).size())
        return nullptr;
    return m_cells.at(row).at(column);
}

void ZPrintPreviewScene::addOrRemovePageNumbers()
{
    int count = 0;
    for (QGraphicsRectItem *page : pages()) {
        const QList<QGraphicsItem *> children = page->childItems();
        if (!children.isEmpty())
            delete children.first();
        if (!m_printPageNumbers)
            continue;
        ++count;
        auto *number = new QGraphicsSimpleTextItem(QString::number(count), page);
        const QRectF rect = page->rect();
        number->setPos(int(rect.x() + rect.width() * 0.5),
                       int(rect.y() + rect.height() - m_marginY));
    }
}

qint64 ZPrintPreviewScene::printRoom() const
{
    // Per tile: its place on its page and what of it goes to paper (its
    // pieces of ink, each a view on its pixels); and the PDF engine's own
    // working set. Measured on a print of 179,000 tiles: 37 MB.
    constexpr qint64 kPerTile = 256;
    constexpr qint64 kEngine = qint64(32) << 20;
    qint64 tiles = qint64(m_image.rows()) * m_image.columns();
    for (const QVector<ZImageTileItem *> &row : m_headers)
        tiles += row.size();
    return tiles * kPerTile + kEngine;
}

int ZPrintPreviewScene::print(QPrinter &printer)
{
    const QList<QGraphicsRectItem *> list = pages();
    if (list.isEmpty())
        return 0;

    // The tiles of each page, found from where they stand.
    QHash<const QGraphicsRectItem *, QVector<const ZImageTileItem *>> tilesOf;
    const auto place = [this, &tilesOf](const ZImageTileItem *tile) {
        if (!tile->isVisible() || m_pageSize.isEmpty())
            return;
        const QPointF at = tile->pos();
        const int row = int(at.y() / m_pageSize.height());
        const int column = int(at.x() / m_pageSize.width());
        if (row < m_pages.size() && column < m_pages.at(row).size() && m_pages.at(row).at(column))
            tilesOf[m_pages.at(row).at(column)].append(tile);
    };
    for (const QVector<ZImageTileItem *> &row : qAsConst(m_headers))
        std::for_each(row.begin(), row.end(), place);
    for (const QVector<ZImageTileItem *> &row : qAsConst(m_cells))
        std::for_each(row.begin(), row.end(), place);

    // What each distinct tile puts on paper, worked out side by side.
    QHash<qint64, TileInk> inks;
    QVector<QImage> distinct;
    for (const QVector<const ZImageTileItem *> &tiles : qAsConst(tilesOf)) {
        for (const ZImageTileItem *tile : tiles) {
            if (!inks.contains(tile->image().cacheKey())) {
                inks.insert(tile->image().cacheKey(), TileInk());
                distinct.append(tile->image());
            }
        }
    }
    QVector<TileInk> found(distinct.size());
    parallelFor(distinct.size(), [&distinct, &found](int i) { found[i] = inkOf(distinct.at(i)); });
    // A piece whose pixels an earlier one shows is drawn from that one's
    // picture, so the printer stores it once.
    QHash<uint, QVector<QImage>> pieces;
    for (int i = 0; i < distinct.size(); ++i) {
        for (InkPiece &piece : found[i].pieces) {
            QVector<QImage> &same = pieces[piece.hash];
            const auto known = std::find_if(same.cbegin(), same.cend(),
                                            [&piece](const QImage &image) { return samePixels(image, piece.image); });
            if (known != same.cend())
                piece.image = *known;
            else
                same.append(piece.image);
        }
        inks[distinct.at(i).cacheKey()] = found.at(i);
    }

    // Everything above is this scene's own work, done before the printer
    // starts: memory running out there unwinds with no page begun.
    QPainter painter;
    if (!painter.begin(&printer))
        return -1;
    // Taken as Qt gives it: the printer's page layout already holds the
    // orientation.
    const QRectF target = printer.paperRect(QPrinter::DevicePixel);
    // Stored without loss: a JPEG page blurs the table's text.
    painter.setRenderHint(QPainter::LosslessImageRendering);

    int done = 0;
    for (QGraphicsRectItem *page : list) {
        // Asked to stop: a printer's job is aborted where its engine can,
        // and then has none of the sheets; what is left is ended, and the
        // caller drops it.
        if (!WorkProgress::advance(done, list.size())) {
            if (printer.abort())
                done = 0;
            break;
        }
        if (done > 0 && !printer.newPage()) {
            qCWarning(lcDialogs) << "ZPrintPreviewScene::print: no new sheet";
            painter.end();
            return -1;
        }
        // The page's tiles go to the sheet as they are (its outline and
        // paper belong to the preview): a tile whose pixels another one
        // shares is stored once and drawn wherever it stands.
        const QRectF source = page->rect();
        QSizeF fitted = source.size().scaled(target.size(), Qt::KeepAspectRatio);
        QRectF placed(QPointF(0, 0), fitted);
        placed.moveCenter(target.center());
        painter.save();
        painter.translate(placed.topLeft());
        painter.scale(placed.width() / source.width(), placed.height() / source.height());
        painter.translate(-source.topLeft());
        const QVector<const ZImageTileItem *> tiles = tilesOf.value(page);
        for (const ZImageTileItem *tile : tiles) {
            const QImage &image = tile->image();
            const TileInk &ink = *inks.constFind(image.cacheKey());
            const qreal scale = tile->scale();
            const QPointF at = tile->pos();
            // White is the paper's own.
            if (qAlpha(ink.background) > 0 && ink.background != qRgb(255, 255, 255))
                painter.fillRect(QRectF(at, QSizeF(image.width() * scale, image.height() * scale)),
                                 QColor::fromRgba(ink.background));
            for (const InkPiece &piece : ink.pieces)
                painter.drawImage(QRectF(at + QPointF(piece.rect.topLeft()) * scale,
                                         QSizeF(piece.rect.size()) * scale),
                                  piece.image);
        }
        for (QGraphicsItem *child : page->childItems()) {
            if (auto *number = qgraphicsitem_cast<QGraphicsSimpleTextItem *>(child)) {
                painter.save();
                painter.translate(number->scenePos());
                QStyleOptionGraphicsItem option;
                number->paint(&painter, &option, nullptr);
                painter.restore();
            }
        }
        painter.restore();
        ++done;
    }
    if (painter.isActive() && !painter.end())
        return -1;
    return done;
}
