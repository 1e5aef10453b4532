#include "memoryroom.h"
#include "zimage.h"

#include <QHeaderView>
#include <QPaintEvent>
#include <QStandardItemModel>
#include <QTableView>
#include <QPainter>
#include <QWidget>
#include <QtTest>

#include <cstdio>
#include <thread>

namespace {

// Whether the address lies in a mapping of the process; true where that
// cannot be told. Reads the list through a fixed buffer: a large block
// allocated meanwhile could be mapped at a freed address.
bool mapped(const void *address)
{
    FILE *maps = std::fopen("/proc/self/maps", "r");
    if (!maps)
        return true;
    const auto at = quintptr(address);
    bool found = false;
    unsigned long long from = 0;
    unsigned long long to = 0;
    char line[512];
    while (!found && std::fgets(line, sizeof line, maps)) {
        if (std::sscanf(line, "%llx-%llx", &from, &to) == 2)
            found = at >= from && at < to;
    }
    std::fclose(maps);
    return found;
}

// Paints a fixed pattern (each pixel's colour tells its position) and records
// the regions it was asked to paint.
class PatternWidget : public QWidget
{
public:
    explicit PatternWidget(const QSize &size, bool withPattern = true)
    {
        resize(size);
        if (withPattern) {
            m_pattern = QImage(size, QImage::Format_ARGB32_Premultiplied);
            for (int y = 0; y < size.height(); ++y) {
                for (int x = 0; x < size.width(); ++x)
                    m_pattern.setPixel(x, y, expected(x, y));
            }
        }
    }

    static QRgb expected(int x, int y)
    {
        return qRgb(x % 256, y % 256, (x / 256) * 16 + y / 256);
    }

    QVector<QRect> paintedRects;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        paintedRects.append(event->rect());
        if (m_pattern.isNull())
            return;
        QPainter painter(this);
        painter.drawImage(event->rect(), m_pattern, event->rect());
    }

private:
    QImage m_pattern;
};

// Paints cell (r, c) of a grid in one of a few colours, so that cells repeat;
// with `odd`, one pixel of cell (1, 1) differs from its colour.
class CellWidget : public QWidget
{
public:
    CellWidget(const QVector<int> &widths, int rowHeight, int rows, int kinds, bool odd)
        : m_widths(widths), m_rowHeight(rowHeight), m_kinds(kinds), m_odd(odd)
    {
        int width = 0;
        for (int w : widths)
            width += w;
        resize(width, rowHeight * rows);
    }
    QColor colourOf(int row, int column) const
    {
        return QColor::fromHsv((row * 7 + column) % m_kinds * 40, 200, 200);
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QPainter painter(this);
        const int first = event->rect().top() / m_rowHeight;
        const int last = event->rect().bottom() / m_rowHeight;
        for (int r = first; r <= last; ++r) {
            int x = 0;
            for (int c = 0; c < m_widths.size(); ++c) {
                painter.fillRect(x, r * m_rowHeight, m_widths.at(c), m_rowHeight, colourOf(r, c));
                x += m_widths.at(c);
            }
        }
        if (m_odd && m_widths.size() > 1)
            painter.fillRect(m_widths.at(0) + 2, m_rowHeight + 2, 1, 1, Qt::black);
    }

private:
    QVector<int> m_widths;
    int m_rowHeight;
    int m_kinds;
    bool m_odd;
};

QVector<QVector<QImage>> tiles(int rows, const QVector<int> &widths, int height, QColor color)
{
    QVector<QVector<QImage>> grid;
    for (int r = 0; r < rows; ++r) {
        QVector<QImage> row;
        for (int w : widths) {
            QImage tile(w, height, QImage::Format_ARGB32);
            tile.fill(color);
            row.append(tile);
        }
        grid.append(row);
    }
    return grid;
}

} // namespace

class tst_ZImage : public QObject
{
    Q_OBJECT
private slots:
    void emptyImage();
    void accessors();
    void appendToRight();
    void appendToRightIgnoresSurplusRows();

    void renderArguments_data();
    void renderArguments();
    void bands_data();
    void bands();
    void chunks_data();
    void chunks();
    void tileContent();
    void cellForm();
    void sharedTiles_data();
    void sharedTiles();
    void keptTiles_data();
    void keptTiles();
    void room_data();
    void room();
    void oldFormGivesTheSameTiles_data();
    void oldFormGivesTheSameTiles();
    void buildsImageOfView();
    void rendersItemView();
};

void tst_ZImage::emptyImage()
{
    const ZImage image;
    QCOMPARE(image.rows(), 0);
    QCOMPARE(image.columns(), 0);
    QCOMPARE(image.rowHeight(), 0);
    QCOMPARE(image.headerHeight(), 0);
    QCOMPARE(image.rect(), QRect());

    const ZImage headerOnly(tiles(1, {10, 10}, 5, Qt::red).first(), {});
    QCOMPARE(headerOnly.columns(), 2);
    QCOMPARE(headerOnly.headerHeight(), 5);
    QCOMPARE(headerOnly.rowHeight(), 0);
    QCOMPARE(headerOnly.rect(), QRect());
}

void tst_ZImage::accessors()
{
    const ZImage image(tiles(1, {30, 30, 30}, 40, Qt::blue).first(),
                       tiles(4, {30, 30, 30}, 22, Qt::green));
    QCOMPARE(image.rows(), 4);
    QCOMPARE(image.columns(), 3);
    QCOMPARE(image.rowHeight(), 22);
    QCOMPARE(image.headerHeight(), 40);
    QCOMPARE(image.rect(), QRect(0, 0, 90, 40 + 4 * 22));
    QCOMPARE(image.getHeaderPart(2).size(), QSize(30, 40));
    QCOMPARE(image.getHeaderPart(2).pixel(0, 0), QColor(Qt::blue).rgb());
    QCOMPARE(image.getPart(3, 1).size(), QSize(30, 22));
    QCOMPARE(image.getPart(3, 1).pixel(5, 5), QColor(Qt::green).rgb());

    // Copies share the tiles.
    const ZImage copy = image;
    QCOMPARE(copy.getPart(0, 0).constBits(), image.getPart(0, 0).constBits());
}

void tst_ZImage::appendToRight()
{
    ZImage left(tiles(1, {10, 10, 10, 10, 10}, 8, Qt::red).first(),
                tiles(10, {10, 10, 10, 10, 10}, 6, Qt::red));
    const ZImage right(tiles(1, {10, 10, 10}, 8, Qt::blue).first(),
                       tiles(10, {10, 10, 10}, 6, Qt::blue));
    left.appendToRight(right);

    QCOMPARE(left.columns(), 8);
    QCOMPARE(left.rows(), 10);
    QCOMPARE(left.rect(), QRect(0, 0, 80, 8 + 60));
    for (int c = 0; c < 8; ++c) {
        const QRgb want = QColor(c < 5 ? Qt::red : Qt::blue).rgb();
        QCOMPARE(left.getHeaderPart(c).pixel(0, 0), want);
        for (int r = 0; r < 10; ++r)
            QCOMPARE(left.getPart(r, c).pixel(0, 0), want);
    }
}

void tst_ZImage::appendToRightIgnoresSurplusRows()
{
    ZImage shortImage(tiles(1, {10}, 8, Qt::red).first(), tiles(2, {10}, 6, Qt::red));
    const ZImage longImage(tiles(1, {10}, 8, Qt::blue).first(), tiles(5, {10}, 6, Qt::blue));
    shortImage.appendToRight(longImage);
    QCOMPARE(shortImage.rows(), 2);
    QCOMPARE(shortImage.columns(), 2);
    QCOMPARE(shortImage.getPart(1, 1).pixel(0, 0), QColor(Qt::blue).rgb());

    // Rows beyond the other's keep only their own tiles.
    ZImage longer(tiles(1, {10}, 8, Qt::red).first(), tiles(5, {10}, 6, Qt::red));
    longer.appendToRight(ZImage(tiles(1, {10}, 8, Qt::blue).first(), tiles(2, {10}, 6, Qt::blue)));
    QCOMPARE(longer.rows(), 5);
    QCOMPARE(longer.getPart(1, 1).pixel(0, 0), QColor(Qt::blue).rgb());
    QCOMPARE(longer.getPart(4, 0).pixel(0, 0), QColor(Qt::red).rgb());
    QCOMPARE(longer.getPart(4, 1).isNull(), true);
}

void tst_ZImage::renderArguments_data()
{
    QTest::addColumn<bool>("withWidget");
    QTest::addColumn<QVector<int>>("widths");
    QTest::addColumn<int>("rowHeight");
    QTest::addColumn<int>("rowCount");
    QTest::addColumn<int>("expectedRows");
    QTest::addColumn<int>("expectedPaints");

    QTest::addRow("null widget") << false << QVector<int>{10} << 10 << 3 << 0 << 0;
    QTest::addRow("no rows") << true << QVector<int>{10} << 10 << 0 << 0 << 0;
    QTest::addRow("negative rows") << true << QVector<int>{10} << 10 << -4 << 0 << 0;
    QTest::addRow("no widths") << true << QVector<int>{} << 10 << 3 << 3 << 0;
    QTest::addRow("zero row height") << true << QVector<int>{10} << 0 << 3 << 0 << 0;
    QTest::addRow("negative row height") << true << QVector<int>{10} << -5 << 3 << 0 << 0;
    QTest::addRow("row height too large") << true << QVector<int>{10} << 20000 << 1 << 0 << 0;
    QTest::addRow("largest row height") << true << QVector<int>{10} << 19999 << 1 << 1 << 1;
    QTest::addRow("zero widths") << true << QVector<int>{0, 0} << 10 << 3 << 3 << 0;
    QTest::addRow("negative width") << true << QVector<int>{-7, 10} << 10 << 3 << 3 << 1;
    // A band image whose lines QImage cannot address: null tiles.
    QTest::addRow("band image too wide") << true << QVector<int>{600000000} << 1 << 1 << 1 << 0;
}

void tst_ZImage::renderArguments()
{
    QFETCH(bool, withWidget);
    QFETCH(QVector<int>, widths);
    QFETCH(int, rowHeight);
    QFETCH(int, rowCount);
    QFETCH(int, expectedRows);
    QFETCH(int, expectedPaints);

    PatternWidget widget(QSize(20, 30), false);
    const auto grid = renderWidget(withWidget ? &widget : nullptr, widths, rowHeight, rowCount, 0);
    QCOMPARE(grid.size(), expectedRows);
    for (const auto &row : grid)
        QCOMPARE(row.size(), widths.size());
    QCOMPARE(widget.paintedRects.size(), expectedPaints);
}

void tst_ZImage::bands_data()
{
    QTest::addColumn<QVector<int>>("widths");
    QTest::addColumn<QVector<QRect>>("paints");

    QTest::addRow("mixed widths")
        << QVector<int>{15000, 4000, 2000, 30000, 100}
        << QVector<QRect>{QRect(0, 0, 19000, 20), QRect(19000, 0, 2000, 20),
                          QRect(21000, 0, 30000, 20), QRect(51000, 0, 100, 20)};
    QTest::addRow("exactly 20000")
        << QVector<int>{10000, 10000} << QVector<QRect>{QRect(0, 0, 20000, 20)};
    QTest::addRow("one pixel over")
        << QVector<int>{10000, 10001}
        << QVector<QRect>{QRect(0, 0, 10000, 20), QRect(10000, 0, 10001, 20)};
}

void tst_ZImage::bands()
{
    QFETCH(QVector<int>, widths);
    QFETCH(QVector<QRect>, paints);

    int total = 0;
    for (int w : widths)
        total += w;
    PatternWidget widget(QSize(total, 20), false);
    const auto grid = renderWidget(&widget, widths, 20, 1, 0);
    QCOMPARE(widget.paintedRects, paints);
    QCOMPARE(grid.size(), 1);
    QCOMPARE(grid.first().size(), widths.size());
    for (int c = 0; c < widths.size(); ++c)
        QCOMPARE(grid.first().at(c).size(), QSize(widths.at(c), 20));
}

void tst_ZImage::chunks_data()
{
    QTest::addColumn<int>("rowHeight");
    QTest::addColumn<int>("rowCount");
    QTest::addColumn<QVector<int>>("chunkRows");

    QTest::addRow("20 px rows") << 20 << 2500 << QVector<int>{999, 999, 502};
    QTest::addRow("25 px rows") << 25 << 1000 << QVector<int>{799, 201};
    QTest::addRow("one chunk") << 22 << 10 << QVector<int>{10};
    QTest::addRow("tallest rows") << 19999 << 2 << QVector<int>{1, 1};
}

void tst_ZImage::chunks()
{
    QFETCH(int, rowHeight);
    QFETCH(int, rowCount);
    QFETCH(QVector<int>, chunkRows);

    PatternWidget widget(QSize(30, rowHeight * rowCount), false);
    const auto grid = renderWidget(&widget, QVector<int>{12, 18}, rowHeight, rowCount, 0);

    QVector<int> painted;
    int y = 0;
    for (const QRect &rect : qAsConst(widget.paintedRects)) {
        QCOMPARE(rect.top(), y);
        QCOMPARE(rect.height() % rowHeight, 0);
        QVERIFY(rect.height() <= 19999);
        painted.append(rect.height() / rowHeight);
        y += rect.height();
    }
    QCOMPARE(painted, chunkRows);
    QCOMPARE(grid.size(), rowCount);
    for (const auto &row : grid) {
        QCOMPARE(row.at(0).size(), QSize(12, rowHeight));
        QCOMPARE(row.at(1).size(), QSize(18, rowHeight));
    }
}

void tst_ZImage::tileContent()
{
    const QVector<int> widths{40, 25, 60, 33};
    const int rowHeight = 7;
    const int yOffset = 11;
    PatternWidget widget(QSize(158, 11 + 7 * 30));
    const auto grid = renderWidget(&widget, widths, rowHeight, 30, yOffset);
    QCOMPARE(grid.size(), 30);

    for (int r : {0, 5, 29}) {
        int x = 0;
        for (int c = 0; c < widths.size(); ++c) {
            const QImage &tile = grid.at(r).at(c);
            QCOMPARE(tile.size(), QSize(widths.at(c), rowHeight));
            for (const QPoint p : {QPoint(0, 0), QPoint(widths.at(c) - 1, rowHeight - 1),
                                   QPoint(widths.at(c) / 2, 3)}) {
                QCOMPARE(tile.pixel(p), PatternWidget::expected(x + p.x(),
                                                                yOffset + r * rowHeight + p.y()));
            }
            x += widths.at(c);
        }
    }
}

void tst_ZImage::cellForm()
{
    PatternWidget a(QSize(72, 50));
    PatternWidget b(QSize(72, 50));
    const auto byCells = renderWidget(&a, 24, 3, 10, 4, 5);
    const auto byWidths = renderWidget(&b, QVector<int>{24, 24, 24}, 10, 4, 5);
    QCOMPARE(byCells.size(), 4);
    QCOMPARE(byCells, byWidths);
    QCOMPARE(renderWidget(&a, 24, -1, 10, 4, 5).first().size(), 0);
}

void tst_ZImage::sharedTiles_data()
{
    QTest::addColumn<QVector<int>>("widths");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("kinds"); // colours the cells take in turn
    QTest::addColumn<bool>("odd");
    QTest::addColumn<int>("distinct"); // pixel buffers held

    QTest::addRow("all alike") << QVector<int>{30, 30, 30} << 40 << 1 << false << 1;
    QTest::addRow("widths apart") << QVector<int>{30, 31, 30} << 40 << 1 << false << 2;
    QTest::addRow("three colours") << QVector<int>{30, 30} << 40 << 3 << false << 3;
    QTest::addRow("one pixel apart") << QVector<int>{30, 30} << 40 << 1 << true << 2;
    // Rows over many chunks of one band, and several bands.
    QTest::addRow("many chunks") << QVector<int>{900, 900} << 3000 << 2 << false << 2;
    QTest::addRow("many bands") << QVector<int>{15000, 15000, 15000} << 20 << 2 << false << 2;
}

// Tiles with the same pixels share them; each shows its own cell.
void tst_ZImage::sharedTiles()
{
    QFETCH(QVector<int>, widths);
    QFETCH(int, rows);
    QFETCH(int, kinds);
    QFETCH(bool, odd);
    QFETCH(int, distinct);
    const int rowHeight = 10;
    CellWidget widget(widths, rowHeight, rows, kinds, odd);
    auto grid = renderWidget(&widget, widths, rowHeight, rows, 0);
    QCOMPARE(grid.size(), rows);
    QSet<const uchar *> buffers;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < widths.size(); ++c) {
            const QImage &tile = grid.at(r).at(c);
            QCOMPARE(tile.size(), QSize(widths.at(c), rowHeight));
            buffers.insert(tile.constBits());
            const bool oddPixel = odd && r == 1 && c == 1;
            QCOMPARE(tile.pixel(2, 2), oddPixel ? qRgb(0, 0, 0) : widget.colourOf(r, c).rgb());
            QCOMPARE(tile.pixel(widths.at(c) - 1, rowHeight - 1), widget.colourOf(r, c).rgb());
        }
    }
    QCOMPARE(buffers.size(), distinct);
    // Pixels that no tile uses any more are given back, not kept mapped.
    grid.clear();
    for (const uchar *pixels : qAsConst(buffers))
        QVERIFY(!mapped(pixels));
}

void tst_ZImage::keptTiles_data()
{
    QTest::addColumn<QVector<int>>("widths");
    QTest::addColumn<int>("rowHeight");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("keepEvery"); // tiles kept past their picture
    QTest::addColumn<bool>("elsewhere"); // the picture dropped on another thread

    // 2,000 tiles of 8 KiB or 16 KiB, of their own pixels each: over
    // several chunks of pixels.
    QTest::addRow("one tile in 97") << QVector<int>{200, 400} << 10 << 1000 << 97 << false;
    QTest::addRow("the first tile") << QVector<int>{200, 400} << 10 << 1000 << 2000 << false;
    QTest::addRow("dropped on another thread") << QVector<int>{200, 400} << 10 << 1000 << 97 << true;
    // Tiles larger than a chunk (1.6 MB) between small ones.
    QTest::addRow("wide tiles") << QVector<int>{20000, 100} << 20 << 4 << 3 << true;
}

// Tiles kept after the rest of their picture has gone keep their pixels,
// whichever thread dropped the rest.
void tst_ZImage::keptTiles()
{
    QFETCH(QVector<int>, widths);
    QFETCH(int, rowHeight);
    QFETCH(int, rows);
    QFETCH(int, keepEvery);
    QFETCH(bool, elsewhere);
    PatternWidget widget(QSize(widths.at(0) + widths.at(1), rows * rowHeight));
    QVector<QImage> kept;
    QVector<QPoint> origins;
    {
        auto grid = renderWidget(&widget, widths, rowHeight, rows, 0);
        for (int i = 0; i < rows * 2; i += keepEvery) {
            kept.append(grid.at(i / 2).at(i % 2));
            origins.append(QPoint(i % 2 ? widths.at(0) : 0, i / 2 * rowHeight));
        }
        if (elsewhere)
            std::thread([&grid] { grid.clear(); }).join();
    }
    for (int i = 0; i < kept.size(); ++i) {
        const QImage &tile = kept.at(i);
        const QPoint last(tile.width() - 1, rowHeight - 1);
        QCOMPARE(tile.pixel(0, 0), PatternWidget::expected(origins.at(i).x(), origins.at(i).y()));
        QCOMPARE(tile.pixel(last), PatternWidget::expected(origins.at(i).x() + last.x(),
                                                            origins.at(i).y() + last.y()));
    }
}

void tst_ZImage::room_data()
{
    QTest::addColumn<qint64>("ceiling"); // -1: all there is
    QTest::addColumn<bool>("drawn");
    // Three rows of one 10 x 10 tile: their pixels, 256 bytes a tile and
    // 32 MiB for Qt's painting.
    const qint64 asked = 10 * 30 * 4 + 3 * 256 + (qint64(32) << 20);
    QTest::addRow("all there is") << qint64(-1) << true;
    QTest::addRow("just enough") << asked << true;
    QTest::addRow("a byte short") << asked - 1 << false;
    QTest::addRow("none") << qint64(0) << false;
}

// Each chunk asks for the room its tiles could take before it is painted;
// without it, nothing is painted and std::bad_alloc unwinds.
void tst_ZImage::room()
{
    QFETCH(qint64, ceiling);
    QFETCH(bool, drawn);
    PatternWidget widget(QSize(10, 30), false);
    memoryroom::setCeiling(ceiling);
    bool thrown = false;
    try {
        const auto grid = renderWidget(&widget, QVector<int>{10}, 10, 3, 0);
        QCOMPARE(grid.size(), 3);
    } catch (const std::bad_alloc &) {
        thrown = true;
    }
    memoryroom::setCeiling(-1);
    QCOMPARE(thrown, !drawn);
    QCOMPARE(widget.paintedRects.size(), drawn ? 1 : 0);
}

void tst_ZImage::oldFormGivesTheSameTiles_data()
{
    QTest::addColumn<QVector<int>>("widths");
    QTest::addColumn<int>("rowHeight");
    QTest::addColumn<int>("rowCount");
    QTest::addColumn<int>("widgetHeight");

    // Rows in two chunks (higher than one band image may be).
    QTest::addRow("tall") << QVector<int>{40, 25, 33} << 9 << 3000 << 11 + 9 * 3000;
    // A wide widget is painted in several strips of one band image each.
    QTest::addRow("wide") << QVector<int>{1200, 1000} << 20 << 150 << 11 + 20 * 150;
    // Rows below the widget's edge: nothing of an earlier strip shows
    // through in them.
    QTest::addRow("rows past the widget") << QVector<int>{1200, 1000} << 20 << 150 << 11 + 20 * 60;
}

void tst_ZImage::oldFormGivesTheSameTiles()
{
    QFETCH(QVector<int>, widths);
    QFETCH(int, rowHeight);
    QFETCH(int, rowCount);
    QFETCH(int, widgetHeight);
    int width = 0;
    for (int w : widths)
        width += w;
    PatternWidget a(QSize(width, widgetHeight));
    PatternWidget b(QSize(width, widgetHeight));
    const auto now = renderWidget(&a, widths, rowHeight, rowCount, 11);
    const auto old = renderWidget_old(&b, widths, rowHeight, rowCount, 11);
    QCOMPARE(old.size(), rowCount);
    QCOMPARE(old, now);
    QCOMPARE(renderWidget_old(&b, widths, 0, 3, 0).size(), 0);
    QCOMPARE(renderWidget_old(nullptr, widths, 9, 3, 0).size(), 0);
}

void tst_ZImage::buildsImageOfView()
{
    // The way the views build their picture: the header strip, then the
    // rows below it.
    const QVector<int> widths{50, 50};
    PatternWidget widget(QSize(100, 20 + 10 * 8));
    const auto header = renderWidget(&widget, widths, 20, 1, 0);
    const auto body = renderWidget(&widget, widths, 8, 10, 20);
    const ZImage image(header.first(), body);
    QCOMPARE(image.columns(), 2);
    QCOMPARE(image.rows(), 10);
    QCOMPARE(image.headerHeight(), 20);
    QCOMPARE(image.rowHeight(), 8);
    QCOMPARE(image.rect(), QRect(0, 0, 100, 100));
    QCOMPARE(image.getHeaderPart(1).pixel(0, 19), PatternWidget::expected(50, 19));
    QCOMPARE(image.getPart(9, 1).pixel(49, 7), PatternWidget::expected(99, 99));
}

void tst_ZImage::rendersItemView()
{
    // A table sized to its whole content, rendered the way the panes do it:
    // the viewport is a child widget, so children must be painted in place.
    const int rows = 3000;
    QStandardItemModel model(rows, 2);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < 2; ++c) {
            auto *item = new QStandardItem;
            item->setBackground(QColor(r % 256, (r / 256) * 8, c * 200));
            model.setItem(r, c, item);
        }
    }
    QTableView view;
    view.setModel(&model);
    view.setShowGrid(false);
    view.setFocusPolicy(Qt::NoFocus);
    view.setSelectionMode(QAbstractItemView::NoSelection);
    view.verticalHeader()->hide();
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.verticalHeader()->setMinimumSectionSize(10);
    view.verticalHeader()->setDefaultSectionSize(10);
    view.horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.horizontalHeader()->setDefaultSectionSize(40);
    view.setFrameShape(QFrame::NoFrame);
    view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const int headerHeight = view.horizontalHeader()->sizeHint().height();
    view.resize(80, headerHeight + rows * 10);
    view.show(); // lays the header out
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QCOMPARE(view.horizontalHeader()->height(), headerHeight);
    QCOMPARE(view.rowHeight(0), 10);

    const auto body = renderWidget(&view, QVector<int>{40, 40}, 10, rows, headerHeight);
    QCOMPARE(body.size(), rows);
    for (int r : {0, 1, 998, 999, 1000, 1999, 2000, 2999}) {
        for (int c = 0; c < 2; ++c) {
            const QColor want(r % 256, (r / 256) * 8, c * 200);
            QCOMPARE(QColor(body.at(r).at(c).pixel(20, 5)), want);
        }
    }
}

QTEST_MAIN(tst_ZImage)
#include "tst_zimage.moc"
