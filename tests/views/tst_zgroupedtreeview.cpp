#include "zgroupedtreeview.h"
#include "zgroupedtreeviewdelegate.h"

#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QSignalSpy>
#include <QtTest>

// Columns: Name, Value, Group (the label column), Start.
// Tree:  G1 "Band A"            group, level 0
//          a1, a2               activities inside one group
//          G11 "Band A1"        group, level 1
//            a3
//        a4                     top-level activity
class tst_ZGroupedTreeView : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void settersAndDefaults();
    void visibleItemsAndLevels();
    void groupSections();
    void startAndEndColumns();
    void bandColoursAndStrips();
    void missingStyleIsPlain();
    void alternatingFollowsShownRows();
    void labelSpansMergedColumns();
    void screenshotStateRestored();
    void noModelPaintsNothing();
    void toImageWholeTree();
    void expandKeys_data();
    void expandKeys();
    void asteriskStopsAtTheLevelLimit();
    void focusMakesAHighlightedRowCurrent();
    void currentCellFramed_data();
    void leftRightStepShownColumns_data();
    void leftRightStepShownColumns();
    void movedFrameRepaintsTheRows();
    void currentCellFramed();
    void samePixelsAsStyle_data();
    void samePixelsAsStyle();
    void bandTitlesScrolledByKeys();

private:
    QList<QStandardItem *> row(const QString &name, const QString &group = QString());
    QModelIndex idx(const QString &name, int column = 0) const;
    QImage grab();
    QColor pixel(const QString &name, int column, int dx = -4);

    QStandardItemModel *m_model = nullptr;
    ZGroupedTreeView *m_view = nullptr;
};

static const QColor kBase(255, 255, 255);
static const QColor kAlternate(200, 255, 200);
static const QColor kBand0(220, 0, 0);
static const QColor kBand1(0, 0, 220);

QList<QStandardItem *> tst_ZGroupedTreeView::row(const QString &name, const QString &group)
{
    QList<QStandardItem *> items{ new QStandardItem(name), new QStandardItem(), new QStandardItem(),
                                  new QStandardItem() };
    if (!group.isNull())
        items[2]->setData(group, Qt::DisplayRole);
    return items;
}

QModelIndex tst_ZGroupedTreeView::idx(const QString &name, int column) const
{
    const QModelIndexList hits =
        m_model->match(m_model->index(0, 0), Qt::DisplayRole, name, 1, Qt::MatchExactly | Qt::MatchRecursive);
    if (hits.isEmpty())
        return QModelIndex();
    return hits.first().sibling(hits.first().row(), column);
}

QImage tst_ZGroupedTreeView::grab()
{
    const QImage image = m_view->viewport()->grab().toImage();
    if (qEnvironmentVariableIsSet("SV_DUMP"))
        image.save(QStringLiteral("/tmp/tree_%1.png").arg(QTest::currentTestFunction()));
    return image;
}

QColor tst_ZGroupedTreeView::pixel(const QString &name, int column, int dx)
{
    const QRect r = m_view->visualRect(idx(name, column));
    const QImage image = grab();
    const int x = dx < 0 ? r.right() + dx : r.left() + dx;
    return image.pixelColor(x, r.top() + 2);
}

void tst_ZGroupedTreeView::init()
{
    QCursor::setPos(0, 0);
    m_model = new QStandardItemModel;
    m_model->setHorizontalHeaderLabels({ "Name", "Value", "Group", "Start" });
    QList<QStandardItem *> g1 = row(QStringLiteral("G1"), QStringLiteral("Band A"));
    g1.first()->appendRow(row(QStringLiteral("a1")));
    g1.first()->appendRow(row(QStringLiteral("a2")));
    QList<QStandardItem *> g11 = row(QStringLiteral("G11"), QStringLiteral("Band A1"));
    g11.first()->appendRow(row(QStringLiteral("a3")));
    g1.first()->appendRow(g11);
    m_model->appendRow(g1);
    m_model->appendRow(row(QStringLiteral("a4")));

    m_view = new ZGroupedTreeView;
    QPalette pal = m_view->palette();
    pal.setColor(QPalette::Base, kBase);
    pal.setColor(QPalette::AlternateBase, kAlternate);
    m_view->setPalette(pal);
    m_view->setAlternatingRowColors(true);
    m_view->setUniformRowHeights(true);
    m_view->header()->setStretchLastSection(false);
    m_view->setModel(m_model);
    m_view->setDisplayColumn(2);
    m_view->header()->resizeSection(0, 90);
    m_view->header()->resizeSection(1, 60);
    m_view->header()->resizeSection(2, 60);
    m_view->header()->resizeSection(3, 80);
    m_view->setLevelStyles({ GroupStyle(QBrush(kBand0), QFont(), QColor(Qt::yellow)),
                             GroupStyle(QBrush(kBand1), QFont(), QColor(Qt::green)) });
    m_view->expandAll();
    m_view->move(300, 300);
    m_view->resize(400, 300);
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view));
    // Shown, the tree column made room for the two levels below the top;
    // the tests measure it at 90 pixels.
    QCoreApplication::sendPostedEvents();
    QCOMPARE(m_view->treeColumnGrowth(), 2 * m_view->indentation());
    m_view->header()->resizeSection(0, 90);
    // The current cell shows a focus frame; keep it off the sampled cells,
    // and no row highlighted (the view's focus may have made one current).
    m_view->selectionModel()->setCurrentIndex(idx(QStringLiteral("a3")), QItemSelectionModel::NoUpdate);
    m_view->selectionModel()->clearSelection();
}

void tst_ZGroupedTreeView::cleanup()
{
    delete m_view;
    m_view = nullptr;
    delete m_model;
    m_model = nullptr;
}

void tst_ZGroupedTreeView::settersAndDefaults()
{
    ZGroupedTreeView view;
    QCOMPARE(view.indentation(), 15);
    QCOMPARE(view.mergeColumns(), 2);
    QCOMPARE(view.displayColumn(), -1);
    QVERIFY(qobject_cast<ZGroupedTreeViewDelegate *>(view.itemDelegate()));

    view.setMergeColumns(0);
    QCOMPARE(view.mergeColumns(), 0);
    view.setMergeColumns(3);
    QCOMPARE(view.mergeColumns(), 0);
    view.setMergeColumns(1);
    QCOMPARE(view.mergeColumns(), 1);

    // Without a model the label column cannot be set.
    view.setDisplayColumn(1);
    QCOMPARE(view.displayColumn(), -1);
    view.setModel(m_model);
    view.setDisplayColumn(4);
    QCOMPARE(view.displayColumn(), -1);
    view.setDisplayColumn(2);
    QCOMPARE(view.displayColumn(), 2);
    QCOMPARE(qobject_cast<ZGroupedTreeViewDelegate *>(view.itemDelegate())->column(), 2);
    // Another delegate: nothing changes.
    QStyledItemDelegate other;
    view.setItemDelegate(&other);
    view.setDisplayColumn(1);
    QCOMPARE(view.displayColumn(), 2);
    view.setItemDelegate(nullptr);
}

void tst_ZGroupedTreeView::visibleItemsAndLevels()
{
    auto names = [](const QList<QModelIndex> &list) {
        QStringList out;
        for (const QModelIndex &i : list)
            out << i.data().toString();
        return out.join(QLatin1Char(' '));
    };
    QCOMPARE(names(m_view->visibleItems(QModelIndex())), QStringLiteral("G1 a1 a2 G11 a3 a4"));
    m_view->collapse(idx(QStringLiteral("G11")));
    QCOMPARE(names(m_view->visibleItems(QModelIndex())), QStringLiteral("G1 a1 a2 G11 a4"));
    QCOMPARE(names(m_view->visibleItems(idx(QStringLiteral("G1")))), QStringLiteral("a1 a2 G11"));

    QVERIFY(m_view->isGroupIndex(idx(QStringLiteral("G1"))));
    QVERIFY(m_view->isGroupIndex(idx(QStringLiteral("G11"), 3)));
    QVERIFY(!m_view->isGroupIndex(idx(QStringLiteral("a1"))));
    QVERIFY(!m_view->isGroupIndex(QModelIndex()));

    QCOMPARE(ZGroupedTreeView::levelFromIndex(idx(QStringLiteral("a3"))), 2);
    QCOMPARE(ZGroupedTreeView::levelFromIndex(QModelIndex()), 0);
    QCOMPARE(m_view->indentationForItem(idx(QStringLiteral("G1"))), 15);
    QCOMPARE(m_view->indentationForItem(idx(QStringLiteral("a3"))), 45);
    m_view->setRootIsDecorated(false);
    QCOMPARE(m_view->indentationForItem(idx(QStringLiteral("a3"))), 30);
    QCOMPARE(m_view->indentationForItem(QModelIndex()), 0);
}

void tst_ZGroupedTreeView::groupSections()
{
    QVector<int> sections;
    m_view->calcGroupSections(0, &sections);
    QCOMPARE(sections, QVector<int>({ 0, 1, 2 }));

    // The sections following in visual order, hidden ones included.
    m_view->header()->moveSection(3, 1); // visual: 0 3 1 2
    m_view->header()->hideSection(1);
    sections.clear();
    m_view->calcGroupSections(0, &sections);
    QCOMPARE(sections, QVector<int>({ 0, 3, 1 }));

    m_view->setMergeColumns(0);
    sections.clear();
    m_view->calcGroupSections(0, &sections);
    QCOMPARE(sections, QVector<int>({ 0 }));

    // Beyond the last column nothing is added.
    m_view->setMergeColumns(2);
    sections.clear();
    m_view->calcGroupSections(2, &sections);
    QCOMPARE(sections, QVector<int>({ 2 }));

    QCOMPARE(m_view->visibleColumnWidths(), QVector<int>({ 90, 80, 60 }));
}

void tst_ZGroupedTreeView::startAndEndColumns()
{
    QCOMPARE(m_view->startAndEndColumns(QRect(0, 0, 100, 10)), qMakePair(0, 1));
    QCOMPARE(m_view->startAndEndColumns(QRect(95, 0, 10, 10)), qMakePair(1, 1));
    // Right edge past the last section: the last column.
    QCOMPARE(m_view->startAndEndColumns(QRect(100, 0, 2000, 10)), qMakePair(1, 3));

    QVector<int> logical;
    QVector<QStyleOptionViewItem::ViewItemPosition> positions;
    m_view->calcLogicalIndices(&logical, &positions, 0, 3);
    QCOMPARE(logical, QVector<int>({ 0, 1, 2, 3 }));
    QCOMPARE(positions.first(), QStyleOptionViewItem::Beginning);
    QCOMPARE(positions.at(1), QStyleOptionViewItem::Middle);
    QCOMPARE(positions.last(), QStyleOptionViewItem::End);
}

void tst_ZGroupedTreeView::bandColoursAndStrips()
{
    // Group rows: every cell in the band colour of their level.
    QCOMPARE(pixel(QStringLiteral("G1"), 1), kBand0);
    QCOMPARE(pixel(QStringLiteral("G11"), 1), kBand1);
    QCOMPARE(pixel(QStringLiteral("G1"), 3), kBand0);
    QCOMPARE(pixel(QStringLiteral("G11"), 3), kBand1);
    // Activities: the row background.
    QCOMPARE(pixel(QStringLiteral("a2"), 3), kBase);

    // Strips in the indentation, one per enclosing level.
    const QImage image = grab();
    auto strip = [&](const QString &name, int i) {
        const QRect r = m_view->visualRect(idx(name));
        return image.pixelColor(i * 15 + 1, r.top() + 1);
    };
    QCOMPARE(strip(QStringLiteral("G1"), 0), kBand0);
    QCOMPARE(strip(QStringLiteral("a1"), 0), kBand0);
    QVERIFY(strip(QStringLiteral("a1"), 1) != kBand1);
    QCOMPARE(strip(QStringLiteral("G11"), 0), kBand0);
    QCOMPARE(strip(QStringLiteral("G11"), 1), kBand1);
    QCOMPARE(strip(QStringLiteral("a3"), 0), kBand0);
    QCOMPARE(strip(QStringLiteral("a3"), 1), kBand1);
    // A top-level activity has no strip.
    QVERIFY(strip(QStringLiteral("a4"), 0) != kBand0);
}

void tst_ZGroupedTreeView::missingStyleIsPlain()
{
    // Level 1 has no style: no band, the row's own background.
    m_view->setLevelStyles({ GroupStyle(QBrush(kBand0), QFont(), QColor(Qt::yellow)) });
    QCOMPARE(pixel(QStringLiteral("G1"), 3), kBand0);
    QCOMPARE(pixel(QStringLiteral("G11"), 3), kAlternate); // position 3
}

void tst_ZGroupedTreeView::alternatingFollowsShownRows()
{
    // Positions: G1 0, a1 1, a2 2, G11 3, a3 4, a4 5.
    QCOMPARE(pixel(QStringLiteral("a1"), 3), kAlternate);
    QCOMPARE(pixel(QStringLiteral("a2"), 3), kBase);
    QCOMPARE(pixel(QStringLiteral("a3"), 3), kBase);
    QCOMPARE(pixel(QStringLiteral("a4"), 3), kAlternate);

    m_view->collapse(idx(QStringLiteral("G11")));
    QCOMPARE(pixel(QStringLiteral("a4"), 3), kBase);

    // Collapsing and expanding everything reports no signal per row.
    m_view->collapseAll();
    QCOMPARE(pixel(QStringLiteral("a4"), 3), kAlternate);
    m_view->expandAll();
    QCOMPARE(pixel(QStringLiteral("a4"), 3), kAlternate);
    QCOMPARE(pixel(QStringLiteral("a2"), 3), kBase);

    // Rows inserted above shift the parity.
    m_model->insertRow(0, row(QStringLiteral("a0")));
    QCOMPARE(pixel(QStringLiteral("a0"), 3), kBase);
    QCOMPARE(pixel(QStringLiteral("a2"), 3), kAlternate);

    m_view->setAlternatingRowColors(false);
    QCOMPARE(pixel(QStringLiteral("a2"), 3), kBase);
}

void tst_ZGroupedTreeView::labelSpansMergedColumns()
{
    m_model->setData(idx(QStringLiteral("G1"), 2),
                     QStringLiteral("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW"));
    auto yellowInColumn1 = [&]() {
        const QRect r = m_view->visualRect(idx(QStringLiteral("G1"), 1));
        const QImage image = grab();
        int n = 0;
        for (int x = r.left(); x <= r.right(); ++x) {
            for (int y = r.top(); y <= r.bottom(); ++y) {
                const QColor c = image.pixelColor(x, y);
                if (c.red() > 180 && c.green() > 180 && c.blue() < 100)
                    ++n;
            }
        }
        return n;
    };
    QVERIFY(yellowInColumn1() > 10);
    m_view->setMergeColumns(0);
    m_view->viewport()->update();
    QCOMPARE(yellowInColumn1(), 0);
    // The band stays on every cell of the group row.
    QCOMPARE(pixel(QStringLiteral("G1"), 1), kBand0);
}

void tst_ZGroupedTreeView::screenshotStateRestored()
{
    m_view->resize(200, 60);
    QCoreApplication::processEvents();
    m_view->selectionModel()->setCurrentIndex(idx(QStringLiteral("a1")), QItemSelectionModel::Select);
    m_view->verticalScrollBar()->setValue(2);
    m_view->horizontalScrollBar()->setValue(20);
    const QSize before = m_view->size();
    QSignalSpy currentMoves(m_view->selectionModel(), &QItemSelectionModel::currentChanged);

    const QMap<QString, QVariant> state = m_view->saveStateBeforeScreenshot();
    QVERIFY(m_view->selectionModel()->selectedIndexes().isEmpty());
    QVERIFY(!m_view->currentIndex().isValid()); // no current cell's frame in the picture
    QCOMPARE(state.value(QStringLiteral("ver_scroll_val")).toInt(), 2);
    QCOMPARE(state.value(QStringLiteral("hor_scroll_val")).toInt(), 20);
    QCOMPARE(m_view->width(), 90 + 60 + 60 + 80);
    QCOMPARE(m_view->height(), m_view->header()->height() + 6 * 22);
    QVERIFY(m_view->signalsBlocked());

    m_view->restoreStateAfterScreenshoot(state);
    QVERIFY(!m_view->signalsBlocked());
    QCOMPARE(m_view->selectionModel()->selectedIndexes(), QModelIndexList{idx(QStringLiteral("a1"))});
    QCOMPARE(m_view->currentIndex(), idx(QStringLiteral("a1")));
    QCOMPARE(currentMoves.count(), 0);
    QCOMPARE(m_view->size(), before);
    QCOMPARE(m_view->verticalScrollBar()->value(), 2);
    QCOMPARE(m_view->horizontalScrollBar()->value(), 20);
    QCOMPARE(m_view->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    QCOMPARE(m_view->horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
}

void tst_ZGroupedTreeView::noModelPaintsNothing()
{
    ZGroupedTreeView view;
    view.resize(100, 100);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const QImage image = view.viewport()->grab().toImage();
    QCOMPARE(image.size(), view.viewport()->size());

    // A model that goes away leaves a view that paints nothing.
    auto *model = new QStandardItemModel(3, 2);
    view.setModel(model);
    view.viewport()->grab();
    delete model;
    view.viewport()->grab();
    QCOMPARE(view.model() == nullptr || view.model()->rowCount() == 0, true);
}

void tst_ZGroupedTreeView::toImageWholeTree()
{
    // A small window scrolled down: the image still holds every row.
    m_view->resize(200, 70);
    QCoreApplication::processEvents();
    m_view->verticalScrollBar()->setValue(m_view->verticalScrollBar()->maximum());
    const int scroll = m_view->verticalScrollBar()->value();
    QVERIFY(scroll > 0);
    const QSize before = m_view->size();

    const ZImage image = m_view->toImage();
    QCOMPARE(image.columns(), 4);
    QCOMPARE(image.rows(), 6);
    QCOMPARE(image.rowHeight(), 22);
    QCOMPARE(image.headerHeight(), m_view->header()->height());
    QCOMPARE(image.getHeaderPart(0).width(), 90);
    QCOMPARE(image.getPart(0, 3).width(), 80);
    auto at = [&](int row, int column) { return image.getPart(row, column).pixelColor(40, 3); };
    QCOMPARE(at(0, 3), kBand0);
    QCOMPARE(at(1, 3), kAlternate);
    QCOMPARE(at(2, 3), kBase);
    QCOMPARE(at(3, 3), kBand1);
    QCOMPARE(at(5, 3), kAlternate);
    QCOMPARE(image.getPart(3, 1).pixelColor(30, 3), kBand1);

    QCOMPARE(m_view->size(), before);
    QCOMPARE(m_view->verticalScrollBar()->value(), scroll);
    QCOMPARE(m_view->frameShape(), QFrame::StyledPanel);

    m_view->collapse(idx(QStringLiteral("G1")));
    QCOMPARE(m_view->toImage().rows(), 2);

    // No rows: a header and no body.
    ZGroupedTreeView empty;
    QStandardItemModel none(0, 3);
    empty.setModel(&none);
    const ZImage headerOnly = empty.toImage();
    QCOMPARE(headerOnly.rows(), 0);
    QCOMPARE(headerOnly.columns(), 3);
}

void tst_ZGroupedTreeView::expandKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("fromExpanded");
    QTest::addColumn<QString>("expanded");
    // Typed on a cell right of the tree column, as a user clicks a row.
    QTest::addRow("+") << int(Qt::Key_Plus) << int(Qt::ShiftModifier) << false << "G1";
    QTest::addRow("keypad +") << int(Qt::Key_Plus) << int(Qt::KeypadModifier) << false << "G1";
    QTest::addRow("*") << int(Qt::Key_Asterisk) << int(Qt::ShiftModifier) << false << "G1 G11";
    QTest::addRow("keypad *") << int(Qt::Key_Asterisk) << int(Qt::KeypadModifier) << false << "G1 G11";
    QTest::addRow("-") << int(Qt::Key_Minus) << int(Qt::NoModifier) << true << "G11";
    QTest::addRow("keypad -") << int(Qt::Key_Minus) << int(Qt::KeypadModifier) << true << "G11";
}

void tst_ZGroupedTreeView::expandKeys()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, fromExpanded);
    QFETCH(QString, expanded);
    // Cells right of the tree column never have children, as the activity
    // pane's filter reports them.
    for (const QString &name : { "G1", "G11", "a1", "a2", "a3", "a4" }) {
        for (int c = 1; c < 4; ++c) {
            QStandardItem *cell = m_model->itemFromIndex(idx(name, c));
            cell->setFlags(cell->flags() | Qt::ItemNeverHasChildren);
        }
    }
    if (fromExpanded)
        m_view->expandAll();
    else
        m_view->collapseAll();
    m_view->setCurrentIndex(idx(QStringLiteral("G1"), 1));
    QTest::keyClick(m_view, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QStringList open;
    for (const QString &name : { "G1", "G11" }) {
        if (m_view->isExpanded(idx(name)))
            open << name;
    }
    QCOMPARE(open.join(QLatin1Char(' ')), expanded);
    // The key is no search: the current row stays.
    QCOMPARE(m_view->currentIndex(), idx(QStringLiteral("G1"), 1));
}

void tst_ZGroupedTreeView::asteriskStopsAtTheLevelLimit()
{
    // A chain deeper than Expand All opens: * opens as far as it does.
    QStandardItemModel deep;
    QStandardItem *item = deep.invisibleRootItem();
    for (int level = 0; level <= MaxExpandedLevels + 2; ++level) {
        auto *child = new QStandardItem(QString::number(level));
        item->appendRow(child);
        item = child;
    }
    m_view->setModel(&deep);
    QModelIndex row = deep.index(0, 0);
    m_view->setCurrentIndex(row);
    QTest::keyClick(m_view, Qt::Key_Asterisk, Qt::KeypadModifier);
    for (int level = 0; level < MaxExpandedLevels; ++level) {
        QVERIFY(m_view->isExpanded(row));
        row = deep.index(0, 0, row);
    }
    QCOMPARE(ZGroupedTreeView::levelFromIndex(row), MaxExpandedLevels);
    QVERIFY(!m_view->isExpanded(row));
    m_view->setModel(m_model);
}

void tst_ZGroupedTreeView::focusMakesAHighlightedRowCurrent()
{
    m_view->reset();
    QVERIFY(!m_view->currentIndex().isValid());
    QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(m_view, &focus);
    QCOMPARE(m_view->currentIndex(), idx(QStringLiteral("G1")));
    QVERIFY(m_view->selectionModel()->isRowSelected(0, QModelIndex()));
}

void tst_ZGroupedTreeView::currentCellFramed_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("highlighted");
    QTest::addColumn<bool>("focused");
    QTest::addColumn<QColor>("frame"); // round the cell, no row beside it in its colour
    const QColor highlightedText = QApplication::palette().color(QPalette::Active, QPalette::HighlightedText);
    QTest::addRow("activity, highlighted") << "a2" << 1 << true << true << highlightedText;
    QTest::addRow("band, label's first column") << "G1" << 0 << false << true << QColor(Qt::yellow);
    QTest::addRow("band, label's last column") << "G1" << 2 << false << true << QColor(Qt::yellow);
    QTest::addRow("band, highlighted") << "G1" << 1 << true << true << highlightedText;
    QTest::addRow("no focus, no frame") << "a1" << 1 << true << false << QColor();
}

// The current cell is framed in the colour of its text, a band's merged
// label whole.
void tst_ZGroupedTreeView::currentCellFramed()
{
    QFETCH(QString, name);
    QFETCH(int, column);
    QFETCH(bool, highlighted);
    QFETCH(bool, focused);
    QFETCH(QColor, frame);
    QApplication::setActiveWindow(m_view);
    if (focused)
        m_view->setFocus();
    else
        m_view->clearFocus();
    QTRY_COMPARE(m_view->hasFocus(), focused);
    m_view->selectionModel()->setCurrentIndex(
        idx(name, column), highlighted ? QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows
                                       : QItemSelectionModel::Clear);
    QRect cell = m_view->visualRect(idx(name, 1));
    if (m_view->isGroupIndex(idx(name))) // a band's frame goes round its merged label
        cell |= m_view->visualRect(idx(name, 0)) | m_view->visualRect(idx(name, 2));
    const QColor top = grab().pixelColor(cell.center().x(), cell.top());
    if (frame.isValid())
        QCOMPARE(top, frame);
    else
        QCOMPARE(top, QApplication::palette().color(QPalette::Inactive, QPalette::Highlight));
    // At twice the pixels (a scaled screen) the frame stays in its cell.
    QImage scaled(m_view->viewport()->size() * 2, QImage::Format_ARGB32_Premultiplied);
    scaled.setDevicePixelRatio(2);
    m_view->viewport()->render(&scaled);
    // Each strip on its edge (top, bottom, left, right), and none beside it at twice the pixels.
    const auto edges = [](const QRect &r) { return QVector<QPoint>{{r.center().x(), r.top()}, {r.center().x(), r.bottom()},
                                                                   {r.left(), r.center().y()}, {r.right(), r.center().y()}}; };
    const QImage image = grab();
    for (const QPoint &edge : edges(cell))
        QVERIFY(!frame.isValid() || image.pixelColor(edge) == frame);
    for (const QPoint &beside : edges(QRect(2 * cell.topLeft() - QPoint(1, 1), 2 * cell.size() + QSize(2, 2))))
        QVERIFY(!scaled.rect().contains(beside) || scaled.pixelColor(beside) != frame);
}

void tst_ZGroupedTreeView::leftRightStepShownColumns_data()
{
    QTest::addColumn<int>("hidden");
    QTest::addColumn<bool>("rightToLeft");
    QTest::addColumn<bool>("scrolled"); // the table narrow and scrolled to its right end
    QTest::addColumn<QString>("closed"); // bands closed before the key
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("toName");
    QTest::addColumn<int>("toColumn");
    QTest::addColumn<QString>("open"); // bands open after it
    const int left = Qt::Key_Left;
    const int right = Qt::Key_Right;
    const QString all = QStringLiteral("G1 G11");
    QTest::addRow("Right") << -1 << false << false << "" << "a1" << 0 << right << "a1" << 1 << all;
    QTest::addRow("Right with no current cell") << -1 << false << false << "" << "" << 0 << right << "G1" << 0 << all;
    QTest::addRow("Right over a hidden column") << 2 << false << false << "" << "a1" << 1 << right << "a1" << 3 << all;
    QTest::addRow("Left on an open band") << -1 << false << false << "" << "G1" << 3 << left << "G1" << 2 << all;
    QTest::addRow("Right on an open band's title") << -1 << false << false << "" << "G1" << 0 << right << "a1" << 0 << all;
    QTest::addRow("Right on an open band's title, from its middle: the activities' column")
        << -1 << false << false << "" << "G1" << 1 << right << "a1" << 0 << all;
    QTest::addRow("Right on a closed band's title") << -1 << false << false << "G11" << "G11" << 1 << right << "G11" << 1 << all;
    QTest::addRow("Left at an open band's title") << -1 << false << false << "" << "G1" << 2 << left << "G1" << 2 << "G11";
    QTest::addRow("Left at a closed band's title") << -1 << false << false << "G11" << "G11" << 2 << left << "G1" << 2 << "G1";
    QTest::addRow("Left at a closed top band's title, scrolled away")
        << -1 << false << true << "G1" << "G1" << 0 << left << "G1" << 0 << "G11";
    QTest::addRow("Up onto a band's title, scrolled away")
        << -1 << false << true << "" << "a1" << 1 << int(Qt::Key_Up) << "G1" << 1 << all;
    QTest::addRow("Up onto a band's empty cell, scrolled away") << -1 << false << true << "" << "a1" << 3 << int(Qt::Key_Up) << "G1" << 0 << all;
    QTest::addRow("A click on a band's empty cell, scrolled away") << -1 << false << true << "" << "G11" << 3 << 0 << "G11" << 0 << all;
    QTest::addRow("Down with no current cell, a column chosen before")
        << 0 << false << false << "" << "" << 3 << int(Qt::Key_Down) << "G1" << 1 << all;
    QTest::addRow("Left at the first column") << -1 << false << false << "" << "a4" << 0 << left << "a4" << 0 << all;
    QTest::addRow("Right at the last column") << -1 << false << false << "" << "a3" << 3 << right << "a3" << 3 << all;
    QTest::addRow("right to left, Left") << -1 << true << false << "" << "a1" << 0 << left << "a1" << 1 << all;
    QTest::addRow("Left at the first column, scrolled away: up to the band")
        << -1 << false << true << "" << "a1" << 0 << left << "G1" << 0 << all;
    QTest::addRow("Right from a hidden last column") << 3 << false << false << "" << "a1" << 3 << right << "a1" << 0 << all;
    QTest::addRow("Down from a hidden column") << 1 << false << false << "" << "a1" << 1 << int(Qt::Key_Down) << "a2" << 0 << all;
}

// Left and Right move the current cell between the shown columns; on a
// band's title they open and close the band and walk the tree, as a tree's
// own keys do, and the title comes into view from its start. No key leaves
// the cell in a hidden column.
void tst_ZGroupedTreeView::leftRightStepShownColumns()
{
    QFETCH(int, hidden);
    QFETCH(bool, rightToLeft);
    QFETCH(bool, scrolled);
    QFETCH(QString, closed);
    QFETCH(QString, name);
    QFETCH(int, column);
    QFETCH(int, key);
    QFETCH(QString, toName);
    QFETCH(int, toColumn);
    QFETCH(QString, open);
    if (hidden >= 0)
        m_view->setColumnHidden(hidden, true);
    m_view->setLayoutDirection(rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
    if (!closed.isEmpty())
        m_view->collapse(idx(closed));
    QScrollBar *bar = m_view->horizontalScrollBar();
    m_view->setCurrentIndex(idx(name.isEmpty() ? QStringLiteral("a1") : name, column));
    if (name.isEmpty()) {
        // As a filter that hides the current row: the cell may first pass
        // through a hidden column.
        if (hidden >= 0)
            m_view->setCurrentIndex(idx(QStringLiteral("a1"), hidden));
        m_view->setCurrentIndex(QModelIndex());
    }
    if (scrolled) {
        m_view->resize(150, m_view->height());
        QCoreApplication::processEvents();
        bar->setValue(bar->maximum());
        QVERIFY(bar->value() > 0);
    }
    if (key)
        QTest::keyClick(m_view, Qt::Key(key));
    else // a click on the cell instead
        QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {}, m_view->visualRect(idx(name, column)).center());
    QCOMPARE(m_view->currentIndex(), idx(toName, toColumn));
    QStringList opened;
    for (const QString &band : {QStringLiteral("G1"), QStringLiteral("G11")}) {
        if (m_view->isExpanded(idx(band)))
            opened << band;
    }
    QCOMPARE(opened.join(QLatin1Char(' ')), open);
    if (scrolled)
        QCOMPARE(bar->value(), 0);
    if (name.isEmpty()) {
        // Another project's model starts again from the first column.
        m_view->setModel(nullptr);
        m_view->setModel(m_model);
        QTest::keyClick(m_view, Qt::Key_Down);
        QCOMPARE(m_view->currentIndex(), idx(QStringLiteral("G1"), 0));
    }
}

// The frame moved off or onto a band's merged label leaves or takes the
// whole label.
void tst_ZGroupedTreeView::movedFrameRepaintsTheRows()
{
    const QModelIndex label = idx(QStringLiteral("G1"), 2);
    m_view->selectionModel()->setCurrentIndex(label, QItemSelectionModel::NoUpdate);
    QCoreApplication::processEvents();
    struct Painted : QObject
    {
        QRegion region;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint)
                region += static_cast<QPaintEvent *>(event)->region();
            return false;
        }
    } painted;
    m_view->viewport()->installEventFilter(&painted);
    const QRect cell = m_view->visualRect(label);
    const QRegion row(0, cell.top(), m_view->viewport()->width(), cell.height());
    // Off the label to another row, back onto another of its columns, and
    // off again.
    for (const QModelIndex &next : {idx(QStringLiteral("a1"), 3), idx(QStringLiteral("G1"), 1),
                                    idx(QStringLiteral("a1"), 3)}) {
        painted.region = QRegion();
        m_view->selectionModel()->setCurrentIndex(next, QItemSelectionModel::NoUpdate);
        QTRY_VERIFY(!painted.region.isEmpty());
        QVERIFY(row.subtracted(painted.region).isEmpty());
    }
}

void tst_ZGroupedTreeView::samePixelsAsStyle_data()
{
    QTest::addColumn<QString>("current"); // its row selected
    QTest::addColumn<QString>("pointer"); // the row under the mouse pointer
    QTest::addColumn<bool>("active");
    QTest::addRow("current band") << "G1" << "" << true;
    QTest::addRow("band under the pointer, activity selected") << "a1" << "G11" << true;
    QTest::addRow("current band under the pointer") << "G11" << "G11" << true;
    QTest::addRow("current band, inactive window") << "G1" << "G11" << false;
    QTest::addRow("activity selected, inactive window") << "a2" << "a1" << false;
}

// A shown, focused view draws its cells, the bands' merged labels among
// them, as the style does.
void tst_ZGroupedTreeView::samePixelsAsStyle()
{
    QFETCH(QString, current);
    QFETCH(QString, pointer);
    QFETCH(bool, active);
    struct StyleDrawn : ZGroupedTreeViewDelegate
    {
        using ZGroupedTreeViewDelegate::ZGroupedTreeViewDelegate;
        void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
        {
            const bool merged = option.version == MergedCellVersion;
            QStyledItemDelegate::paint(painter, option, merged ? index.sibling(index.row(), column()) : index);
        }
    } styleDrawn(2);
    QWidget other;
    other.show();
    QApplication::setActiveWindow(m_view);
    m_view->setFocus();
    QTRY_VERIFY(m_view->hasFocus());
    m_view->selectionModel()->setCurrentIndex(idx(current), QItemSelectionModel::ClearAndSelect
                                                                | QItemSelectionModel::Rows);
    if (!pointer.isEmpty())
        QCursor::setPos(m_view->viewport()->mapToGlobal(m_view->visualRect(idx(pointer)).center()));
    if (!active) {
        QApplication::setActiveWindow(&other);
        QTRY_VERIFY(!m_view->isActiveWindow());
    }
    const QImage own = grab();
    QAbstractItemDelegate *delegate = m_view->itemDelegate();
    m_view->setItemDelegate(&styleDrawn);
    const QImage style = grab();
    m_view->setItemDelegate(delegate);
    QCOMPARE(own, style);
}

// Scrolled by keys past the tree column's edge, the view shows what it paints whole.
void tst_ZGroupedTreeView::bandTitlesScrolledByKeys()
{
    m_model->setData(idx(QStringLiteral("G1"), 2), QStringLiteral("Band A, a title that runs on into the columns"));
    m_model->setData(idx(QStringLiteral("G11"), 2), QStringLiteral("Band A1, the second title running on"));
    m_view->resize(170, 130);
    m_view->setCurrentIndex(idx(QStringLiteral("a1")));
    const auto shown = [this] {
        QCoreApplication::processEvents();
        return m_view->screen()->grabWindow(m_view->winId()).toImage();
    };
    for (const int key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Right, Qt::Key_Left, Qt::Key_Left, Qt::Key_Left,
                          Qt::Key_End, Qt::Key_PageUp, Qt::Key_Right, Qt::Key_Right, Qt::Key_Home}) {
        QTest::keyClick(m_view, Qt::Key(key));
        const QImage scrolled = shown();
        m_view->viewport()->update();
        QVERIFY2(scrolled == shown(), qPrintable(QString::number(key, 16)));
    }
}

QTEST_MAIN(tst_ZGroupedTreeView)
#include "tst_zgroupedtreeview.moc"
