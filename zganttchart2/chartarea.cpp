#include "chartarea.h"

#include "captions.h"
#include "dateutils.h"
#include "qganttchart.h"
#include "qgcdateaxis.h"
#include "paintguard.h"
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
#include <limits>
#include <vector>

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

// How far a link's parts but its vertical run reach from the middle of a
// row it ends in: the turn below the predecessor's row, the head, the pen.
constexpr int kLinkReach = 12;

// A rectangle from inclusive edges.
QRect edges(int left, int top, int right, int bottom)
{
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

// A link between two rows of the chart.
bool linksRows(const TaskRelationship &rel, int taskCount)
{
    return rel.from >= 0 && rel.from < taskCount && rel.to >= 0 && rel.to < taskCount;
}

// A vertical run of a link: column x, pixel rows y1 .. y2.
struct Run
{
    int x, y1, y2;
};

// Sorts the runs by column and top, and merges those that overlap or touch
// in one column, so that an overlap is filled once.
void mergeRuns(std::vector<Run> &runs)
{
    std::sort(runs.begin(), runs.end(), [](const Run &a, const Run &b) {
        return a.x != b.x ? a.x < b.x : a.y1 < b.y1;
    });
    size_t kept = 0;
    for (const Run &run : runs) {
        if (kept > 0 && runs[kept - 1].x == run.x && run.y1 <= runs[kept - 1].y2 + 1)
            runs[kept - 1].y2 = qMax(runs[kept - 1].y2, run.y2);
        else
            runs[kept++] = run;
    }
    runs.resize(kept);
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
    if (chart_)
        setFixedSize(chart_->dateAxis()->axisWidth(), bodyHeight());
    update();
}

void ChartArea::setReach(int height)
{
    if (height == reach_)
        return;
    reach_ = height;
    // Less room lets the body shrink back to its rows.
    if (!batch_ && chart_)
        setFixedHeight(bodyHeight());
}

int ChartArea::bodyHeight() const
{
    // The row axis may add up to more than a widget can be high.
    return qMin(qMax(chart_->rowAxis()->totalHeight(), reach_), QWIDGETSIZE_MAX);
}

void ChartArea::applySize()
{
    if (!chart_)
        return;
    setMinimumHeight(bodyHeight());
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
    relations_.clear();
}

void ChartArea::SpanIndex::clear()
{
    for (QVector<int> *part : {&low, &high, &pos, &maxHigh}) {
        part->clear();
        part->squeeze();
    }
}

void ChartArea::SpanIndex::finish()
{
    const int n = low.size();
    maxHigh.resize(n);
    // Largest high below each implicit node (node = middle of its span).
    struct Builder {
        SpanIndex *index;
        int build(int lo, int hi)
        {
            if (lo >= hi)
                return std::numeric_limits<int>::min();
            const int mid = lo + (hi - lo) / 2;
            const int m = qMax(index->high.at(mid), qMax(build(lo, mid), build(mid + 1, hi)));
            index->maxHigh[mid] = m;
            return m;
        }
    };
    Builder{this}.build(0, n);
}

void ChartArea::SpanIndex::query(int first, int last, QVector<int> &out) const
{
    struct Walk {
        const SpanIndex *index;
        int first;
        int last;
        QVector<int> &out;
        void run(int lo, int hi)
        {
            while (lo < hi) {
                const int mid = lo + (hi - lo) / 2;
                if (index->maxHigh.at(mid) < first)
                    return;
                run(lo, mid);
                if (index->low.at(mid) > last)
                    return;
                if (index->high.at(mid) >= first)
                    out.append(index->pos.at(mid));
                lo = mid + 1;
            }
        }
    };
    Walk{this, first, last, out}.run(0, low.size());
}

void ChartArea::buildRelationIndex()
{
    relationIndexValid_ = true;
    relations_.clear();
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
    relations_.low.resize(n);
    relations_.high.resize(n);
    relations_.pos.resize(n);
    for (int pos = 0; pos < n; ++pos) {
        const auto &rel = relations.at(pos);
        const int low = qMax(0, qMin(rel->from, rel->to));
        const int slot = start[low]++;
        relations_.low[slot] = low;
        relations_.high[slot] = qMax(rel->from, rel->to);
        relations_.pos[slot] = pos;
    }
    relations_.finish();
}

QVector<int> ChartArea::relationsInRows(int firstRow, int lastRow)
{
    if (!relationIndexValid_)
        buildRelationIndex();
    QVector<int> result;
    if (firstRow < 0 || lastRow < firstRow)
        return result;
    relations_.query(firstRow, lastRow, result);
    std::sort(result.begin(), result.end());
    return result;
}

void ChartArea::beginPicture()
{
    endPicture();
    if (!chart_)
        return;
    buildPicture();
    picture_ = true;
}

void ChartArea::endPicture()
{
    picture_ = false;
    for (QVector<int> *part : {&endStart_, &linkEnds_, &runX_}) {
        part->clear();
        part->squeeze();
    }
    runs_.clear();
}

void ChartArea::buildPicture()
{
    const auto &relations = chart_->relations();
    const int taskCount = chart_->tasks().size();
    DateAxis *axis = chart_->dateAxis();
    QGCVAxis *rows = chart_->rowAxis();

    // The links by the rows they end in: a counting sort, a link ending
    // twice in one row listed once.
    endStart_.fill(0, taskCount + 2);
    const auto valid = [taskCount](const TaskRelationship &rel) { return linksRows(rel, taskCount); };
    for (const auto &rel : relations) {
        if (!valid(*rel))
            continue;
        ++endStart_[rel->from + 1];
        if (rel->to != rel->from)
            ++endStart_[rel->to + 1];
    }
    for (int i = 1; i < endStart_.size(); ++i)
        endStart_[i] += endStart_[i - 1];
    linkEnds_.resize(endStart_.last());
    {
        QVector<int> next = endStart_;
        for (int pos = 0; pos < relations.size(); ++pos) {
            const TaskRelationship &rel = *relations.at(pos);
            if (!valid(rel))
                continue;
            linkEnds_[next[rel.from]++] = pos;
            if (rel.to != rel.from)
                linkEnds_[next[rel.to]++] = pos;
        }
    }

    // The vertical runs, merged where they overlap or touch in one column.
    std::vector<Run> merged;
    merged.reserve(size_t(relations.size()));
    for (const auto &rel : relations) {
        if (!valid(*rel))
            continue;
        const LinkShape shape = linkShape(*rel, axis, rows);
        merged.push_back({shape.T, qMin(shape.verticalStart, shape.yt), qMax(shape.verticalStart, shape.yt)});
    }
    mergeRuns(merged);
    std::sort(merged.begin(), merged.end(), [](const Run &a, const Run &b) { return a.y1 < b.y1; });
    const int n = int(merged.size());
    runX_.resize(n);
    runs_.low.resize(n);
    runs_.high.resize(n);
    runs_.pos.resize(n);
    for (int i = 0; i < n; ++i) {
        runX_[i] = merged[size_t(i)].x;
        runs_.low[i] = merged[size_t(i)].y1;
        runs_.high[i] = merged[size_t(i)].y2;
        runs_.pos[i] = i;
    }
    runs_.finish();
}

void ChartArea::paintEvent(QPaintEvent *event)
{
    // Qt's painting cannot unwind: memory running out stops here.
    paintguard::run([&] { paintBody(event); });
}

void ChartArea::paintBody(QPaintEvent *event)
{
    if (!chart_)
        return;
    DateAxis *axis = chart_->dateAxis();
    QGCVAxis *rows = chart_->rowAxis();
    TaskDrawDelegate *delegate = chart_->drawDelegate();
    // Below the last row lies only the room the tree may scroll into.
    const QRect r = event->rect() & QRect(0, 0, width(), rows->totalHeight());
    if (r.isEmpty())
        return;
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

ChartArea::LinkShape ChartArea::linkShape(const TaskRelationship &rel, DateAxis *axis, QGCVAxis *rows) const
{
    const auto &tasks = chart_->tasks();
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
    LinkShape shape;
    const bool fromStart = rel.type == StartToStart || rel.type == StartToFinish;
    const bool toStart = rel.type == StartToStart || rel.type == FinishToStart;
    shape.fo = fromStart ? -10 : 10;
    shape.to = toStart ? -10 : 10;
    shape.fx = pointAt(rel.from, *tasks.at(rel.from), fromStart);
    shape.tx = pointAt(rel.to, *tasks.at(rel.to), toStart);
    shape.F = shape.fx + shape.fo;
    shape.T = shape.tx + shape.to;
    shape.yf = rows->rowTop(rel.from) + rows->rowHeightAt(rel.from) / 2;
    shape.yt = rows->rowTop(rel.to) + rows->rowHeightAt(rel.to) / 2;
    // The successor's anchor behind the jog: the link turns back below the row.
    const bool back = (shape.fo > 0 && shape.F > shape.T) || (shape.fo < 0 && shape.F < shape.T);
    shape.verticalStart = shape.yf + (back ? 8 : 3);
    return shape;
}

void ChartArea::paintLinkEnds(QPainter &painter, const LinkShape &s, bool head, const QRect &exposed,
                              QVector<QLine> &lines) const
{
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
    const int F = s.F;
    const int T = s.T;
    const int yf = s.yf;
    if (s.verticalStart == yf + 8) {
        if (s.fo > 0) {
            line(s.fx, yf, F - 3, yf);
            line(F, yf + 3, F, yf + 5);
            line(F - 3, yf + 8, T, yf + 8);
            arc(QRect(F - 6, yf, 6, 6), 90 * deg, -90 * deg);
            arc(QRect(F - 6, yf + 2, 6, 6), 0, -90 * deg);
        } else {
            line(s.fx, yf, F + 3, yf);
            line(F, yf + 3, F, yf + 5);
            line(F + 3, yf + 8, T, yf + 8);
            arc(QRect(F, yf, 6, 6), 90 * deg, 90 * deg);
            arc(QRect(F, yf + 2, 6, 6), -90 * deg, -90 * deg);
        }
    } else if (s.fo > 0) {
        line(s.fx, yf, T - 3, yf);
        arc(QRect(T - 6, yf, 6, 6), 0, 90 * deg);
    } else {
        line(s.fx, yf, T + 3, yf);
        arc(QRect(T, yf, 6, 6), 90 * deg, 90 * deg);
    }
    if (head) {
        const int yt = s.yt;
        line(T, yt, s.tx, yt);
        const QPoint tip[3] = {QPoint(s.tx, yt), QPoint(T - s.to / 2, yt - s.to / 2),
                               QPoint(T - s.to / 2, yt + s.to / 2)};
        if (near.intersects(QPolygon({tip[0], tip[1], tip[2]}).boundingRect()))
            painter.drawPolygon(tip, 3, Qt::OddEvenFill);
    }
}

void ChartArea::paintRelations(QPainter &painter, DateAxis *axis, QGCVAxis *rows, const QRect &exposed,
                               int firstRow, int lastRow)
{
    const auto &relations = chart_->relations();
    const int taskCount = chart_->tasks().size();
    painter.setPen(linkColor());
    painter.setBrush(QBrush(linkColor(), Qt::SolidPattern));
    QVector<QLine> lines;
    // The vertical runs, the longest strokes by far, are filled as one pixel
    // wide rectangles: the same pixels as a line, drawn faster. Where runs
    // overlap the overlap is filled once, on the screen as in a picture,
    // whose strips know only the merged runs.
    QVector<QRect> verticals;

    if (picture_) {
        // A link's parts but its run lie at most kLinkReach pixels from the
        // middle of a row it ends in.
        const int first = qMax(0, rows->rowAt(qMax(0, exposed.top() - kLinkReach)));
        int last = rows->rowAt(exposed.bottom() + kLinkReach);
        if (last < 0)
            last = taskCount - 1;
        last = qMin(last, endStart_.size() - 2);
        QVector<int> candidates;
        for (int row = first; row <= last; ++row) {
            for (int i = endStart_.at(row); i < endStart_.at(row + 1); ++i)
                candidates << linkEnds_.at(i);
        }
        std::sort(candidates.begin(), candidates.end());
        candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
        for (int pos : qAsConst(candidates)) {
            const TaskRelationship &rel = *relations.at(pos);
            paintLinkEnds(painter, linkShape(rel, axis, rows), rel.to <= lastRow, exposed, lines);
        }
        QVector<int> crossing;
        runs_.query(exposed.top(), exposed.bottom(), crossing);
        for (int i : qAsConst(crossing)) {
            const int x = runX_.at(i);
            if (x < exposed.left() || x > exposed.right())
                continue;
            const int y1 = qMax(exposed.top(), runs_.low.at(i));
            const int y2 = qMin(exposed.bottom(), runs_.high.at(i));
            verticals << QRect(x, y1, 1, y2 - y1 + 1);
        }
    } else {
        std::vector<Run> runs;
        const QVector<int> candidates = relationsInRows(firstRow, lastRow);
        for (int pos : candidates) {
            const TaskRelationship &rel = *relations.at(pos);
            if (!linksRows(rel, taskCount))
                continue;
            const LinkShape shape = linkShape(rel, axis, rows);
            paintLinkEnds(painter, shape, rel.to <= lastRow, exposed, lines);
            // Only where the run crosses the exposed rows: one that passes
            // above or below them would leave a dot on their edge.
            const int T = shape.T;
            const int low = qMin(shape.verticalStart, shape.yt);
            const int high = qMax(shape.verticalStart, shape.yt);
            if (exposed.left() <= T && T <= exposed.right() && low <= exposed.bottom() && high >= exposed.top())
                runs.push_back({T, qMax(exposed.top(), low), qMin(exposed.bottom(), high)});
        }
        mergeRuns(runs);
        for (const Run &run : runs)
            verticals << QRect(run.x, run.y1, 1, run.y2 - run.y1 + 1);
    }
    painter.drawLines(lines);
    for (const QRect &run : qAsConst(verticals))
        painter.fillRect(run, painter.pen().color());
}

void ChartArea::mousePressEvent(QMouseEvent *event)
{
    if (!chart_ || !chart_->rowAxis())
        return;
    // A press in the room below the last row changes nothing, as a press on
    // the empty viewport does.
    const int row = chart_->rowAxis()->rowAt(qRound(event->localPos().y()));
    if (row >= 0)
        setSelectedRow(row);
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
