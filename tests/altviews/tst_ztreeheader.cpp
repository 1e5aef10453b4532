#include "treetext.h"
#include "ztreeheader.h"

#include <QMouseEvent>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

namespace {

// "a[b,c]" as header items.
void fill(QStandardItem *parent, const QString &text)
{
    for (const TreeTextEntry &entry : treeTextEntries(text)) {
        auto *item = new QStandardItem(entry.name);
        parent->appendRow(item);
        if (entry.branch)
            fill(item, entry.children);
    }
}

QModelIndex find(const QStandardItemModel &model, const QString &text)
{
    const QModelIndexList found = model.match(model.index(0, 0), Qt::DisplayRole, text, 1,
                                              Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? QModelIndex() : found.first();
}

void send(QWidget *w, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons = Qt::LeftButton)
{
    QMouseEvent event(type, pos, w->mapToGlobal(pos),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

struct Fixture
{
    QStandardItemModel model;
    QTableView view;
    ZTreeHeader *header;

    explicit Fixture(const QString &tree, Qt::Orientation orientation = Qt::Horizontal)
    {
        fill(model.invisibleRootItem(), tree);
        header = new ZTreeHeader(orientation);
        if (orientation == Qt::Horizontal)
            view.setHorizontalHeader(header);
        else
            view.setVerticalHeader(header);
        header->setModel(&model); // last: the view hands its own model over too
        view.resize(600, 300);
        view.show();
        const bool exposed = QTest::qWaitForWindowExposed(&view);
        Q_ASSERT(exposed);
        Q_UNUSED(exposed)
    }
};

} // namespace

class tst_ZTreeHeader : public QObject
{
    Q_OBJECT
private slots:
    void layout();
    void stretchedLeaf();
    void collapseAndExpand();
    void levelDrag();
    void fitLevel();
    void branchClick();
    void vertical();
    void modelChanges();
};

void tst_ZTreeHeader::layout()
{
    Fixture f(QStringLiteral("top[a,b,c]"));
    QCOMPARE(f.header->count(), 3);
    const int s = f.header->sectionSize(0);
    QCOMPARE(f.header->visualRect(find(f.model, "top")), QRect(0, 0, 3 * s, 26));
    QCOMPARE(f.header->visualRect(find(f.model, "b")), QRect(s, 25, s, 26));
    QCOMPARE(f.header->sizeHint(), QSize(3 * s, 51));
    QCOMPARE(f.header->leafAt(2), find(f.model, "c"));
    QVERIFY(!f.header->leafAt(3).isValid());
    QCOMPARE(f.header->section(find(f.model, "top")), 0);
    QCOMPARE(f.header->section(find(f.model, "c")), 2);
    QCOMPARE(f.header->level(find(f.model, "c")), 1);
    QCOMPARE(f.header->level(QModelIndex()), -1);
    QCOMPARE(f.header->indexAt(QPoint(s + 5, 30)), find(f.model, "b"));
    QCOMPARE(f.header->indexAt(QPoint(s + 5, 5)), find(f.model, "top"));
    QCOMPARE(f.header->levelOffset(2), 50);
    QCOMPARE(f.header->levelEdgeAt(QPoint(10, 29)), 0);
    QCOMPARE(f.header->levelEdgeAt(QPoint(10, 48)), 1);
    QCOMPARE(f.header->levelEdgeAt(QPoint(10, 37)), -1);
    QCOMPARE(f.header->branchRect(QRectF(10, 0, 50, 26)), QRect(10, 5, 16, 16));
}

void tst_ZTreeHeader::stretchedLeaf()
{
    Fixture f(QStringLiteral("x,b[c[d,e]]"));
    QCOMPARE(f.header->count(), 3);
    QCOMPARE(f.header->deepestLevel(), 2);
    const QRect x = f.header->visualRect(find(f.model, "x"));
    QCOMPARE(x.top(), 0);
    QCOMPARE(x.height(), 76); // over all three levels
    QCOMPARE(f.header->visualRect(find(f.model, "d")).height(), 26);
}

void tst_ZTreeHeader::collapseAndExpand()
{
    Fixture f(QStringLiteral("g[a,b,s[c,d]],z"));
    QCOMPARE(f.header->count(), 5);
    QSignalSpy collapsed(f.header, &ZTreeHeader::collapsed);
    const QModelIndex s = find(f.model, "s");
    f.header->collapse(s);
    QVERIFY(!f.header->isSectionHidden(2));
    QVERIFY(f.header->isSectionHidden(3));
    QCOMPARE(f.header->visualRect(s).bottom(), f.header->sizeHint().height() - 1);
    const QModelIndex g = find(f.model, "g");
    f.header->collapse(g);
    QCOMPARE(collapsed.count(), 2);
    int hidden = 0;
    for (int i = 0; i < 5; ++i)
        hidden += f.header->isSectionHidden(i) ? 1 : 0;
    QCOMPARE(hidden, 3); // g's four leaves keep only the first
    QVERIFY(!f.header->isSectionHidden(0));
    QCOMPARE(f.header->visualRect(g).height(), f.header->sizeHint().height());
    QVERIFY(!f.header->isVisible(find(f.model, "a")));
    f.header->expand(g);
    QVERIFY(!f.header->isSectionHidden(1));
    QVERIFY(!f.header->isSectionHidden(2));
    QVERIFY(f.header->isSectionHidden(3)); // s stays collapsed
    QVERIFY(f.header->isCollapsed(s));
    // From level 1 on, everything collapses; from 0, everything opens.
    f.header->collapseHelper(QModelIndex(), false, 0);
    QVERIFY(!f.header->isSectionHidden(3));
    f.header->collapseHelper(QModelIndex(), true, 1);
    QVERIFY(f.header->isSectionHidden(3));
    QVERIFY(!f.header->isCollapsed(g));
}

void tst_ZTreeHeader::levelDrag()
{
    Fixture f(QStringLiteral("top[a,b]"));
    QWidget *vp = f.header->viewport();
    QSignalSpy resized(f.header, &QHeaderView::sectionResized);
    // Within 4 pixels of level 0's far edge (y 25), outside a branch square.
    send(vp, QEvent::MouseButtonPress, {150, 28});
    QCOMPARE(f.header->cursor().shape(), Qt::SplitVCursor);
    send(vp, QEvent::MouseMove, {150, 40});
    QCOMPARE(f.header->levelSize(0), 40);
    send(vp, QEvent::MouseButtonRelease, {150, 40}, Qt::NoButton);
    QCOMPARE(f.header->visualRect(find(f.model, "a")).top(), 40);
    QCOMPARE(resized.last().at(1).toInt(), 0);
    // Level 1's edge is now at 65; a drag above its start gives size 0.
    send(vp, QEvent::MouseButtonPress, {150, 64});
    send(vp, QEvent::MouseMove, {150, 20});
    QCOMPARE(f.header->levelSize(1), 0);
    send(vp, QEvent::MouseButtonRelease, {150, 20}, Qt::NoButton);
}

void tst_ZTreeHeader::fitLevel()
{
    Fixture f(QStringLiteral("top[a,b]"));
    QStyleOptionHeader option;
    option.fontMetrics = QFontMetrics(QFont());
    option.text = QStringLiteral("top");
    const int expected =
        f.header->style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(-1, -1),
                                            f.header).height();
    QTest::mouseDClick(f.header->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(150, 24));
    QVERIFY(expected > 0);
    QCOMPARE(f.header->levelSize(0) >= expected - 2, true);
    QCOMPARE(f.header->levelSize(0) <= expected + 2, true);
}

void tst_ZTreeHeader::branchClick()
{
    Fixture f(QStringLiteral("top[a,b,c]"));
    const QModelIndex top = find(f.model, "top");
    const QRect branch = f.header->branchRect(f.header->visualRect(top));
    QTest::mouseClick(f.header->viewport(), Qt::LeftButton, Qt::NoModifier, branch.center());
    QVERIFY(f.header->isCollapsed(top));
    QVERIFY(f.header->isSectionHidden(1));
    // The collapsed cell reaches the bottom: its square moved down.
    const QRect moved = f.header->branchRect(f.header->visualRect(top));
    QVERIFY(moved != branch);
    QTest::mouseClick(f.header->viewport(), Qt::RightButton, Qt::NoModifier, moved.center());
    QVERIFY(!f.header->isCollapsed(top));
    QVERIFY(!f.header->isSectionHidden(1));
    // Painting both states draws something in the header.
    const QImage image = f.header->grab().toImage();
    QVERIFY(!image.isNull());
}

void tst_ZTreeHeader::vertical()
{
    Fixture f(QStringLiteral("r[a,b]"), Qt::Vertical);
    QCOMPARE(f.header->levelSize(0), 80);
    QCOMPARE(f.header->visualRect(find(f.model, "a")).left(), 80);
    QCOMPARE(f.header->sizeHint().width(), 80 + 81);
    send(f.header->viewport(), QEvent::MouseMove, {82, 5}, Qt::NoButton);
    QCOMPARE(f.header->cursor().shape(), Qt::SplitHCursor);
}

void tst_ZTreeHeader::modelChanges()
{
    Fixture f(QStringLiteral("top[a,b]"));
    f.model.item(0)->appendRow(new QStandardItem(QStringLiteral("c")));
    QCOMPARE(f.header->count(), 3);
    f.model.removeRow(0);
    QCOMPARE(f.header->count(), 0);
    QCOMPARE(f.header->sizeHint(), QSize(0, 0));
    QStandardItemModel wide;
    for (int i = 0; i < 32001; ++i)
        wide.appendRow(new QStandardItem);
    ZTreeHeader other(Qt::Horizontal);
    QTest::ignoreMessage(QtWarningMsg, "ZTreeHeader::leafList Invalid rowCount");
    other.setModel(&wide);
    QCOMPARE(other.count(), 0);
    // An index of another model is reported and judged all the same.
    QStandardItemModel third;
    third.appendRow(new QStandardItem(QStringLiteral("t")));
    QTest::ignoreMessage(QtWarningMsg, "isVisible called on forigen model");
    QVERIFY(other.isVisible(third.index(0, 0)));
}

QTEST_MAIN(tst_ZTreeHeader)
#include "tst_ztreeheader.moc"
