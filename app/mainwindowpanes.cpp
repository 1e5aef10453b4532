// The main window's side of the panes: the activities pane above the details
// pane on page 0, the resources page on page 1. Everything that reaches into
// them is here, so the panes are wired in this one file.
#include "mainwindow.h"

#include "layouttarget.h"

#include <QSplitter>
#include <QTreeView>

void MainWindow::createPanes()
{
    // Creates Activities and ActivityDetails (given the activities pane)
    // into m_splitter and Resources as m_resourcesPage.
}

void MainWindow::connectPaneSignals()
{
    // Once, not per opened file: the activity tree's header
    // filterSettingsChanged() to updateColumnsIcon() and to
    // Activities::calculateGroupings(), the resources header's
    // filterSettingsChanged() to updateColumnsIcon(), and the tree's
    // currentRowChanged to ActivityDetails::onRowChanged.
}

QTreeView *MainWindow::activityTree() const
{
    return nullptr;
}

void MainWindow::resetChart()
{
}

void MainWindow::setChartDateLevels(const QVector<int> &units)
{
    Q_UNUSED(units);
}

void MainWindow::updateHeaderSize()
{
}

void MainWindow::updateMergeColumns()
{
}

MainWindow::HeaderFilter MainWindow::currentHeaderFilter() const
{
    return HeaderFilter::NoHeader;
}

LayoutTarget *MainWindow::layoutTarget()
{
    return nullptr;
}

void MainWindow::handOverModels()
{
    // The models of m_loader by name to Activities::setModels,
    // ActivityDetails and Resources, and both resource tables prepared.
}

void MainWindow::clearPanes()
{
    // Activities::onCloseProject, Activities::clearFilterSort,
    // ActivityDetails::clearModels.
}
