#pragma once

#include "charttaskitem.h"
#include "localtimecache.h"

#include <QSharedPointer>
#include <QVector>
#include <QWidget>

class QLine;
class QPainter;

namespace mygc {

class DateAxis;
class GanttChart;
class QGCVAxis;
class TaskRelationship;

// The scrolled body of the Gantt chart: one row per task of the chart, with
// row backgrounds, bars, label texts, links, vertical grid lines and the
// selected row. Painting visits only what the exposed rectangle shows: the
// rows in it, the periods across it and the links that touch its rows (found
// through an interval index over the links' row spans). Where links' vertical
// runs overlap, the overlap is painted once.
//
// A picture painted strip by strip (between beginPicture and endPicture)
// would meet every long link again in every strip it passes: there each
// strip paints the ends of the links that end in or beside it, and the
// vertical runs that cross it, merged once for the whole picture.
class ChartArea : public QWidget
{
    Q_OBJECT
public:
    explicit ChartArea(QWidget *parent = nullptr);
    ~ChartArea() override;

    void setChartView(GanttChart *chart);

    // Records a task as the next row and widens the date axis to hold it.
    void addTask(const QSharedPointer<TaskItem> &task);
    // The same with the instants of the task's start and finish known (as
    // the last addTask found them for the same dates).
    void addTask(const QSharedPointer<TaskItem> &task, qint64 startMs, qint64 finishMs);
    // Forgets all tasks and the selection; the widget shrinks to 0 x 0.
    void clear();
    // The height the body keeps at least, rows or not: the chart scrolls as
    // far as its buddy tree, which may stop with room below its last row.
    void setReach(int height);

    virtual void setSelectedRow(int row);
    int selectedRow() const { return selected_; }
    int taskCount() const { return tasks_.size(); }
    const QVector<QSharedPointer<ChartTaskItem>> &items() const { return tasks_; }

    // While a batch is open, addTask leaves the widget's size alone;
    // endBatch applies the final size once. A rebuild of thousands of rows
    // so resizes the widget once instead of once per row.
    void beginBatch();
    void endBatch();

    // The chart's link list changed: the link index is rebuilt before the
    // next paint.
    void relationsChanged();

    // Positions in the chart's link list of the links that paintRelations
    // would draw for the rows firstRow..lastRow, in list order.
    QVector<int> relationsInRows(int firstRow, int lastRow);

    // Between the two, paints are strips of one picture: the chart, its
    // rows, links and axis stay as they are.
    void beginPicture();
    void endPicture();

signals:
    void selectionChanged(int current);

public slots:
    void dateAxisWidthChanged(int oldWidth, int newWidth);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

    void paintRelations(QPainter &painter, DateAxis *axis, QGCVAxis *rows, const QRect &exposed,
                        int firstRow, int lastRow);

private:
    // Spans [low, high] sorted by low, with the largest high of every
    // implicit subtree (node = middle of its range): the spans meeting a
    // range are found in time in their number and the log of all.
    struct SpanIndex
    {
        QVector<int> low;
        QVector<int> high;
        QVector<int> pos;
        QVector<int> maxHigh;
        // Fills maxHigh once low, high and pos are filled.
        void finish();
        // Appends pos of the spans meeting [first, last].
        void query(int first, int last, QVector<int> &out) const;
        void clear();
    };
    // Where a link's parts lie.
    struct LinkShape
    {
        int fx, tx; // anchors at the predecessor and the successor
        int F, T;   // the jog's x at either end
        int fo, to; // the jogs' offsets (-10 or 10)
        int yf, yt; // the rows' middles
        int verticalStart;
    };
    LinkShape linkShape(const TaskRelationship &rel, DateAxis *axis, QGCVAxis *rows) const;
    // Everything of a link but its vertical run.
    void paintLinkEnds(QPainter &painter, const LinkShape &shape, bool head, const QRect &exposed,
                       QVector<QLine> &lines) const;
    void buildPicture();
    void paintBody(QPaintEvent *event);
    void applySize();
    int bodyHeight() const;
    void buildRelationIndex();
    void dropRelationIndex();

    QVector<QSharedPointer<ChartTaskItem>> tasks_;
    GanttChart *chart_ = nullptr; // Not owned.
    int selected_ = -1;
    int reach_ = 0;
    bool batch_ = false;
    LocalTimeCache timeCache_; // Used during a batch only.

    // Interval index over the links' row spans: sorted by the lower row,
    // with the largest upper row of every implicit subtree.
    bool relationIndexValid_ = false;
    SpanIndex relations_;

    // While a picture is painted: the links by the rows they end in (the
    // links of row r at linkEnds_[endStart_[r]] .. before endStart_[r + 1]),
    // and the merged vertical runs (x in runX_, pixel rows in the index).
    bool picture_ = false;
    QVector<int> endStart_;
    QVector<int> linkEnds_;
    QVector<int> runX_;
    SpanIndex runs_;
};

} // namespace mygc
