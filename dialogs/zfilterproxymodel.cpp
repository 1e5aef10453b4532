#include "zfilterproxymodel.h"

ZFilterProxyModel::ZFilterProxyModel(QObject *parent)
    : QSortFilterProxyModel(parent)
{
}

Qt::ItemFlags ZFilterProxyModel::flags(const QModelIndex &index) const
{
    return QSortFilterProxyModel::flags(index) & ~Qt::ItemIsEditable;
}

void ZFilterProxyModel::setSearch(const QString &pattern)
{
    // A changed filter removes or inserts the rows it hides or shows range by
    // range, and each range moves the rest of the mapping: a search that
    // leaves scattered rows (a first character typed, the search cleared)
    // would be quadratic in the rows. A reset maps the rows again once.
    beginResetModel();
    m_search.setPattern(pattern);
    endResetModel();
}

bool ZFilterProxyModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (sourceRow == 0 && !sourceParent.isValid())
        return true;
    const QModelIndex index = sourceModel()->index(sourceRow, filterKeyColumn(), sourceParent);
    return index.data(filterRole()).toString().contains(m_search);
}
