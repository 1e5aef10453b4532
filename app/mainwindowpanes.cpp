// The main window's side of the panes: the activities pane above the details
// pane on page 0, the resources page on page 1. Everything that reaches into
// them is here.
#include "mainwindow.h"

#include "activities.h"
#include "activitydetails.h"
#include "chartlayout.h"
#include "layouttarget.h"
#include "projectloader.h"
#include "qganttchart.h"
#include "resources.h"
#include "zdetaildelegate.h"
#include "zfilterdialogproxymodel.h"
#include "zgroupedtreeview.h"
#include "zgrouping.h"
#include "zsortfilterheader.h"

#include <QItemSelectionModel>
#include <QPixmap>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableView>
#include <QTreeView>

#include "ui_mainwindow.h"

namespace {

// A layout is applied to and built from the activities pane: its tree
// header, filter proxy, grouping and chart, and the window's outline
// commands.
class PaneLayoutTarget : public LayoutTarget
{
public:
    PaneLayoutTarget(const MainWindow *window, Activities *pane)
        : m_window(window)
        , m_pane(pane)
    {
    }

    QHeaderView *header() const override { return sortFilterHeader(); }

    int sortColumn() const override
    {
        ZSortFilterHeader *h = sortFilterHeader();
        return h ? h->sortColumn() : -1;
    }
    Qt::SortOrder sortOrder() const override
    {
        ZSortFilterHeader *h = sortFilterHeader();
        return h ? h->sortOrder() : Qt::AscendingOrder;
    }
    void setSortBy(const QString &caption, Qt::SortOrder order) override
    {
        m_pane->setSortBy(caption, order);
    }
    void clearFilterSort() override
    {
        // With no sort and no filter recorded there is nothing to clear, and
        // the chart rebuild that clearing ends with would only cost time
        // (half a second on 100,000 activities, at every load).
        ZSortFilterHeader *h = sortFilterHeader();
        if (h && h->sortColumn() < 0 && !h->hasAnyFilter())
            return;
        m_pane->clearFilterSort();
    }

    QVariantMap filterState() const override
    {
        ZFilterDialogProxyModel *proxy = m_pane->filterModel();
        return proxy ? proxy->toVariant().toMap() : QVariantMap();
    }
    void setFilterState(const QVariantMap &state) override
    {
        if (ZFilterDialogProxyModel *proxy = m_pane->filterModel())
            proxy->fromVariant(state);
    }
    void clearFilterMarks() override
    {
        if (ZSortFilterHeader *h = sortFilterHeader())
            h->clearAll();
    }
    void markFiltered(int column) override
    {
        if (ZSortFilterHeader *h = sortFilterHeader())
            h->setFilter(column);
    }

    QString grouping() const override
    {
        const ZGrouping copy = m_pane->currentGrouping();
        return copy.toVariant().toString();
    }
    void setGrouping(const QString &grouping) override
    {
        ZGrouping levels;
        levels.fromVariant(grouping);
        m_pane->setCurrentGrouping(levels);
    }

    QString outlineLevel() const override { return m_window->outlineLevel(); }
    QList<QAction *> outlineActions() const override { return m_window->outlineActions(); }

    QVariantList barStyles() const override
    {
        return ChartLayout::barStyles(*m_pane->ganttChart());
    }
    void setBarStyles(const QVariantList &styles) override
    {
        ChartLayout::setBarStyles(*m_pane->ganttChart(), styles);
    }

    void setTreePosition(int column) override
    {
        // Setting it lays every row out again, even when it stays.
        if (m_pane->treeView()->treePosition() != column)
            m_pane->treeView()->setTreePosition(column);
    }
    void updateMergeColumns() override { m_pane->onUpdateMergeColumns(); }

private:
    ZSortFilterHeader *sortFilterHeader() const
    {
        return qobject_cast<ZSortFilterHeader *>(m_pane->treeView()->header());
    }

    const MainWindow *m_window; // Not owned.
    Activities *m_pane; // Not owned.
};

} // namespace

void MainWindow::createPanes()
{
    m_activities = new Activities(this);
    m_details = new ActivityDetails(this);
    m_details->m_activities = m_activities;
    m_splitter->addWidget(m_activities);
    m_splitter->addWidget(m_details);
    // Tree and chart share the pane's width; left to their size hints the
    // tree would take nearly all of it and leave the chart a sliver.
    if (auto *sideBySide = qobject_cast<QSplitter *>(m_activities->treeView()->parentWidget())) {
        QList<int> sizes;
        for (int i = 0; i < sideBySide->count(); ++i) {
            QWidget *w = sideBySide->widget(i);
            sizes << (w == m_activities->treeView() ? 900
                                                    : w == m_activities->ganttChart() ? 700 : 0);
        }
        sideBySide->setSizes(sizes);
    }
    m_resources = new Resources(this);
}

void MainWindow::connectPaneSignals()
{
    auto *treeHeader = qobject_cast<ZSortFilterHeader *>(m_activities->treeView()->header());
    if (treeHeader) {
        connect(treeHeader, &ZSortFilterHeader::filterSettingsChanged, this,
                &MainWindow::updateColumnsIcon);
        connect(treeHeader, &ZSortFilterHeader::filterSettingsChanged, m_activities,
                &Activities::calculateGroupings);
    }
    auto *resourcesHeader =
        qobject_cast<ZSortFilterHeader *>(m_resources->tableView()->horizontalHeader());
    if (resourcesHeader) {
        connect(resourcesHeader, &ZSortFilterHeader::filterSettingsChanged, this,
                &MainWindow::updateColumnsIcon);
    }
    // The tree keeps one selection model for its whole life (every project
    // goes through the same filter proxy), so the details pane follows the
    // current row through one connection made here, not one per opened file.
    if (QItemSelectionModel *selection = m_activities->treeView()->selectionModel()) {
        connect(selection, &QItemSelectionModel::currentRowChanged, m_details,
                &ActivityDetails::onRowChanged);
    }
    // A filter that hides the current row takes it away without a word to
    // the selection's listeners: the details pane checks its row itself.
    QAbstractItemModel *shown = m_activities->filterModel();
    connect(shown, &QAbstractItemModel::layoutChanged, m_details,
            &ActivityDetails::onTreeRowsChanged);
    connect(shown, &QAbstractItemModel::modelReset, m_details,
            &ActivityDetails::onTreeRowsChanged);
    connect(shown, &QAbstractItemModel::rowsRemoved, m_details,
            &ActivityDetails::onTreeRowsChanged);
}

QTreeView *MainWindow::activityTree() const
{
    return m_activities ? m_activities->treeView() : nullptr;
}

mygc::GanttChart *MainWindow::activityChart() const
{
    return m_activities ? m_activities->ganttChart() : nullptr;
}

void MainWindow::resetChart()
{
    if (m_activities)
        m_activities->ganttChart()->resetModels();
}

void MainWindow::setChartDateLevels(const QVector<int> &units)
{
    if (m_activities)
        ChartLayout::setDateLevels(*m_activities->ganttChart(), units);
}

void MainWindow::updateHeaderSize()
{
    if (m_activities)
        m_activities->onHeaderSizeChanged();
}

void MainWindow::updateMergeColumns()
{
    if (m_activities)
        m_activities->onUpdateMergeColumns();
}

ZSortFilterHeader *MainWindow::currentHeader() const
{
    // The page on screen decides which header the commands speak of.
    QHeaderView *header = nullptr;
    if (m_activities && currentPage() == 0)
        header = m_activities->treeView()->header();
    else if (m_resources && currentPage() == 1)
        header = m_resources->tableView()->horizontalHeader();
    return qobject_cast<ZSortFilterHeader *>(header);
}

QAbstractItemModel *MainWindow::currentModel() const
{
    if (m_activities && currentPage() == 0)
        return m_activities->activityModel();
    if (m_resources && currentPage() == 1)
        return m_resources->model();
    return nullptr;
}

ZFilterDialogProxyModel *MainWindow::currentFilterModel() const
{
    if (m_activities && currentPage() == 0)
        return m_activities->filterModel();
    if (m_resources && currentPage() == 1)
        return m_resources->filterModel();
    return nullptr;
}

int MainWindow::currentPage() const
{
    return m_ui->stackedWidget->currentIndex();
}

LayoutTarget *MainWindow::layoutTarget()
{
    if (!m_activities)
        return nullptr;
    if (!m_layoutTarget)
        m_layoutTarget = std::make_unique<PaneLayoutTarget>(this, m_activities);
    return m_layoutTarget.get();
}

void MainWindow::handOverModels()
{
    Q_ASSERT(m_loader);
    if (!m_loader)
        return;
    auto model = [this](const char *name) {
        return m_loader->model(QString::fromLatin1(name));
    };
    QAbstractItemModel *activities = model("ActivityModel");
    m_activities->setModels(activities, model("PROJWBS"), model("ACTVTYPE"), model("ACTVCODE"),
                            model("PredecessorModel"), true);

    QAbstractItemModel *resources = model("ResourceModel");
    m_details->setActivityModel(activities);
    m_details->setResourceModel(resources);
    m_details->setPredecessorModel(model("PredecessorModel"));
    m_details->setCodesModel(model("taskCodesAssignmentModel"));
    prepareResourcesView(m_details->resourcesView());

    m_resources->setModel(resources);
    prepareResourcesView(m_resources->tableView());
}

void MainWindow::installResourceTypeDelegate(QTableView *table, int typeColumn)
{
    Q_ASSERT(table);
    if (!table)
        return;
    // One delegate per table: the one of an earlier project is replaced.
    auto *previous = qobject_cast<ZDetailDelegate *>(table->itemDelegate());
    if (previous && previous->parent() == table && previous->column() == typeColumn)
        return;
    table->setItemDelegate(new ZDetailDelegate(
        table, typeColumn, QPixmap(QStringLiteral(":/images/resource_human-task.png"))));
    if (previous && previous->parent() == table)
        delete previous;
}

void MainWindow::clearPanes()
{
    if (!m_activities)
        return;
    m_activities->onCloseProject();
    m_activities->clearFilterSort();
    m_details->clearModels();
}
