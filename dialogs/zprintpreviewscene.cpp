#include "zprintpreviewscene.h"

#include "dialogslogging.h"
#include "zimage.h"
#include "zimagetileitem.h"

#include <QGraphicsRectItem>
#include <QGraphicsSimpleTextItem>
#include <QPainter>
#include <QPrinter>

ZPrintPreviewScene::ZPrintPreviewScene(const ZImage &image, QObject *parent)
    : QGraphicsScene(parent)
    , m_image(image)
    , m_marginX(5 * UNITS_PER_MM)
    , m_marginY(5 * UNITS_PER_MM)
{
    createItems();
    // Given now, the preview does not ask every tile for its bounds.
    setSceneRect(contentRect());
}

ZPrintPreviewScene::~ZPrintPreviewScene() = default;

void ZPrintPreviewScene::createItems()
{
    const int rows = m_image.rows();
    const int columns = m_image.columns();
    m_cells.reserve(rows);
    for (int r = 0; r < rows; ++r) {
        QVector<ZImageTileItem *> row;
        row.reserve(columns);
        for (int c = 0; c < columns; ++c) {
            auto *item = new ZImageTileItem(m_image.getPart(r, c));
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
    const bool blocked = blockSignals(true);
    clearHeader();
    clearPages();

    const int rowHeight = int(float(m_image.rowHeight()) * m_scale);
    const int headerHeight = int(float(m_image.headerHeight()) * m_scale);
    const int columns = m_cells.isEmpty() ? 0 : m_cells.first().size();
    const bool laidOut = columns > 0 && m_pageSize.width() > 0 && m_pageSize.height() > 0;

    int y = 0;
    int previousPageRow = -1;
    int previousPageColumn = -1;
    for (int r = 0; laidOut && r < m_cells.size(); ++r) {
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
                item->setScale(m_scale);
                item->setPos(x, y);
                if (m_headers.size() <= pageRow)
                    m_headers.resize(pageRow + 1);
                m_headers[pageRow].append(item);
            }
            cell->setScale(m_scale);
            cell->setPos(x, header ? y + headerHeight : y);
            x += w;
            previousPageRow = pageRow;
        }
        y += rowHeight + (header ? headerHeight : 0);
    }

    blockSignals(blocked);
    setSceneRect(contentRect());
    if (m_printPageNumbers)
        addOrRemovePageNumbers();
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

bool ZPrintPreviewScene::print(QPrinter &printer)
{
    const QList<QGraphicsRectItem *> list = pages();
    if (list.isEmpty())
        return true;

    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    // Taken as Qt gives it: the printer's page layout already holds the
    // orientation.
    const QRectF target = printer.paperRect(QPrinter::DevicePixel);

    // The page outlines belong to the preview, not to the sheets.
    for (QGraphicsRectItem *page : list)
        page->setPen(Qt::NoPen);

    bool first = true;
    for (QGraphicsRectItem *page : list) {
        if (!first && !printer.newPage()) {
            qCWarning(lcDialogs) << "ZPrintPreviewScene::print: no new sheet";
            break;
        }
        first = false;
        // Each page is drawn as one picture at the scene's resolution, where
        // a tile pixel at 100 % is one unit: the content is pixels anyway,
        // and one picture per sheet keeps the print job small and fast.
        const QRectF source = page->rect();
        QImage sheet(source.size().toSize(), QImage::Format_RGB32);
        if (sheet.isNull())
            break;
        sheet.fill(Qt::white);
        {
            QPainter sheetPainter(&sheet);
            render(&sheetPainter, QRectF(sheet.rect()), source, Qt::IgnoreAspectRatio);
        }
        QSizeF fitted = source.size().scaled(target.size(), Qt::KeepAspectRatio);
        QRectF placed(QPointF(0, 0), fitted);
        placed.moveCenter(target.center());
        painter.drawImage(placed, sheet);
    }

    for (QGraphicsRectItem *page : list)
        page->setPen(QPen());
    return painter.end();
}
