// The main window's side of the panes: the activities pane above the details
// pane on page 0, the resources page on page 1. Everything that reaches into
// them is here, so the panes are wired in this one file; until then these
// functions do nothing and the pages are empty.
#include "mainwindow.h"

#include "layouttarget.h"

#include <QSplitter>
#include <QTableView>
#include <QTreeView>

void MainWindow::createPanes()
{
    // Activities and ActivityDetails (given the activities pane) into
    // m_splitter, activities first; Resources as m_resourcesPage.
}

void MainWindow::connectPaneSignals()
{
    // Made once, not per opened file: the activity tree header's
    // filterSettingsChanged() to updateColumnsIcon() and to
    // Activities::calculateGroupings(); the resources header's
    // filterSettingsChanged() to updateColumnsIcon(); the activity tree
    // selection model's currentRowChanged to ActivityDetails::onRowChanged.
}

QTreeView *MainWindow::activityTree() const
{
    // Activities::treeView().
    return nullptr;
}

void MainWindow::resetChart()
{
    // Activities::ganttChart()->resetModels().
}

void MainWindow::setChartDateLevels(const QVector<int> &units)
{
    // ChartLayout::setDateLevels(*Activities::ganttChart(), units).
    Q_UNUSED(units);
}

void MainWindow::updateHeaderSize()
{
    // Activities::onHeaderSizeChanged().
}

void MainWindow::updateMergeColumns()
{
    // Activities::onUpdateMergeColumns().
}

MainWindow::HeaderFilter MainWindow::currentHeaderFilter() const
{
    // The header of the page on screen as a ZSortFilterHeader: none,
    // or hasAnyFilter().
    return HeaderFilter::NoHeader;
}

LayoutTarget *MainWindow::layoutTarget()
{
    // A LayoutTarget over the activities pane: header() the tree header when
    // it is a ZSortFilterHeader (else null); sortColumn/sortOrder its record;
    // setSortBy/clearFilterSort the pane's; filterState/setFilterState the
    // filter proxy's toVariant/fromVariant; clearFilterMarks/markFiltered the
    // header's clearAll/setFilter; grouping/setGrouping through
    // ZGrouping::toVariant/fromVariant and setCurrentGrouping; outlineLevel()
    // and outlineActions() of this window; barStyles/setBarStyles through
    // ChartLayout on the pane's chart; setTreePosition on the tree;
    // updateMergeColumns as above.
    return nullptr;
}

void MainWindow::handOverModels()
{
    // From m_loader by name: Activities::setModels("ActivityModel",
    // "PROJWBS", "ACTVTYPE", "ACTVCODE", "PredecessorModel", true);
    // ActivityDetails::setActivityModel, setResourceModel("ResourceModel"),
    // setPredecessorModel, setCodesModel("taskCodesAssignmentModel");
    // prepareResourcesView(ActivityDetails::resourcesView());
    // Resources::setModel("ResourceModel");
    // prepareResourcesView(Resources::tableView()).
}

void MainWindow::installResourceTypeDelegate(QTableView *table, int typeColumn)
{
    // A ZDetailDelegate(table, typeColumn,
    // QPixmap(":/images/resource_human-task.png")) as the table's delegate.
    Q_UNUSED(table);
    Q_UNUSED(typeColumn);
}

void MainWindow::clearPanes()
{
    // Activities::onCloseProject(), Activities::clearFilterSort(),
    // ActivityDetails::clearModels().
}
