#pragma once

#include "qgcenums.h"
#include "taskitem.h"
#include "taskrelationship.h"
#include "zganttviewbarstyle.h"
#include "zimage.h"

#include <QHash>
#include <QList>
#include <QModelIndex>
#include <QPointer>
#include <QScrollArea>
#include <QSharedPointer>
#include <QTreeView>
#include <QVector>

#include <functional>
#include <vector>

class QAbstractItemModel;

namespace mygc {

class ChartArea;
class DateAxis;
class QGCVAxis;
class TaskDrawDelegate;

// The Gantt chart widget: a scroll area whose widget is the chart body, with
// the date axis laid over the viewport's top margin. It shows one bar row per
// row its buddy tree view shows (top-level rows, and the children of expanded
// rows), with the links between shown rows, in the styles of its bar-style
// list.
//
// Changes of the models and of the tree's expansion are gathered: however
// many signals a burst brings (a filter removing many ranges, a sort, many
// rows expanding), the tasks and links are rebuilt once, when control
// returns to the event loop. Operations that hand out rows or positions
// (selection, image, cell count) first finish a pending rebuild. After such a
// gathered rebuild the chart takes the buddy tree's vertical position again
// (tree rows times the row height), since the tree may have scrolled to rows
// the chart did not have yet.
//
// The tree leads the vertical position and the chart follows it, with room
// below its rows for as far as the tree can scroll; keys that page and the
// wheel over the chart move the tree, so the two panes never part.
//
// A caller that changes several things in a row (a new project, its bar
// styles, its sort) may hold the rebuilds: while held, setModel,
// resetModels and setBarStyles only note that a rebuild is due, and the
// last release runs one rebuild with the final state. Reading rows or
// positions while held still finishes a due rebuild first.
class GanttChart : public QScrollArea
{
    Q_OBJECT
public:
    explicit GanttChart(QWidget *parent = nullptr);
    ~GanttChart() override;

    bool viewportEvent(QEvent *event) override;
    // The frame shows the focus: the body paints none of its own.
    bool event(QEvent *event) override;

    virtual void setSelectedRow(int row);
    virtual void setSelectedIndex(const QModelIndex &index);
    virtual int dateAxisHeight() const;
    virtual void setRowHeight(int height);
    virtual int rowHeight() const;
    virtual void addTask(const TaskItem &task, int height);
    virtual void removeTask(int position);
    virtual void insertTask(int position, const TaskItem &task);
    virtual void addRelationship(int from, int to, RelationType type, long long lag);
    virtual QAbstractItemModel *model() const;
    virtual void resetModels();
    // Binds the task model (with its start, finish, type and id columns), the
    // relation model (successor id, predecessor id, type and lag columns), the
    // columns of the actual and baseline date pairs and the buddy tree, then
    // rebuilds. A column of -1 is absent.
    virtual void setModel(QAbstractItemModel *model, int startColumn, int finishColumn, int typeColumn,
                          int idColumn, QAbstractItemModel *relationModel, int relationTaskColumn,
                          int relationPredecessorColumn, int relationTypeColumn, int relationLagColumn,
                          int actualStartColumn, int actualFinishColumn, int baselineStartColumn,
                          int baselineFinishColumn, QTreeView *tree);
    virtual void setDateLevels(const QVector<TimeUnit> &levels);
    // The whole chart (date axis as header, one tile row per task) as tiles.
    virtual ZImage toImage();
    virtual QList<ZGanttViewBarStyle> barStyles() const;
    virtual void setBarStyles(const QList<ZGanttViewBarStyle> &styles, bool links, bool alternatingRows,
                              bool verticalLines, YearFormat yearFormat, QuarterFormat quarterFormat,
                              MonthFormat monthFormat, WeekFormat weekFormat, DayFormat dayFormat,
                              const QString &left, const QString &right, const QString &top,
                              const QString &bottom, const QString &inside);
    virtual bool isLinksVisible() const;
    virtual bool verticalLines() const;
    virtual bool alternatingRowColors() const;
    virtual YearFormat yearFormat() const;
    virtual QuarterFormat quarterFormat() const;
    virtual MonthFormat monthFormat() const;
    virtual WeekFormat weekFormat() const;
    virtual DayFormat dayFormat() const;

    // Date-axis columns times tasks, in 64 bits.
    qint64 cellsCount() const;

    // The parts, for the chart area, the draw delegate and tests.
    DateAxis *dateAxis() const { return ax_date; }
    QGCVAxis *rowAxis() const { return rowAxis_; }
    ChartArea *chartArea() const { return chart_; }
    TaskDrawDelegate *drawDelegate() const { return drawDelegate_; }
    QTreeView *buddyTree() const { return tree_; }
    const QVector<QSharedPointer<TaskItem>> &tasks() const { return tasks_; }
    const QVector<QSharedPointer<TaskRelationship>> &relations() const { return relations_; }
    int taskCount() const { return tasks_.size(); }
    const QList<ZGanttViewBarStyle> &barStyleList() const { return barStyles_; }

    // True while a gathered rebuild waits for the event loop.
    bool rebuildPending() const { return pendingTasks_ || pendingLinks_; }
    // Runs a waiting rebuild now.
    void flushPendingRebuild();

    // Holds the rebuilds (nested); the last release runs a due rebuild.
    void holdRebuilds();
    void releaseRebuilds();
    bool rebuildsHeld() const { return holdDepth_ > 0; }
    // Holds the rebuilds of a chart for the life of the guard.
    class RebuildHold
    {
    public:
        explicit RebuildHold(GanttChart *chart);
        ~RebuildHold();
        RebuildHold(const RebuildHold &) = delete;
        RebuildHold &operator=(const RebuildHold &) = delete;

    private:
        QPointer<GanttChart> chart_; // Not owned.
    };

    // Number of task rebuilds since construction (for tests and benches).
    int rebuildCount() const { return rebuildCount_; }

    // Rows that show the same data from one rebuild to the next (an activity,
    // wherever the tree puts it) may be given a key, 0 or more, unique among
    // the model's rows: the cells the chart reads of a keyed row (dates, id,
    // type) are then read once and kept until the model, its columns or the
    // bar styles are set again, a dataChanged touches them, or
    // dropTaskCache(). Texts around the bars are read at every rebuild. A
    // key below 0 (or no key function) reads the row every time.
    // A key model, when given, is a flat model whose row k shows the cells
    // of the row keyed k, in the chart model's columns, and may be read from
    // several threads at once: a rebuild then reads the keyed rows it lacks
    // from it, side by side on the pool.
    using RowKey = std::function<int(const QModelIndex &)>;
    void setRowKey(const RowKey &key, QAbstractItemModel *keyModel = nullptr);
    void dropTaskCache();

signals:
    void headerSizeChanged();
    void selectionChanged(QModelIndex index);

public slots:
    void hscrolled(int value);
    void dateAxisHeightChanged(int height);
    // Rebuilds the tasks now (the links stay empty until rmodelReset).
    void modelReset();
    void modelRowsRemoved(const QModelIndex &parent, int first, int last);
    void modelRowsInserted(const QModelIndex &parent, int first, int last);
    void modelRowsMoved(const QModelIndex &parent, int start, int end, const QModelIndex &destination,
                        int row);
    void modelDestroyed(QObject *obj);
    void modelDataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                          const QVector<int> &roles);
    // Rebuilds the links now.
    void rmodelReset();
    void rmodelDestroyed(QObject *obj);
    void rowExpandedCollapsed(const QModelIndex &idx);
    void areaSelectionChanged(int current);

protected:
    // Up and Down move the selected row, as on the body; the keys that page
    // go to the buddy tree, whose position the chart follows.
    void keyPressEvent(QKeyEvent *event) override;
    // Over the viewport beside or below the body, the wheel does what it
    // does over the body.
    void wheelEvent(QWheelEvent *event) override;

private:
    // Takes the buddy tree's vertical position (tree rows times the row
    // height), with room below the rows for as far as the tree can scroll.
    void followTree();
    void scheduleRebuild();
    void scheduleLinkRebuild();
    // A full rebuild now, or, while held, at the last release.
    void rebuildOrNote();
    void runPendingRebuild();
    void clearTasks();
    // Puts the band on the buddy tree's current row, when the chart shows it.
    void selectTreeCurrent();
    void findLabelColumns();
    void disconnectModel();
    void disconnectRelationModel();
    void disconnectTree();

    int rowHeight_ = 25;
    QAbstractItemModel *model_ = nullptr;         // Not owned.
    QAbstractItemModel *relationModel_ = nullptr; // Not owned.
    int typeColumn_ = -1;
    int startColumn_ = -1;
    int finishColumn_ = -1;
    int idColumn_ = -1;
    int actualStartColumn_ = -1;
    int actualFinishColumn_ = -1;
    int baselineStartColumn_ = -1;
    int baselineFinishColumn_ = -1;
    int relationTaskColumn_ = -1;
    int relationPredecessorColumn_ = -1;
    int relationTypeColumn_ = -1;
    int relationLagColumn_ = -1;
    // Made when a selection first asks after a rebuild: a rebuild enters
    // every shown row, a selection looks up one.
    QHash<QModelIndex, int> indexLookup_;
    bool indexLookupValid_ = false;
    bool linksVisible_ = true;
    bool verticalLines_ = false;
    bool alternatingRowColors_ = false;
    YearFormat yearFormat_ = YearFourDigits;
    QuarterFormat quarterFormat_ = QuarterShort;
    MonthFormat monthFormat_ = MonthNumberPadded;
    WeekFormat weekFormat_ = WeekLong;
    DayFormat dayFormat_ = DayNumberPadded;
    QString leftCaption_;
    QString rightCaption_;
    QString topCaption_;
    QString bottomCaption_;
    QString insideCaption_;
    // Label columns found from the captions at the last rebuild.
    int leftColumn_ = -1;
    int rightColumn_ = -1;
    int topColumn_ = -1;
    int bottomColumn_ = -1;
    int insideColumn_ = -1;
    DateAxis *ax_date = nullptr;         // Owned.
    QGCVAxis *rowAxis_ = nullptr;        // Owned.
    ChartArea *chart_ = nullptr;         // Owned (the scroll area's widget).
    QVector<QSharedPointer<TaskItem>> tasks_;
    QVector<QSharedPointer<TaskRelationship>> relations_;
    // The relation model's rows by task id, read once and kept until that
    // model changes: a rebuild after an expansion or a filter only maps the
    // ids to the rows now shown.
    struct LinkRecord
    {
        int task;
        int predecessor;
        RelationType type;
        long long lag;
    };
    QVector<LinkRecord> linkRecords_;
    bool linkRecordsValid_ = false;
    void readLinkRecords();
    void dropLinkRecords();
    // What was read of keyed rows, by key; textType: 0 none, 1 "Milestone",
    // 2 "Summary".
    struct CachedTask
    {
        QDateTime start;
        QDateTime finish;
        QDateTime actualStart;
        QDateTime actualFinish;
        QDateTime baselineStart;
        QDateTime baselineFinish;
        qint64 startMs = 0; // as the chart area found them
        qint64 finishMs = 0;
        int taskId = 0;
        qint8 textType = 0;
        bool read = false;
        bool instants = false;
    };
    std::vector<CachedTask> taskCache_;
    RowKey rowKey_;
    QPointer<QAbstractItemModel> keyModel_; // Not owned.
    // Reads every row of the key model not kept yet.
    void prefillTaskCache();
    // The cells of one row, as kept.
    CachedTask readTask(const QModelIndex &rowIndex) const;
    void appendTask(const QSharedPointer<TaskItem> &task, int height, CachedTask *cached = nullptr);
    // The task of one row, from the cache or read; true when its children
    // are to follow.
    bool addRowTask(const QModelIndex &index, int startColumn, int finishColumn, int typeColumn,
                    int idColumn, int actualStartColumn, int actualFinishColumn,
                    int baselineStartColumn, int baselineFinishColumn, int leftColumn,
                    int rightColumn, int topColumn, int bottomColumn, int insideColumn,
                    QTreeView *tree, QModelIndex *first);
    void modelDataChangedRange(const QModelIndex &topLeft, const QModelIndex &bottomRight);
    friend void addGCTask(GanttChart *chart, const QModelIndex &index, int startColumn,
                          int finishColumn, int typeColumn, int idColumn, int actualStartColumn,
                          int actualFinishColumn, int baselineStartColumn,
                          int baselineFinishColumn, int leftColumn, int rightColumn,
                          int topColumn, int bottomColumn, int insideColumn, QTreeView *tree);
    TaskDrawDelegate *drawDelegate_ = nullptr; // Owned.
    QPointer<QTreeView> tree_;                 // Not owned.
    QList<ZGanttViewBarStyle> barStyles_;

    bool pendingTasks_ = false;
    bool pendingLinks_ = false;
    bool rebuildQueued_ = false;
    bool buildingLinks_ = false;
    int holdDepth_ = 0;
    int rebuildCount_ = 0;
};

// Adds the row of the index (its own model, the row under the same parent)
// as a task of the chart, then its children when the tree shows the row
// expanded (every descendant without a tree). A column of -1 is absent.
void addGCTask(GanttChart *chart, const QModelIndex &index, int startColumn, int finishColumn,
               int typeColumn, int idColumn, int actualStartColumn, int actualFinishColumn,
               int baselineStartColumn, int baselineFinishColumn, int leftColumn, int rightColumn,
               int topColumn, int bottomColumn, int insideColumn, QTreeView *tree);

} // namespace mygc
