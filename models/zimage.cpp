#include "zimage.h"

#include "memoryroom.h"
#include "modelslogging.h"
#include "paintguard.h"
#include "parallel.h"
#include "tilememory.h"
#include "workprogress.h"

#include <QHash>
#include <QPalette>
#include <QRegion>
#include <QWidget>

#include <atomic>
#include <cstring>
#include <limits>
#include <new>

namespace {

// Bounds of one intermediate band image.
constexpr int kMaxBandWidth = 20000;
constexpr int kMaxBandHeight = 19999;
// Beside the bounds above, a band image stays within this many pixels
// (8 MB). A full 20000 x 19999 band would need 1.6 GB at once, and a single
// column wider than the bound could exceed what QImage can allocate; and a
// band that stays in the processor's cache paints and cuts several times
// faster than one that does not (a vertical line touches one cache line per
// pixel), while more chunks cost only a few more paint calls.
constexpr qint64 kMaxBandPixels = qint64(1) << 21;
// Asked for beside a chunk's new tiles before it is painted: what Qt's
// painting of the next chunk may take, which it cannot give back by
// unwinding.
constexpr qint64 kPaintRoom = qint64(32) << 20;
// A tile's image header and allocation, beside its pixels.
constexpr qint64 kTileOverhead = 256;

const QImage &nullImage()
{
    static const QImage image;
    return image;
}

struct Band
{
    int first = 0; // first column of the band
    int last = 0;  // last column of the band
    qint64 x0 = 0; // left edge in widget coordinates
    int width = 0;
};

// Columns are gathered left to right while the band stays within
// kMaxBandWidth; a column wider than that forms a band of its own.
QVector<Band> cutIntoBands(const QVector<int> &widths)
{
    QVector<Band> bands;
    qint64 x = 0;
    int c = 0;
    while (c < widths.size()) {
        Band band;
        band.first = c;
        band.x0 = x;
        qint64 width = qMax(0, widths.at(c));
        ++c;
        while (c < widths.size() && width + qMax(0, widths.at(c)) <= kMaxBandWidth) {
            width += qMax(0, widths.at(c));
            ++c;
        }
        band.last = c - 1;
        band.width = int(qMin<qint64>(width, std::numeric_limits<int>::max()));
        x += width;
        bands.append(band);
    }
    return bands;
}

// Tiles cut so far for one picture, by the hash of their pixels. A table
// repeats cells (types, dates, empty ones) and a chart repeats far more
// (empty cells, the inside of bars): a tile whose pixels an earlier one
// shows shares that one's, so a picture holds each content once.
class KnownTiles
{
public:
    static uint hashOf(const QImage &band, const QRect &rect)
    {
        uint hash = uint(rect.width()) * 31u + uint(rect.height());
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            hash = qHashBits(band.constScanLine(y) + rect.left() * 4, size_t(rect.width()) * 4, hash);
        return hash;
    }
    static bool same(const QImage &a, const QRect &inA, const QImage &b, const QRect &inB)
    {
        if (inA.size() != inB.size())
            return false;
        const size_t bytes = size_t(inA.width()) * 4;
        for (int y = 0; y < inA.height(); ++y) {
            if (std::memcmp(a.constScanLine(inA.top() + y) + inA.left() * 4,
                            b.constScanLine(inB.top() + y) + inB.left() * 4, bytes) != 0)
                return false;
        }
        return true;
    }
    // The known tile with those pixels; a null image when there is none.
    QImage find(const QImage &band, const QRect &rect, uint hash) const
    {
        const auto it = m_tiles.constFind(hash);
        if (it == m_tiles.constEnd())
            return QImage();
        for (const QImage &tile : *it) {
            if (same(tile, tile.rect(), band, rect))
                return tile;
        }
        return QImage();
    }
    void add(uint hash, const QImage &tile) { m_tiles[hash].append(tile); }

private:
    QHash<uint, QVector<QImage>> m_tiles;
};

// Cuts the tiles of rows r0..r1 out of the band image into the grid, each
// content once. The hashes and the copies are made on several threads:
// most of a copy's cost is the system handing out fresh memory, and nothing
// writes the band image meanwhile.
void cutBand(const QImage &bandImage, const Band &band, const QVector<int> &widths, int rowHeight,
             int r0, int r1, KnownTiles &known, TileMemory &memory, QVector<QVector<QImage>> &grid)
{
    // No band image (no memory for it): the tiles stay null.
    if (bandImage.isNull())
        return;
    const int columns = band.last - band.first + 1;
    const int count = (r1 - r0 + 1) * columns;
    QVector<QRect> rects(count);
    {
        int x = 0;
        for (int c = 0; c < columns; ++c) {
            const int w = qMax(0, widths.at(band.first + c));
            for (int r = 0; r <= r1 - r0; ++r)
                rects[r * columns + c] = QRect(x, r * rowHeight, w, rowHeight);
            x += w;
        }
    }
    // Each tile: taken from the known ones (looked up side by side, the
    // store is only read meanwhile), cut anew (source -1), or the same as a
    // tile of this chunk cut anew (its index).
    QVector<uint> hashes(count);
    QVector<QImage> tiles(count);
    // Written through plain pointers: the workers must not call the
    // containers' detaching members side by side.
    uint *hashOut = hashes.data();
    QImage *tileOut = tiles.data();
    parallelRuns(count, runLength(count, 64, 1024), [&](int from, int to) {
        for (int i = from; i < to; ++i) {
            if (rects.at(i).isEmpty())
                continue;
            hashOut[i] = KnownTiles::hashOf(bandImage, rects.at(i));
            tileOut[i] = known.find(bandImage, rects.at(i), hashOut[i]);
        }
    });
    QVector<int> source(count, -1);
    QVector<int> fresh;
    QHash<uint, QVector<int>> freshByHash;
    for (int i = 0; i < count; ++i) {
        const QRect &rect = rects.at(i);
        if (rect.isEmpty() || !tiles.at(i).isNull())
            continue;
        QVector<int> &alike = freshByHash[hashes.at(i)];
        for (int other : qAsConst(alike)) {
            if (KnownTiles::same(bandImage, rects.at(other), bandImage, rect)) {
                source[i] = other;
                break;
            }
        }
        if (source.at(i) < 0) {
            alike.append(i);
            fresh.append(i);
        }
    }
    std::atomic<bool> unmapped{false};
    parallelRuns(fresh.size(), runLength(fresh.size(), 64, 1024), [&](int from, int to) {
        for (int f = from; f < to; ++f) {
            const int i = fresh.at(f);
            tileOut[i] = memory.copy(bandImage, rects.at(i));
            if (tileOut[i].isNull())
                unmapped = true;
        }
    });
    if (unmapped)
        throw std::bad_alloc();
    for (int i : qAsConst(fresh))
        known.add(hashes.at(i), tiles.at(i));
    for (int i = 0; i < count; ++i) {
        if (source.at(i) >= 0)
            tiles[i] = tiles.at(source.at(i));
        grid[r0 + i / columns][band.first + i % columns] = tiles.at(i);
    }
}

} // namespace

ZImage::ZImage(QVector<QImage> headerParts, QVector<QVector<QImage>> rows)
    : m_headerParts(std::move(headerParts))
    , m_rows(std::move(rows))
{
}

const QImage &ZImage::getHeaderPart(int i) const
{
    Q_ASSERT(i >= 0 && i < m_headerParts.size());
    if (i < 0 || i >= m_headerParts.size())
        return nullImage();
    return m_headerParts.at(i);
}

const QImage &ZImage::getPart(int row, int column) const
{
    Q_ASSERT(row >= 0 && row < m_rows.size());
    if (row < 0 || row >= m_rows.size())
        return nullImage();
    const QVector<QImage> &tiles = m_rows.at(row);
    Q_ASSERT(column >= 0 && column < tiles.size());
    if (column < 0 || column >= tiles.size())
        return nullImage();
    return tiles.at(column);
}

int ZImage::rows() const
{
    return m_rows.size();
}

int ZImage::columns() const
{
    return m_headerParts.size();
}

int ZImage::rowHeight() const
{
    if (m_rows.isEmpty() || m_rows.first().isEmpty())
        return 0;
    return m_rows.first().first().height();
}

int ZImage::headerHeight() const
{
    if (m_headerParts.isEmpty())
        return 0;
    return m_headerParts.first().height();
}

QRect ZImage::rect() const
{
    if (m_headerParts.isEmpty() || m_rows.isEmpty())
        return QRect();
    return QRect(0, 0, m_headerParts.first().width() * m_headerParts.size(),
                 headerHeight() + rowHeight() * m_rows.size());
}

void ZImage::appendToRight(const ZImage &other)
{
    m_headerParts += other.m_headerParts;
    const int common = qMin(m_rows.size(), other.m_rows.size());
    if (other.m_rows.size() > m_rows.size()) {
        qCWarning(lcModels) << "ZImage::appendToRight: ignoring"
                            << other.m_rows.size() - m_rows.size() << "rows without a partner";
    }
    for (int i = 0; i < common; ++i)
        m_rows[i] += other.m_rows.at(i);
}

QVector<QVector<QImage>> renderWidget(QWidget *widget, const QVector<int> &widths,
                                      int rowHeight, int rowCount, int yOffset)
{
    QVector<QVector<QImage>> grid;
    if (!widget)
        return grid;
    if (rowHeight < 1 || rowHeight > kMaxBandHeight) {
        qCWarning(lcModels) << "renderWidget: row height out of range:" << rowHeight;
        return grid;
    }

    const int rowTotal = qMax(0, rowCount);
    grid.fill(QVector<QImage>(widths.size()), rowTotal);
    qCDebug(lcModels) << "Image cells" << qint64(widths.size()) * rowTotal;
    if (rowTotal == 0 || widths.isEmpty())
        return grid;

    const QRect widgetRect = widget->rect();
    // Qt's render() begins with the window's brush, or the widget's own
    // where it fills its background with an opaque one.
    const QPalette &palette = widget->palette();
    const bool opaqueBackground = palette.brush(QPalette::Window).isOpaque()
        || (widget->autoFillBackground() && palette.brush(widget->backgroundRole()).isOpaque());
    const QVector<Band> bands = cutIntoBands(widths);
    KnownTiles known;
    TileMemory memory;
    const paintguard::Picture picture;
    // Rows of all bands, for the progress.
    const qint64 steps = qint64(rowTotal) * bands.size();
    qint64 done = 0;
    for (const Band &band : bands) {
        int chunkRows = qMin(kMaxBandHeight / rowHeight, rowTotal);
        if (band.width > 0) {
            const qint64 budgetRows = kMaxBandPixels / (qint64(band.width) * rowHeight);
            chunkRows = int(qBound<qint64>(1, budgetRows, chunkRows));
        }
        // One band image serves every chunk of the band: a fresh one per
        // chunk would cost the system's page clearing again each time.
        QImage bandImage(band.width, chunkRows * rowHeight, QImage::Format_ARGB32_Premultiplied);
        for (int r0 = 0; r0 < rowTotal; r0 += chunkRows) {
            // Asked to stop: the tiles so far are left for the caller, who
            // drops them.
            if (!WorkProgress::advance(done, steps))
                return grid;
            const int r1 = qMin(r0 + chunkRows - 1, rowTotal - 1);
            const int chunkHeight = (r1 - r0 + 1) * rowHeight;
            done += r1 - r0 + 1;

            // Tiles alike share their pixels, so how much a picture takes is
            // known only as it is drawn: each chunk asks for the room its
            // tiles could take if all were new, before Qt paints it.
            const qint64 chunkTiles = qint64(r1 - r0 + 1) * (band.last - band.first + 1);
            if (!memoryroom::available(qint64(band.width) * chunkHeight * 4 + chunkTiles * kTileOverhead
                                       + kPaintRoom))
                throw std::bad_alloc();
            if (!bandImage.isNull()) {
                // Ask the widget for this chunk only, so views that honour the
                // paint event's region paint each row once, not once per chunk.
                const qint64 top = qint64(r0) * rowHeight + yOffset;
                const QRect source(int(qMin<qint64>(band.x0, std::numeric_limits<int>::max())),
                                   int(qBound<qint64>(std::numeric_limits<int>::min(), top,
                                                      std::numeric_limits<int>::max())),
                                   band.width, chunkHeight);
                const QRect painted = source & widgetRect;
                // Where the widget paints, its background comes first and
                // covers what the band held before; only a chunk it does not
                // cover wholly, or a background that shows through, starts
                // cleared (a band's clearing is a tenth of the picture).
                if (painted != source || !opaqueBackground)
                    bandImage.fill(Qt::transparent);
                if (!painted.isEmpty()) {
                    widget->render(&bandImage, painted.topLeft() - source.topLeft(),
                                   QRegion(painted),
                                   QWidget::DrawWindowBackground | QWidget::DrawChildren);
                    // The paint code stopped where memory ran out: the
                    // picture is lost, and the caller says so.
                    if (picture.failed())
                        throw std::bad_alloc();
                }
            }

            cutBand(bandImage, band, widths, rowHeight, r0, r1, known, memory, grid);
        }
    }
    return grid;
}

QVector<QVector<QImage>> renderWidget(QWidget *widget, int cellWidth, int cellCount,
                                      int rowHeight, int rowCount, int yOffset)
{
    return renderWidget(widget, QVector<int>(qMax(0, cellCount), cellWidth), rowHeight,
                        rowCount, yOffset);
}

QVector<QVector<QImage>> renderWidget_old(QWidget *widget, const QVector<int> &widths,
                                          int rowHeight, int rowCount, int yOffset)
{
    // Every band image is painted first and kept until all are cut, so the
    // memory held grows with the widget's whole area; renderWidget keeps one
    // band image at a time.
    QVector<QVector<QImage>> grid;
    if (!widget)
        return grid;
    if (rowHeight < 1 || rowHeight > kMaxBandHeight) {
        qCWarning(lcModels) << "renderWidget_old: row height out of range:" << rowHeight;
        return grid;
    }
    const int rowTotal = qMax(0, rowCount);
    grid.fill(QVector<QImage>(widths.size()), rowTotal);
    if (rowTotal == 0 || widths.isEmpty())
        return grid;

    struct Painted
    {
        Band band;
        int firstRow;
        int lastRow;
        QImage image;
    };
    QVector<Painted> images;
    const int chunkRows = qMax(1, kMaxBandHeight / rowHeight);
    for (const Band &band : cutIntoBands(widths)) {
        for (int r0 = 0; r0 < rowTotal; r0 += chunkRows) {
            const int r1 = qMin(r0 + chunkRows - 1, rowTotal - 1);
            QImage image(band.width, (r1 - r0 + 1) * rowHeight, QImage::Format_ARGB32_Premultiplied);
            if (!image.isNull()) {
                image.fill(Qt::transparent);
                widget->render(&image,
                               QPoint(int(-band.x0), -(r0 * rowHeight + yOffset)), QRegion(),
                               QWidget::DrawWindowBackground | QWidget::DrawChildren);
            }
            images.append({band, r0, r1, image});
        }
    }
    qCDebug(lcModels) << "IMAGES" << images.size();
    qCDebug(lcModels).noquote() << "Estimated img number: " << widths.size() << "x" << rowTotal
                                << "=" << qint64(widths.size()) * rowTotal;
    int cropped = 0;
    for (const Painted &painted : qAsConst(images)) {
        int x = 0;
        for (int c = painted.band.first; c <= painted.band.last; ++c) {
            const int w = qMax(0, widths.at(c));
            for (int r = painted.firstRow; r <= painted.lastRow; ++r) {
                grid[r][c] = painted.image.copy(x, (r - painted.firstRow) * rowHeight, w, rowHeight);
                ++cropped;
            }
            x += w;
        }
    }
    qCDebug(lcModels) << "CROPPED IMAGES" << cropped;
    return grid;
}
