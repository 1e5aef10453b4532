#include "qganttchart.h"

#include "chartarea.h"
#include "modelhelpers.h"
#include "qgcdateaxis.h"
#include "qgcvaxis.h"
#include "taskdrawdelegate.h"
#include "parallel.h"
#include "zganttchart2logging.h"
#include "zjoinproxymodel.h"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMoveEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTreeView>
#include <QWheelEvent>

#include <algorithm>
#include <limits>
#include <vector>

namespace mygc {

namespace {

constexpr auto &makeStyle = makeBarStyle;

QList<ZGanttViewBarStyle> defaultBarStyles()
{
    const QColor none;
    const QColor black(0, 0, 0, 255);
    return {
        makeStyle("Normal", "", none, 11, 6, QColor(150, 50, 50, 255), "", none, "Start Date", "Finish Date"),
        makeStyle("Summary", "SouthCone", black, 5, 3, black, "SouthCone", black, "Start Date", "Finish Date"),
        makeStyle("Milestone", "Diamond", black, 0, 0, black, "", none, "Start Date", "Start Date"),
        makeStyle("Baseline", "", none, 5, 9, QColor(255, 200, 200, 255), "", none, "Start Date", "Finish Date"),
        makeStyle("Actual", "", none, 5, 12, QColor(100, 255, 100, 255), "", none, "Actual Start",
                  "Actual Finish"),
    };
}

} // namespace

GanttChart::GanttChart(QWidget *parent)
    : QScrollArea(parent)
{
    registerBarStyleMetaType();

    drawDelegate_ = new TaskDrawDelegate(this);

    ax_date = new DateAxis(this);
    ax_date->setChart(this);
    ax_date->setEmpty(true);
    // Milestones and bar ends at the first or last date show whole.
    ax_date->setEdgeRoom(TaskDrawDelegate::shapeReach());

    connect(ax_date, &DateAxis::heightChanged, this, &GanttChart::dateAxisHeightChanged);
    setViewportMargins(0, ax_date->height(), 0, 0);
    emit headerSizeChanged();

    rowAxis_ = new QGCVAxis(this);
    rowAxis_->hide();

    chart_ = new ChartArea;
    setWidget(chart_);
    chart_->setChartView(this);
    // One focus for the chart, however it is reached (Tab or a click on the
    // body): its keys and its focus mark are the chart's.
    chart_->setFocusProxy(this);

    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    barStyles_ = defaultBarStyles();

    qCDebug(lcGantt) << "ax_date::height();" << ax_date->height();
    qCDebug(lcGantt) << chart_->minimumHeight() << chart_->minimumWidth();
    qCDebug(lcGantt) << "chart_" << chart_->frameGeometry() << chart_->geometry();
    qCDebug(lcGantt) << "viewport" << viewport()->frameGeometry() << viewport()->geometry();
    qCDebug(lcGantt) << "this" << frameGeometry() << geometry();
    qCDebug(lcGantt) << "margins" << viewport()->contentsMargins() << contentsMargins();

    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, &GanttChart::hscrolled);
    connect(ax_date, &DateAxis::axisWidthChanged, chart_, &ChartArea::dateAxisWidthChanged);
    connect(chart_, &ChartArea::selectionChanged, this, &GanttChart::areaSelectionChanged);
}

GanttChart::~GanttChart()
{
    // The models may outlive the chart: stop hearing from them first.
    disconnectModel();
    disconnectRelationModel();
    disconnectTree();
    delete ax_date;
    ax_date = nullptr;
    delete rowAxis_;
    rowAxis_ = nullptr;
    delete takeWidget();
    chart_ = nullptr;
    barStyles_.clear();
    delete drawDelegate_;
    drawDelegate_ = nullptr;
}

bool GanttChart::viewportEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::Resize: {
        ax_date->setFixedWidth(static_cast<QResizeEvent *>(event)->size().width());
        // The base class keeps the scroll bars in step with the viewport
        // size; the room below the rows depends on it too.
        const bool result = QScrollArea::viewportEvent(event);
        followTree();
        return result;
    }
    case QEvent::Move:
        ax_date->move(static_cast<QMoveEvent *>(event)->pos().x(), contentsMargins().top());
        break;
    default:
        break;
    }
    return QScrollArea::viewportEvent(event);
}

bool GanttChart::event(QEvent *event)
{
    const bool result = QScrollArea::event(event);
    if (event->type() == QEvent::Paint && hasFocus()) {
        // Drawn over the frame, outside the scrolled viewport, in the colour
        // of a focused input's outline.
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::Highlight));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    return result;
}

void GanttChart::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
        QCoreApplication::sendEvent(chart_, event);
        return;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        if (tree_) {
            // Only rows move: the tree's columns stay where the user put
            // them.
            QScrollBar *columns = tree_->horizontalScrollBar();
            const int x = columns->value();
            QCoreApplication::sendEvent(tree_, event);
            columns->setValue(x);
            return;
        }
        break;
    default:
        break;
    }
    QScrollArea::keyPressEvent(event);
}

void GanttChart::wheelEvent(QWheelEvent *event)
{
    QCoreApplication::sendEvent(chart_, event);
}

void GanttChart::followTree()
{
    if (!tree_)
        return;
    const QScrollBar *bar = tree_->verticalScrollBar();
    // The tree scrolls per row and stops when its last row is whole, which
    // leaves room below it when the pane is not a whole number of rows high;
    // without the same room the chart would stop short of the tree.
    const qint64 reach =
        bar->maximum() > 0 ? qint64(bar->maximum()) * rowHeight_ + viewport()->height() : 0;
    chart_->setReach(int(qBound<qint64>(0, reach, QWIDGETSIZE_MAX)));
    verticalScrollBar()->setValue(bar->value() * rowHeight_);
}

void GanttChart::setSelectedRow(int row)
{
    flushPendingRebuild();
    const bool blocked = blockSignals(true);
    chart_->setSelectedRow(row);
    blockSignals(blocked);
}

void GanttChart::setSelectedIndex(const QModelIndex &index)
{
    flushPendingRebuild();
    if (!index.isValid())
        return;
    const QAbstractItemModel *m = index.model();
    const QModelIndex key = m->index(index.row(), 0, m->parent(index));
    if (!indexLookupValid_) {
        indexLookup_.clear();
        indexLookup_.reserve(tasks_.size());
        for (int position = 0; position < tasks_.size(); ++position)
            indexLookup_.insert(tasks_.at(position)->index(), position);
        indexLookupValid_ = true;
    }
    const auto it = indexLookup_.constFind(key);
    if (it != indexLookup_.constEnd())
        setSelectedRow(it.value());
}

void GanttChart::selectTreeCurrent()
{
    const QModelIndex current = tree_->currentIndex();
    if (!current.isValid())
        return;
    const QModelIndex key = current.sibling(current.row(), 0);
    for (int position = 0; position < tasks_.size(); ++position) {
        if (tasks_.at(position)->index() == key) {
            // Quietly: the tree already has this row, and a pending rebuild
            // of the links is the caller's to run.
            const QSignalBlocker quiet(chart_);
            chart_->setSelectedRow(position);
            return;
        }
    }
}

int GanttChart::dateAxisHeight() const
{
    return ax_date->height();
}

void GanttChart::setRowHeight(int height)
{
    rowHeight_ = height;
    followTree();
}

int GanttChart::rowHeight() const
{
    return rowHeight_;
}

void GanttChart::addTask(const TaskItem &task, int height)
{
    appendTask(QSharedPointer<TaskItem>::create(task), height);
}

void GanttChart::appendTask(const QSharedPointer<TaskItem> &task, int height, CachedTask *cached)
{
    tasks_.append(task);
    indexLookupValid_ = false;
    rowAxis_->addRow(height < 1 ? rowHeight() : height);
    if (cached && cached->instants) {
        chart_->addTask(task, cached->startMs, cached->finishMs);
        return;
    }
    chart_->addTask(task);
    if (cached && !chart_->items().isEmpty()) {
        const ChartTaskItem &item = *chart_->items().constLast();
        cached->startMs = item.startMs;
        cached->finishMs = item.finishMs;
        cached->instants = true;
    }
}

void GanttChart::setRowKey(const RowKey &key, QAbstractItemModel *keyModel)
{
    rowKey_ = key;
    keyModel_ = keyModel;
    dropTaskCache();
}

GanttChart::CachedTask GanttChart::readTask(const QModelIndex &rowIndex) const
{
    const int row = rowIndex.row();
    auto cell = [&](int column) {
        return column < 0 ? QVariant() : rowIndex.sibling(row, column).data(Qt::DisplayRole);
    };
    auto date = [&](int column) { return cell(column).toDateTime(); };
    CachedTask read;
    read.start = date(startColumn_);
    read.finish = date(finishColumn_);
    read.taskId = cell(idColumn_).toInt();
    if (actualStartColumn_ != -1)
        read.actualStart = date(actualStartColumn_);
    if (actualFinishColumn_ != -1)
        read.actualFinish = date(actualFinishColumn_);
    if (baselineStartColumn_ != -1)
        read.baselineStart = date(baselineStartColumn_);
    if (baselineFinishColumn_ != -1)
        read.baselineFinish = date(baselineFinishColumn_);
    const QString typeText = cell(typeColumn_).toString();
    read.textType = typeText == QLatin1String("Milestone") ? 1
                    : typeText == QLatin1String("Summary") ? 2
                                                            : 0;
    read.read = true;
    return read;
}

void GanttChart::prefillTaskCache()
{
    if (!rowKey_ || !keyModel_ || !model_)
        return;
    const QAbstractItemModel *source = keyModel_;
    const int rows = source->rowCount();
    // Only worth the pool when most rows are still to be read.
    if (rows < 4096 || taskCache_.size() >= size_t(rows))
        return;
    taskCache_.resize(size_t(rows));
    CachedTask *cache = taskCache_.data();
    // The instants are left to the chart area: local-time conversions on
    // several threads at once queue for the C library's lock.
    const auto readRange = [this, source, cache](const QPair<int, int> &range) {
        for (int row = range.first; row < range.second; ++row) {
            CachedTask &entry = cache[row];
            if (!entry.read)
                entry = readTask(source->index(row, 0));
        }
    };
    parallelRuns(rows, runLength(rows), [&](int from, int to) { readRange(qMakePair(from, to)); });
}

void GanttChart::dropTaskCache()
{
    std::vector<CachedTask>().swap(taskCache_);
}

void GanttChart::removeTask(int position)
{
    if (position < 0 || position >= tasks_.size())
        return;
    tasks_.remove(position);
}

void GanttChart::insertTask(int position, const TaskItem &task)
{
    if (position < 0 || position > tasks_.size())
        return;
    tasks_.insert(position, QSharedPointer<TaskItem>::create(task));
}

void GanttChart::addRelationship(int from, int to, RelationType type, long long lag)
{
    if (from < 0 || from >= tasks_.size() || to < 0 || to >= tasks_.size())
        return;
    relations_.append(QSharedPointer<TaskRelationship>::create(from, to, type, lag));
    if (!buildingLinks_)
        chart_->relationsChanged();
}

QAbstractItemModel *GanttChart::model() const
{
    return model_;
}

void GanttChart::resetModels()
{
    rebuildOrNote();
}

void GanttChart::rebuildOrNote()
{
    if (holdDepth_ > 0) {
        pendingTasks_ = true;
        pendingLinks_ = true;
        return;
    }
    modelReset();
    rmodelReset();
}

void GanttChart::holdRebuilds()
{
    ++holdDepth_;
}

void GanttChart::releaseRebuilds()
{
    Q_ASSERT(holdDepth_ > 0);
    if (holdDepth_ <= 0)
        return;
    if (--holdDepth_ == 0)
        flushPendingRebuild();
}

GanttChart::RebuildHold::RebuildHold(GanttChart *chart)
    : chart_(chart)
{
    if (chart_)
        chart_->holdRebuilds();
}

GanttChart::RebuildHold::~RebuildHold()
{
    if (chart_)
        chart_->releaseRebuilds();
}

void GanttChart::disconnectModel()
{
    if (!model_)
        return;
    disconnect(model_, nullptr, this, nullptr);
}

void GanttChart::disconnectRelationModel()
{
    if (!relationModel_)
        return;
    disconnect(relationModel_, nullptr, this, nullptr);
}

void GanttChart::disconnectTree()
{
    if (!tree_)
        return;
    disconnect(tree_, &QTreeView::collapsed, this, &GanttChart::rowExpandedCollapsed);
    disconnect(tree_, &QTreeView::expanded, this, &GanttChart::rowExpandedCollapsed);
    disconnect(tree_->verticalScrollBar(), nullptr, this, nullptr);
}

void GanttChart::setModel(QAbstractItemModel *model, int startColumn, int finishColumn, int typeColumn,
                          int idColumn, QAbstractItemModel *relationModel, int relationTaskColumn,
                          int relationPredecessorColumn, int relationTypeColumn, int relationLagColumn,
                          int actualStartColumn, int actualFinishColumn, int baselineStartColumn,
                          int baselineFinishColumn, QTreeView *tree)
{
    // Binding again must not double the connections.
    disconnectTree();
    tree_ = tree;
    if (tree) {
        tree->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
        connect(tree, &QTreeView::collapsed, this, &GanttChart::rowExpandedCollapsed);
        connect(tree, &QTreeView::expanded, this, &GanttChart::rowExpandedCollapsed);
        // One vertical position for both: the tree's, in rows.
        QScrollBar *bar = tree->verticalScrollBar();
        connect(bar, &QScrollBar::valueChanged, this, &GanttChart::followTree);
        connect(bar, &QScrollBar::rangeChanged, this, &GanttChart::followTree);
    }

    if (model_) {
        disconnectModel();
        clearTasks();
        model_ = nullptr;
    }
    model_ = model;

    if (relationModel_) {
        disconnectRelationModel();
        relations_.clear();
        relations_.squeeze();
        chart_->relationsChanged();
        relationModel_ = nullptr;
    }
    relationModel_ = relationModel;
    dropLinkRecords();
    dropTaskCache();

    startColumn_ = startColumn;
    finishColumn_ = finishColumn;
    typeColumn_ = typeColumn;
    idColumn_ = idColumn;
    relationTaskColumn_ = relationTaskColumn;
    relationPredecessorColumn_ = relationPredecessorColumn;
    relationTypeColumn_ = relationTypeColumn;
    relationLagColumn_ = relationLagColumn;
    actualStartColumn_ = actualStartColumn;
    actualFinishColumn_ = actualFinishColumn;
    baselineStartColumn_ = baselineStartColumn;
    baselineFinishColumn_ = baselineFinishColumn;

    if (model_) {
        // Every structural or data change rebuilds tasks and links, once per
        // burst; a sort (layout change) moves rows as well.
        connect(model_, &QAbstractItemModel::modelReset, this, &GanttChart::scheduleRebuild);
        connect(model_, &QAbstractItemModel::layoutChanged, this, &GanttChart::scheduleRebuild);
        connect(model_, &QAbstractItemModel::dataChanged, this, &GanttChart::modelDataChanged);
        connect(model_, &QAbstractItemModel::rowsMoved, this, &GanttChart::modelRowsMoved);
        connect(model_, &QAbstractItemModel::rowsRemoved, this, &GanttChart::modelRowsRemoved);
        connect(model_, &QAbstractItemModel::rowsInserted, this, &GanttChart::modelRowsInserted);
        connect(model_, &QObject::destroyed, this, &GanttChart::modelDestroyed);
    }
    if (relationModel_) {
        // Any change of the relations is read again at the next rebuild.
        for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
            connect(relationModel_, signal, this, &GanttChart::dropLinkRecords);
        connect(relationModel_, &QAbstractItemModel::rowsMoved, this, &GanttChart::dropLinkRecords);
        connect(relationModel_, &QAbstractItemModel::dataChanged, this, &GanttChart::dropLinkRecords);
        connect(relationModel_, &QAbstractItemModel::layoutChanged, this, &GanttChart::dropLinkRecords);
        connect(relationModel_, &QAbstractItemModel::modelReset, this, &GanttChart::dropLinkRecords);
        connect(relationModel_, &QAbstractItemModel::modelReset, this, &GanttChart::scheduleLinkRebuild);
        connect(relationModel_, &QObject::destroyed, this, &GanttChart::rmodelDestroyed);
    }

    rebuildOrNote();
}

void GanttChart::setDateLevels(const QVector<TimeUnit> &levels)
{
    ax_date->setLevels(levels);
}

ZImage GanttChart::toImage()
{
    flushPendingRebuild();
    const bool blocked = blockSignals(true);
    const int oldWidth = ax_date->width();
    // The axis paints shifted by the horizontal scroll position: render it
    // (and the body) from the left end, then scroll back.
    QScrollBar *horizontal = horizontalScrollBar();
    const int oldScroll = horizontal->value();
    horizontal->setValue(0);
    ax_date->setFixedWidth(qMax(1, ax_date->axisWidth()));
    // The picture shows no selected row; the selection comes back after.
    const int selected = chart_->selectedRow();
    {
        const QSignalBlocker quiet(chart_);
        chart_->setSelectedRow(-1);
    }
    // Also when memory runs out while the tiles are made.
    const auto restore = qScopeGuard([&] {
        chart_->endPicture();
        {
            const QSignalBlocker quiet(chart_);
            chart_->setSelectedRow(selected);
        }
        ax_date->setFixedWidth(oldWidth);
        horizontal->setValue(oldScroll);
        blockSignals(blocked);
    });

    const int columnWidth = ax_date->columnWidth();
    const int columns = ax_date->columnsCount();
    const int headerHeight = dateAxisHeight();
    int rowHeight = 0;
    int rows = 0;
    if (!tasks_.isEmpty()) {
        rowHeight = rowAxis_->rowHeightAt(0);
        rows = tasks_.size();
    }

    // The body is painted in strips: its links are laid out once for all.
    chart_->beginPicture();
    const QVector<QVector<QImage>> header = renderWidget(ax_date, columnWidth, columns, headerHeight, 1, 0);
    // The chart area holds no header: its first row starts at its top edge.
    const QVector<QVector<QImage>> body = renderWidget(chart_, columnWidth, columns, rowHeight, rows, 0);
    return ZImage(header.isEmpty() ? QVector<QImage>() : header.first(), body);
}

QList<ZGanttViewBarStyle> GanttChart::barStyles() const
{
    return barStyles_;
}

void GanttChart::setBarStyles(const QList<ZGanttViewBarStyle> &styles, bool links, bool alternatingRows,
                              bool verticalLines, YearFormat yearFormat, QuarterFormat quarterFormat,
                              MonthFormat monthFormat, WeekFormat weekFormat, DayFormat dayFormat,
                              const QString &left, const QString &right, const QString &top,
                              const QString &bottom, const QString &inside)
{
    if (styles != barStyles_)
        barStyles_ = styles;

    yearFormat_ = yearFormat;
    quarterFormat_ = quarterFormat;
    monthFormat_ = monthFormat;
    weekFormat_ = weekFormat;
    dayFormat_ = dayFormat;
    leftCaption_ = left;
    rightCaption_ = right;
    topCaption_ = top;
    bottomCaption_ = bottom;
    insideCaption_ = inside;

    const BarDateCaptions dates = barDateCaptions(barStyles_);
    startColumn_ = columnIndex(model_, dates.start);
    finishColumn_ = columnIndex(model_, dates.finish);
    actualStartColumn_ = columnIndex(model_, dates.actualStart);
    actualFinishColumn_ = columnIndex(model_, dates.actualFinish);
    baselineStartColumn_ = columnIndex(model_, dates.baselineStart);
    baselineFinishColumn_ = columnIndex(model_, dates.baselineFinish);

    dropTaskCache();
    linksVisible_ = links;
    verticalLines_ = verticalLines;
    alternatingRowColors_ = alternatingRows;

    rebuildOrNote();
    ax_date->update();
    chart_->update();
}

bool GanttChart::isLinksVisible() const
{
    return linksVisible_;
}

bool GanttChart::verticalLines() const
{
    return verticalLines_;
}

bool GanttChart::alternatingRowColors() const
{
    return alternatingRowColors_;
}

YearFormat GanttChart::yearFormat() const
{
    return yearFormat_;
}

QuarterFormat GanttChart::quarterFormat() const
{
    return quarterFormat_;
}

MonthFormat GanttChart::monthFormat() const
{
    return monthFormat_;
}

WeekFormat GanttChart::weekFormat() const
{
    return weekFormat_;
}

DayFormat GanttChart::dayFormat() const
{
    return dayFormat_;
}

qint64 GanttChart::cellsCount() const
{
    const_cast<GanttChart *>(this)->flushPendingRebuild();
    return qint64(ax_date->columnsCount()) * qint64(tasks_.size());
}

void GanttChart::hscrolled(int value)
{
    Q_UNUSED(value)
    ax_date->update();
}

void GanttChart::dateAxisHeightChanged(int height)
{
    setViewportMargins(0, height, 0, 0);
    emit headerSizeChanged();
}

void GanttChart::clearTasks()
{
    // Emptied with their capacity: a closed project's rows and links keep
    // no memory (a rebuild grows them again as it adds).
    tasks_.clear();
    tasks_.squeeze();
    indexLookup_.clear();
    indexLookupValid_ = false;
    relations_.clear();
    relations_.squeeze();
    rowAxis_->clearRows();
    chart_->clear();
    chart_->relationsChanged();
}

void GanttChart::findLabelColumns()
{
    leftColumn_ = rightColumn_ = topColumn_ = bottomColumn_ = insideColumn_ = -1;
    if (!model_)
        return;
    const int columns = model_->columnCount();
    for (int column = 0; column < columns; ++column) {
        const QString caption = model_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        if (!leftCaption_.isEmpty() && caption == leftCaption_)
            leftColumn_ = column;
        if (!rightCaption_.isEmpty() && caption == rightCaption_)
            rightColumn_ = column;
        if (!topCaption_.isEmpty() && caption == topCaption_)
            topColumn_ = column;
        if (!bottomCaption_.isEmpty() && caption == bottomCaption_)
            bottomColumn_ = column;
        if (!insideCaption_.isEmpty() && caption == insideCaption_)
            insideColumn_ = column;
    }
}

void GanttChart::modelReset()
{
    pendingTasks_ = false;
    ++rebuildCount_;
    chart_->beginBatch();
    clearTasks();
    if (model_) {
        prefillTaskCache();
        findLabelColumns();
        const int rows = model_->rowCount();
        for (int row = 0; row < rows; ++row) {
            addGCTask(this, model_->index(row, 0), startColumn_, finishColumn_, typeColumn_, idColumn_,
                      actualStartColumn_, actualFinishColumn_, baselineStartColumn_, baselineFinishColumn_,
                      leftColumn_, rightColumn_, topColumn_, bottomColumn_, insideColumn_, tree_);
        }
        // The band stays on the tree's current row, which a rebuild (rows
        // expanded or collapsed, a filter, a sort) does not move.
        if (tree_ && tree_->model() == model_)
            selectTreeCurrent();
    }
    // Without a task the axis keeps nothing of the rows it showed before (a
    // closed project's dates).
    if (tasks_.isEmpty())
        ax_date->clearDates();
    chart_->endBatch();
}

void GanttChart::dropLinkRecords()
{
    linkRecords_.clear();
    linkRecords_.squeeze();
    linkRecordsValid_ = false;
}

void GanttChart::readLinkRecords()
{
    linkRecords_.clear();
    linkRecordsValid_ = true;
    if (!relationModel_)
        return;
    const int rows = relationModel_->rowCount();
    linkRecords_.resize(rows);
    const QModelIndex root;
    const QAbstractItemModel *model = relationModel_;
    const int taskColumn = relationTaskColumn_;
    const int predecessorColumn = relationPredecessorColumn_;
    const int typeColumn = relationTypeColumn_;
    const int lagColumn = relationLagColumn_;
    LinkRecord *records = linkRecords_.data();
    const auto readRange = [=](const QPair<int, int> &range) {
        auto cell = [model, &root](int row, int column) {
            return column < 0 ? QVariant() : model->index(row, column, root).data(Qt::DisplayRole);
        };
        // Few type texts recur: each is parsed once.
        QHash<QString, RelationType> types;
        for (int row = range.first; row < range.second; ++row) {
            const QString typeText = cell(row, typeColumn).toString();
            auto type = types.constFind(typeText);
            if (type == types.constEnd())
                type = types.insert(typeText, relationTypeFromText(typeText));
            records[row] = {cell(row, taskColumn).toInt(), cell(row, predecessorColumn).toInt(),
                            type.value(), cell(row, lagColumn).toLongLong()};
        }
    };
    // A join over tables reads without side effects: a large one is read in
    // runs side by side.
    if (rows >= 32768 && qobject_cast<const ZJoinProxyModel *>(model))
        parallelRuns(rows, runLength(rows), [&](int from, int to) { readRange(qMakePair(from, to)); });
    else
        readRange(qMakePair(0, rows));
}

void GanttChart::rmodelReset()
{
    pendingLinks_ = false;
    relations_.clear();
    relations_.squeeze();
    chart_->relationsChanged();
    if (!relationModel_)
        return;
    if (!linkRecordsValid_)
        readLinkRecords();
    relations_.reserve(linkRecords_.size());
    buildingLinks_ = true;
    // Task ids are mostly close together: then a plain table by id, filled
    // from the id lookup, answers the two look-ups per relation without
    // hashing and with far fewer cache misses.
    // Of two tasks with one id the later counts.
    QVector<int> positionById;
    QHash<int, int> idLookup;
    int firstId = 0;
    if (!linkRecords_.isEmpty() && !tasks_.isEmpty()) {
        QVector<int> ids(tasks_.size());
        int lowest = std::numeric_limits<int>::max();
        int highest = std::numeric_limits<int>::min();
        for (int position = 0; position < tasks_.size(); ++position) {
            const int id = tasks_.at(position)->taskId();
            ids[position] = id;
            lowest = qMin(lowest, id);
            highest = qMax(highest, id);
        }
        const qint64 span = qint64(highest) - qint64(lowest) + 1;
        if (tasks_.size() >= 1024 && span <= qint64(tasks_.size()) * 4) {
            firstId = lowest;
            positionById.fill(-1, int(span));
            for (int position = 0; position < ids.size(); ++position)
                positionById[ids.at(position) - lowest] = position;
        } else {
            idLookup.reserve(ids.size());
            for (int position = 0; position < ids.size(); ++position)
                idLookup.insert(ids.at(position), position);
        }
    }
    auto positionOf = [&idLookup, &positionById, firstId](int id) {
        if (positionById.isEmpty()) {
            const auto it = idLookup.constFind(id);
            return it == idLookup.constEnd() ? -1 : it.value();
        }
        const qint64 slot = qint64(id) - firstId;
        return slot < 0 || slot >= positionById.size() ? -1 : positionById.at(int(slot));
    };
    for (const LinkRecord &link : qAsConst(linkRecords_)) {
        const int task = positionOf(link.task);
        if (task < 0)
            continue;
        const int predecessor = positionOf(link.predecessor);
        if (predecessor < 0)
            continue;
        addRelationship(predecessor, task, link.type, link.lag);
    }
    buildingLinks_ = false;
    chart_->relationsChanged();
}

void GanttChart::scheduleRebuild()
{
    pendingTasks_ = true;
    pendingLinks_ = true;
    if (rebuildQueued_)
        return;
    rebuildQueued_ = true;
    QMetaObject::invokeMethod(this, &GanttChart::runPendingRebuild, Qt::QueuedConnection);
}

void GanttChart::scheduleLinkRebuild()
{
    pendingLinks_ = true;
    if (rebuildQueued_)
        return;
    rebuildQueued_ = true;
    QMetaObject::invokeMethod(this, &GanttChart::runPendingRebuild, Qt::QueuedConnection);
}

void GanttChart::runPendingRebuild()
{
    rebuildQueued_ = false;
    // A held chart rebuilds at its last release.
    if (holdDepth_ > 0)
        return;
    flushPendingRebuild();
}

void GanttChart::flushPendingRebuild()
{
    if (pendingTasks_) {
        modelReset();
        rmodelReset();
        // While the rebuild waited, the tree may have scrolled to rows the
        // chart did not have yet, and the chart's position was cut to its
        // old height: take the tree's position again.
        followTree();
    } else if (pendingLinks_) {
        rmodelReset();
    }
}

void GanttChart::modelRowsRemoved(const QModelIndex &parent, int first, int last)
{
    Q_UNUSED(parent)
    Q_UNUSED(first)
    Q_UNUSED(last)
    scheduleRebuild();
}

void GanttChart::modelRowsInserted(const QModelIndex &parent, int first, int last)
{
    // New rows take their place in tree order with the next rebuild, and
    // links to them appear with it.
    Q_UNUSED(parent)
    Q_UNUSED(first)
    Q_UNUSED(last)
    scheduleRebuild();
}

void GanttChart::modelRowsMoved(const QModelIndex &parent, int start, int end,
                                const QModelIndex &destination, int row)
{
    Q_UNUSED(parent)
    Q_UNUSED(start)
    Q_UNUSED(end)
    Q_UNUSED(destination)
    Q_UNUSED(row)
    scheduleRebuild();
}

void GanttChart::modelDestroyed(QObject *obj)
{
    Q_UNUSED(obj)
    if (!model_)
        return;
    clearTasks();
    dropTaskCache();
    model_ = nullptr;
    pendingTasks_ = false;
}

void GanttChart::modelDataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                                  const QVector<int> &roles)
{
    Q_UNUSED(roles)
    modelDataChangedRange(topLeft, bottomRight);
    scheduleRebuild();
}

void GanttChart::modelDataChangedRange(const QModelIndex &topLeft, const QModelIndex &bottomRight)
{
    if (taskCache_.empty() || !rowKey_ || !model_)
        return;
    if (!topLeft.isValid() || !bottomRight.isValid()) {
        dropTaskCache();
        return;
    }
    // Only the columns kept in the cache make it stale.
    bool kept = false;
    for (const int column : {startColumn_, finishColumn_, typeColumn_, idColumn_, actualStartColumn_,
                             actualFinishColumn_, baselineStartColumn_, baselineFinishColumn_}) {
        if (column >= 0 && column >= topLeft.column() && column <= bottomRight.column())
            kept = true;
    }
    if (!kept)
        return;
    const QModelIndex parent = topLeft.parent();
    for (int row = topLeft.row(); row <= bottomRight.row(); ++row) {
        const int key = rowKey_(model_->index(row, 0, parent));
        if (key >= 0 && size_t(key) < taskCache_.size())
            taskCache_[size_t(key)] = CachedTask();
    }
}

void GanttChart::rmodelDestroyed(QObject *obj)
{
    Q_UNUSED(obj)
    if (!relationModel_)
        return;
    relations_.clear();
    relations_.squeeze();
    chart_->relationsChanged();
    relationModel_ = nullptr;
    dropLinkRecords();
    pendingLinks_ = false;
}

void GanttChart::rowExpandedCollapsed(const QModelIndex &idx)
{
    Q_UNUSED(idx)
    scheduleRebuild();
}

void GanttChart::areaSelectionChanged(int current)
{
    if (rebuildPending()) {
        // The row was picked on the rows shown; rebuild, then keep the pick.
        flushPendingRebuild();
        const bool blocked = chart_->blockSignals(true);
        chart_->setSelectedRow(current);
        chart_->blockSignals(blocked);
        current = chart_->selectedRow();
    }
    if (current >= 0 && current < tasks_.size())
        emit selectionChanged(tasks_.at(current)->index());
    else
        emit selectionChanged(QModelIndex());
}

// Adds the one task of the row; true when its children are to follow (the
// row has children and the tree shows it expanded, or there is no tree).
bool GanttChart::addRowTask(const QModelIndex &index, int startColumn, int finishColumn,
                            int typeColumn, int idColumn, int actualStartColumn,
                            int actualFinishColumn, int baselineStartColumn,
                            int baselineFinishColumn, int leftColumn, int rightColumn,
                            int topColumn, int bottomColumn, int insideColumn, QTreeView *tree,
                            QModelIndex *first)
{
    const QAbstractItemModel *model = index.model();
    const int row = index.row();
    *first = index.column() == 0 ? index : index.sibling(row, 0);
    const QModelIndex &rowIndex = *first;
    // Cells are reached from the row's own index: a proxy finds a sibling
    // without looking its parent up again.
    auto cell = [&](int column) {
        return column < 0 ? QVariant() : rowIndex.sibling(row, column).data(Qt::DisplayRole);
    };
    auto date = [&](int column) { return cell(column).toDateTime(); };

    // Keys are only given for this chart's own model, and what is kept was
    // read from its own columns.
    const bool ownColumns = startColumn == startColumn_ && finishColumn == finishColumn_
                            && typeColumn == typeColumn_ && idColumn == idColumn_
                            && actualStartColumn == actualStartColumn_
                            && actualFinishColumn == actualFinishColumn_
                            && baselineStartColumn == baselineStartColumn_
                            && baselineFinishColumn == baselineFinishColumn_;
    const int key = rowKey_ && model == model_ && ownColumns && rowIndex.isValid() ? rowKey_(rowIndex) : -1;
    CachedTask *cached = nullptr;
    if (key >= 0) {
        if (size_t(key) >= taskCache_.size())
            taskCache_.resize(qMax(size_t(key) + 1, size_t(model_->rowCount())));
        cached = &taskCache_[size_t(key)];
    }
    CachedTask read;
    if (!cached || !cached->read) {
        read.start = date(startColumn);
        read.finish = date(finishColumn);
        read.taskId = cell(idColumn).toInt();
        if (actualStartColumn != -1)
            read.actualStart = date(actualStartColumn);
        if (actualFinishColumn != -1)
            read.actualFinish = date(actualFinishColumn);
        if (baselineStartColumn != -1)
            read.baselineStart = date(baselineStartColumn);
        if (baselineFinishColumn != -1)
            read.baselineFinish = date(baselineFinishColumn);
        const QString typeText = cell(typeColumn).toString();
        read.textType = typeText == QLatin1String("Milestone") ? 1
                        : typeText == QLatin1String("Summary") ? 2
                                                                : 0;
        read.read = true;
        if (cached)
            *cached = read;
    }
    const CachedTask &values = cached ? *cached : read;
    auto task = QSharedPointer<TaskItem>::create();
    task->setStart(values.start);
    task->setFinish(values.finish);
    task->setTaskId(values.taskId);
    if (actualStartColumn != -1)
        task->setActualStart(values.actualStart);
    if (actualFinishColumn != -1)
        task->setActualFinish(values.actualFinish);
    if (baselineStartColumn != -1)
        task->setBaselineStart(values.baselineStart);
    if (baselineFinishColumn != -1)
        task->setBaselineFinish(values.baselineFinish);
    const int textType = values.textType;
    task->setIndex(rowIndex);

    // Asking hasChildren first spares a filter proxy from building a child
    // list for each leaf.
    const bool hasChildren =
        rowIndex.isValid() && model->hasChildren(rowIndex) && model->rowCount(rowIndex) > 0;
    if (textType == 1)
        task->setType(TaskItem::Milestone);
    else if (textType == 2 || hasChildren)
        task->setType(TaskItem::Summary);
    else
        task->setType(TaskItem::Normal);

    if (leftColumn != -1)
        task->setLeftText(cell(leftColumn).toString());
    if (rightColumn != -1)
        task->setRightText(cell(rightColumn).toString());
    if (topColumn != -1)
        task->setTopText(cell(topColumn).toString());
    if (bottomColumn != -1)
        task->setBottomText(cell(bottomColumn).toString());
    if (insideColumn != -1)
        task->setInsideText(cell(insideColumn).toString());

    appendTask(task, 0, cached);
    return hasChildren && !(tree && !tree->isExpanded(rowIndex));
}

void addGCTask(GanttChart *chart, const QModelIndex &index, int startColumn, int finishColumn,
               int typeColumn, int idColumn, int actualStartColumn, int actualFinishColumn,
               int baselineStartColumn, int baselineFinishColumn, int leftColumn, int rightColumn,
               int topColumn, int bottomColumn, int insideColumn, QTreeView *tree)
{
    Q_ASSERT(chart);
    const QAbstractItemModel *model = index.model();
    if (!chart || !model)
        return;
    // Tasks go in tree order, a row before its children; the walk keeps its
    // own stack, since a tree read from a file can nest as deep as it has rows.
    struct Frame
    {
        QModelIndex parent;
        int rows;
        int next;
    };
    std::vector<Frame> stack;
    QModelIndex current = index;
    while (true) {
        QModelIndex first;
        if (chart->addRowTask(current, startColumn, finishColumn, typeColumn, idColumn,
                       actualStartColumn, actualFinishColumn, baselineStartColumn,
                       baselineFinishColumn, leftColumn, rightColumn, topColumn, bottomColumn,
                       insideColumn, tree, &first)) {
            stack.push_back({first, model->rowCount(first), 0});
        }
        while (!stack.empty() && stack.back().next >= stack.back().rows)
            stack.pop_back();
        if (stack.empty())
            return;
        Frame &top = stack.back();
        current = model->index(top.next++, 0, top.parent);
    }
}

} // namespace mygc
