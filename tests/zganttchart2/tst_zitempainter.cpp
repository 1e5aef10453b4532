#include "zganttviewdelegate.h"
#include "zitempainter.h"

#include <QPainter>
#include <QStyleOptionViewItem>
#include <QtTest>

namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlack = qRgb(0, 0, 0);

QImage whiteImage(int w = 40, int h = 40)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(kWhite);
    return image;
}

// The painted pixels of each row as "x1-x2" runs, from the given top row.
QStringList rowRuns(const QImage &image, int top, int count)
{
    QStringList rows;
    for (int y = top; y < top + count; ++y) {
        int first = -1;
        int last = -1;
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != kWhite) {
                if (first < 0)
                    first = x;
                last = x;
            }
        }
        rows << (first < 0 ? QStringLiteral("-") : QStringLiteral("%1-%2").arg(first).arg(last));
    }
    return rows;
}

QImage drawn(ZItemShape shape, int size = 11)
{
    QImage image = whiteImage();
    QPainter p(&image);
    p.setPen(Qt::black);
    ZItemPainter::drawShape(&p, QRect(QPoint(10, 10), QPoint(20, 20)), shape, size);
    return image;
}

} // namespace

class tst_ZItemPainter : public QObject
{
    Q_OBJECT
private slots:
    void names_data();
    void names();
    void shapes_data();
    void shapes();
    void squareTooSmall();
    void circle();
    void freeDrawShapeByName();
    void innerBar();
    void fullBar();
    void ganttChartItem();
    void ganttChartItemWithoutShapeName();
};

void tst_ZItemPainter::names_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("shape");
    QTest::addRow("Circle") << QStringLiteral("Circle") << 1;
    QTest::addRow("Square") << QStringLiteral("Square") << 2;
    QTest::addRow("Diamond") << QStringLiteral("Diamond") << 3;
    QTest::addRow("SouthPenta") << QStringLiteral("SouthPenta") << 4;
    QTest::addRow("NorthPenta") << QStringLiteral("NorthPenta") << 5;
    QTest::addRow("WestPenta") << QStringLiteral("WestPenta") << 6;
    QTest::addRow("EastPenta") << QStringLiteral("EastPenta") << 7;
    QTest::addRow("NorthCone") << QStringLiteral("NorthCone") << 8;
    QTest::addRow("SouthCone") << QStringLiteral("SouthCone") << 9;
    QTest::addRow("EastCone") << QStringLiteral("EastCone") << 10;
    QTest::addRow("WestCone") << QStringLiteral("WestCone") << 11;
    QTest::addRow("case differs") << QStringLiteral("circle") << 0;
    QTest::addRow("NoShape") << QStringLiteral("NoShape") << 0;
    QTest::addRow("empty") << QString() << 0;
    QTest::addRow("picker placeholder") << QStringLiteral("<None>") << 0;
}

void tst_ZItemPainter::names()
{
    QFETCH(QString, name);
    QFETCH(int, shape);
    QCOMPARE(int(ZItemPainter::stringToShape(name)), shape);
    if (shape != 0)
        QCOMPARE(ZItemPainter::shapeToString(static_cast<ZItemShape>(shape)), name);
}

void tst_ZItemPainter::shapes_data()
{
    // An 11 x 11 box from (10, 10) to (20, 20), size 11.
    QTest::addColumn<int>("shape");
    QTest::addColumn<QStringList>("rows");
    QTest::addRow("Diamond") << int(Diamond)
                             << QStringList{"15-15", "14-16", "13-17", "12-18", "11-19", "10-20",
                                            "11-19", "12-18", "13-17", "14-16", "15-15"};
    QTest::addRow("SouthPenta") << int(SouthPenta)
                                << QStringList{"10-20", "10-20", "10-20", "10-20", "10-20", "10-20",
                                               "11-19", "12-18", "13-17", "14-16", "15-15"};
    QTest::addRow("NorthPenta") << int(NorthPenta)
                                << QStringList{"15-15", "14-16", "13-17", "12-18", "11-19", "10-20",
                                               "10-20", "10-20", "10-20", "10-20", "10-20"};
    QTest::addRow("WestPenta") << int(WestPenta)
                               << QStringList{"15-20", "14-20", "13-20", "12-20", "11-20", "10-20",
                                              "11-20", "12-20", "13-20", "14-20", "15-20"};
    QTest::addRow("EastPenta") << int(EastPenta)
                               << QStringList{"10-15", "10-16", "10-17", "10-18", "10-19", "10-20",
                                              "10-19", "10-18", "10-17", "10-16", "10-15"};
    QTest::addRow("SouthCone") << int(SouthCone)
                               << QStringList{"10-20", "11-19", "11-19", "12-18", "12-18", "13-17",
                                              "13-17", "14-16", "14-16", "15-15", "15-15"};
    QTest::addRow("NorthCone") << int(NorthCone)
                               << QStringList{"15-15", "14-16", "14-16", "13-17", "13-17", "12-18",
                                              "12-18", "11-19", "11-19", "10-20", "10-20"};
    QTest::addRow("Square") << int(Square)
                            << QStringList{"-", "11-19", "11-19", "11-19", "11-19", "11-19", "11-19",
                                           "11-19", "11-19", "11-19", "-"};
    QTest::addRow("NoShape") << int(NoShape) << QStringList(QVector<QString>(11, QStringLiteral("-")).toList());
}

void tst_ZItemPainter::shapes()
{
    QFETCH(int, shape);
    QFETCH(QStringList, rows);
    QCOMPARE(rowRuns(drawn(static_cast<ZItemShape>(shape)), 10, 11), rows);
}

void tst_ZItemPainter::squareTooSmall()
{
    QCOMPARE(drawn(Square, 2), whiteImage());
    QCOMPARE(drawn(Diamond, 0), whiteImage());
}

void tst_ZItemPainter::circle()
{
    QImage image = whiteImage();
    QPainter p(&image);
    p.setPen(Qt::black);
    p.setBrush(Qt::black);
    ZItemPainter::drawShape(&p, QRect(QPoint(10, 10), QPoint(20, 20)), Circle, 11);
    p.end();
    // A 10 x 10 circle from (10, 10): its centre is painted, corners are not.
    QCOMPARE(image.pixel(15, 15), kBlack);
    QCOMPARE(image.pixel(10, 10), kWhite);
    QCOMPARE(image.pixel(22, 15), kWhite);
}

void tst_ZItemPainter::freeDrawShapeByName()
{
    QImage image = whiteImage();
    QPainter p(&image);
    p.setPen(Qt::black);
    drawShape(&p, QRect(QPoint(10, 10), QPoint(20, 20)), QStringLiteral("EastCone"), 11);
    drawShape(&p, QRect(QPoint(0, 25), QPoint(10, 35)), QStringLiteral("NoSuchShape"), 11);
    p.end();
    // Vertical lines: column 10 full height, column 20 a single pixel.
    QCOMPARE(image.pixel(10, 10), kBlack);
    QCOMPARE(image.pixel(10, 20), kBlack);
    QCOMPARE(image.pixel(20, 15), kBlack);
    QCOMPARE(image.pixel(20, 14), kWhite);
    QCOMPARE(rowRuns(image, 25, 11), QStringList(QVector<QString>(11, QStringLiteral("-")).toList()));
}

void tst_ZItemPainter::innerBar()
{
    QImage image = whiteImage();
    QPainter p(&image);
    ZItemPainter::drawInnerBar(&p, QRect(5, 10, 20, 20), QBrush(Qt::black), 3, 4);
    p.end();
    QCOMPARE(rowRuns(image, 13, 5), (QStringList{"-", "5-24", "5-24", "5-24", "-"}));

    QImage untouched = whiteImage();
    QPainter q(&untouched);
    QTest::ignoreMessage(QtWarningMsg, "Invalid brush assigned in drawInnerBar");
    ZItemPainter::drawInnerBar(&q, QRect(5, 10, 20, 20), QBrush(), 5, 0);
    ZItemPainter::drawInnerBar(&q, QRect(5, 10, 20, 20), QBrush(Qt::black), 0, 0); // nothing, no warning
    q.end();
    QCOMPARE(untouched, whiteImage());
}

void tst_ZItemPainter::fullBar()
{
    QImage image = whiteImage();
    QPainter p(&image);
    ZItemPainter::drawFullBar(&p, QRect(0, 10, 10, 20), QBrush(Qt::black), Qt::AlignCenter, 0.5);
    ZItemPainter::drawFullBar(&p, QRect(20, 10, 10, 20), QBrush(Qt::black), Qt::AlignBottom, 4);
    p.end();
    const QStringList rows = rowRuns(image, 10, 20);
    for (int i = 0; i < 20; ++i) {
        QString expected = (i >= 5 && i <= 14) ? QStringLiteral("0-9") : QStringLiteral("-");
        if (i >= 16)
            expected = expected == QLatin1String("-") ? QStringLiteral("20-29") : QStringLiteral("0-29");
        QCOMPARE(rows.at(i), expected);
    }
}

void tst_ZItemPainter::ganttChartItem()
{
    ZGanttViewDelegate delegate;
    ZGanttViewBarStyle style;
    style.bodyColor = QColor(0, 0, 255);
    style.bodyShapeHeight = 5;
    style.bodyShapeOffset = 3;
    style.startPointShape = QStringLiteral("Diamond");
    style.startPointColor = QColor(255, 0, 0);
    style.endPointShape = QStringLiteral("SouthCone");
    style.endPointColor = QColor(0, 128, 0);

    QImage image(120, 30, QImage::Format_RGB32);
    image.fill(kWhite);
    QPainter p(&image);
    QStyleOptionViewItem option;
    option.rect = QRect(20, 5, 80, 20);
    delegate.drawGanttChartItem(&p, option, QModelIndex(), style);
    p.end();

    // Body rows 8..12 over the whole cell width.
    QCOMPARE(image.pixel(60, 9), qRgb(0, 0, 255));
    QCOMPARE(image.pixel(60, 7), kWhite);
    QCOMPARE(image.pixel(60, 13), kWhite);
    // Start diamond centred on the left edge, from y 8: its tip at (20, 8).
    QCOMPARE(image.pixel(20, 8), qRgb(255, 0, 0));
    QCOMPARE(image.pixel(15, 13), qRgb(255, 0, 0));
    QCOMPARE(image.pixel(16, 8), kWhite);
    // End cone on the right edge (x = 99): full width on its first row.
    QCOMPARE(image.pixel(94, 8), qRgb(0, 128, 0));
    QCOMPARE(image.pixel(104, 8), qRgb(0, 128, 0));
    QCOMPARE(image.pixel(99, 18), qRgb(0, 128, 0));
}

void tst_ZItemPainter::ganttChartItemWithoutShapeName()
{
    ZGanttViewDelegate delegate;
    ZGanttViewBarStyle style;
    style.startPointColor = QColor(255, 0, 0); // colour but no shape: nothing
    QImage image = whiteImage();
    QPainter p(&image);
    QStyleOptionViewItem option;
    option.rect = QRect(10, 10, 20, 20);
    delegate.drawGanttChartItem(&p, option, QModelIndex(), style);
    p.end();
    QCOMPARE(image, whiteImage());
}

QTEST_MAIN(tst_ZItemPainter)
#include "tst_zitempainter.moc"
