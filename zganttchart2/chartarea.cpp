#include "chartarea.h"

#include "captions.h"
#include "dateutils.h"
#include "qganttchart.h"
#include "qgcdateaxis.h"
#include "qgcvaxis.h"
#include "taskdrawdelegate.h"
#include "taskrelationship.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTreeView>
#include <QWheelEvent>

#include <algorithm>

namespace mygc {

namespace {

const QColor kAlternateRow(245, 245, 255);
const QColor kRow(255, 255, 255);
const QColor kGridLine(150, 150, 150);

QColor linkColor()
{
    return QColor(38, 124, 211, 200);
}

QColor selectionColor()
{
    return QColor(38, 124, 211, 50);
}

// A rectangle from inclusive edges.
QRect edges(int left, int top, int right, int bottom)
{
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

} // namespace

ChartArea::ChartArea(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::ClickFocus);
}

ChartArea::~ChartArea() = default;

void ChartArea::setChartView(GanttChart *chart)
{
    chart_ = chart;
    relationIndexValid_ = false;
}

void ChartArea::addTask(const QSharedPointer<TaskItem> &task)
{
    if (!chart_ || !task)
        return;
    const QDateTime start = task->start();
    const QDateTime finish = task->finish();
    const bool valid = start.isValid() && finish.isValid();
    // Instants are compared as numbers: converting local date-times is
    // costly and a rebuild records every shown row.
    const qint64 startMs = !valid ? 0 : batch_ ? timeCache_.toMSecs(start) : start.toMSecsSinceEpoch();
    const qint64 finishMs = !valid ? 0 : batch_ ? timeCache_.toMSecs(finish) : finish.toMSecsSinceEpoch();
    addTask(task, startMs, finishMs);
}

void ChartArea::addTask(const QSharedPointer<TaskItem> &task, qint64 startMs, qint64 finishMs)
{
    if (!chart_ || !task)
        return;
    DateAxis *axis = chart_->dateAxis();
    auto item = QSharedPointer<ChartTaskItem>::create();
    item->task = task;
    axis->setEmpty(false);

    const QDateTime start = task->start();
    const QDateTime finish = task->finish();
    item->valid = start.isValid() && finish.isValid();
    if (!item->valid)
        startMs = finishMs = 0;
    item->valid = item->valid && finishMs >= startMs;
    item->startMs = startMs;
    item->finishMs = finishMs;
    if (item->valid) {
        // Compared with the dates asked for, not the range: the range may
        // reach past them to leave room for shapes at its ends, and a finer
        // time scale rounds the asked dates again, so a task inside the
        // rounded range but outside the asked one would fall off it.
        if (tasks_.isEmpty() || !axis->hasRange()) {
            axis->setDates(start, finish);
        } else if (startMs >= axis->requestedStartMSecs()) {
            if (finishMs > axis->requestedEndMSecs())
                axis->setEndDate(finish);
        } else {
            if (axis->requestedEndMSecs() < finishMs)
                axis->setDates(start, finish);
            else
                axis->setStartDate(start);
        }
        const TaskDrawDelegate *delegate = chart_->drawDelegate();
        item->left = qMax(0, axis->msecsToPoint(startMs) - delegate->leftExtent());
        item->width = axis->msecsToPoint(finishMs) - item->left + delegate->rightExtent();
    }
    item->row = tasks_.size();
    tasks_.append(item);
    if (!batch_)
        applySize();
}

void ChartArea::clear()
{
    // Emptied with its capacity: a closed project's rows keep no memory.
    tasks_.clear();
    tasks_.squeeze();
    selected_ = -1;
    dropRelationIndex();
    // Within a batch the final size follows at its end; shrinking to nothing
    // in between would throw the scroll position away.
    if (!batch_)
        setFixedSize(0, 0);
    update();
}

void ChartArea::beginBatch()
{
    batch_ = true;
    timeCache_.clear();
}

void ChartArea::endBatch()
{
    if (!batch_)
        return;
    batch_ = false;
    timeCache_.clear();
    if (chart_) {
        setFixedSize(chart_->dateAxis()->axisWidth(),
                     qMin(chart_->rowAxis()->totalHeight(), QWIDGETSIZE_MAX));
    }
    update();
}

void ChartArea::applySize()
{
    if (!chart_)
        return;
    // The row axis may add up to more than a widget can be high.
    setMinimumHeight(qMin(chart_->rowAxis()->totalHeight(), QWIDGETSIZE_MAX));
    setMinimumWidth(chart_->dateAxis()->axisWidth());
}

void ChartArea::dateAxisWidthChanged(int oldWidth, int newWidth)
{
    Q_UNUSED(oldWidth)
    if (batch_)
        return; // endBatch takes the final width.
    setFixedWidth(newWidth);
}

void ChartArea::setSelectedRow(int row)
{
    if (row >= 0 && chart_ && row < chart_->taskCount()) {
        if (row != selected_) {
            selected_ = row;
            update();
            emit selectionChanged(row);
        }
        return;
    }
    if (selected_ != -1) {
        selected_ = -1;
        update();
        emit selectionChanged(-1);
    }
}

void ChartArea::relationsChanged()
{
    dropRelationIndex();
    update();
}

void ChartArea::dropRelationIndex()
{
    // Built anew before it is next asked; until then it holds no memory.
    relationIndexValid_ = false;
    for (QVector<int> *part : {&relLow_, &relHigh_, &relPos_, &relMaxHigh_}) {
        part->clear();
        part->squeeze();
    }
}

void ChartArea::buildRelationIndex()
{
    relationIndexValid_ = true;
    relLow_.clear();
    relHigh_.clear();
    relPos_.clear();
    relMaxHigh_.clear();
    if (!chart_)
        return;
    const auto &relations = chart_->relations();
    const int n = relations.size();
    if (n == 0)
        return;

    // Counting sort by the lower row: rows are bounded by the task count.
    int maxRow = 0;
    for (const auto &rel : relations)
        maxRow = qMax(maxRow, qMax(rel->from, rel->to));
    QVector<int> start(maxRow + 2, 0);
    for (const auto &rel : relations)
        ++start[qMax(0, qMin(rel->from, rel->to)) + 1];
    for (int i = 1; i < start.size(); ++i)
        start[i] += start[i - 1];
    relLow_.resize(n);
    relHigh_.resize(n);
    relPos_.resize(n);
    for (int pos = 0; pos < n; ++pos) {
        const auto &rel = relations.at(pos);
        const int low = qMax(0, qMin(rel->from, rel->to));
        const int slot = start[low]++;
        relLow_[slot] = low;
        relHigh_[slot] = qMax(rel->from, rel->to);
        relPos_[slot] = pos;
    }

    relMaxHigh_.resize(n);
    // Largest upper row below each implicit node (node = middle of its span).
    struct Builder {
        ChartArea *area;
        int build(int lo, int hi)
        {
            if (lo >= hi)
                return -1;
            const int mid = lo + (hi - lo) / 2;
            const int m = qMax(area->relHigh_.at(mid), qMax(build(lo, mid), build(mid + 1, hi)));
            area->relMaxHigh_[mid] = m;
            return m;
        }
    };
    Builder{this}.build(0, n);
}

void ChartArea::queryRelations(int lo, int hi, int firstRow, int lastRow, QVector<int> &out) const
{
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (relMaxHigh_.at(mid) < firstRow)
            return;
        queryRelations(lo, mid, firstRow, lastRow, out);
        if (relLow_.at(mid) > lastRow)
            return;
        if (relHigh_.at(mid) >= firstRow)
            out.append(relPos_.at(mid));
        lo = mid + 1;
    }
}

QVector<int> ChartArea::relationsInRows(int firstRow, int lastRow)
{
    if (!relationIndexValid_)
        buildRelationIndex();
    QVector<int> result;
    if (firstRow < 0 || lastRow < firstRow)
        return result;
    queryRelations(0, relLow_.size(), firstRow, lastRow, result);
    std::sort(result.begin(), result.end());
    return result;
}

void ChartArea::paintEvent(QPaintEvent *event)
{
    if (!chart_)
        return;
    DateAxis *axis = chart_->dateAxis();
    QGCVAxis *rows = chart_->rowAxis();
    TaskDrawDelegate *delegate = chart_->drawDelegate();
    const QRect r = event->rect();
    QPainter painter(this);

    const int firstRow = rows->rowAt(r.top());
    int lastRow = rows->rowAt(r.bottom());
    if (firstRow >= 0 && lastRow < 0)
        lastRow = rows->rowCount() - 1;
    // Rows firstRow .. lastRow + 1 that exist.
    const int endRow = firstRow < 0 ? -2 : qMin(lastRow + 1, tasks_.size() - 1);
    auto band = [&](int row) {
        return QRect(0, rows->rowTop(row), width(), rows->rowHeightAt(row));
    };

    for (int i = qMax(firstRow, 0); i <= endRow; ++i) {
        if (!tasks_.at(i)->valid)
            continue;
        const bool alternate = (i % 2 == 1) && chart_->alternatingRowColors();
        painter.fillRect(band(i), alternate ? kAlternateRow : kRow);
    }

    if (chart_->verticalLines()) {
        const QPen oldPen = painter.pen();
        painter.setPen(kGridLine);
        const QDateTime d1 = axis->pointToDate(r.left());
        const QDateTime d2 = axis->pointToDate(r.right());
        QVector<QLine> lines;
        if (d1.isValid() && d2.isValid()) {
            for (int level = 1; level < axis->levelCount(); ++level) {
                const TimeUnit u = axis->levelTimeUnit(level);
                QDateTime d = date_utils::next_date(u, date_utils::floor_date(u, d1));
                // More periods than pixels would only paint the area grey.
                if (!d.isValid() || date_utils::units_between(d, d2, u) > r.width() + 2)
                    continue;
                while (d.isValid() && !(d2 < d)) {
                    const int x = axis->dateToPoint(d);
                    lines.append(QLine(x, r.top(), x, r.bottom()));
                    d = date_utils::advance(u, d);
                }
            }
        }
        painter.drawLines(lines);
        painter.setPen(oldPen);
    }

    if (chart_->isLinksVisible() && firstRow >= 0)
        paintRelations(painter, axis, rows, r, firstRow, lastRow + 1);

    // Bars and captions of the rows next to the exposed ones as well: a
    // caption above or below its bar reaches into the neighbouring row, and
    // a picture painted in strips must not lose it at a strip's edge.
    const int beginRow = qMax(firstRow - 1, 0);
    for (int i = beginRow; i <= endRow; ++i) {
        const ChartTaskItem &item = *tasks_.at(i);
        if (item.valid)
            delegate->draw(item.task.data(), &painter, axis, band(i));
    }

    for (int i = beginRow; i <= endRow; ++i) {
        const ChartTaskItem &item = *tasks_.at(i);
        if (!item.valid)
            continue;
        const TaskItem *task = item.task.data();
        const int t = rows->rowTop(i);
        const int h = rows->rowHeightAt(i);
        const int xs = axis->msecsToPoint(item.startMs);
        const int xf = axis->msecsToPoint(item.finishMs);
        const int noClip = Qt::TextDontClip;
        // Cut as the table shows a text: laid out whole, a long caption
        // would cost every paint time in its length.
        QString text = shownText(task->leftText());
        if (!text.isEmpty())
            painter.drawText(edges(xs - 25, t, xs - 6, t + h - 1), noClip | Qt::AlignRight | Qt::AlignVCenter, text);
        text = shownText(task->rightText());
        if (!text.isEmpty())
            painter.drawText(edges(xf + 5, t, xf + 104, t + h - 1), noClip | Qt::AlignLeft | Qt::AlignVCenter, text);
        text = shownText(task->topText());
        if (!text.isEmpty())
            painter.drawText(edges(xs, t + 5 - h, xf - 1, t + 4),
                             noClip | Qt::AlignHCenter | Qt::AlignBottom | Qt::AlignVCenter, text);
        text = shownText(task->bottomText());
        if (!text.isEmpty())
            painter.drawText(edges(xs, t + h - 12, xf - 1, t + 2 * h - 13),
                             noClip | Qt::AlignHCenter | Qt::AlignTop | Qt::AlignVCenter, text);
        text = shownText(task->insideText());
        if (!text.isEmpty())
            painter.drawText(edges(xs, t, xf - 1, t + h - 1), noClip | Qt::AlignHCenter | Qt::AlignVCenter, text);
    }

    if (selected_ >= 0 && selected_ >= firstRow && selected_ <= endRow) {
        painter.setPen(selectionColor());
        painter.setBrush(QBrush(selectionColor(), Qt::SolidPattern));
        const QRect rect = band(selected_);
        painter.drawRects(&rect, 1);
    }
}

void ChartArea::paintRelations(QPainter &painter, DateAxis *axis, QGCVAxis *rows, const QRect &exposed,
                               int firstRow, int lastRow)
{
    const auto &relations = chart_->relations();
    const auto &tasks = chart_->tasks();
    painter.setPen(linkColor());
    painter.setBrush(QBrush(linkColor(), Qt::SolidPattern));
    QVector<QLine> lines;
    // The vertical runs, the longest strokes by far, are filled as one pixel
    // wide rectangles: the same pixels as a line, drawn faster.
    QVector<QRect> verticals;
    const int deg = 16; // drawArc takes sixteenths of a degree
    // Arcs and heads away from the exposed rectangle are left out: clipped,
    // they would only cost time. (The margin covers the pen.) A strip of a
    // picture meets most links only in passing.
    const QRect near = exposed.adjusted(-2, -2, 2, 2);
    const auto arc = [&painter, &near](const QRect &rect, int start, int span) {
        if (near.intersects(rect))
            painter.drawArc(rect, start, span);
    };
    // Lines are gathered for one call; those away from it are left out too.
    const auto line = [&lines, &near](int x1, int y1, int x2, int y2) {
        if (near.intersects(QRect(QPoint(qMin(x1, x2), qMin(y1, y2)), QPoint(qMax(x1, x2), qMax(y1, y2)))))
            lines << QLine(x1, y1, x2, y2);
    };

    // A strip of a picture meets the same links again: their ends come from
    // the rows' instants where the row is that task, not from its dates.
    const auto pointAt = [this, axis](int row, const TaskItem &task, bool start) {
        if (row < tasks_.size()) {
            const ChartTaskItem &item = *tasks_.at(row);
            if (item.valid && item.task.data() == &task)
                return axis->msecsToPoint(start ? item.startMs : item.finishMs);
        }
        return axis->dateToPoint(start ? task.start() : task.finish());
    };

    const QVector<int> candidates = relationsInRows(firstRow, lastRow);
    for (int pos : candidates) {
        const TaskRelationship &rel = *relations.at(pos);
        if (rel.from < 0 || rel.from >= tasks.size() || rel.to < 0 || rel.to >= tasks.size())
            continue;
        const TaskItem &fromTask = *tasks.at(rel.from);
        const TaskItem &toTask = *tasks.at(rel.to);
        const bool fromStart = rel.type == StartToStart || rel.type == StartToFinish;
        const bool toStart = rel.type == StartToStart || rel.type == FinishToStart;
        const int fo = fromStart ? -10 : 10;
        const int to = toStart ? -10 : 10;
        const int fx = pointAt(rel.from, fromTask, fromStart);
        const int tx = pointAt(rel.to, toTask, toStart);
        const int F = fx + fo;
        const int T = tx + to;
        const int yf = rows->rowTop(rel.from) + rows->rowHeightAt(rel.from) / 2;
        const int yt = rows->rowTop(rel.to) + rows->rowHeightAt(rel.to) / 2;

        int verticalStart;
        if ((fo > 0 && F > T) || (fo < 0 && F < T)) {
            // The successor's anchor lies behind the jog: turn back below the row.
            if (fo > 0) {
                line(fx, yf, F - 3, yf);
                line(F, yf + 3, F, yf + 5);
                line(F - 3, yf + 8, T, yf + 8);
                arc(QRect(F - 6, yf, 6, 6), 90 * deg, -90 * deg);
                arc(QRect(F - 6, yf + 2, 6, 6), 0, -90 * deg);
            } else {
                line(fx, yf, F + 3, yf);
                line(F, yf + 3, F, yf + 5);
                line(F + 3, yf + 8, T, yf + 8);
                arc(QRect(F, yf, 6, 6), 90 * deg, 90 * deg);
                arc(QRect(F, yf + 2, 6, 6), -90 * deg, -90 * deg);
            }
            verticalStart = yf + 8;
        } else {
            if (fo > 0) {
                line(fx, yf, T - 3, yf);
                arc(QRect(T - 6, yf, 6, 6), 0, 90 * deg);
            } else {
                line(fx, yf, T + 3, yf);
                arc(QRect(T, yf, 6, 6), 90 * deg, 90 * deg);
            }
            verticalStart = yf + 3;
        }

        // Only where the run crosses the exposed rows: one that passes above
        // or below them would leave a dot on their edge.
        if (exposed.left() <= T && T <= exposed.right()
            && qMin(verticalStart, yt) <= exposed.bottom() && qMax(verticalStart, yt) >= exposed.top()) {
            const int y1 = qBound(exposed.top(), qMin(verticalStart, yt), exposed.bottom());
            const int y2 = qBound(exposed.top(), qMax(verticalStart, yt), exposed.bottom());
            verticals << QRect(T, y1, 1, y2 - y1 + 1);
        }

        if (rel.to <= lastRow) {
            line(T, yt, tx, yt);
            const QPoint head[3] = {QPoint(tx, yt), QPoint(T - to / 2, yt - to / 2), QPoint(T - to / 2, yt + to / 2)};
            if (near.intersects(QPolygon({head[0], head[1], head[2]}).boundingRect()))
                painter.drawPolygon(head, 3, Qt::OddEvenFill);
        }
    }
    painter.drawLines(lines);
    for (const QRect &run : qAsConst(verticals))
        painter.fillRect(run, painter.pen().color());
}

void ChartArea::mousePressEvent(QMouseEvent *event)
{
    if (!chart_ || !chart_->rowAxis())
        return;
    setSelectedRow(chart_->rowAxis()->rowAt(qRound(event->localPos().y())));
}

void ChartArea::keyPressEvent(QKeyEvent *event)
{
    if (!chart_)
        return;
    int row = selected_;
    if (event->key() == Qt::Key_Up) {
        if (selected_ > 0)
            row = selected_ - 1;
    } else if (event->key() == Qt::Key_Down) {
        if (selected_ < chart_->taskCount() - 1)
            row = selected_ + 1;
    } else {
        return;
    }
    if (row != selected_)
        setSelectedRow(row);
}

void ChartArea::wheelEvent(QWheelEvent *event)
{
    event->accept();
    if (!chart_)
        return;
    QScrollBar *horizontal = chart_->horizontalScrollBar();
    horizontal->setValue(horizontal->value() - event->angleDelta().x() / 8);
    QTreeView *tree = chart_->buddyTree();
    if (!tree)
        return;
    const int dy = event->angleDelta().y();
    QScrollBar *vertical = tree->verticalScrollBar();
    if (dy >= 8)
        vertical->setValue(vertical->value() - 1);
    else if (dy <= -8)
        vertical->setValue(vertical->value() + 1);
}

} // namespace mygc
