#include "zfilterproxymodel.h"

ZFilterProxyModel::ZFilterProxyModel(QObject *parent)
    : QSortFilterProxyModel(parent)
{
}

Qt::ItemFlags ZFilterProxyModel::flags(const QModelIndex &index) const
{
    return QSortFilterProxyModel::flags(index) & ~Qt::ItemIsEditable;
}

bool ZFilterProxyModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (sourceRow == 0 && !sourceParent.isValid())
        return true;
    return QSortFilterProxyModel::filterAcceptsRow(sourceRow, sourceParent);
}
