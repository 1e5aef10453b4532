#pragma once

#include "rownumbering.h"
#include "zgrouping.h"

#include <QHash>
#include <QItemSelection>
#include <QModelIndex>
#include <QPointer>
#include <QVector>
#include <QWidget>

#include <map>

class LocalTimeCache;
class QAbstractItemModel;
class QGridLayout;
class QSplitter;
class QTableView;
class ZDateIndex;
class ZFilterDialogProxyModel;
class ZGroupedTreeView;
class ZIndex;
class ZParentItemProxyModel;
class ZRecordSetModel;
class ZSortFilterHeader;
class ZHeaderFilterBox;

namespace mygc {
class GanttChart;
}

// The activities pane: the loaded project's activities as a grouped tree
// table on the left and the Gantt chart on the right, in one splitter.
//
// The pane owns the chain between the project's activity model and both
// views: activity model -> parent-item proxy (the tree) -> filter proxy ->
// tree view and chart. It keeps the current row and the vertical position
// of tree and chart in step, groups the tree by the levels of a ZGrouping
// (group band rows appended to the activity model's structure table), and
// numbers the rows. Without a project it shows an idle model of five empty
// columns.
//
// The project models belong to the loader; the pane never deletes them, and
// when one of them is destroyed while shown the pane falls back to the idle
// model, so no proxy, header filter box or connection is left on it.
class Activities : public QWidget
{
    Q_OBJECT
public:
    explicit Activities(QWidget *parent = nullptr);
    ~Activities() override;

    // Installs a project (or, with the idle model, no project).
    void setModels(QAbstractItemModel *activities, QAbstractItemModel *wbs,
                   QAbstractItemModel *activityCodeTypes, QAbstractItemModel *activityCodes,
                   QAbstractItemModel *predecessors, bool resetChart);

    ZGroupedTreeView *treeView() const;
    mygc::GanttChart *ganttChart() const;
    // The activity model last given to setModels (the idle model when no
    // project is open), the filter proxy under the tree, the grouping.
    QAbstractItemModel *activityModel() const;
    ZFilterDialogProxyModel *filterModel() const;
    ZParentItemProxyModel *parentItemModel() const;
    ZGrouping currentGrouping() const;
    // The header filter box of the current project; null without a project.
    ZHeaderFilterBox *sortFilterWidget() const;
    // Number of activity rows; rows of the activity model from here on are
    // group band rows.
    int initialRowCount() const;

    void setCurrentGrouping(const ZGrouping &grouping);
    void setSortBy(const QString &caption, Qt::SortOrder order);
    void clearFilterSort();
    void gotoTask(int taskId);
    // Makes row (an index of the filter proxy) the tree's current,
    // highlighted row, in a shown column (ZGroupedTreeView::shownCell),
    // scrolls it into view and, with takeFocus, gives the tree the focus;
    // the columns stay where they are.
    void makeCurrent(const QModelIndex &row, bool takeFocus = true);
    // The nearest activity row (no band row) before (step -1) or after
    // (step 1) index in the tree's order, collapsed rows included; invalid
    // when there is none.
    QModelIndex neighbourActivity(const QModelIndex &index, int step) const;
    // Makes that neighbour of the current row current (its parents
    // expanded); false when there is none. The focus stays where it is.
    bool stepCurrentActivity(int step);

    void init();
    void createIdleActivityModel();
    void createDefaultGrouping();
    // A new hidden table view in the splitter, in place of the current one.
    void createResourceView();
    // A new chart (default bar styles) in the splitter, in place of the
    // current one, connected and bound to the tree as the old one was.
    void createGanttChart();

    // Regrouping, in this order: old bands out, new bands in.
    void groupBySelection();
    void removeGrouping(QAbstractItemModel *model, int idColumn, int parentIdColumn);
    void handleGroupings();
    void insertToModel(QAbstractItemModel *model, const ZIndex &index, int groupColumn);
    // Row numbers, outline levels and predecessor rows of the current tree.
    void updateRowNumber();

    // Grouping from a ready list of group records, each a variant map with
    // "caption" (the band's title), "parent" (the position of the parent
    // record in the list; none or out of range for a top-level band) and
    // "set" (the activity rows of the band). Appends one band row per record
    // to the structure table under the activity model, with "ID" -1 - its
    // position, and writes the "parentID" of the bands and of their member
    // rows; the tree shows it after the parent-item proxy's
    // setParentStructure("ID", "parentID") column pair.
    void groupByList(const QList<QVariant> &groups);
    // Leaves each activity row only in the deepest band that lists it:
    // marks which records have children ("hasChildren") and takes the rows
    // of every band out of all the bands above it.
    static void makeGroupsUnique(QList<QVariant> &groups);
    // Its step over the records at and below parent (-1: every top-level
    // record and below): each record marked "hasChildren" gives up the rows
    // that any record below it lists.
    static void makeGroupsUniqueHelper(int parent, QList<QVariant> &groups);

    // Group-by index factories over one column of a model.
    ZDateIndex createDateIndex(QAbstractItemModel *model, int column,
                               const QString &interval) const;
    ZIndex createStructuredIndex(QAbstractItemModel *model, int column,
                                 QAbstractItemModel *structureModel, int keyColumn,
                                 int parentColumn, int displayColumn,
                                 const QString &level) const;
    ZIndex createStructuredKeyListIndex(QAbstractItemModel *model, int column,
                                        QAbstractItemModel *structureModel, const QVariant &key,
                                        int keyFilterColumn, int keyColumn, int parentColumn,
                                        int displayColumn, const QString &level) const;

public slots:
    void onCloseProject();
    void onUpdateMergeColumns();
    void updateGanttRelationship();
    void onHeaderSizeChanged();
    void onTreeCurrentChanged(const QModelIndex &current, const QModelIndex &previous);
    void onTreeSelectionChanged(const QItemSelection &current, const QItemSelection &previous);
    void onGanttSelectionChanged(const QModelIndex &row);
    // Writes into every row that has children the earliest start and the
    // latest finish of the rows shown below it.
    void calculateGroupings();
    // The header filter box reported a filter or sort change: band dates
    // recomputed when the shown rows changed, then the chart rebuilt.
    void onFiltered();

private slots:
    void onProjectModelDestroyed(QObject *model);
    void markBandDatesStale();

private:
    void setupUi();
    // The chart's columns and models from the current project and tree.
    void bindChart();
    void applyPalette();
    // Takes the band rows (from the initial row count on) out of the
    // structure table under an activity model and empties its parent ids.
    void removeBandRows(QAbstractItemModel *model, int total, int parentIdColumn);
    void dropBandRows(QAbstractItemModel *activities);
    // No filter, no sort, in the proxy and in the header's record.
    void resetFilterSort();
    // The activity table row behind an index of the filter proxy.
    int tableRow(const QModelIndex &filterIndex) const;
    // Summarises the children of parent (and, first, their children) and
    // writes the result into parent's row; returns it.
    QVector<QVariant> summariseChildren(const QModelIndex &parent, const QVector<int> &columns,
                                        const QVector<bool> &earliest, LocalTimeCache &times);
    void dropSortFilterWidget();
    void watchModel(QAbstractItemModel *model);

    QGridLayout *m_gridLayout = nullptr;     // Owned (child).
    QSplitter *m_splitter = nullptr;         // Owned (child).
    ZGroupedTreeView *m_treeView = nullptr;  // Owned (child of the splitter).
    ZSortFilterHeader *m_header = nullptr;   // Owned (child).
    mygc::GanttChart *m_chart = nullptr;     // Owned (child of the splitter).
    QTableView *m_hiddenTable = nullptr;     // Owned (child of the splitter).
    ZRecordSetModel *m_idleModel = nullptr;  // Owned (child).

    QAbstractItemModel *m_model = nullptr;             // Not owned.
    QPointer<QAbstractItemModel> m_wbsModel;           // Not owned.
    QPointer<QAbstractItemModel> m_codeTypeModel;      // Not owned.
    QPointer<QAbstractItemModel> m_codeModel;          // Not owned.
    QPointer<QAbstractItemModel> m_predecessorModel;   // Not owned.

    ZParentItemProxyModel *m_parentProxy = nullptr;    // Owned (child).
    ZFilterDialogProxyModel *m_filterProxy = nullptr;  // Owned (child).
    QPointer<ZHeaderFilterBox> m_sortFilterWidget;     // Owned through the header.

    // Predecessor rows resolved for the current project, built on first use.
    RowNumbering m_numbering;
    bool m_numberingValid = false;

    int m_initialRowCount = 0;
    ZGrouping m_grouping;
    // The filter's rows changed since the band dates were last computed.
    bool m_bandDatesStale = true;
};

// The display text in index's column of every row at index's level (index
// and its siblings) and below it, to that row's index; the first row in
// tree order wins a text that repeats.
void fillIndexMap(QHash<QString, QModelIndex> *map, const QModelIndex &index);
// The integer in keyColumn of every row below parent, at any depth, to the
// row's index in valueColumn; rows without an integer key are left out, and
// the first row in tree order wins a key that repeats.
void build_task_index(const QAbstractItemModel *model, const QModelIndex &parent, int keyColumn,
                      int valueColumn, std::map<int, QModelIndex> &map);
