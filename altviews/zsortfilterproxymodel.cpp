#include "zsortfilterproxymodel.h"

ZSortFilterProxyModel::ZSortFilterProxyModel(QObject *parent)
    : QSortFilterProxyModel(parent)
{
}

void ZSortFilterProxyModel::setFilter(int column, const QStringList &values)
{
    m_filters.insert(column, values);
    invalidateFilter();
}

void ZSortFilterProxyModel::clearFilter(int column)
{
    m_filters.remove(column);
    invalidateFilter();
}

bool ZSortFilterProxyModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (m_filters.isEmpty())
        return QSortFilterProxyModel::filterAcceptsRow(sourceRow, sourceParent);
    const QAbstractItemModel *source = sourceModel();
    const QModelIndex key = source->index(sourceRow, filterKeyColumn(), sourceParent);
    if (!key.isValid())
        return QSortFilterProxyModel::filterAcceptsRow(sourceRow, sourceParent);
    const int children = source->rowCount(key);
    for (int c = 0; c < children; ++c) {
        if (filterAcceptsRow(c, key))
            return true;
    }
    for (auto it = m_filters.cbegin(); it != m_filters.cend(); ++it) {
        const QString text = source->index(sourceRow, it.key(), sourceParent).data().toString();
        if (!it.value().contains(text))
            return false;
    }
    return QSortFilterProxyModel::filterAcceptsRow(sourceRow, sourceParent);
}
