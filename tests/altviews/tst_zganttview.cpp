#include "zganttview.h"
#include "zganttviewdelegate.h"
#include "ztimelineheader.h"
#include "ztrackingganttviewdelegate.h"
#include "ztreemodel.h"
#include "treetext.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <QtTest>

#include <functional>

namespace {

const QStringList kCaptions = {"Name", "Start Date", "Finish Date", "Type", "Total float",
                               "Progress"};

// Rows 22 pixels high, like the Gantt rows.
class RowDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem &o, const QModelIndex &i) const override
    {
        return {QStyledItemDelegate::sizeHint(o, i).width(), 22};
    }
};

class TestView : public ZGanttView
{
public:
    using ZGanttView::setSelection;
    using ZGanttView::verticalOffset;
};

QList<QStandardItem *> row(const QString &name, const QDate &start, const QDate &finish,
                           const QString &type, const QVariant &totalFloat,
                           const QString &progress = QString())
{
    QList<QStandardItem *> items;
    items << new QStandardItem(name);
    auto date = [](const QDate &d) {
        auto *item = new QStandardItem;
        if (d.isValid())
            item->setData(QDateTime(d, QTime(8, 0)), Qt::DisplayRole);
        return item;
    };
    items << date(start) << date(finish) << new QStandardItem(type);
    auto *fl = new QStandardItem;
    fl->setData(totalFloat, Qt::DisplayRole);
    items << fl << new QStandardItem(progress);
    return items;
}

const QColor kAlternate(200, 230, 200);
const QRgb kOrange = qRgb(255, 165, 0);

// A ZTreeModel with the Gantt captions, filled from "a[b,c[d]],e": the k-th
// row made is a task from day 2k to day 2k + 1 after Monday 23 January 2017.
class GanttTree : public ZTreeModel
{
public:
    explicit GanttTree(const QString &text)
    {
        for (int c = 0; c < kCaptions.size(); ++c)
            m_horizontalHeader[c][Qt::DisplayRole] = kCaptions.at(c);
        fill(text, {});
    }
    void add(int row, const QString &name, const QModelIndex &parent, int day)
    {
        insertRows(row, 1, parent);
        const QDate d = QDate(2017, 1, 23).addDays(day);
        const QVariantList values = {name, QDateTime(d, QTime(8, 0)),
                                     QDateTime(d.addDays(1), QTime(8, 0)), "TT_Task"};
        for (int c = 0; c < values.size(); ++c)
            setData(index(row, c, parent), values.at(c));
    }
    QModelIndex find(const QString &path) const
    {
        return indexFromPath(path.split(QLatin1Char('/')));
    }

private:
    void fill(const QString &text, const QModelIndex &parent)
    {
        for (const TreeTextEntry &entry : treeTextEntries(text)) {
            const int row = rowCount(parent);
            add(row, entry.name, parent, 2 * m_made++);
            if (entry.branch)
                fill(entry.children, index(row, 0, parent));
        }
    }
    int m_made = 0;
};

// P (summary) with children A, B (critical) and M (milestone); C at the top.
// Monday 23 January 2017 is the range start, one day = 32 pixels. Given a
// model of its own, the views show that one instead.
struct Fixture
{
    QWidget window;
    QStandardItemModel model;
    QTreeView *tree = nullptr;
    TestView *view = nullptr;

    explicit Fixture(const std::function<void(QStandardItemModel &)> &fill = {},
                     QAbstractItemModel *shown = nullptr)
    {
        model.setHorizontalHeaderLabels(kCaptions);
        if (fill) {
            fill(model);
        } else {
            const QDate d0(2017, 1, 23);
            QList<QStandardItem *> p = row("P", d0, d0.addDays(11), "WBS", 4);
            p.first()->appendRow(row("A", d0.addDays(1), d0.addDays(2), "TT_Task", 5));
            p.first()->appendRow(row("B", d0.addDays(7), d0.addDays(8), "TT_Task", 0));
            p.first()->appendRow(row("M", d0.addDays(3), d0.addDays(3), "TT_Mile", 2));
            model.appendRow(p);
            model.appendRow(row("C", d0.addDays(10), d0.addDays(11), "TT_Task", 3));
        }

        auto *layout = new QHBoxLayout(&window);
        tree = new QTreeView;
        tree->setItemDelegate(new RowDelegate(tree));
        tree->setUniformRowHeights(true);
        tree->header()->hide();
        view = new TestView;
        QPalette pal = view->palette();
        pal.setColor(QPalette::Base, Qt::white);
        pal.setColor(QPalette::AlternateBase, kAlternate);
        view->setPalette(pal);
        layout->addWidget(tree);
        layout->addWidget(view);
        tree->setModel(shown ? shown : &model);
        view->setModel(shown ? shown : &model);
        view->setBuddyView(tree);
        view->setTaskTypeColumn(3);
        view->setTimeLineFlags(TimeLineMonth | TimeLineDay);
        tree->expandAll();
        window.resize(1200, 400);
        window.show();
        const bool exposed = QTest::qWaitForWindowExposed(&window);
        Q_ASSERT(exposed);
        Q_UNUSED(exposed)
    }
    QModelIndex idx(int r, int c = 0, const QModelIndex &parent = {}) const
    {
        return model.index(r, c, parent);
    }
    QModelIndex p() const { return idx(0); }
    QImage grab() const { return view->viewport()->grab().toImage(); }
};

} // namespace

class tst_ZGanttView : public QObject
{
    Q_OBJECT
private slots:
    void geometry();
    void timeRangeCoversChildren();
    void timeRangeWithoutDates();
    void barPixels();
    void linkPixels_data();
    void linkPixels();
    void linkUpwardsAndBack();
    void linksFollowRows_data();
    void linksFollowRows();
    void backgroundPixels();
    void buddyScrolling();
    void buddySelectionAndExpansion();
    void rectangleSelectionInTree();
    void scrollToWideBar();
    void taskTypes_data();
    void taskTypes();
    void critical_data();
    void critical();
    void styles();
    void trackingStyle();
    void labels();
    void toImageRestores();
    void state();
};

void tst_ZGanttView::geometry()
{
    Fixture f;
    ZTimeLineHeader *header = f.view->horizontalHeader();
    QCOMPARE(header->rangeStart(), QDate(2017, 1, 23));
    QCOMPARE(header->rangeEnd(), QDate(2017, 2, 3));
    QCOMPARE(f.view->visibleItems().size(), 5);
    // Rows follow the tree's order: P, A, B, M, C.
    QCOMPARE(f.view->indexAt(QPoint(500, 21)), f.p());
    QCOMPARE(f.view->indexAt(QPoint(0, 22)), f.idx(0, 0, f.p()));
    QCOMPARE(f.view->indexAt(QPoint(0, 4 * 22)), f.idx(1));
    QVERIFY(!f.view->indexAt(QPoint(0, 5 * 22)).isValid());
    QCOMPARE(f.view->visualRect(f.idx(1)), QRect(0, 88, f.view->viewport()->width(), 22));
    QVERIFY(f.view->visualRect(f.idx(1, 3)).isNull());
    // A bar spans from its start day to the end of its finish day.
    const QModelIndex a = f.idx(0, 0, f.p());
    QCOMPARE(f.view->viewportRectForType(a, 1, 2), QRect(QPoint(32, 22), QPoint(95, 43)));
    QCOMPARE(f.view->viewportRectForType(f.idx(0, 3, f.p()), 1, 2),
             f.view->viewportRectForType(a, 1, 2));
    const QModelIndex m = f.idx(2, 0, f.p());
    QCOMPARE(f.view->viewportRectForType(m, 1, 2).width(), 32);
    QVERIFY(f.view->viewportRectForType(a, -1, 2).isNull());
    QVERIFY(f.view->viewportRectForType(a, 0, 2).isNull()); // not a date
}

void tst_ZGanttView::timeRangeCoversChildren()
{
    QStandardItemModel model;
    model.setHorizontalHeaderLabels(kCaptions);
    QList<QStandardItem *> top = row("T", QDate(2020, 1, 10), QDate(2020, 1, 12), "WBS", 1);
    top.first()->appendRow(row("c", QDate(2020, 1, 5), QDate(2020, 1, 20), "TT_Task", 1));
    model.appendRow(top);
    model.appendRow(row("U", QDate(2020, 1, 8), QDate(2020, 1, 9), "TT_Task", 1));
    ZGanttView view;
    view.setModel(&model);
    QCOMPARE(view.horizontalHeader()->rangeStart(), QDate(2020, 1, 5));
    QCOMPARE(view.horizontalHeader()->rangeEnd(), QDate(2020, 1, 20));
}

void tst_ZGanttView::timeRangeWithoutDates()
{
    QStandardItemModel model(2, 2);
    model.setHorizontalHeaderLabels({"Name", "Start"});
    ZGanttView view;
    const QDate start = view.horizontalHeader()->rangeStart();
    QCOMPARE(view.horizontalHeader()->rangeEnd(), start.addMonths(6));
    QTest::ignoreMessage(QtWarningMsg, "No start/finish date set");
    view.setModel(&model);
    QCOMPARE(view.horizontalHeader()->rangeStart(), start);
}

void tst_ZGanttView::barPixels()
{
    Fixture f;
    const QImage image = f.grab();
    const QRgb taskBlue = QColor(QStringLiteral("#99CCFF")).rgb();
    // A: task body rows 6..16 of its row, from x 32 to 95.
    QCOMPARE(image.pixel(60, 22 + 6), taskBlue);
    QCOMPARE(image.pixel(60, 22 + 16), taskBlue);
    QCOMPARE(image.pixel(60, 22 + 17), qRgb(255, 255, 255));
    QCOMPARE(image.pixel(31, 30), qRgb(255, 255, 255));
    // B is critical: drawn once, in red.
    QCOMPARE(image.pixel(250, 44 + 10), qRgb(255, 0, 0));
    // P is a summary: a black band at rows 3..7.
    QCOMPARE(image.pixel(150, 5), qRgb(0, 0, 0));
    QCOMPARE(image.pixel(150, 10), qRgb(255, 255, 255));
    // M: a black diamond at its start, no body.
    QCOMPARE(image.pixel(96, 66 + 6 + 5), qRgb(0, 0, 0));
    QCOMPARE(image.pixel(115, 66 + 11), qRgb(255, 255, 255));
    // C: a plain task.
    QCOMPARE(image.pixel(340, 88 + 10), taskBlue);
}

void tst_ZGanttView::linkPixels_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QPoint>("onPath");
    QTest::addColumn<QPoint>("arrow");
    // B (row 2, x 224..287) after A (row 1, x 32..95); the arrow points down
    // into B's row 5 pixels below its top.
    QTest::addRow("FS") << "FS" << QPoint(150, 33) << QPoint(224, 49);
    QTest::addRow("FF") << "FF" << QPoint(150, 33) << QPoint(287, 49);
    QTest::addRow("SS") << "SS" << QPoint(150, 33) << QPoint(224, 49);
}

void tst_ZGanttView::linkPixels()
{
    QFETCH(QString, type);
    QFETCH(QPoint, onPath);
    QFETCH(QPoint, arrow);
    Fixture f;
    const QModelIndex a = f.idx(0, 0, f.p());
    const QModelIndex b = f.idx(1, 0, f.p());
    f.view->setPredecessorForIndex(b, a, type);
    const QImage image = f.grab();
    QCOMPARE(image.pixel(onPath), qRgb(0, 0, 0));
    QCOMPARE(image.pixel(arrow), qRgb(0, 0, 0));
    // The head is 9 pixels wide at its base, 4 above the tip.
    QCOMPARE(image.pixel(arrow + QPoint(-4, -4)), qRgb(0, 0, 0));
    QCOMPARE(image.pixel(arrow + QPoint(4, -4)), qRgb(0, 0, 0));
    QVERIFY(image.pixel(arrow + QPoint(-5, -4)) != qRgb(0, 0, 0));
    QCOMPARE(image.pixel(arrow + QPoint(0, 1)), qRgb(255, 0, 0)); // B's red bar
    // Hidden links draw nothing; a critical predecessor draws red.
    f.view->setLinksVisible(false);
    QCOMPARE(f.grab().pixel(onPath), qRgb(255, 255, 255));
    f.view->setLinksVisible(true);
    f.view->clearPredecessorForIndex(b);
    f.view->setPredecessorForIndex(f.idx(1), b, type); // C after critical B
    const QImage red = f.grab();
    QCOMPARE(red.pixel(QPoint(300, 55)), qRgb(255, 0, 0));
}

void tst_ZGanttView::linkUpwardsAndBack()
{
    // A (row 1) after B (row 2), though it starts before B ends: the path
    // drops to B's top edge, runs left and goes up into A from below.
    Fixture f;
    f.view->setPredecessorForIndex(f.idx(0, 0, f.p()), f.idx(1, 0, f.p()), "FS");
    const QImage image = f.grab();
    const QRgb kRed = qRgb(255, 0, 0); // B, the predecessor, is critical
    QCOMPARE(image.pixel(287, 47), kRed); // up from the right end of B to its top
    QCOMPARE(image.pixel(150, 44), kRed); // the leg at B's top edge
    QCOMPARE(image.pixel(32, 39), kRed);  // arrow tip, 4 inside A's bottom
    QCOMPARE(image.pixel(28, 43), kRed);  // its 9-pixel base
    QCOMPARE(image.pixel(36, 43), kRed);
    QCOMPARE(image.pixel(30, 40), qRgb(255, 255, 255)); // beside the narrow tip
    // Invalid or identical ends are refused.
    f.view->setPredecessorForIndex(f.idx(1), f.idx(1), "FS");
    f.view->setPredecessorForIndex(f.idx(1), QModelIndex(), "FS");
    QCOMPARE(f.grab().pixel(150, 44), kRed);
}

void tst_ZGanttView::linksFollowRows_data()
{
    QTest::addColumn<QString>("tree");
    QTest::addColumn<QString>("link");     // "successor<predecessor", by path
    QTest::addColumn<QString>("operation"); // "<verb> <path or row>"; N is a new row
    QTest::addColumn<QString>("drawn");    // a link that must be drawn, or empty
    QTest::addColumn<QString>("notDrawn"); // a link that must not be drawn, or empty

    const QString abc = QStringLiteral("A,B,C");
    QTest::addRow("insert above") << abc << "C<A" << "insert 0" << "C<A" << "B<N";
    QTest::addRow("move up") << abc << "C<A" << "up C" << "C<A" << "B<A";
    QTest::addRow("move down") << abc << "C<A" << "down A" << "C<A" << "C<B";
    QTest::addRow("promote") << "P[A,B],C" << "P/B<P/A" << "promote P/A" << "P/B<A" << QString();
    QTest::addRow("remove successor") << abc << "B<A" << "remove B" << QString() << "C<A";
    QTest::addRow("remove predecessor") << abc << "C<A" << "remove A" << QString() << "C<B";
    QTest::addRow("remove their parent") << "P[A,B],C" << "P/B<P/A" << "remove P" << QString()
                                         << QString();
    QTest::addRow("row replaced") << abc << "B<A" << "replace B" << QString() << "N<A";
}

void tst_ZGanttView::linksFollowRows()
{
    QFETCH(QString, tree);
    QFETCH(QString, link);
    QFETCH(QString, operation);
    QFETCH(QString, drawn);
    QFETCH(QString, notDrawn);
    GanttTree model(tree);
    Fixture f({}, &model);
    // The link is set on the cells of the finish column, as a caller holding
    // any cell of the rows would.
    const QStringList ends = link.split(QLatin1Char('<'));
    f.view->setPredecessorForIndex(model.find(ends.at(0)).siblingAtColumn(2),
                                   model.find(ends.at(1)).siblingAtColumn(2), "FS");
    f.grab();

    const QString verb = operation.section(QLatin1Char(' '), 0, 0);
    const QString target = operation.section(QLatin1Char(' '), 1);
    const QPersistentModelIndex index = model.find(target);
    const QPersistentModelIndex parent = index.parent();
    const int row = index.row();
    if (verb == QLatin1String("insert")) {
        model.add(target.toInt(), "N", {}, 0);
    } else if (verb == QLatin1String("up")) {
        model.moveUp(index);
    } else if (verb == QLatin1String("down")) {
        model.moveDown(index);
    } else if (verb == QLatin1String("promote")) {
        model.promote(index);
    } else {
        QVERIFY(model.removeRow(row, parent));
        if (verb == QLatin1String("replace"))
            model.add(row, "N", parent, 0);
    }
    f.tree->expandAll();
    const QImage image = f.grab();

    // An "FS" link shows at both ends: the tip of its arrow head in the
    // successor's row and its first step out of the predecessor's bar.
    auto linkDrawn = [&](const QString &pair) {
        const QStringList names = pair.split(QLatin1Char('<'));
        const QRect a = f.view->viewportRectForType(model.find(names.at(0)), 1, 2);
        const QRect b = f.view->viewportRectForType(model.find(names.at(1)), 1, 2);
        const bool above = a.top() < b.top();
        const QPoint head(a.left(), above ? a.bottom() - 4 : a.top() + 5);
        const QPoint tail = a.left() > b.right() ? QPoint(b.right() + 1, (b.top() + b.bottom()) / 2 + 1)
                                                 : QPoint(b.right(), above ? b.top() + 1 : b.bottom());
        return !a.isNull() && !b.isNull() && image.pixel(head) == qRgb(0, 0, 0)
            && image.pixel(tail) == qRgb(0, 0, 0);
    };
    if (!drawn.isEmpty())
        QVERIFY2(linkDrawn(drawn), qPrintable(drawn));
    if (!notDrawn.isEmpty())
        QVERIFY2(!linkDrawn(notDrawn), qPrintable(notDrawn));
}

void tst_ZGanttView::backgroundPixels()
{
    Fixture f;
    f.view->setDataDate(QDateTime(QDate(2017, 1, 25), QTime(0, 0)));
    f.view->selectionModel()->select(f.idx(1), QItemSelectionModel::ClearAndSelect
                                                   | QItemSelectionModel::Rows);
    QImage image = f.grab();
    // Saturday 28 January: two day units wide, the whole height.
    QCOMPARE(image.pixel(180, 300), kAlternate.rgb());
    QCOMPARE(image.pixel(223, 300), kAlternate.rgb());
    QCOMPARE(image.pixel(224, 300), qRgb(255, 255, 255));
    QCOMPARE(image.pixel(140, 300), qRgb(255, 255, 255));
    // The month boundary line (1 February) and the data-date line.
    QCOMPARE(image.pixel(288, 300), QColor(Qt::gray).rgb());
    QCOMPARE(image.pixel(64, 300), kOrange);
    // The selection frame around C's row.
    QCOMPARE(image.pixel(450, 88), QColor(Qt::gray).rgb());
    QCOMPARE(image.pixel(450, 95), qRgb(255, 255, 255));

    // Without a day bottom there are no weekend bands; without vertical lines
    // no grid.
    f.view->setTimeLineFlags(TimeLineMonth | TimeLineWeek);
    f.view->setVerticalLines(false);
    f.view->setDataDate(QDateTime());
    image = f.grab();
    for (int x = 0; x < 400; x += 7)
        QCOMPARE(image.pixel(x, 300), qRgb(255, 255, 255));
}

void tst_ZGanttView::buddyScrolling()
{
    Fixture f([](QStandardItemModel &model) {
        for (int i = 0; i < 100; ++i)
            model.appendRow(row(QString::number(i), QDate(2020, 1, 1).addDays(i % 60),
                                QDate(2020, 1, 2).addDays(i % 60), "TT_Task", 1));
    });
    QTreeView *tree = f.tree;
    TestView *view = f.view;
    tree->verticalScrollBar()->setValue(10);
    QCOMPARE(view->verticalScrollBar()->value(), 10);
    QCOMPARE(view->verticalOffset(), 220);
    QCOMPARE(view->indexAt(QPoint(0, 0)), f.idx(10));
    view->verticalScrollBar()->setValue(20);
    QCOMPARE(tree->verticalScrollBar()->value(), 20);
    QCOMPARE(view->visualRect(f.idx(21)).top(), 22);
    // The painted rows are the tree's rows on screen.
    const QList<QModelIndex> shown = view->viewportIndexes();
    QCOMPARE(shown.first(), tree->indexAt(QPoint(0, 0)));
    QCOMPARE(shown.last(), tree->indexAt(QPoint(0, tree->viewport()->height() - 1)));
    // The horizontal scroll bar snaps to whole days.
    view->horizontalScrollBar()->setValue(70);
    QCOMPARE(view->horizontalScrollBar()->value(), 64);
    QCOMPARE(view->horizontalHeader()->scrollValue(), 64u);
}

void tst_ZGanttView::buddySelectionAndExpansion()
{
    Fixture f;
    const QModelIndex b = f.idx(1, 0, f.p());
    f.tree->setCurrentIndex(b);
    QCOMPARE(f.view->currentIndex(), b);
    QCOMPARE(f.view->selectedRows(), QList<int>{2});
    f.view->selectionModel()->setCurrentIndex(f.idx(1), QItemSelectionModel::ClearAndSelect
                                                            | QItemSelectionModel::Rows);
    QCOMPARE(f.tree->currentIndex(), f.idx(1));
    f.tree->collapse(f.p());
    QCOMPARE(f.view->visibleItems(), (QList<QModelIndex>{f.p(), f.idx(1)}));
    QCOMPARE(f.view->visualRect(f.idx(1)).top(), 22);
    QVERIFY(f.view->viewportRectForType(b, 1, 2).isNull());
    f.tree->expand(f.p());
    QCOMPARE(f.view->visibleItems().size(), 5);
    QCOMPARE(f.view->visibleItems().at(3), f.idx(2, 0, f.p()));
    // Removed rows leave no index behind; the next paint shows the rest.
    f.model.removeRow(0);
    QVERIFY(!f.view->indexAt(QPoint(0, 30)).isValid());
    f.grab();
    QCOMPARE(f.view->visibleItems(), QList<QModelIndex>{f.idx(0)});
}

void tst_ZGanttView::rectangleSelectionInTree()
{
    Fixture f;
    // Rows 1 and 2 on screen are A and B, children of P.
    f.view->setSelection(QRect(0, 25, 10, 30), QItemSelectionModel::ClearAndSelect);
    QItemSelectionModel *sel = f.view->selectionModel();
    QVERIFY(sel->isRowSelected(0, f.p()));
    QVERIFY(sel->isRowSelected(1, f.p()));
    QVERIFY(!sel->isRowSelected(0, QModelIndex()));
    QVERIFY(!sel->isRowSelected(1, QModelIndex()));
    QCOMPARE(f.view->selectedRows(), (QList<int>{1, 2}));
    // Beyond the last row nothing changes.
    f.view->setSelection(QRect(0, 100, 10, 30), QItemSelectionModel::ClearAndSelect);
    QCOMPARE(f.view->selectedRows(), (QList<int>{1, 2}));
}

void tst_ZGanttView::scrollToWideBar()
{
    Fixture f([](QStandardItemModel &model) {
        model.appendRow(row("early", QDate(2020, 1, 1), QDate(2020, 1, 2), "TT_Task", 1));
        model.appendRow(row("wide", QDate(2020, 1, 20), QDate(2020, 3, 31), "TT_Task", 1));
    });
    f.view->scrollTo(f.idx(1));
    // The bar's start comes to the left edge, not further.
    QCOMPARE(f.view->horizontalScrollBar()->value(), 19 * 32);
    QCOMPARE(f.view->viewportRectForType(f.idx(1), 1, 2).left(), 0);
}

void tst_ZGanttView::taskTypes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    QTest::addRow("task") << "TT_Task" << 0;
    QTest::addRow("level of effort") << "Level of Effort" << 0;
    QTest::addRow("milestone") << "TT_Mile" << 1;
    QTest::addRow("finish milestone") << "TT_FinMile" << 1;
    QTest::addRow("other") << "WBS" << -1;
    QTest::addRow("empty") << "" << -1;
}

void tst_ZGanttView::taskTypes()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    Fixture f;
    f.model.setData(f.idx(1, 3), text);
    QCOMPARE(int(f.view->taskType(f.idx(1))), expected);
    QCOMPARE(int(f.view->taskType(f.idx(1, 4))), expected);
    QCOMPARE(int(f.view->taskType(f.p())), 2); // children: a summary whatever its text
    f.view->setTaskTypeColumn(-1);
    QCOMPARE(int(f.view->taskType(f.idx(1))), -1);
    QCOMPARE(int(f.view->taskType(QModelIndex())), -1);
}

void tst_ZGanttView::critical_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("expected");
    QTest::addRow("zero") << QVariant(0) << true;
    QTest::addRow("negative") << QVariant(-2.5) << true;
    QTest::addRow("text") << QVariant(QStringLiteral("n/a")) << true;
    QTest::addRow("positive") << QVariant(1) << false;
    QTest::addRow("null") << QVariant() << false;
}

void tst_ZGanttView::critical()
{
    QFETCH(QVariant, value);
    QFETCH(bool, expected);
    Fixture f;
    f.model.setData(f.idx(1, 4), value);
    QCOMPARE(f.view->isActivityCritical(f.idx(1), 4), expected);
    QVERIFY(!f.view->isActivityCritical(f.idx(1), -1));
    QVERIFY(!f.view->isActivityCritical(QModelIndex(), 4));
}

void tst_ZGanttView::styles()
{
    Fixture f;
    const QList<ZGanttViewBarStyle> styles = f.view->barStyles();
    QCOMPARE(styles.size(), 7);
    f.view->setBarStyles({});
    QCOMPARE(f.view->barStyles().size(), 7);
    QVERIFY(f.view->matchTypes(2, ZGanttView::TaskTypeSummary));
    QVERIFY(!f.view->matchTypes(0, ZGanttView::TaskTypeSummary));
    QVERIFY(f.view->matchTypes(6, ZGanttView::TaskTypeMilestone));
    QVERIFY(!f.view->matchTypes(7, ZGanttView::TaskTypeTask));
    QVERIFY(!f.view->getColor(7).isValid());

    // A visible baseline adds a band at rows 18..20 of a task row.
    const QRgb baseline = QColor(QStringLiteral("#666699")).rgb();
    QVERIFY(f.grab().pixel(340, 88 + 19) != baseline);
    QList<ZGanttViewBarStyle> changed = styles;
    changed[5].visible = true;
    f.view->setBarStyles(changed);
    QCOMPARE(f.grab().pixel(340, 88 + 19), baseline);
}

void tst_ZGanttView::trackingStyle()
{
    Fixture f;
    f.model.setData(f.idx(1, 5), QStringLiteral("50%"));
    f.view->setTrackingStyle(true);
    const QImage image = f.grab();
    // C spans x 320..383 (64 pixels): progress band over its first 32.
    const QRgb planned = QColor(QStringLiteral("#99CCFF")).rgb();
    const QRgb done = QColor(QStringLiteral("#3b87d4")).rgb();
    QCOMPARE(image.pixel(330, 88 + 10), done);
    QCOMPARE(image.pixel(351, 88 + 10), done);
    QCOMPARE(image.pixel(352, 88 + 10), planned);
    QCOMPARE(image.pixel(330, 88 + 8), qRgb(255, 255, 255));
    // A has no progress text: only the planned band; B is not red here.
    QCOMPARE(image.pixel(60, 22 + 10), planned);
    QCOMPARE(image.pixel(250, 44 + 10), planned);

    // Without "%" no progress is drawn.
    ZTrackingGanttViewDelegate delegate;
    delegate.setProgressColumn(5);
    f.model.setData(f.idx(1, 5), QStringLiteral("50"));
    QImage img(200, 22, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter painter(&img);
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 101, 22);
    delegate.paint(&painter, option, f.idx(1));
    painter.end();
    QCOMPARE(img.pixel(10, 10), planned);
}

void tst_ZGanttView::labels()
{
    QStandardItemModel model;
    model.setHorizontalHeaderLabels(kCaptions);
    model.appendRow(row("WWWWWW", QDate(2020, 1, 1), QDate(2020, 1, 2), "TT_Task", 1));
    ZGanttViewDelegate delegate;
    ZGanttViewBarStyle style;
    style.displayColumns.insert(Qt::AlignRight, QStringLiteral("Name"));
    delegate.setBarStyles({style});
    QImage image(300, 22, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(Qt::black);
    QStyleOptionViewItem option;
    option.rect = QRect(20, 0, 50, 22);
    option.fontMetrics = QFontMetrics(painter.font());
    option.type = 0;
    delegate.paint(&painter, option, model.index(0, 0));
    painter.end();
    auto inkIn = [&](int x0, int x1) {
        for (int x = x0; x <= x1; ++x)
            for (int y = 0; y < 22; ++y)
                if (image.pixel(x, y) != qRgb(255, 255, 255))
                    return true;
        return false;
    };
    QVERIFY(!inkIn(0, 78));  // nothing on or before the bar
    QVERIFY(inkIn(79, 130)); // the text starts 10 pixels right of it
    // Index -1 with an empty list: no body, no labels.
    ZGanttViewDelegate empty;
    QImage blank(100, 22, QImage::Format_RGB32);
    blank.fill(Qt::white);
    QPainter p2(&blank);
    option.type = -1;
    empty.paint(&p2, option, model.index(0, 0));
    p2.end();
    QCOMPARE(blank.pixel(40, 10), qRgb(255, 255, 255));
}

void tst_ZGanttView::toImageRestores()
{
    Fixture f;
    f.view->horizontalScrollBar()->setValue(64);
    f.view->selectionModel()->select(f.idx(1), QItemSelectionModel::Select
                                                   | QItemSelectionModel::Rows);
    const QSize size = f.view->size();
    const int hscroll = f.view->horizontalScrollBar()->value();
    const ZImage image = f.view->toImage();
    QCOMPARE(image.rows(), 5);
    QCOMPARE(image.columns(), f.view->horizontalHeader()->sizeHint().width() / 32);
    QCOMPARE(image.rowHeight(), 22);
    QCOMPARE(image.headerHeight(), 48);
    QCOMPARE(f.view->size(), size);
    QCOMPARE(f.view->horizontalScrollBar()->value(), hscroll);
    QCOMPARE(f.view->horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    QVERIFY(!f.view->signalsBlocked());
    QVERIFY(!f.view->selectionModel()->hasSelection());
    QVERIFY(!f.view->horizontalHeader()->screenshotMode());
    // The tiles hold the bars at content positions: A's body in row 1.
    const QImage tile = image.getPart(1, 1); // x 32..63
    QCOMPARE(tile.pixel(5, 10), QColor(QStringLiteral("#99CCFF")).rgb());
}

void tst_ZGanttView::state()
{
    Fixture f;
    QCOMPARE(f.view->toVariant().toMap().value("timelineFlags").toInt(), 20);
    f.view->fromVariant(QVariantMap{{"timelineFlags", 8}});
    QCOMPARE(int(f.view->flags()), 8);
    f.view->fromVariant(QVariantMap());
    QCOMPARE(int(f.view->flags()), 0);
    QCOMPARE(f.view->horizontalHeader()->defaultSectionSize(), 32);
}

QTEST_MAIN(tst_ZGanttView)
#include "tst_zganttview.moc"
