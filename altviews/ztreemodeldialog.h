#pragma once

#include "ztreemodeldialogform.h"

#include <QDialog>

class QAbstractItemModel;
class ZParentItemProxyModel;

// Shows a flat table as a tree built from an id column and a parent-id
// column.
class ZTreeModelDialog : public QDialog, public Ui::ZTreeModelDialog
{
    Q_OBJECT
public:
    ZTreeModelDialog(QAbstractItemModel *model, int idColumn, int parentIdColumn,
                     QWidget *parent = nullptr);

    void setColumnHidden(int column, bool hide);
    void setTreeColumn(int column);
    ZParentItemProxyModel *treeModel() const { return m_proxy; }
    // The texts of the last clicked column from the top level down.
    QStringList lastPath() const { return m_lastPath; }

public slots:
    void printIndex(const QModelIndex &index);

private:
    QAbstractItemModel *m_model = nullptr; // Not owned.
    int m_idColumn = -1;
    int m_parentIdColumn = -1;
    ZParentItemProxyModel *m_proxy = nullptr; // Child.
    QStringList m_lastPath;
};
