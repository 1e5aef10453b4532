#pragma once

#include "groupstyle.h"
#include "zimage.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QModelIndex>
#include <QPair>
#include <QStyleOptionViewItem>
#include <QTreeView>
#include <QVariant>
#include <QVector>

#include <vector>

// Tree table of the activities pane. Group rows (rows whose label column
// holds a value) are painted in the background and text colour of their
// level, their label runs across the tree column and the next
// mergeColumns() columns, every row shows one colour strip per enclosing
// group level in its indentation, and row backgrounds alternate by the
// row's position among the rows shown.
class ZGroupedTreeView : public QTreeView
{
    Q_OBJECT
public:
    explicit ZGroupedTreeView(QWidget *parent = nullptr);
    ~ZGroupedTreeView() override;

    void setModel(QAbstractItemModel *model) override;
    void setRootIndex(const QModelIndex &index) override;
    void reset() override;
    void doItemsLayout() override;
    // A band's title, whichever of its columns is current, comes into view
    // from its start: the branch arrow and the title's beginning show.
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;

    // Paint styles by group depth; the view repaints.
    void setLevelStyles(const QList<GroupStyle> &styles);
    QList<GroupStyle> levelStyles() const { return m_palette; }

    // How many columns after the tree column a group label spans (0 to 2).
    void setMergeColumns(int n);
    int mergeColumns() const { return m_mergeColumns; }

    // The model column holding a group row's label.
    void setDisplayColumn(int column);
    int displayColumn() const { return m_displayColumn; }

    // Column-0 index of every row shown under parent, depth first.
    QList<QModelIndex> visibleItems(const QModelIndex &parent) const;
    bool isGroupIndex(const QModelIndex &index) const;
    int indentationForItem(const QModelIndex &index) const;
    static int levelFromIndex(const QModelIndex &index);
    // index's row in a column on show: the current cell's column when shown,
    // else the last shown column made current, else index's own, else the
    // first shown one; off a band's title, an activity's row in the last
    // shown column made current outside a title. A current cell in a hidden
    // column makes the keys move along it, scroll sideways towards it and
    // leave the highlight behind.
    QModelIndex shownCell(const QModelIndex &index) const;

    QPair<int, int> startAndEndColumns(const QRect &rect) const;
    void calcLogicalIndices(QVector<int> *logicalIndices,
                            QVector<QStyleOptionViewItem::ViewItemPosition> *itemPositions,
                            int left, int right) const;
    void calcGroupSections(int logicalSection, QVector<int> *sections) const;
    QVector<int> visibleColumnWidths() const;

    // Expands index's row and the rows below it, down to MaxExpandedLevels
    // levels below the top-level rows, as expandAllLevels does for the tree.
    void expandBelow(const QModelIndex &index);
    // Pixels the tree column is wider than the width it was given: the room
    // made for the indentation of the deepest level shown, so that the
    // column's text keeps the room it has on top-level rows.
    int treeColumnGrowth() const { return m_treeColumnGrowth; }
    // Narrows the tree column back to the width it was given, for a width
    // to be read or set in its place (layouts store the given width); the
    // room is made again once control returns to the event loop.
    void dropTreeColumnGrowth();

    // Prepare and undo the full-size layout used to render the whole tree.
    QMap<QString, QVariant> saveStateBeforeScreenshot();
    void restoreStateAfterScreenshoot(const QMap<QString, QVariant> &state);
    // The header and every expanded row, whatever is scrolled into view.
    ZImage toImage();

protected:
    void paintEvent(QPaintEvent *event) override;
    void drawRow(QPainter *painter, const QStyleOptionViewItem &option,
                 const QModelIndex &index) const override;
    void drawLevelColors(QPainter *painter, const QRect &branches, int level) const;
    // drawRow's work, run under a guard.
    void paintRow(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    // Left and Right step between the shown columns of the current row, and
    // on a band's title open and close the band and walk the tree; the
    // other moves keep the current cell in a shown column.
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void focusInEvent(QFocusEvent *event) override;
    void updateGeometries() override;

private:
    void markVisibleItemsDirty();
    void rebuildVisibleItems() const;
    void appendVisibleItems(const QModelIndex &parent, QList<QModelIndex> *items,
                            int *deepest = nullptr) const;
    void queueTreeColumnFit();
    void fitTreeColumn();
    int logicalIndexForTree() const;
    void updateRow(const QModelIndex &index);
    // Whether index's column lies under its band's title.
    bool underTitle(const QModelIndex &index) const;
    // index's row in the first shown column under a band's title; invalid
    // when every one of them is hidden.
    QModelIndex titleCell(const QModelIndex &index) const;
    // index, or the band's title when index is an empty cell of a band
    // outside it.
    QModelIndex bandLanding(const QModelIndex &index) const;
    // Before the rows shown change (a filter, a reset), where the current
    // row stands; after, when it is gone, the nearest row still shown is
    // made current.
    void keepCurrent();
    void keepCurrentIfRemoved(const QModelIndex &parent, int first, int last);
    void restoreCurrent();
    void restoreCurrentNow();
    QModelIndex nearestKeptRow() const;

    QList<GroupStyle> m_palette;
    int m_mergeColumns = 2;
    int m_displayColumn = -1;
    // The last shown column made current outside a band's title; kept
    // while no cell is current.
    int m_chosenColumn = -1;
    // The rows shown, rebuilt on the first paint after any change of the
    // model's structure or of what is expanded; the hash gives each row's
    // position for the alternating background without a search.
    mutable QList<QModelIndex> m_visibleItems;
    mutable QHash<QModelIndex, int> m_visiblePositions;
    mutable bool m_visibleItemsDirty = true;
    // Levels below the top of the deepest row shown, found with the rows or
    // by a walk of its own when only it is wanted.
    mutable int m_deepestLevel = 0;
    mutable bool m_deepestLevelDirty = true;
    // What the tree column was widened by, and which section that was.
    int m_treeColumnGrowth = 0;
    int m_grownSection = -1;
    bool m_treeColumnFitQueued = false;
    QList<QMetaObject::Connection> m_modelConnections;
    // The current row and its ancestors as they stood among their siblings
    // before a change of the rows shown, by the rows of the proxy's source
    // (which a filter leaves as they are); level 0 is the current row.
    struct KeptLevel
    {
        std::vector<int> rows; // the siblings' source rows, in the order shown
        int at = -1;           // the position of the row itself
    };
    std::vector<KeptLevel> m_kept;
    QPersistentModelIndex m_keptSource;
    int m_keptColumn = -1;
    bool m_restoreQueued = false;
};

// How many levels below a top-level row "expand everything" opens at most: a
// tree view lays out its expanded rows one call per level, and a tree read
// from a file can nest as deep as it has rows.
constexpr int MaxExpandedLevels = 1000;

// Expands every row of the tree down to MaxExpandedLevels levels below the
// top-level rows; false when the tree is deeper and rows below stay
// collapsed.
bool expandAllLevels(QTreeView *tree);
