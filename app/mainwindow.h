#pragma once

#include "p6layout.h"
#include "recentlist.h"

#include <QFuture>
#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QVector>

#include <memory>

class Activities;
class ActivityDetails;
class LayoutTarget;
class LoadProgressDialog;
class ProjectLoader;
class QAction;
class QActionGroup;
class QHeaderView;
class QLineEdit;
class QMenu;
class QPushButton;
class QSplitter;
class QTableView;
class QTreeView;
class Resources;
class QAbstractItemModel;
class ZFilterDialogProxyModel;
class ZSortFilterHeader;

namespace mygc {
class GanttChart;
}

namespace Ui {
class MainWindow;
}

// The one top-level window: menus, tool bar, the activities and resources
// pages, opening XER files behind a progress dialog, the view, outline and
// time-scale switches, layouts, CSV export and the recent-files list.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Opens a name as chosen in the file dialog: only names ending in
    // ".xer" (any letter case) are opened; any other name is answered with
    // a message that says so.
    void openChosenFile(const QString &fileName);
    void openXerFile(const QString &path);
    // True from the start of a read until its result has been handled.
    bool isLoading() const { return m_loading; }

    void applyLayout(const QString &layout);
    QString layoutToJson() const;
    // The saved-layout store keeps nothing: always an empty text.
    QString loadLayout(const QString &name) const;
    // Imports one ".plf" file; its layout replaces the P6 layouts listed.
    void openPlfLayout(const QString &path);
    const QVector<P6Layout> &p6Layouts() const { return m_p6Layouts; }
    // Readies a table that shows "ResourceModel": bookkeeping columns
    // hidden, type and name in positions 6 and 7, rows 22 pixels high.
    void prepareResourcesView(QTableView *table);
    // Writes the tree as CSV; false (with a message) when writing failed.
    bool saveViewData(QTreeView *view, const QString &fileName);

    // Date-axis units (day 3, week 4, month 6, quarter 7, year 9) of the
    // checked time-scale actions, finest first.
    QVector<int> timeScaleUnits() const;
    void setToolBarButtonsFromFlags(unsigned char flags);
    // The Outline menu's commands; the only actions a layout may trigger.
    QList<QAction *> outlineActions() const;
    QString outlineLevel() const { return m_outlineLevel; }
    const RecentList &recentList() const { return m_recentList; }
    ProjectLoader *loader() const { return m_loader; }
    Activities *activitiesPane() const { return m_activities; }
    ActivityDetails *detailsPane() const { return m_details; }
    Resources *resourcesPane() const { return m_resources; }

    // The header, source model and filter proxy of the view on the page on
    // screen (activities or resources); the one way the commands find them.
    ZSortFilterHeader *currentHeader() const;
    QAbstractItemModel *currentModel() const;
    ZFilterDialogProxyModel *currentFilterModel() const;

public slots:
    void onConfigDialog();
    void onColumnsAction();
    void onGroupAction();
    void onDetailAction();
    void onBarStyles();
    void onExportAction();
    void onAbout();
    void onSnip();
    void onRecentAction();
    void onCloseAction();
    void onP6LoadDone();
    void onXerReadDone();
    void onXerReadFailed(int code);
    void onMppLoadDone();
    void onSaveFileClick();
    void onCachedFileClick();
    void showProgress();
    void setProgress(int value, const QString &text);
    void hideProgress();
    // Shows the progress dialog and connects the loader's progress to it
    // (queued) and its finished() to the given slot of this window, a
    // signature as SLOT() makes it. openXerFile connects its own.
    void connectLoaderSignals(const char *slot);

protected:
    void closeEvent(QCloseEvent *event) override;
    // The menu buttons' keys open their menus (see setupToolBarKeys).
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void updateToolBarActions();
    void applayLayoutClicked(QAction *action);
    void onOpenFileAction();
    void onImportLayout();
    void setGanttTimelime();
    void onOutlineChanged(QAction *action);
    void testShowTable();
    void testShowTreeView();
    void saveLayoutClicked();
    void layoutNameEdited(const QString &text);
    void onPrintMenu();
    void onOPRFileLoaded();
    void onMRUClick(QAction *action);
    void setView(QAction *action);
    void updateColumnsIcon();
    void onExpandCollapseClicked();
    void onDefaultViewClicked();
    void progressDialogDestroyed(QObject *dlg);

private:
    void init();
    // The first size within the screen's available area.
    void fitToScreen();
    void setupWidgets();
    void setupToolbars();
    // Gives every tool-bar command a key of its own, named in its tool tip.
    void setupToolBarKeys();
    // Opens a tool-bar menu below its button with its first entry active,
    // for the keyboard to work in.
    void popUpToolBarMenu(QMenu *menu);
    void setupP6Loader();
    void connectSignalSlots();
    void setIcon(const QIcon &icon);
    void updateActions(bool enable);
    void addFileToRecents(const QString &path);
    void updateRecentsList();
    void updateLayoutsList(const QString &current);
    void processP6layouts(const QList<QVariant> &rows);
    void saveLayout(const QString &name, const QString &layout, bool builtIn);
    // Waits until a running read has returned; the loader may then go.
    void waitForRead();
    void deleteLoader();
    // Empties the panes and deletes the loader; the window keeps its title
    // and time scale (opening a file goes through here too).
    void closeProject();
    // Closes any open menu and draws the window without it, before a command
    // that keeps the window busy.
    void closeMenus();
    // After a load and its messages: the keys back to the window, when the
    // application held them as the load began.
    void giveKeysBack();
    // Tells that Expand All stopped at its level limit.
    void showExpandCap();

    // Hooks without a component behind them.
    void OPRFileLoad(const QString &fileName);
    void openMPPFile(const QString &fileName);
    void saveFile(const QString &fileName);
    void updateConnection(const QMap<QString, QVariant> &, const QMap<QString, QVariant> &);
    void saveSqlProject(const QString &, const QVariant &, const QString &, const QString &);

    // The panes (mainwindowpanes.cpp): everything that reaches into the
    // activities pane, the details pane and the resources page.
    void createPanes();
    void connectPaneSignals();
    QTreeView *activityTree() const;
    mygc::GanttChart *activityChart() const;
    void resetChart();
    void setChartDateLevels(const QVector<int> &units);
    void updateHeaderSize();
    void updateMergeColumns();
    int currentPage() const;
    LayoutTarget *layoutTarget();
    void handOverModels();
    void installResourceTypeDelegate(QTableView *table, int typeColumn);
    void clearPanes();

    Ui::MainWindow *m_ui; // Owned.
    QSplitter *m_splitter = nullptr; // Not owned (child widget).
    Activities *m_activities = nullptr; // Not owned (child widget).
    ActivityDetails *m_details = nullptr; // Not owned (child widget).
    Resources *m_resources = nullptr; // Not owned (child widget).
    std::unique_ptr<LayoutTarget> m_layoutTarget; // Owned; built on first use.
    QMenu *m_outlineMenu = nullptr; // Not owned (child of the tool bar).
    QMenu *m_viewMenu = nullptr; // Not owned (child of the tool bar).
    QMenu *m_timeMenu = nullptr; // Not owned (child of the tool bar).
    QActionGroup *m_viewGroup = nullptr; // Not owned (child).
    QLineEdit *m_layoutNameEdit = nullptr; // Not owned (child).
    QPushButton *m_layoutSaveButton = nullptr; // Not owned (child).
    QHash<QString, QString> m_layouts; // Layout name to layout text; nothing fills it.
    QVector<P6Layout> m_p6Layouts;
    ProjectLoader *m_loader = nullptr; // Owned.
    QFuture<void> m_readFuture;
    bool m_loading = false;
    bool m_keysBeforeLoad = false;
    // The heap in use with no project yet, and what the window kept in use
    // beyond that once the last project had gone, with that project's
    // estimate; -1 until measured.
    qint64 m_idleHeapInUse = -1;
    qint64 m_keptHeap = 0;
    qint64 m_keptEstimate = 0;
    QPointer<LoadProgressDialog> m_progressDialog; // Not owned (deletes itself on close).
    QString m_outlineLevel;
    RecentList m_recentList;
    RecentList m_recentBeforeLoad; // The list as it was before the current read.
    QString m_idleTitle; // The title of a window without a project.
};
