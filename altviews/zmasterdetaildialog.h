#pragma once

#include "zmasterdetaildialogform.h"

#include <QDialog>

class QAbstractItemModel;
class QSortFilterProxyModel;
class ZParentItemProxyModel;

// A master model in a combo box (showing its column 1) and a detail model as
// a tree below it; choosing a master row shows the detail rows whose column
// 0 contains the master row's column 0 text, in any case. The detail starts
// unfiltered.
class ZMasterDetailDialog : public QDialog, public Ui::ZMasterDetailDialog
{
    Q_OBJECT
public:
    ZMasterDetailDialog(QAbstractItemModel *master, QAbstractItemModel *detail,
                        QWidget *parent = nullptr);

    void setParentStructure(int idColumn, int parentIdColumn);
    void setColumnHidden(int column, bool hide);
    void setTreeColumn(int column);
    QSortFilterProxyModel *filterModel() const { return m_filter; }

public slots:
    void comboIndexChanged(int row);

private:
    QAbstractItemModel *m_master = nullptr; // Not owned.
    QAbstractItemModel *m_detail = nullptr; // Not owned.
    ZParentItemProxyModel *m_tree = nullptr;  // Child.
    QSortFilterProxyModel *m_filter = nullptr; // Child.
};
