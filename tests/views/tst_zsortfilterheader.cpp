#include "activitydetails.h"
#include "resources.h"
#include "zfilterdialogproxymodel.h"
#include "zsortfilterheader.h"
#include "zsortfilterwidget.h"

#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableView>
#include <QToolTip>
#include <QtTest>

class tst_ZSortFilterHeader : public QObject
{
    Q_OBJECT
private slots:
    void record();
    void sorting();
    void pressReportsSection_data();
    void pressReportsSection();
    void boxesBesideEdges();
    void paintsWidgetMarks();
    void widgetGoneIsHarmless();
    void captionsCutAtTheirEnd_data();
    void captionsCutAtTheirEnd();
};

static QStandardItemModel *makeModel(QObject *parent)
{
    auto *model = new QStandardItemModel(3, 3, parent);
    model->setHorizontalHeaderLabels({ "Activity ID", "Activity Name", "Start" });
    return model;
}

void tst_ZSortFilterHeader::record()
{
    ZSortFilterHeader header(Qt::Horizontal);
    QVERIFY(header.testAttribute(Qt::WA_Hover));
    QVERIFY(header.hasMouseTracking());
    QSignalSpy spy(&header, &ZSortFilterHeader::filterSettingsChanged);
    QVERIFY(!header.hasAnyFilter());

    header.setFilter(2);
    header.setFilter(2);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(header.filteredColumns(), QList<int>({ 2 }));
    QVERIFY(header.hasAnyFilter());
    header.setFilter(0);
    QCOMPARE(header.filteredColumns(), QList<int>({ 2, 0 }));
    QCOMPARE(spy.count(), 2);

    header.clearFilter(5);
    QCOMPARE(spy.count(), 2);
    header.clearFilter(2);
    QCOMPARE(spy.count(), 3);
    QCOMPARE(header.filteredColumns(), QList<int>({ 0 }));

    header.clearAll();
    QCOMPARE(spy.count(), 4);
    QVERIFY(!header.hasAnyFilter());
    header.clearAll();
    QCOMPARE(spy.count(), 4);
}

void tst_ZSortFilterHeader::sorting()
{
    ZSortFilterHeader header(Qt::Horizontal);
    QSignalSpy spy(&header, &ZSortFilterHeader::filterSettingsChanged);
    QCOMPARE(header.sortColumn(), -1);
    header.sortByColumn(1, Qt::AscendingOrder);
    QCOMPARE(spy.count(), 1);
    header.sortByColumn(1, Qt::AscendingOrder);
    QCOMPARE(spy.count(), 1);
    header.sortByColumn(1, Qt::DescendingOrder);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(header.sortOrder(), Qt::DescendingOrder);
    header.sortByColumn(-1, Qt::DescendingOrder);
    QCOMPARE(spy.count(), 3);
    QCOMPARE(header.sortColumn(), -1);
}

void tst_ZSortFilterHeader::pressReportsSection_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("buttonValue");
    QTest::addColumn<int>("section");
    QTest::addColumn<int>("left");

    QTest::addRow("first") << 10 << int(Qt::LeftButton) << 0 << 0;
    QTest::addRow("second, right button") << 150 << int(Qt::RightButton) << 1 << 100;
    QTest::addRow("corner of third") << 297 << int(Qt::LeftButton) << 2 << 200;
    QTest::addRow("right of the last") << 350 << int(Qt::LeftButton) << -1 << -1;
}

void tst_ZSortFilterHeader::pressReportsSection()
{
    QFETCH(int, x);
    QFETCH(int, buttonValue);
    const auto button = Qt::MouseButton(buttonValue);
    QFETCH(int, section);
    QFETCH(int, left);

    QTableView view;
    QStandardItemModel *model = makeModel(&view);
    auto *header = new ZSortFilterHeader(Qt::Horizontal, &view);
    view.setHorizontalHeader(header);
    view.setModel(model);
    header->setStretchLastSection(false);
    for (int c = 0; c < 3; ++c)
        header->resizeSection(c, 100);
    view.resize(420, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    QSignalSpy spy(header, &ZSortFilterHeader::popUp);
    const QPoint pos(x, header->height() / 2);
    QTest::mousePress(header->viewport(), button, Qt::NoModifier, pos);
    QCOMPARE(spy.count(), 1);
    const QRect rect = spy.at(0).at(0).toRect();
    QCOMPARE(spy.at(0).at(1).toInt(), section);
    QCOMPARE(spy.at(0).at(2).toPoint(), pos);
    QCOMPARE(rect.left(), left);
    QCOMPARE(rect.top(), 0);
    QCOMPARE(rect.bottom(), header->height() - 1);
    if (section >= 0) {
        QCOMPARE(rect.width(), 100);
        QCOMPARE(header->sectionRect(section), rect);
    }
    QTest::mouseRelease(header->viewport(), button, Qt::NoModifier, pos);
}

void tst_ZSortFilterHeader::boxesBesideEdges()
{
    QTableView view;
    view.setModel(makeModel(&view));
    auto *header = new ZSortFilterHeader(Qt::Horizontal, &view);
    view.setHorizontalHeader(header);
    header->setStretchLastSection(false);
    header->resizeSection(1, 80);
    header->setFixedHeight(27);
    view.resize(400, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const int left = header->sectionViewportPosition(1);
    // (27 - 1) / 2 = 13: rows 7 to 19.
    QCOMPARE(header->prevRect(1), QRect(QPoint(left + 1, 7), QPoint(left + 13, 19)));
    QCOMPARE(header->nextRect(1), QRect(QPoint(left + 80 - 15, 7), QPoint(left + 80 - 3, 19)));
    header->hideSection(1);
    QVERIFY(header->prevRect(1).isNull());
    QVERIFY(header->nextRect(1).isNull());
    QCOMPARE(header->sizeHint().height() >= header->minimumHeight(), true);
}

void tst_ZSortFilterHeader::paintsWidgetMarks()
{
    QTableView view;
    QStandardItemModel *model = makeModel(&view);
    auto *proxy = new ZFilterDialogProxyModel(&view);
    proxy->setSourceModel(model);
    auto *header = new ZSortFilterHeader(Qt::Horizontal, &view);
    view.setHorizontalHeader(header);
    view.setModel(proxy);
    header->setStretchLastSection(false);
    for (int c = 0; c < 3; ++c)
        header->resizeSection(c, 100);
    auto *widget = new ZSortFilterWidget(header, proxy, model, header);
    header->setSortFilterWidget(widget);
    QCOMPARE(header->sortFilterWidget(), widget);
    view.move(100, 100);
    view.resize(420, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    const QRect box = ZSortFilterWidget::buttonMenuRect(header->sectionRect(1));
    auto fillInBox = [&]() {
        const QImage image = header->viewport()->grab().toImage();
        return image.pixelColor(box.left() + 3, box.top() + 2);
    };
    // The cursor over section 1: its drop-down button shows.
    QCursor::setPos(header->viewport()->mapToGlobal(QPoint(150, 5)));
    QCOMPARE(fillInBox(), QColor(246, 246, 246));
    // Elsewhere: nothing.
    QCursor::setPos(header->viewport()->mapToGlobal(QPoint(50, 5)));
    QVERIFY(fillInBox() != QColor(246, 246, 246));
}

void tst_ZSortFilterHeader::widgetGoneIsHarmless()
{
    QTableView view;
    QStandardItemModel *model = makeModel(&view);
    auto *header = new ZSortFilterHeader(Qt::Horizontal, &view);
    view.setHorizontalHeader(header);
    view.setModel(model);
    auto *widget = new ZSortFilterWidget(header, nullptr, model, header);
    header->setSortFilterWidget(widget);
    delete widget;
    QCOMPARE(header->sortFilterWidget(), nullptr);
    view.resize(300, 100);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    header->viewport()->grab();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 5));
    QTest::keyClick(&view, Qt::Key_Down, Qt::AltModifier);
}

void tst_ZSortFilterHeader::captionsCutAtTheirEnd_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("cut");

    QTest::addRow("activity table") << "activities" << "Remaining Duration" << 100 << true;
    QTest::addRow("activity table, fits") << "activities" << "Start" << 90 << false;
    // 0: the caption's width, its margins and a little more, so that only
    // the arrow cuts it, whatever the font.
    QTest::addRow("sorted table, cut by the arrow") << "sorted" << "Remaining Duration" << 0 << true;
    QTest::addRow("resources page") << "resources" << "Planned Duration" << 80 << true;
    QTest::addRow("details table")
        << "details" << "Units per time for remaining work (hours per hour)" << 100 << true;
    QTest::addRow("details table, fits") << "details" << "Role" << 100 << false;
}

// A caption that does not fit shows its first characters and an ellipsis,
// and the section's tooltip gives it whole.
void tst_ZSortFilterHeader::captionsCutAtTheirEnd()
{
    QFETCH(QString, table);
    QFETCH(QString, caption);
    QFETCH(int, width);
    QFETCH(bool, cut);

    QTableView activities;
    activities.setHorizontalHeader(new ZSortFilterHeader(Qt::Horizontal, &activities));
    Resources resources;
    ActivityDetails details;
    QTableView *view = table == QLatin1String("resources") ? resources.tableView()
                       : table == QLatin1String("details") ? details.resourcesView()
                                                           : &activities;
    QWidget *window = view->window();
    QStandardItemModel model(1, 2);
    model.setHorizontalHeaderLabels({caption, QStringLiteral("Next")});
    view->setModel(&model);
    QHeaderView *header = view->horizontalHeader();
    header->setStretchLastSection(false);
    header->setSortIndicatorShown(table == QLatin1String("sorted"));
    header->setSortIndicator(0, Qt::AscendingOrder);
    if (width == 0) {
        width = header->fontMetrics().horizontalAdvance(caption)
            + 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header) + 16;
    }
    header->resizeSection(0, width);
    window->resize(400, 300);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));

    const auto picture = [header, width]() {
        return header->viewport()->grab(QRect(0, 0, width, header->height())).toImage();
    };
    const QImage painted = picture();
    // The section paints as it would with the shortest such text whole.
    QString shown;
    for (int n = 1; n < caption.size() && shown.isEmpty(); ++n) {
        const QString elided = caption.left(n) + QChar(0x2026);
        model.setHeaderData(0, Qt::Horizontal, elided);
        if (picture() == painted)
            shown = elided;
    }
    model.setHeaderData(0, Qt::Horizontal, caption);
    QCOMPARE(!shown.isEmpty(), cut);
    if (cut)
        QVERIFY2(shown.size() > 3, qPrintable(shown));

    const QPoint pos(width / 2, header->height() / 2);
    QToolTip::showText(header->viewport()->mapToGlobal(pos), QStringLiteral("before"), header->viewport());
    QHelpEvent help(QEvent::ToolTip, pos, header->viewport()->mapToGlobal(pos));
    QApplication::sendEvent(header->viewport(), &help);
    QCOMPARE(QToolTip::text(), cut ? caption : QStringLiteral("before"));
    QToolTip::hideText();
}

QTEST_MAIN(tst_ZSortFilterHeader)
#include "tst_zsortfilterheader.moc"
