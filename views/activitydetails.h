#pragma once

#include <QModelIndex>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QWidget>

class Activities;
class MapHdrModel;
class QAbstractItemModel;
class QDataWidgetMapper;
class QLineEdit;
class QTabWidget;
class QTableView;
class QToolButton;
class ZDetailDelegate;
class ZKeyFilterProxyModel;

// The pane below the activities pane: name, dates and type of the current
// activity ("General"), its predecessors and successors ("Relationships";
// activating one makes it the current activity), its resource assignments
// ("Resources") and its activity codes ("Codes"). Every table lists the rows
// whose key column equals the activity's id exactly.
class ActivityDetails : public QWidget
{
    Q_OBJECT
public:
    explicit ActivityDetails(QWidget *parent = nullptr);
    ~ActivityDetails() override;

    void setActivityModel(QAbstractItemModel *model);
    void setPredecessorModel(QAbstractItemModel *model);
    void setResourceModel(QAbstractItemModel *model);
    void setCodesModel(QAbstractItemModel *model);
    // Accepted and not used.
    void setUserDefinedAssignmentModel(QAbstractItemModel *model);

    QTableView *resourcesView() const;
    // Detaches every table and the form from the models and deletes the
    // proxies made for them.
    void clearModels();

    // The activities pane that makes a related activity current. Not owned.
    QPointer<Activities> m_activities;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

public slots:
    void nextActivity();
    void previousActivity();
    void onRowChanged(const QModelIndex &current, const QModelIndex &previous);
    // The tree's rows changed (a filter, a sort, a reset): when the row on
    // show is gone from the tree, the pane shows no activity; else the
    // buttons follow its new neighbours.
    void onTreeRowsChanged();

private slots:
    void updateButtons(int row);
    void gotoPredecessor(const QModelIndex &index);
    void gotoSuccessor(const QModelIndex &index);

private:
    void setupForm();
    void createMapper();
    void createDetailMapping();
    // Ties the General tab's fields to the mapper's row.
    void mapFields();
    void gotoTask(int taskId);
    void showNoActivity();
    static QTableView *createTable(QWidget *parent, const QString &name);

    // The form; its widgets are children of the pane.
    QTabWidget *m_tabWidget = nullptr;
    QLineEdit *m_leName = nullptr;
    QLineEdit *m_leStart = nullptr;
    QLineEdit *m_leFinish = nullptr;
    QLineEdit *m_leTaskType = nullptr;
    QToolButton *m_tbPrevious = nullptr;
    QToolButton *m_tbNext = nullptr;
    QTableView *m_tblvwPred = nullptr;
    QTableView *m_tblvwSucc = nullptr;
    QTableView *m_tblResources = nullptr;
    QTableView *m_tblvwCodes = nullptr;

    QDataWidgetMapper *m_mapper = nullptr; // Owned (child).
    ZDetailDelegate *m_mapperDelegate = nullptr; // Owned (child).

    // Not owned; the loader deletes them, so they are guarded.
    QPointer<QAbstractItemModel> m_activityModel;
    QPointer<QAbstractItemModel> m_predecessorModel;
    QPointer<QAbstractItemModel> m_codesModel;
    QPointer<QAbstractItemModel> m_resourceModel;

    // Owned (children), deleted by clearModels.
    QPointer<MapHdrModel> m_predecessorProxy;
    QPointer<MapHdrModel> m_successorProxy;
    QPointer<ZKeyFilterProxyModel> m_codesProxy;
    QPointer<ZKeyFilterProxyModel> m_resourceProxy;

    // The tree row on show; invalid once the tree loses it.
    QPersistentModelIndex m_shownRow;
    bool m_showingRow = false;
    // The tree's current row while the pane is switched off: its tables are
    // filtered when it is shown, not on every move of a pane nobody sees.
    QPersistentModelIndex m_pendingRow;
    bool m_rowPending = false;
};
