#include "ztreemodeldialog.h"

#include "zparentitemproxymodel.h"

ZTreeModelDialog::ZTreeModelDialog(QAbstractItemModel *model, int idColumn, int parentIdColumn,
                                   QWidget *parent)
    : QDialog(parent)
    , m_model(model)
    , m_idColumn(idColumn)
    , m_parentIdColumn(parentIdColumn)
{
    setupUi(this);
    m_proxy = new ZParentItemProxyModel(this);
    m_proxy->setSourceModel(model);
    m_proxy->setParentStructure(idColumn, parentIdColumn);
    treeView->setModel(m_proxy);
    connect(treeView, &QTreeView::clicked, this, &ZTreeModelDialog::printIndex);
}

void ZTreeModelDialog::setColumnHidden(int column, bool hide)
{
    treeView->setColumnHidden(column, hide);
}

void ZTreeModelDialog::setTreeColumn(int column)
{
    treeView->setTreePosition(column);
}

void ZTreeModelDialog::printIndex(const QModelIndex &index)
{
    QStringList path;
    for (QModelIndex current = index; current.isValid(); current = current.parent())
        path.prepend(current.sibling(current.row(), index.column()).data().toString());
    m_lastPath = path;
}
