#pragma once

#include <QPointer>
#include <QWidget>

class QAbstractItemModel;
class QTableView;
class ZFilterDialogProxyModel;
class ZSortFilterHeader;
class ZHeaderFilterBox;

// The page that lists the resource assignments of the loaded project in one
// table, with the column filters and sort marks of the activity tree.
class Resources : public QWidget
{
    Q_OBJECT
public:
    explicit Resources(QWidget *parent = nullptr);
    ~Resources() override;

    // Shows the model through a new filter proxy with a new header filter
    // box; those of the previous model are deleted. Null changes nothing.
    void setModel(QAbstractItemModel *model);

    QTableView *tableView() const;
    ZFilterDialogProxyModel *filterModel() const;
    QAbstractItemModel *model() const;

private:
    void dropSortFilterWidget();

    QTableView *m_tableView = nullptr;        // Owned (child).
    ZSortFilterHeader *m_header = nullptr;    // Owned (child).
    QPointer<ZFilterDialogProxyModel> m_proxy;   // Owned (child).
    QPointer<ZHeaderFilterBox> m_sortFilterWidget; // Owned (child, or deleted later).
};
