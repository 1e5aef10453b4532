#include "zindexlistmodel.h"

ZIndexListModel::ZIndexListModel(QObject *parent)
    : QAbstractListModel(parent)
{
}

ZIndexListModel::ZIndexListModel(const QList<QModelIndex> &indexes, QObject *parent)
    : QAbstractListModel(parent)
{
    for (const QModelIndex &index : indexes)
        m_indexes.append(index);
}

QList<QModelIndex> ZIndexListModel::indexList() const
{
    QList<QModelIndex> list;
    list.reserve(m_indexes.size());
    for (const QPersistentModelIndex &index : m_indexes)
        list.append(index);
    return list;
}

void ZIndexListModel::setIndexList(const QList<QModelIndex> &indexes)
{
    emit layoutAboutToBeChanged();
    // Rows change wholesale: every index of this model is now stale.
    const QModelIndexList old = persistentIndexList();
    m_indexes.clear();
    for (const QModelIndex &index : indexes)
        m_indexes.append(index);
    QModelIndexList none;
    for (int i = 0; i < old.size(); ++i)
        none.append(QModelIndex());
    changePersistentIndexList(old, none);
    emit layoutChanged();
}

int ZIndexListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_indexes.size();
}

int ZIndexListModel::columnCount(const QModelIndex &parent) const
{
    if (parent.isValid() || m_indexes.isEmpty())
        return 0;
    const QPersistentModelIndex &first = m_indexes.first();
    if (!first.isValid() || !first.model())
        return 0;
    return first.model()->columnCount(QModelIndex());
}

QModelIndex ZIndexListModel::sibling(int row, int column, const QModelIndex &index) const
{
    if (!index.isValid() || row >= m_indexes.size())
        return {};
    return this->index(row, column);
}

QModelIndex ZIndexListModel::mapToSource(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != this || index.row() >= m_indexes.size())
        return {};
    const QPersistentModelIndex &listed = m_indexes.at(index.row());
    if (!listed.isValid())
        return {};
    return listed.model()->index(listed.row(), index.column(), listed.parent());
}

QVariant ZIndexListModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    const QModelIndex source = mapToSource(index);
    if (!source.isValid())
        return {};
    return source.model()->data(source, role);
}

Qt::ItemFlags ZIndexListModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractListModel::flags(index);
    if (index.isValid())
        f |= Qt::ItemIsEditable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
    else
        f |= Qt::ItemIsDropEnabled;
    return f;
}
