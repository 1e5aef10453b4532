#include "zdatatableview.h"
#include "zgrouptablewidget.h"
#include "zlinestylecombo.h"
#include "zlinestylewidget.h"
#include "zprogress.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QtTest>

namespace {

bool darkInRow(const QImage &image, int y, int x0, int x1)
{
    for (int x = x0; x <= x1; ++x) {
        if (qGray(image.pixel(x, y)) < 128)
            return true;
    }
    return false;
}

int ink(const QImage &image, QRgb background)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) != background ? 1 : 0;
    return n;
}

} // namespace

class tst_SmallWidgets : public QObject
{
    Q_OBJECT
private slots:
    void lineStylePopupPaints();
    void lineStylePopupClicks_data();
    void lineStylePopupClicks();
    void lineStyleCombo();
    void progressTimer();
    void progressPaint();
    void groupTableCursor();
    void dataTableLastRow();
};

void tst_SmallWidgets::lineStylePopupPaints()
{
    ZLineStyleWidget popup;
    QCOMPARE(popup.size(), QSize(120, 100));
    popup.setColor(Qt::black);
    QImage image(popup.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    popup.render(&image);
    // Five bands of 20 pixels with their lines at y 10, 30, 50, 70 and 90.
    for (int y : {10, 30, 50, 70, 90}) {
        QVERIFY2(darkInRow(image, y, 12, 100), qPrintable(QString::number(y)));
        QVERIFY(!darkInRow(image, y + 5, 12, 100));
    }
    QCOMPARE(popup.styles().size(), 5);
}

void tst_SmallWidgets::lineStylePopupClicks_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<int>("expected"); // -1: no signal
    QTest::addRow("first band") << QPoint(60, 5) << int(Qt::SolidLine);
    QTest::addRow("third band") << QPoint(60, 45) << int(Qt::DotLine);
    QTest::addRow("last band") << QPoint(60, 95) << int(Qt::DashDotDotLine);
    QTest::addRow("outside") << QPoint(300, 300) << -1;
    QTest::addRow("margin") << QPoint(3, 45) << -1;
}

void tst_SmallWidgets::lineStylePopupClicks()
{
    QFETCH(QPoint, pos);
    QFETCH(int, expected);
    ZLineStyleWidget popup;
    popup.show();
    QVERIFY(QTest::qWaitForWindowExposed(&popup));
    QSignalSpy spy(&popup, &ZLineStyleWidget::selected);
    QMouseEvent press(QEvent::MouseButtonPress, pos, popup.mapToGlobal(pos), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&popup, &press);
    if (expected < 0) {
        QCOMPARE(spy.count(), 0);
        QCOMPARE(popup.isVisible(), pos.x() < 0 || pos.x() >= 120 ? false : true);
    } else {
        QCOMPARE(spy.count(), 1);
        QCOMPARE(int(popup.currentStyle()), expected);
        QVERIFY(!popup.isVisible());
    }
}

void tst_SmallWidgets::lineStyleCombo()
{
    QWidget window;
    auto *combo = new ZLineStyleCombo(&window);
    combo->resize(150, 24);
    window.resize(200, 100);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(combo->penStyle(), Qt::SolidLine);
    QTest::mouseClick(combo, Qt::LeftButton, Qt::NoModifier, QPoint(20, 10));
    QVERIFY(combo->popup()->isVisible());
    QCOMPARE(combo->popup()->color(), QColor(Qt::blue));
    QSignalSpy spy(combo, &ZLineStyleCombo::lineStyleChanged);
    QMouseEvent press(QEvent::MouseButtonPress, QPoint(60, 65),
                      combo->popup()->mapToGlobal(QPoint(60, 65)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(combo->popup(), &press);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(combo->penStyle(), Qt::DashDotLine);
}

void tst_SmallWidgets::progressTimer()
{
    ZProgress progress;
    progress.setAnimationDelay(10);
    QVERIFY(!progress.isAnimated()); // a delay alone does not start it
    QCOMPARE(progress.property("delay").toInt(), 10);
    progress.startAnimation();
    QVERIFY(progress.isAnimated());
    QTRY_VERIFY(progress.angle() > 0);
    QCOMPARE(progress.angle() % 30, 0);
    progress.setAnimationDelay(20);
    QVERIFY(progress.isAnimated());
    progress.stopAnimation();
    QVERIFY(!progress.isAnimated());
    const int angle = progress.angle();
    QTest::qWait(50);
    QCOMPARE(progress.angle(), angle);
}

void tst_SmallWidgets::progressPaint()
{
    for (int size : {32, 40}) {
        ZProgress progress;
        progress.resize(size, size);
        QImage image(progress.size(), QImage::Format_RGB32);
        image.fill(Qt::white);
        progress.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        QCOMPARE(ink(image, qRgb(255, 255, 255)), 0); // stopped and hidden
        progress.setDisplayedWhenStopped(true);
        progress.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        QVERIFY(ink(image, qRgb(255, 255, 255)) > 0);
        // The first capsule, fully opaque, points straight up from the centre.
        QCOMPARE(image.pixel(size - size / 2, 3), qRgb(0, 0, 0));
        QCOMPARE(image.pixel(size - size / 2, size / 2), qRgb(255, 255, 255));
    }
}

void tst_SmallWidgets::groupTableCursor()
{
    ZGroupTableWidget table;
    table.setRowCount(2);
    table.setColumnCount(3);
    table.resize(400, 200);
    table.show();
    QVERIFY(QTest::qWaitForWindowExposed(&table));
    QVERIFY(table.hasMouseTracking());
    auto move = [&](const QPoint &p) {
        QMouseEvent event(QEvent::MouseMove, p, table.viewport()->mapToGlobal(p), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(table.viewport(), &event);
    };
    const QRect col2 = table.visualRect(table.model()->index(0, 2));
    const QRect col1 = table.visualRect(table.model()->index(1, 1));
    move(col2.center());
    QCOMPARE(table.viewport()->cursor().shape(), Qt::PointingHandCursor);
    move(QPoint(col2.center().x(), 190)); // no cell: unchanged
    QCOMPARE(table.viewport()->cursor().shape(), Qt::PointingHandCursor);
    move(col1.center());
    QCOMPARE(table.viewport()->cursor().shape(), Qt::ArrowCursor);
}

void tst_SmallWidgets::dataTableLastRow()
{
    QStandardItemModel model(3, 2);
    for (int c = 0; c < 2; ++c)
        model.setData(model.index(2, c), QColor(Qt::red), Qt::BackgroundRole);
    ZDataTableView view;
    view.setModel(&model);
    view.resize(300, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const QRect last = view.visualRect(model.index(2, 0));
    const QImage image = view.viewport()->grab().toImage();
    // The last row again, one row lower.
    QCOMPARE(image.pixel(last.center() + QPoint(0, last.height())), qRgb(255, 0, 0));
    QVERIFY(image.pixel(last.center() + QPoint(0, 2 * last.height() + 2)) != qRgb(255, 0, 0));

    // An empty model paints as a plain table view.
    QStandardItemModel empty;
    ZDataTableView mine;
    QTableView plain;
    for (QTableView *v : {static_cast<QTableView *>(&mine), &plain}) {
        v->setModel(&empty);
        v->resize(300, 200);
    }
    QCOMPARE(mine.grab().toImage(), plain.grab().toImage());
}

QTEST_MAIN(tst_SmallWidgets)
#include "tst_smallwidgets.moc"
