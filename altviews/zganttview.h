#pragma once

#include "zganttviewbarstyle.h"
#include "zimage.h"

#include <QAbstractItemView>
#include <QDateTime>
#include <QHash>
#include <QMetaObject>
#include <QPen>
#include <QPointer>
#include <QVector>

class QTreeView;
class ZGanttViewDelegate;
class ZTimeLineHeader;
class ZTrackingGanttViewDelegate;

// One predecessor link of an activity. Its ends follow their rows through
// inserts and moves, and become invalid when their rows go.
struct ZGanttViewPredecessor
{
    QPersistentModelIndex index;
    QPersistentModelIndex predecessor;
    QVariant lag;
    QVariant extra;
    QString type = QStringLiteral("FS"); // "FS", "FF" or "SS"
    int flags = 0;
};

// Shows the rows of an item model as Gantt rows beside a buddy tree view that
// shows the same model: one row per row the tree shows, in the same order and
// at the same vertical scroll position; the tree's current row and expanded
// rows are followed both ways. Columns are found by caption ("Start Date",
// "Finish Date", "Total float", "Progress"); the task type column is given.
// A ZTimeLineHeader above the viewport turns dates into x positions; the bars
// are painted by the item delegate per bar style, one predecessor link per
// activity between them.
//
// Without a buddy tree the view shows no rows. The caller sets the model on
// both views before setBuddyView(). Only the painted rows are visited per
// paint; links are found through an index over their row span.
class ZGanttView : public QAbstractItemView
{
    Q_OBJECT
public:
    enum TaskType { NoTaskType = -1, TaskTypeTask = 0, TaskTypeMilestone = 1, TaskTypeSummary = 2 };

    explicit ZGanttView(QWidget *parent = nullptr);
    ~ZGanttView() override;

    // Wiring
    void setHorizontalHeader(ZTimeLineHeader *header);
    ZTimeLineHeader *horizontalHeader() const { return m_header; }
    void setTimeLineFlags(unsigned char flags);
    unsigned char flags() const;
    void setModel(QAbstractItemModel *model) override;
    void setBuddyView(QAbstractItemView *buddy);
    QAbstractItemView *buddyView() const { return m_buddy; }

    QList<QModelIndex> preorderList(const QModelIndex &parent) const;
    QList<QModelIndex> visibleItemsFromBuddy(const QModelIndex &parent) const;
    QList<QModelIndex> visibleItemsFromTree(QTreeView *tree, const QModelIndex &parent) const;
    QList<QModelIndex> visibleItems() const { return m_visibleItems; }

    // Links
    void setPredecessorForIndex(const QModelIndex &index, const QModelIndex &predecessor,
                                const QString &type = QStringLiteral("FS"));
    void clearPredecessorForIndex(const QModelIndex &index);
    void updatePredecessorsRectsForPaint();

    // Appearance
    void setLinksVisible(bool visible);
    bool isLinksVisible() const { return m_linksVisible; }
    void setVerticalLines(bool on);
    bool verticalLines() const { return m_verticalLines; }
    void setDataDate(const QDateTime &date) { m_dataDate = date; }
    QDateTime dataDate() const { return m_dataDate; }
    void setDataPen(const QPen &pen) { m_dataPen = pen; }
    QPen dataPen() const { return m_dataPen; }
    int rowHeight() const { return m_rowHeight; }

    // Bar styles and task types
    void setupStyles();
    QList<ZGanttViewBarStyle> barStyles() const;
    void setBarStyles(const QList<ZGanttViewBarStyle> &styles);
    void setTaskTypeColumn(int column);
    int taskTypeColumn() const { return m_taskTypeColumn; }
    TaskType taskType(const QModelIndex &index) const;
    bool matchTypes(int position, TaskType type) const;
    bool isActivityCritical(const QModelIndex &index, int column) const;
    QColor getColor(int i) const;
    void setTrackingStyle(bool on);
    bool trackingStyle() const { return m_trackingStyle; }

    // Geometry
    QRect viewportRectForType(const QModelIndex &index, int startColumn, int finishColumn,
                              int unused = 0) const;
    QRect visualRect(const QModelIndex &index) const override;
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint &point) const override;
    QModelIndex mapToColumn(const QModelIndex &index) const;
    QList<int> selectedRows() const;
    QList<QModelIndex> viewportIndexes() const;

    // State and image
    QVariant toVariant() const;
    void fromVariant(const QVariant &value);
    QMap<QString, QVariant> saveStateBeforeScreenshot();
    void restoreStateAfterScreenshoot(const QMap<QString, QVariant> &state);
    ZImage toImage();

    // Painting steps
    void paintAlternatingRowColors(QPainter *painter, const QModelIndex &index) const;
    void paintNonWorkingDaysColors(QPainter *painter) const;
    void drawVerticalLines(QPainter *painter, QPen *pen) const;
    void drawVerticalLine(const QDate &date, QPainter *painter, QPen *pen,
                          bool upper = true) const;
    void paintRelationships(QPainter *painter) const;
    void paintRow(QPainter *painter, const QModelIndex &index) const;
    void paintSelectionRect(QPainter *painter, const QModelIndex &index);
    void drawRelationShip(QPainter *painter, const QRect &a, const QRect &b,
                          const QString &type) const;
    void drawArrow(QPainter *painter, const QPoint &point, Qt::ArrowType type) const;

signals:
    void headerSizeChanged();

protected slots:
    void onModelChanged();
    void updateGeometries() override;

private slots:
    // Drops every stored row before rows go away, so no index to a removed
    // row is handed out before the next paint rebuilds the lists.
    void forgetRows();
    void onVisibleItemsChanged();
    void sectionResized();
    void updateTimeRange();
    void onBuddyVerticalScrollChanged(int step);
    void onVerticalScrollChanged(int step);
    void onBuddySelectionChanged(const QModelIndex &current, const QModelIndex &previous);
    void onSelectionChanged(const QModelIndex &current, const QModelIndex &previous);

public:
    void setSelectionInModel(QItemSelectionModel *model, const QModelIndex &index);

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex &index) const override;
    void setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection &selection) const override;
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;
    void setSelectionModel(QItemSelectionModel *selectionModel) override;

private:
    struct LinkSpan
    {
        int top = 0;    // smaller row position of the two ends
        int bottom = 0; // larger row position
        QRect activity; // content coordinates
        QRect predecessor;
        QModelIndex predecessorIndex;
        QString type;
    };

    void init();
    // Rebuilds the preorder list after a model change, once, when read.
    void ensurePreorder() const;
    // Bar rectangle in content coordinates (no scroll offsets).
    QRect contentRectForType(const QModelIndex &index, int startColumn, int finishColumn) const;
    int visiblePosition(const QModelIndex &index) const;
    // First and last position in m_visibleItems to paint; false for none.
    bool paintRange(const QRect &exposed, int *first, int *last) const;
    void rebuildLinkSpans() const;
    void collectLinks(int node, int lo, int hi, int limit, int top, QVector<int> *out) const;
    void connectOwnSelection();

    QAbstractItemView *m_buddy = nullptr; // Not owned.
    bool m_rowsDirty = true;
    mutable QList<QModelIndex> m_preorder;
    QList<QModelIndex> m_visibleItems;
    int m_rowHeight = 22;
    ZTimeLineHeader *m_header = nullptr; // Owned when it is our child.
    QHash<QPersistentModelIndex, ZGanttViewPredecessor> m_links;
    int m_linkStyleIndex = 0;
    QHash<QModelIndex, QRect> m_linkRects;
    bool m_geometryGuard = false;
    bool m_scrollGuard = false;
    bool m_selectionGuard = false;
    QList<QColor> m_colors;
    bool m_linksVisible = true;
    bool m_verticalLines = true;
    int m_taskTypeColumn = -1;
    QDateTime m_dataDate;
    QPen m_dataPen;
    ZGanttViewDelegate *m_barDelegate = nullptr;               // Owned (child).
    ZTrackingGanttViewDelegate *m_trackingDelegate = nullptr; // Owned (child).
    bool m_trackingStyle = false;
    bool m_screenshot = false;

    QHash<QModelIndex, int> m_visiblePos;
    mutable QHash<QModelIndex, int> m_preorderPos;
    mutable bool m_preorderDirty = true;
    QMetaObject::Connection m_ownSelectionConnection;
    QMetaObject::Connection m_buddySelectionConnection;
    // Links sorted by their upper row, with a max-tree over their lower row,
    // so a paint visits only the links that cross the painted rows.
    mutable QVector<LinkSpan> m_linkSpans;
    mutable QVector<int> m_linkTree;
    mutable bool m_linkSpansDirty = true;
};
