#include "activities.h"

#include "basecontainermodel.h"
#include "fieldroles.h"
#include "groupbands.h"
#include "localtimecache.h"
#include "modelhelpers.h"
#include "qganttchart.h"
#include "qgcdateaxis.h"
#include "rownumbering.h"
#include "parallel.h"
#include "viewslogging.h"
#include "zdateindex.h"
#include "zfilterdialogproxymodel.h"
#include "zganttviewbarstyle.h"
#include "zgroupedtreeview.h"
#include "zindex.h"
#include "zjoinproxymodel.h"
#include "zparentitemproxymodel.h"
#include "zrecordsetmodel.h"
#include "zsortfilterheader.h"
#include "zheaderfilterbox.h"
#include "zstructuredkeylistindex.h"
#include "zvariant.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QHash>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QSplitter>
#include <QTableView>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <functional>
#include <limits>
#include <numeric>
#include <vector>

namespace {

// Whether two groupings build the same bands: the same active levels, by
// the same columns and rules, in the same order.
bool sameLevels(const ZGrouping &a, const ZGrouping &b)
{
    const QList<Group> left = a.activeGroups();
    const QList<Group> right = b.activeGroups();
    if (left.size() != right.size())
        return false;
    for (int i = 0; i < left.size(); ++i) {
        if (left.at(i).field != right.at(i).field || left.at(i).title != right.at(i).title)
            return false;
    }
    return true;
}

QVariantMap descriptorOf(const QAbstractItemModel *model, int column)
{
    if (!model || column < 0)
        return {};
    return model->headerData(column, Qt::Horizontal, FieldDescriptorRole).toMap();
}

void invokeUpdateGeometries(QTreeView *tree)
{
    QMetaObject::invokeMethod(tree, "updateGeometries");
}


// Band dates from the date columns, bottom-up: the shown tree is listed
// once (a row before its children), the leaves' dates are read column by
// column as instants (the columns side by side on the pool), and every band
// takes the earliest or latest instant of its children in one backward pass.
// The value written is the leaf's own cell, as a walk per band would give.
// Gives false, having written nothing, when a column holds values other than
// date-times; the caller then compares them the general way.
bool summariseBottomUp(const QAbstractItemModel *tree, const std::function<int(const QModelIndex &)> &tableRow,
                       QAbstractItemModel *table, const QVector<int> &columns,
                       const QVector<bool> &earliest)
{
    struct Node
    {
        int row;    // activity table row
        int parent; // node of the parent band, -1 at the top
        int leaf;   // position among the leaves, -1 for a band
    };
    QVector<Node> nodes;
    QVector<int> leafRows;
    struct Frame
    {
        QModelIndex index;
        int node;
        int next;
        int rows;
    };
    QVector<Frame> stack;
    stack.append({QModelIndex(), -1, 0, tree->rowCount()});
    while (!stack.isEmpty()) {
        Frame &top = stack.last();
        if (top.next >= top.rows) {
            stack.removeLast();
            continue;
        }
        const QModelIndex parent = top.index;
        const int parentNode = top.node;
        const QModelIndex child = tree->index(top.next++, 0, parent);
        if (!child.isValid())
            continue;
        const int node = nodes.size();
        if (tree->hasChildren(child)) {
            nodes.append({tableRow(child), parentNode, -1});
            stack.append({child, node, 0, tree->rowCount(child)});
        } else {
            nodes.append({tableRow(child), parentNode, leafRows.size()});
            leafRows.append(nodes.last().row);
        }
    }

    const qint64 none = std::numeric_limits<qint64>::min();
    const int count = columns.size();
    const int leaves = leafRows.size();
    // Columns that a join reads from a table container are read there
    // straight, by the source row of their join mapping: no variant per cell.
    struct Direct
    {
        const IContainer *container = nullptr;
        int column = -1;
        int group = -1; // position in groupColumns
    };
    QVector<Direct> direct(count);
    QVector<int> groupColumns; // the first column of each mapping met
    QVector<int> groupMappings;
    auto *join = qobject_cast<ZJoinProxyModel *>(table);
    for (int k = 0; join && k < count; ++k) {
        QAbstractItemModel *model = nullptr;
        int column = -1;
        int mapping = -1;
        if (!join->sectionSource(columns.at(k), &model, &column, &mapping))
            continue;
        auto *base = qobject_cast<BaseContainerModel *>(model);
        if (!base || !base->container())
            continue;
        int group = groupMappings.indexOf(mapping);
        if (group < 0) {
            group = groupMappings.size();
            groupMappings.append(mapping);
            groupColumns.append(columns.at(k));
        }
        direct[k] = {base->container().get(), column, group};
    }
    const int groups = groupColumns.size();

    // Large trees are worked on side by side: first the leaves' source rows
    // in runs, then the columns, each read and folded on its own.
    const auto onPool = [](int items, const std::function<void(const QPair<int, int> &)> &work,
                           int minimumRun) {
        const int cores = qMax(1, QThread::idealThreadCount());
        const int run = qMax(minimumRun, (items + cores - 1) / cores);
        parallelRuns(items, run, [&](int from, int to) { work(qMakePair(from, to)); });
    };

    QVector<int> sourceRows(leaves * groups, -1);
    onPool(leaves, [&](const QPair<int, int> &range) {
        for (int i = range.first; i < range.second; ++i) {
            const int row = leafRows.at(i);
            for (int g = 0; g < groups; ++g)
                sourceRows[i * groups + g] = join->mapToSource(join->index(row, groupColumns.at(g))).row();
        }
    }, 8192);

    // The bands, and for each band and column the table row of the leaf
    // whose cell it takes (-1: none).
    QVector<int> bands;
    for (int n = 0; n < nodes.size(); ++n) {
        if (nodes.at(n).leaf < 0)
            bands.append(n);
    }
    // The value each band takes per column: the winning leaf's own cell.
    QVector<QVariant> winners(bands.size() * count);
    std::atomic<bool> general(false);
    const auto summariseColumn = [&](int k) {
        const Direct &d = direct.at(k);
        const int column = columns.at(k);
        LocalTimeCache times;
        // Each node's best instant and the leaf node that holds it, children
        // folded into their parent from the last node back; among equal
        // instants the first child in tree order keeps its place.
        std::vector<qint64> best(size_t(nodes.size()), none);
        std::vector<int> holder(size_t(nodes.size()), -1);
        const auto sourceRowOf = [&](int leaf) {
            return d.container ? sourceRows.at(leaf * groups + d.group) : -1;
        };
        for (int n = nodes.size() - 1; n >= 0; --n) {
            if (general.load(std::memory_order_relaxed))
                return;
            const Node &node = nodes.at(n);
            if (node.leaf >= 0) {
                qint64 instant = none;
                const int sourceRow = sourceRowOf(node.leaf);
                int found = -1;
                if (sourceRow >= 0) {
                    qint64 msecs = 0;
                    found = d.container->instantAt(sourceRow, d.column, &msecs);
                    if (found == 1)
                        instant = msecs;
                }
                if (found < 0) {
                    const QVariant value = table->index(node.row, column).data(Qt::DisplayRole);
                    if (value.isValid() && !value.isNull()) {
                        if (value.userType() != QMetaType::QDateTime) {
                            general = true;
                            return;
                        }
                        instant = times.toMSecs(value.toDateTime());
                    }
                }
                best[size_t(n)] = instant;
                if (instant != none)
                    holder[size_t(n)] = n;
            }
            if (node.parent < 0)
                continue;
            const qint64 value = best[size_t(n)];
            if (value == none)
                continue;
            const size_t p = size_t(node.parent);
            const qint64 current = best[p];
            if (current == none || (earliest.at(k) ? value <= current : value >= current)) {
                best[p] = value;
                holder[p] = holder[size_t(n)];
            }
        }
        // The value written is the leaf's own cell, read where it lives.
        for (int b = 0; b < bands.size(); ++b) {
            const int leafNode = holder[size_t(bands.at(b))];
            if (leafNode < 0)
                continue;
            const Node &leaf = nodes.at(leafNode);
            const int sourceRow = sourceRowOf(leaf.leaf);
            winners[k * bands.size() + b] = sourceRow >= 0
                                                ? d.container->value(sourceRow, d.column)
                                                : table->index(leaf.row, column).data(Qt::DisplayRole);
        }
    };
    onPool(count, [&](const QPair<int, int> &range) {
        for (int k = range.first; k < range.second; ++k)
            summariseColumn(k);
    }, leaves >= 8192 ? 1 : count);
    if (general)
        return false;

    for (int b = 0; b < bands.size(); ++b) {
        const int bandRow = nodes.at(bands.at(b)).row;
        for (int k = 0; k < count; ++k) {
            const QVariant &value = winners.at(k * bands.size() + b);
            if (value.isValid())
                table->setData(table->index(bandRow, columns.at(k)), value, Qt::DisplayRole);
        }
    }
    return true;
}

} // namespace

Activities::Activities(QWidget *parent)
    : QWidget(parent)
{
    setupUi();
    init();
}

Activities::~Activities()
{
    // The project models outlive nothing here: drop the links to them before
    // the children go, so no proxy reacts to a model while the pane dies.
    if (m_model)
        disconnect(m_model, nullptr, this, nullptr);
    // The proxies are children and go after this destructor; a source that
    // dies meanwhile resets them, and that must not reach a pane half gone.
    if (m_parentProxy)
        disconnect(m_parentProxy, nullptr, this, nullptr);
    if (m_filterProxy)
        disconnect(m_filterProxy, nullptr, this, nullptr);
}

void Activities::setupUi()
{
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("Activities"));
    resize(400, 300);
    setWindowTitle(QCoreApplication::translate("Activities", "Form"));

    m_gridLayout = new QGridLayout(this);
    m_gridLayout->setObjectName(QStringLiteral("gridLayout"));
    m_gridLayout->setContentsMargins(0, 0, 0, 0);
    m_splitter = new QSplitter(this);
    m_splitter->setObjectName(QStringLiteral("splitter"));
    m_splitter->setOrientation(Qt::Horizontal);
    m_treeView = new ZGroupedTreeView(m_splitter);
    m_treeView->setObjectName(QStringLiteral("treeView"));
    m_treeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_treeView->setUniformRowHeights(true);
    m_splitter->addWidget(m_treeView);
    m_gridLayout->addWidget(m_splitter, 0, 0, 1, 1);
}

void Activities::init()
{
    m_model = nullptr;
    m_chart = nullptr;
    m_sortFilterWidget = nullptr;

    createDefaultGrouping();
    createResourceView();

    m_treeView->setUniformRowHeights(true);
    applyPalette();

    m_header = new ZSortFilterHeader(Qt::Horizontal, this);
    m_header->setObjectName(QStringLiteral("sortFilterHeader"));
    m_treeView->setHeader(m_header);

    QWidget *headerViewport = m_header->viewport();
    connect(m_header, &ZSortFilterHeader::filterSettingsChanged, headerViewport,
            QOverload<>::of(&QWidget::update));
    // The chart follows the tree's vertical position itself once bound.
    createGanttChart();
    invokeUpdateGeometries(m_treeView);

    createIdleActivityModel();

    m_parentProxy = new ZParentItemProxyModel(this);
    m_filterProxy = new ZFilterDialogProxyModel(this);
    // Band dates follow the rows the filter shows.
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(m_filterProxy, signal, this, &Activities::markBandDatesStale);
    connect(m_filterProxy, &QAbstractItemModel::layoutChanged, this,
            &Activities::markBandDatesStale);
    connect(m_filterProxy, &QAbstractItemModel::modelReset, this,
            &Activities::markBandDatesStale);

    setModels(m_idleModel, nullptr, nullptr, nullptr, nullptr, true);
}

void Activities::createResourceView()
{
    // The table has no role; the tree stays the splitter's first widget and
    // the chart its last.
    auto *table = new QTableView(this);
    m_splitter->insertWidget(m_chart ? m_splitter->indexOf(m_chart) : m_splitter->count(), table);
    table->hide();
    delete m_hiddenTable;
    m_hiddenTable = table;
}

void Activities::createGanttChart()
{
    mygc::GanttChart *old = m_chart;
    m_chart = new mygc::GanttChart(this);
    m_splitter->insertWidget(old ? m_splitter->indexOf(old) : m_splitter->count(), m_chart);
    delete old;
    if (m_header)
        connect(m_header, &ZSortFilterHeader::filterSettingsChanged, m_chart,
                QOverload<>::of(&QWidget::update));
    connect(m_chart, &mygc::GanttChart::selectionChanged, this,
            &Activities::onGanttSelectionChanged);
    m_chart->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_chart->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // A chart made after the first models were set follows the project
    // shown now.
    if (m_model && m_treeView->model() == m_filterProxy) {
        bindChart();
        m_chart->resetModels();
        onHeaderSizeChanged();
    }
}

void Activities::createIdleActivityModel()
{
    m_idleModel = new ZRecordSetModel(this);
    const QStringList columns{QStringLiteral("Activity ID"), QStringLiteral("Activity Name"),
                              QStringLiteral("Start"), QStringLiteral("Finish"),
                              QStringLiteral("WBS")};
    m_idleModel->setRecordSet(QList<QVariant>{QVariant(columns)});
}

void Activities::createDefaultGrouping()
{
    static const int colours[10][3] = {{60, 83, 111},  {0, 101, 169},  {170, 204, 235},
                                       {248, 152, 29}, {110, 166, 52}, {202, 83, 92},
                                       {222, 83, 14},  {249, 225, 126}, {128, 84, 98},
                                       {106, 90, 127}};
    for (const auto &c : colours)
        m_grouping.addGroup(QColor(c[0], c[1], c[2], 255));
}

void Activities::setModels(QAbstractItemModel *activities, QAbstractItemModel *wbs,
                           QAbstractItemModel *activityCodeTypes,
                           QAbstractItemModel *activityCodes, QAbstractItemModel *predecessors,
                           bool resetChart)
{
    const char *signature = "void Activities::setModels(QAbstractItemModel*, QAbstractItemModel*, "
                            "QAbstractItemModel*, QAbstractItemModel*, QAbstractItemModel*, bool)";
    qCInfo(lcViews) << signature << "start";
    QElapsedTimer timer;
    timer.start();

    // The bands of the last grouping belong to this pane, not to the project:
    // take them out of the model before it is shown again or left to its
    // loader. Filters and sort name columns of the model that goes.
    // A load without an activity table hands over no activity model: the
    // pane then shows its idle model rather than keep the last one.
    if (!activities)
        activities = m_idleModel;
    // Binding the chart and resetting it each ask for a rebuild: one, at
    // the end, is enough.
    const mygc::GanttChart::RebuildHold hold(m_chart);
    QAbstractItemModel *previous = m_model;
    if (previous && previous != m_idleModel && previous->rowCount() > m_initialRowCount)
        dropBandRows(previous);
    const bool otherModel = previous != activities;
    watchModel(activities);

    m_model = activities;
    m_wbsModel = wbs;
    m_codeTypeModel = activityCodeTypes;
    m_codeModel = activityCodes;
    m_predecessorModel = predecessors;
    m_numbering = RowNumbering();
    m_numberingValid = false;

    {
        // With the new columns the header would have the tree lay its rows
        // out at once, and the tree's own reset, heard next, throws that
        // layout away for another: the header keeps quiet, the tree lays out
        // once.
        const QSignalBlocker quietHeader(m_treeView->header());
        m_parentProxy->setSourceModel(m_model);
    }
    m_initialRowCount = m_model ? m_model->rowCount() : 0;
    updateRowNumber();

    m_filterProxy->setSourceModel(m_parentProxy);
    m_treeView->setModel(m_filterProxy);
    if (otherModel)
        resetFilterSort();

    bindChart();

    m_treeView->setDisplayColumn(columnIndex(m_filterProxy, QStringLiteral("Group")));

    // Each load passes here again: the connections are made once.
    QItemSelectionModel *selection = m_treeView->selectionModel();
    connect(selection, &QItemSelectionModel::selectionChanged, this,
            &Activities::onTreeSelectionChanged, Qt::UniqueConnection);
    connect(selection, &QItemSelectionModel::currentRowChanged, this,
            &Activities::onTreeCurrentChanged, Qt::UniqueConnection);

    if (resetChart)
        m_chart->resetModels();

    if (m_model && m_model != m_idleModel) {
        dropSortFilterWidget();
        if (ZHeaderFilterBox *widget =
                ZHeaderFilterBox::create(m_header, m_filterProxy, m_model, m_header)) {
            m_sortFilterWidget = widget;
            connect(m_header, &ZSortFilterHeader::popUp, widget,
                    &ZHeaderFilterBox::onAutoFilterPopUp);
            connect(widget, &ZHeaderFilterBox::filtered, this, &Activities::onFiltered);
            m_header->setSortFilterWidget(widget);
        }
    } else {
        // Without a project no header box may keep a model that is about
        // to go; header clicks then reach nothing.
        dropSortFilterWidget();
    }

    qCInfo(lcViews).noquote() << signature << "stop:" << timer.elapsed();
}

void Activities::bindChart()
{
    const int typeColumn = columnIndex(m_filterProxy, QStringLiteral("Activity Type"));

    const BarDateCaptions dates = barDateCaptions(m_chart->barStyles());

    // An activity row shows the same dates wherever grouping, filter or
    // expansion put it: the chart reads them once per project, from the
    // activity table (a join, read side by side on the pool). Band rows are
    // summarised anew with each grouping and filter, and read each time.
    m_chart->setRowKey(
        [this](const QModelIndex &index) {
            if (index.model() != m_filterProxy)
                return -1;
            const int row = m_parentProxy->itemFromIndex(m_filterProxy->mapToSource(index));
            return row < m_initialRowCount ? row : -1;
        },
        qobject_cast<ZJoinProxyModel *>(m_model));
    m_chart->setRowHeight(m_treeView->sizeHintForRow(0));
    m_chart->setModel(m_filterProxy, columnIndex(m_filterProxy, dates.start),
                      columnIndex(m_filterProxy, dates.finish), typeColumn, 0, m_predecessorModel, 0,
                      1, 3, 4, columnIndex(m_filterProxy, dates.actualStart),
                      columnIndex(m_filterProxy, dates.actualFinish),
                      columnIndex(m_filterProxy, dates.baselineStart),
                      columnIndex(m_filterProxy, dates.baselineFinish), m_treeView);
    connect(m_chart, &mygc::GanttChart::headerSizeChanged, this,
            &Activities::onHeaderSizeChanged, Qt::UniqueConnection);
}

void Activities::watchModel(QAbstractItemModel *model)
{
    if (m_model && m_model != model && m_model != m_idleModel)
        disconnect(m_model, &QObject::destroyed, this, &Activities::onProjectModelDestroyed);
    if (model && model != m_idleModel)
        connect(model, &QObject::destroyed, this, &Activities::onProjectModelDestroyed,
                Qt::UniqueConnection);
}

void Activities::onProjectModelDestroyed(QObject *model)
{
    if (model != m_model)
        return;
    qCDebug(lcViews) << "Activities: the activity model went away; back to the idle model";
    m_model = nullptr; // gone: nothing may touch it any more
    setModels(m_idleModel, nullptr, nullptr, nullptr, nullptr, true);
}

void Activities::dropSortFilterWidget()
{
    if (m_header)
        m_header->setSortFilterWidget(nullptr);
    if (!m_sortFilterWidget)
        return;
    ZHeaderFilterBox *widget = m_sortFilterWidget;
    m_sortFilterWidget = nullptr;
    disconnect(widget, nullptr, nullptr, nullptr);
    if (m_header)
        disconnect(m_header, nullptr, widget, nullptr);
    // Off the header at once (one box per header); deleted once control
    // is back in the event loop, as this may run inside one of its pop-ups.
    widget->hide();
    widget->setParent(nullptr);
    widget->deleteLater();
}

ZGroupedTreeView *Activities::treeView() const
{
    return m_treeView;
}

mygc::GanttChart *Activities::ganttChart() const
{
    return m_chart;
}

QAbstractItemModel *Activities::activityModel() const
{
    return m_model;
}

ZFilterDialogProxyModel *Activities::filterModel() const
{
    return m_filterProxy;
}

ZParentItemProxyModel *Activities::parentItemModel() const
{
    return m_parentProxy;
}

ZGrouping Activities::currentGrouping() const
{
    return m_grouping;
}

ZHeaderFilterBox *Activities::sortFilterWidget() const
{
    return m_sortFilterWidget;
}

int Activities::initialRowCount() const
{
    return m_initialRowCount;
}

void Activities::applyPalette()
{
    m_treeView->setLevelStyles(m_grouping.createPalette());
}

void Activities::onHeaderSizeChanged()
{
    m_header->setFixedHeight(m_chart->dateAxisHeight());
    invokeUpdateGeometries(m_treeView);
}

void Activities::updateGanttRelationship()
{
    m_chart->resetModels();
}

void Activities::onFiltered()
{
    // The header announces only a column's first filter (the window then
    // summarises the bands); a changed filter of a filtered column must
    // recompute the band dates too, once.
    if (m_bandDatesStale)
        calculateGroupings();
    updateGanttRelationship();
}

void Activities::markBandDatesStale()
{
    m_bandDatesStale = true;
}

void Activities::onUpdateMergeColumns()
{
    QHeaderView *header = m_treeView->header();
    if (!header)
        return;
    const char *signature = "void Activities::onUpdateMergeColumns()";
    qCInfo(lcViews) << signature << "start";
    QElapsedTimer timer;
    timer.start();

    const QStringList captions = visibleColumns(header);
    int count = 0;
    for (int k = 1; k <= 2; ++k) {
        const QString caption = k < captions.size() ? captions.at(k) : QString();
        const int column = columnIndex(header->model(), caption);
        const QVariantMap descriptor = descriptorOf(header->model(), column);
        if (descriptor.value(QStringLiteral("datatype")).toString() == QLatin1String("datetime"))
            break;
        ++count;
    }
    m_treeView->setMergeColumns(count);
    qCInfo(lcViews).noquote() << signature << "stop:" << timer.elapsed();
}

void Activities::setSortBy(const QString &caption, Qt::SortOrder order)
{
    auto *header = qobject_cast<ZSortFilterHeader *>(m_treeView->header());
    if (!header || !m_filterProxy)
        return;
    const int column = columnIndex(m_filterProxy, caption);
    if (column == -1)
        return;
    m_filterProxy->sort(column, order);
    header->sortByColumn(column, order);
    m_chart->resetModels();
}

void Activities::clearFilterSort()
{
    if (!m_sortFilterWidget)
        return;
    // Clearing filters rebuilds the chart through filtered(): once will do.
    const mygc::GanttChart::RebuildHold hold(m_chart);
    m_sortFilterWidget->clearAllFilters();
    m_chart->resetModels();
}

void Activities::gotoTask(int taskId)
{
    const int column = columnIndex(m_filterProxy, QStringLiteral("task_id"));
    makeCurrent(verticalLookup(QVariant(taskId), m_filterProxy, column, 0));
}

void Activities::makeCurrent(const QModelIndex &row, bool takeFocus)
{
    const QModelIndex index = m_treeView->shownCell(row);
    if (!index.isValid())
        return;
    QScrollBar *bar = m_treeView->horizontalScrollBar();
    const int remembered = bar ? bar->value() : 0;
    // Scrolling to a row expands all of its ancestors, and the tree view
    // lays its expanded rows out one call per level: below the level limit of
    // expanding, the row is made current without being shown.
    const bool shown = levelFromIndex(index) <= MaxExpandedLevels;
    const bool autoScroll = m_treeView->hasAutoScroll();
    m_treeView->setAutoScroll(autoScroll && shown);
    m_treeView->setCurrentIndex(index);
    m_treeView->setAutoScroll(autoScroll);
    m_treeView->update();
    if (shown)
        m_treeView->scrollTo(index, QAbstractItemView::EnsureVisible);
    if (bar)
        bar->setValue(remembered);
    // The keys go on from the row made current.
    if (takeFocus)
        m_treeView->setFocus(Qt::OtherFocusReason);
}

QModelIndex Activities::neighbourActivity(const QModelIndex &index, int step) const
{
    const QAbstractItemModel *model = m_filterProxy;
    const int group = columnIndex(model, QStringLiteral("Group"));
    const auto isBand = [group](const QModelIndex &i) {
        return group >= 0 && !i.sibling(i.row(), group).data().isNull();
    };
    // Pre-order steps, each costing the depth of the tree at most.
    const auto next = [model](QModelIndex i) -> QModelIndex {
        if (!i.isValid())
            return model->index(0, 0);
        if (model->rowCount(i) > 0)
            return model->index(0, 0, i);
        while (i.isValid()) {
            const QModelIndex sibling = i.sibling(i.row() + 1, 0);
            if (i.row() + 1 < model->rowCount(i.parent()) && sibling.isValid())
                return sibling;
            i = i.parent();
        }
        return {};
    };
    const auto previous = [model](const QModelIndex &i) -> QModelIndex {
        if (!i.isValid())
            return {};
        if (i.row() == 0)
            return i.parent();
        QModelIndex last = i.sibling(i.row() - 1, 0);
        while (model->rowCount(last) > 0)
            last = model->index(model->rowCount(last) - 1, 0, last);
        return last;
    };
    if (!index.isValid() && step < 0)
        return {};
    QModelIndex i = index.isValid() ? index.sibling(index.row(), 0) : QModelIndex();
    do {
        i = step > 0 ? next(i) : previous(i);
    } while (i.isValid() && isBand(i));
    return i;
}

bool Activities::stepCurrentActivity(int step)
{
    const QModelIndex target = neighbourActivity(m_treeView->currentIndex(), step);
    if (!target.isValid())
        return false;
    // The button that stepped keeps the keys: Space presses it again.
    makeCurrent(target, false);
    return true;
}

void Activities::onCloseProject()
{
    m_chart->horizontalScrollBar()->setValue(0);
    // The next project starts from the levels of a fresh start, not with the
    // fonts, colours and rules this one was grouped with.
    m_grouping = ZGrouping();
    createDefaultGrouping();
    applyPalette();
    setModels(m_idleModel, nullptr, nullptr, nullptr, nullptr, true);
    // A width dragged on the date axis was for this project's dates.
    m_chart->dateAxis()->resetColumnWidth();
    // The idle columns would keep the widths of the project's first ones.
    m_treeView->dropTreeColumnGrowth();
    for (int section = 0; section < m_header->count(); ++section)
        m_header->resizeSection(section, m_header->defaultSectionSize());
}

void Activities::onTreeSelectionChanged(const QItemSelection &current,
                                        const QItemSelection &previous)
{
    Q_UNUSED(previous)
    const QModelIndexList indexes = current.indexes();
    if (!indexes.isEmpty())
        onTreeCurrentChanged(indexes.first(), QModelIndex());
}

void Activities::onTreeCurrentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    if (current.row() < 0 || current.column() < 0 || !current.model())
        return;
    if (current.row() == previous.row()) {
        const bool anySelected = m_treeView->selectionModel()
                                 && m_treeView->selectionModel()->hasSelection();
        if (anySelected || current.parent() == previous.parent())
            return;
    }
    m_chart->setSelectedIndex(current.sibling(current.row(), 0));
}

void Activities::onGanttSelectionChanged(const QModelIndex &row)
{
    const QModelIndex idx = m_treeView->shownCell(row);
    if (!idx.isValid() || idx == m_treeView->currentIndex())
        return;
    QScrollBar *bar = m_treeView->horizontalScrollBar();
    const int remembered = bar ? bar->value() : 0;
    {
        const QSignalBlocker blocker(this);
        if (m_treeView->selectionModel())
            m_treeView->selectionModel()->select(idx, QItemSelectionModel::Current);
        m_treeView->setCurrentIndex(idx);
    }
    if (bar)
        bar->setValue(remembered);
}

// ---------------------------------------------------------------------------
// Grouping

void Activities::setCurrentGrouping(const ZGrouping &grouping)
{
    // The same levels give the same bands: when only their colours change,
    // the tree keeps its expanded rows and its current row.
    const bool grouped = m_model && m_model->rowCount() > m_initialRowCount;
    if (sameLevels(m_grouping, grouping) && (grouped || !grouping.anyActive())) {
        m_grouping = grouping;
        applyPalette();
        return;
    }
    // The current activity stays current under the new bands; a band row
    // has no counterpart there: the first activity below it stands in.
    QModelIndex current = m_treeView->currentIndex();
    if (current.isValid() && tableRow(current) >= m_initialRowCount)
        current = neighbourActivity(current, 1).siblingAtColumn(current.column());
    const int row = current.isValid() ? tableRow(current) : -1;
    const int column = current.column();
    m_grouping = grouping;
    groupBySelection();
    if (row >= 0 && row < m_initialRowCount && m_model) {
        const QModelIndex tree = m_parentProxy->mapFromSource(m_model->index(row, 0));
        // The filter maps a row one call per level above it: a row below the
        // level limit of expanding is not sought there.
        if (m_parentProxy->level(tree) <= MaxExpandedLevels) {
            const QModelIndex shown = m_filterProxy->mapFromSource(tree);
            makeCurrent(shown.sibling(shown.row(), column));
            // The tree column widens for the new bands' indentation once
            // control is back in the event loop, which can push the current
            // cell out of view: it is brought back, sideways too, after that.
            QMetaObject::invokeMethod(
                m_treeView,
                [view = m_treeView]() {
                    view->scrollTo(view->currentIndex(), QAbstractItemView::EnsureVisible);
                },
                Qt::QueuedConnection);
        }
    }
}

void Activities::groupBySelection()
{
    auto *join = qobject_cast<ZJoinProxyModel *>(m_model);
    if (!join || !join->sourceModel())
        return;
    const char *signature = "void Activities::groupBySelection()";
    qCInfo(lcViews) << signature << "start";
    QElapsedTimer timer;
    timer.start();

    QAbstractItemModel *source = join->sourceModel();
    const int idColumn = columnIndex(source, QStringLiteral("ID"));
    const int parentIdColumn = columnIndex(source, QStringLiteral("parentID"));
    if (m_model->rowCount() > m_initialRowCount)
        removeGrouping(source, idColumn, parentIdColumn);
    m_initialRowCount = m_model->rowCount();

    if (m_grouping.anyActive())
        handleGroupings();

    updateRowNumber();
    calculateGroupings();
    m_chart->resetModels();
    qCInfo(lcViews).noquote() << signature << "stop:" << timer.elapsed();
}

void Activities::removeBandRows(QAbstractItemModel *model, int total, int parentIdColumn)
{
    // The source changes with its signals blocked: the proxies learn of it
    // through the reset of the parent structure that follows.
    const QSignalBlocker blocker(model);
    if (total > m_initialRowCount)
        model->removeRows(m_initialRowCount, total - m_initialRowCount);
    if (parentIdColumn < 0)
        return;
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex cell = model->index(row, parentIdColumn);
        // Only cells that hold something are written: writing an empty cell
        // would make the table create an item for it.
        if (cell.data(Qt::DisplayRole).isValid())
            model->setData(cell, QVariant(), Qt::DisplayRole);
    }
}

void Activities::dropBandRows(QAbstractItemModel *activities)
{
    auto *join = qobject_cast<ZJoinProxyModel *>(activities);
    QAbstractItemModel *source = join ? join->sourceModel() : nullptr;
    if (!source)
        return;
    removeBandRows(source, activities->rowCount(),
                   columnIndex(source, QStringLiteral("parentID")));
}

void Activities::resetFilterSort()
{
    m_filterProxy->clearAll();
    m_filterProxy->sort(-1, Qt::AscendingOrder);
    m_header->clearAll();
    m_header->sortByColumn(-1, Qt::AscendingOrder);
}

void Activities::removeGrouping(QAbstractItemModel *model, int idColumn, int parentIdColumn)
{
    if (!model)
        return;
    const char *signature = "void Activities::removeGrouping(QAbstractItemModel*, int, int)";
    qCInfo(lcViews) << signature << "start";
    QElapsedTimer timer;
    timer.start();
    const int total = m_model ? m_model->rowCount() : model->rowCount();
    qCDebug(lcViews).noquote() << "initial_model_size " << m_initialRowCount
                               << " m_model->rowCount()" << total;
    removeBandRows(model, total, parentIdColumn);
    if (m_model && m_parentProxy->sourceModel() == m_model)
        m_parentProxy->setParentStructure(idColumn, parentIdColumn);
    qCInfo(lcViews).noquote() << signature << "stop:" << timer.elapsed();
}

void Activities::handleGroupings()
{
    const char *signature = "void Activities::handleGroupings()";
    qCInfo(lcViews) << signature << "start";
    QElapsedTimer timer;
    timer.start();

    auto *join = qobject_cast<ZJoinProxyModel *>(m_model);
    if (!join)
        return;
    const int rowCount = join->rowCount();
    QList<ZIndex> indexes;
    // An index holds a node per key: each level is moved into the list, not
    // copied (a copy of a derived index keeps its ZIndex part, as before).
    const auto take = [&indexes](ZIndex &&index) {
        indexes.append(ZIndex());
        indexes.last() = std::move(index);
    };

    // Only the levels that group: an inactive level anywhere in the list is
    // passed over and does not shift the levels after it.
    const QList<Group> levels = m_grouping.activeGroups();
    for (const Group &level : levels) {
        const int column = columnIndex(join, level.field);
        const QVariantMap descriptor = descriptorOf(m_model, column);
        const bool structure = descriptor.value(QStringLiteral("structure")).toBool();
        const QString datatype = descriptor.value(QStringLiteral("datatype")).toString();
        QAbstractItemModel *sectionModel = join->modelFromSection(column);
        if (!sectionModel) {
            qCDebug(lcViews) << "Activities::handleGroupings no model behind" << level.field;
            return;
        }

        const int depth = groupDepthFromTitle(level.title);
        if (datatype == QLatin1String("datetime")) {
            take(createDateIndex(join, column, level.title));
        } else if (!structure) {
            ZIndex index(join, column);
            index.group(Qt::DisplayRole);
            take(std::move(index));
        } else if (sectionModel->objectName() == QLatin1String("PROJWBS") && m_wbsModel) {
            ZIndex index(join, columnIndex(join, QStringLiteral("wbs_id")));
            index.createStructure(m_wbsModel, columnIndex(m_wbsModel, QStringLiteral("wbs_id")),
                                  columnIndex(m_wbsModel, QStringLiteral("parent_wbs_id")), 3);
            index.group(Qt::DisplayRole);
            if (depth > 0)
                index.collapseToLevel(depth);
            take(std::move(index));
        } else if (sectionModel->objectName() == QLatin1String("taskCodesAssignmentModel")
                   && m_codeTypeModel && m_codeModel) {
            const QVariant typeId =
                verticalLookup(QVariant(level.field), m_codeTypeModel, 0, 3).data();
            ZStructuredKeyListIndex index(join, column);
            index.init();
            index.filterValue = typeId;
            index.filterColumn = columnIndex(m_codeModel, QStringLiteral("actv_code_type_id"));
            index.createStructure(m_codeModel,
                                  columnIndex(m_codeModel, QStringLiteral("actv_code_id")),
                                  columnIndex(m_codeModel, QStringLiteral("parent_actv_code_id")),
                                  columnIndex(m_codeModel, QStringLiteral("Code Name")));
            index.group(Qt::UserRole);
            if (depth > 0)
                index.collapseToLevel(depth);
            take(std::move(index));
        } else {
            continue;
        }
        // Activities without a value for this level stay in the tree, in a
        // band of their own with an empty title.
        keepRowsWithoutValue(indexes.last(), rowCount);
    }

    applyPalette();

    if (indexes.isEmpty()) {
        // No level could group: the tree stays flat rather than empty.
        qCInfo(lcViews).noquote() << signature << "stop:" << timer.elapsed();
        return;
    }
    // One level is its own product, and already holds every row.
    ZIndex result;
    if (indexes.size() == 1) {
        result = std::move(indexes.first());
    } else {
        result = crossLevels(indexes);
        // Whatever the product left out still shows, under an untitled band.
        keepRowsWithoutValue(result, rowCount);
    }

    const int groupColumn = columnIndex(join, QStringLiteral("Group"));
    insertToModel(join->sourceModel(), result, groupColumn);
    qCInfo(lcViews).noquote() << signature << "stop:" << timer.elapsed();
}

void Activities::insertToModel(QAbstractItemModel *model, const ZIndex &index, int groupColumn)
{
    QElapsedTimer timer;
    timer.start();
    const QMap<int, QList<int>> structure = appendBandRows(model, index, groupColumn);
    m_parentProxy->setParentStructure(structure);
    qCDebug(lcViews).noquote() << " insertToModel time: " << timer.elapsed();
}

void Activities::updateRowNumber()
{
    if (!m_parentProxy->rowCount())
        return;
    // The relation texts depend on the relation model and the activity rows,
    // which do not change while their project is shown: resolve them once
    // per project.
    if (!m_numberingValid) {
        m_numbering = RowNumbering(m_model, predecessorList(m_predecessorModel));
        m_numberingValid = true;
    }
    m_numbering.update(m_parentProxy, m_model);
}

void Activities::calculateGroupings()
{
    if (!m_filterProxy)
        return;
    const char *signature = "void Activities::calculateGroupings()";
    qCInfo(lcViews) << signature << "start";
    QElapsedTimer timer;
    timer.start();

    // The date columns summarised: the earliest value of each "start"
    // column, the latest of each "finish" column. A caption met twice (a
    // joined table repeats it) names the same column and is done once.
    QVector<int> columns;
    QVector<bool> earliest;
    const auto add = [&columns, &earliest](int column, bool first) {
        for (int k = 0; k < columns.size(); ++k) {
            if (columns.at(k) == column && earliest.at(k) == first)
                return;
        }
        columns.append(column);
        earliest.append(first);
    };
    const int columnCount = m_filterProxy->columnCount();
    for (int c = 0; c < columnCount; ++c) {
        const QVariantMap descriptor = descriptorOf(m_filterProxy, c);
        if (descriptor.value(QStringLiteral("datatype")).toString() != QLatin1String("datetime"))
            continue;
        const QString caption = descriptor.value(QStringLiteral("display")).toString();
        const int column = columnIndex(m_filterProxy, caption);
        if (column < 0)
            continue;
        const QString lower = caption.toLower();
        if (lower.contains(QLatin1String("start")))
            add(column, true);
        if (lower.contains(QLatin1String("finish")))
            add(column, false);
    }

    QAbstractItemModel *table = m_model;
    const int tableRows = table ? table->rowCount() : 0;
    if (table && !columns.isEmpty() && tableRows > m_initialRowCount) {
        // Band values come only from the band's current children: clear what
        // an earlier grouping or filter left before summarising again. Band
        // rows match no joined row: a join holds their values itself.
        auto *join = qobject_cast<ZJoinProxyModel *>(table);
        if (join)
            join->dropCachedValues(m_initialRowCount, columns);
        for (int row = m_initialRowCount; !join && row < tableRows; ++row) {
            for (const int column : qAsConst(columns)) {
                const QModelIndex cell = table->index(row, column);
                if (cell.data(Qt::DisplayRole).isValid())
                    table->setData(cell, QVariant(), Qt::DisplayRole);
            }
        }
        const auto rowOf = [this](const QModelIndex &index) { return tableRow(index); };
        if (!summariseBottomUp(m_filterProxy, rowOf, table, columns, earliest)) {
            LocalTimeCache times;
            summariseChildren(QModelIndex(), columns, earliest, times);
        }
        m_treeView->viewport()->update();
    }
    m_bandDatesStale = false;
    qCInfo(lcViews).noquote() << signature << "stop:" << timer.elapsed();
}

int Activities::tableRow(const QModelIndex &filterIndex) const
{
    // The parent-item proxy keeps the table row as the index's own id.
    return m_parentProxy->itemFromIndex(m_filterProxy->mapToSource(filterIndex));
}

QVector<QVariant> Activities::summariseChildren(const QModelIndex &parent,
                                                const QVector<int> &columns,
                                                const QVector<bool> &earliest,
                                                LocalTimeCache &times)
{
    // Depth first: a child band is summarised before it is read. Leaves are
    // read straight from the activity table by their row, which gives what
    // the proxies above it show without a walk through them per cell. The
    // walk keeps its own stack: a WBS read from a file can nest as deep as it
    // has rows.
    const int count = columns.size();
    struct Frame
    {
        QModelIndex parent;
        int rows;
        int next;
        QVector<QVariant> best;
        QVector<qint64> bestTime;
    };
    const auto open = [this, count](const QModelIndex &p) {
        return Frame{p, m_filterProxy->rowCount(p), 0, QVector<QVariant>(count),
                     QVector<qint64>(count, 0)};
    };
    const auto take = [count, &earliest, &times](Frame &frame, const QVector<QVariant> &values) {
        for (int k = 0; k < count; ++k) {
            const QVariant &value = values.at(k);
            // A cell without a date (a null date-time) is no earliest start.
            if (!value.isValid() || value.isNull())
                continue;
            const bool isTime = value.userType() == QMetaType::QDateTime;
            const qint64 time = isTime ? times.toMSecs(value.toDateTime()) : 0;
            if (!frame.best.at(k).isValid()) {
                frame.best[k] = value;
                frame.bestTime[k] = time;
                continue;
            }
            // Two date-times order by their instants, as compareVariants
            // orders them, with the local-time conversion cached.
            const int c = isTime && frame.best.at(k).userType() == QMetaType::QDateTime
                              ? (time < frame.bestTime.at(k) ? -1 : (time > frame.bestTime.at(k) ? 1 : 0))
                              : compareVariants(value, frame.best.at(k));
            if ((earliest.at(k) && c < 0) || (!earliest.at(k) && c > 0)) {
                frame.best[k] = value;
                frame.bestTime[k] = time;
            }
        }
    };

    std::vector<Frame> stack;
    stack.push_back(open(parent));
    QVector<QVariant> values(count);
    while (true) {
        Frame &top = stack.back();
        if (top.next < top.rows) {
            const QModelIndex child = m_filterProxy->index(top.next++, 0, top.parent);
            if (!child.isValid())
                continue;
            if (m_filterProxy->hasChildren(child)) {
                stack.push_back(open(child));
                continue;
            }
            const int row = tableRow(child);
            for (int k = 0; k < count; ++k)
                values[k] = m_model->index(row, columns.at(k)).data(Qt::DisplayRole);
            take(top, values);
            continue;
        }
        // Every child of this band is read: write the band, hand it upwards.
        if (top.parent.isValid()) {
            const int row = tableRow(top.parent);
            for (int k = 0; k < count; ++k) {
                if (top.best.at(k).isValid())
                    m_model->setData(m_model->index(row, columns.at(k)), top.best.at(k), Qt::DisplayRole);
            }
        }
        if (stack.size() == 1)
            return top.best;
        const QVector<QVariant> done = top.best;
        stack.pop_back();
        take(stack.back(), done);
    }
}

ZDateIndex Activities::createDateIndex(QAbstractItemModel *model, int column,
                                       const QString &interval) const
{
    ZDateIndex index(model, column);
    if (!interval.isEmpty())
        index.interval = interval;
    index.group(Qt::DisplayRole);
    return index;
}

ZIndex Activities::createStructuredIndex(QAbstractItemModel *model, int column,
                                         QAbstractItemModel *structureModel, int keyColumn,
                                         int parentColumn, int displayColumn,
                                         const QString &level) const
{
    ZIndex index(model, column);
    index.createStructure(structureModel, keyColumn, parentColumn, displayColumn);
    index.group(Qt::DisplayRole);
    if (!level.isEmpty() && level != QLatin1String("All"))
        index.collapseToLevel(groupDepthFromTitle(level) - 1);
    return index;
}

ZIndex Activities::createStructuredKeyListIndex(QAbstractItemModel *model, int column,
                                                QAbstractItemModel *structureModel,
                                                const QVariant &key, int keyFilterColumn,
                                                int keyColumn, int parentColumn,
                                                int displayColumn, const QString &level) const
{
    Q_UNUSED(key)
    Q_UNUSED(keyFilterColumn)
    ZIndex index(model, column);
    index.createStructure(structureModel, keyColumn, parentColumn, displayColumn);
    index.group(Qt::UserRole);
    if (!level.isEmpty() && level != QLatin1String("All"))
        index.collapseToLevel(groupDepthFromTitle(level) - 1);
    return index;
}

void Activities::groupByList(const QList<QVariant> &groups)
{
    auto *join = qobject_cast<ZJoinProxyModel *>(m_model);
    QAbstractItemModel *source = join ? join->sourceModel() : nullptr;
    if (!source || groups.isEmpty())
        return;
    const int idColumn = columnIndex(source, QStringLiteral("ID"));
    const int groupColumn = columnIndex(source, QStringLiteral("Group"));
    const int parentIdColumn = columnIndex(source, QStringLiteral("parentID"));
    if (idColumn < 0 || groupColumn < 0 || parentIdColumn < 0)
        return;
    QElapsedTimer timer;
    timer.start();
    // The band rows go to the structure table alone, as the regrouping's
    // do: the joined tables (WBS, codes) must not gain empty rows. The
    // views learn of them through the join's rebuilt row maps and the
    // parent structure that follows.
    const QSignalBlocker quietJoin(join);
    const QSignalBlocker quietSource(source);
    const int base = source->rowCount();
    if (!source->insertRows(base, groups.size()))
        return;
    // Negative ids cannot meet an activity's task id.
    const auto bandId = [](int position) { return QVariant(-1 - position); };
    for (int i = 0; i < groups.size(); ++i) {
        const QVariantMap record = groups.at(i).toMap();
        const int row = base + i;
        source->setData(source->index(row, idColumn), bandId(i), Qt::DisplayRole);
        QVariant caption = record.value(QStringLiteral("caption"));
        // A band must hold a value in its label cell to be a band.
        if (!caption.isValid() || caption.isNull())
            caption = noValueKey();
        source->setData(source->index(row, groupColumn), caption, Qt::DisplayRole);
        bool ok = false;
        const int parent = record.value(QStringLiteral("parent")).toInt(&ok);
        if (ok && parent >= 0 && parent < groups.size() && parent != i)
            source->setData(source->index(row, parentIdColumn), bandId(parent), Qt::DisplayRole);
        const QVariantList members = record.value(QStringLiteral("set")).toList();
        for (const QVariant &member : members) {
            const int memberRow = member.toInt(&ok);
            if (ok && memberRow >= 0 && memberRow < base)
                source->setData(source->index(memberRow, parentIdColumn), bandId(i), Qt::DisplayRole);
        }
    }
    join->resetMappings();
    qCDebug(lcViews).noquote() << "MainWindow::groupByList elapsed time: " << timer.elapsed();
}

namespace {

// The position of a record's parent in the list, or -1.
int recordParent(const QList<QVariant> &groups, int position)
{
    bool ok = false;
    const int parent = groups.at(position).toMap().value(QStringLiteral("parent")).toInt(&ok);
    return ok && parent >= 0 && parent < groups.size() && parent != position ? parent : -1;
}

} // namespace

void Activities::makeGroupsUniqueHelper(int parent, QList<QVariant> &groups)
{
    if (parent >= groups.size())
        return;
    const int count = groups.size();
    // The parent and child records of each record, found in one pass.
    QVector<int> parents(count);
    QVector<QVector<int>> children(count);
    QVector<int> stack;
    for (int i = 0; i < count; ++i) {
        parents[i] = recordParent(groups, i);
        if (parents.at(i) >= 0)
            children[parents.at(i)].append(i);
        else if (parent < 0)
            stack.append(i);
    }
    if (parent >= 0)
        stack.append(parent);
    // Depth first, without recursion, so that every record's subtree follows
    // it in the order. Records caught in a cycle of parents are not reached
    // and stay as they are; a start inside one is taken once around.
    QVector<int> order;
    QVector<int> place(count, -1); // a record's position in order
    while (!stack.isEmpty()) {
        const int record = stack.takeLast();
        if (place.at(record) >= 0)
            continue;
        place[record] = order.size();
        order.append(record);
        for (int child : children.at(record))
            stack.append(child);
    }
    QVector<int> subtreeSize(order.size(), 1);
    for (int k = order.size() - 1; k > 0; --k) {
        const int up = parents.at(order.at(k));
        if (up >= 0 && place.at(up) >= 0 && place.at(up) < k)
            subtreeSize[place.at(up)] += subtreeSize.at(k);
    }
    // Walking the order backwards, a record's subtree is seen before the
    // record. For each row, the place of the nearest record after it that
    // lists the row: some record below lists the row exactly when that one
    // is inside the subtree. So a row leaves every band above the deepest
    // one that lists it, however many bands lie between.
    QHash<int, int> nearestLister;
    for (int k = order.size() - 1; k >= 0; --k) {
        QVariantMap record = groups.at(order.at(k)).toMap();
        const QVariantList rows = record.value(QStringLiteral("set")).toList();
        if (record.value(QStringLiteral("hasChildren")).toBool()) {
            QVariantList kept;
            for (const QVariant &row : rows) {
                const auto lister = nearestLister.constFind(row.toInt());
                if (lister == nearestLister.cend() || lister.value() >= k + subtreeSize.at(k))
                    kept.append(row);
            }
            record.insert(QStringLiteral("set"), kept);
            groups[order.at(k)] = record;
        }
        for (const QVariant &row : rows)
            nearestLister.insert(row.toInt(), k);
    }
}

void Activities::makeGroupsUnique(QList<QVariant> &groups)
{
    QVector<bool> hasChildren(groups.size(), false);
    for (int i = 0; i < groups.size(); ++i) {
        const int parent = recordParent(groups, i);
        if (parent >= 0)
            hasChildren[parent] = true;
    }
    for (int i = 0; i < groups.size(); ++i) {
        QVariantMap record = groups.at(i).toMap();
        record.insert(QStringLiteral("hasChildren"), hasChildren.at(i));
        groups[i] = record;
    }
    makeGroupsUniqueHelper(-1, groups);
}

void fillIndexMap(QHash<QString, QModelIndex> *map, const QModelIndex &index)
{
    if (!map || !index.isValid())
        return;
    const QAbstractItemModel *model = index.model();
    const int column = index.column();
    walkRows(model, index.parent(), [map, model, column](const QModelIndex &row, int) {
        const QModelIndex cell = row.sibling(row.row(), column);
        const QString text = cell.data(Qt::DisplayRole).toString();
        if (!map->contains(text))
            map->insert(text, cell);
        return model->hasChildren(row) ? WalkStep::Descend : WalkStep::Skip;
    });
}

void build_task_index(const QAbstractItemModel *model, const QModelIndex &parent, int keyColumn,
                      int valueColumn, std::map<int, QModelIndex> &map)
{
    if (!model || keyColumn < 0 || valueColumn < 0)
        return;
    walkRows(model, parent, [&map, model, keyColumn, valueColumn](const QModelIndex &row, int) {
        bool ok = false;
        const int key = row.sibling(row.row(), keyColumn).data(Qt::DisplayRole).toInt(&ok);
        if (ok)
            map.emplace(key, row.sibling(row.row(), valueColumn));
        return model->hasChildren(row) ? WalkStep::Descend : WalkStep::Skip;
    });
}
