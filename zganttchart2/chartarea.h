#pragma once

#include "charttaskitem.h"
#include "localtimecache.h"

#include <QSharedPointer>
#include <QVector>
#include <QWidget>

class QPainter;

namespace mygc {

class DateAxis;
class GanttChart;
class QGCVAxis;

// The scrolled body of the Gantt chart: one row per task of the chart, with
// row backgrounds, bars, label texts, links, vertical grid lines and the
// selected row. Painting visits only what the exposed rectangle shows: the
// rows in it, the periods across it and the links that touch its rows (found
// through an interval index over the links' row spans).
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
    void applySize();
    void buildRelationIndex();
    void dropRelationIndex();
    void queryRelations(int lo, int hi, int firstRow, int lastRow, QVector<int> &out) const;

    QVector<QSharedPointer<ChartTaskItem>> tasks_;
    GanttChart *chart_ = nullptr; // Not owned.
    int selected_ = -1;
    bool batch_ = false;
    LocalTimeCache timeCache_; // Used during a batch only.

    // Interval index over the links' row spans: sorted by the lower row,
    // with the largest upper row of every implicit subtree.
    bool relationIndexValid_ = false;
    QVector<int> relLow_;
    QVector<int> relHigh_;
    QVector<int> relPos_;
    QVector<int> relMaxHigh_;
};

} // namespace mygc
