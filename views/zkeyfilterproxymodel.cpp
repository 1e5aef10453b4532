#include "zkeyfilterproxymodel.h"

ZKeyFilterProxyModel::ZKeyFilterProxyModel(QObject *parent)
    : QSortFilterProxyModel(parent)
{
}

void ZKeyFilterProxyModel::setSourceModel(QAbstractItemModel *model)
{
    for (const QMetaObject::Connection &c : qAsConst(m_sourceConnections))
        disconnect(c);
    m_sourceConnections.clear();
    markIndexDirty();
    // Connected before the base proxy connects its own handlers, so that the
    // index is known to be stale before the base proxy filters changed rows.
    if (model) {
        using M = QAbstractItemModel;
        using P = ZKeyFilterProxyModel;
        m_sourceConnections = {
            connect(model, &M::rowsAboutToBeInserted, this, &P::markIndexDirty),
            connect(model, &M::rowsInserted, this, &P::markIndexDirty),
            connect(model, &M::rowsAboutToBeRemoved, this, &P::markIndexDirty),
            connect(model, &M::rowsRemoved, this, &P::markIndexDirty),
            connect(model, &M::rowsAboutToBeMoved, this, &P::markIndexDirty),
            connect(model, &M::rowsMoved, this, &P::markIndexDirty),
            connect(model, &M::modelAboutToBeReset, this, &P::markIndexDirty),
            connect(model, &M::modelReset, this, &P::markIndexDirty),
            connect(model, &M::layoutAboutToBeChanged, this, &P::markIndexDirty),
            connect(model, &M::layoutChanged, this, &P::markIndexDirty),
            connect(model, &M::dataChanged, this, &P::markIndexDirty),
            connect(model, &M::columnsInserted, this, &P::markIndexDirty),
            connect(model, &M::columnsRemoved, this, &P::markIndexDirty),
            connect(model, &M::columnsMoved, this, &P::markIndexDirty),
        };
    }
    QSortFilterProxyModel::setSourceModel(model);
}

void ZKeyFilterProxyModel::setFilterKey(const QString &key)
{
    m_keyActive = true;
    m_key = key.toCaseFolded();
    m_acceptedRows.clear();
    if (!m_indexDirty && m_indexColumn == filterKeyColumn()) {
        const QVector<int> rows = m_rowsByKey.value(m_key);
        m_acceptedRows = QSet<int>(rows.cbegin(), rows.cend());
    } else {
        m_indexDirty = true;
    }
    invalidateFilter();
}

void ZKeyFilterProxyModel::clearFilterKey()
{
    if (!m_keyActive)
        return;
    m_keyActive = false;
    m_acceptedRows.clear();
    invalidateFilter();
}

void ZKeyFilterProxyModel::markIndexDirty()
{
    m_indexDirty = true;
}

void ZKeyFilterProxyModel::rebuildIndex() const
{
    m_rowsByKey.clear();
    m_acceptedRows.clear();
    m_indexColumn = filterKeyColumn();
    m_indexDirty = false;
    const QAbstractItemModel *source = sourceModel();
    if (!source || m_indexColumn < 0 || m_indexColumn >= source->columnCount())
        return;
    const int rows = source->rowCount();
    m_rowsByKey.reserve(rows);
    for (int r = 0; r < rows; ++r) {
        const QString text = source->index(r, m_indexColumn).data(Qt::DisplayRole).toString();
        m_rowsByKey[text.toCaseFolded()].append(r);
    }
    const QVector<int> accepted = m_rowsByKey.value(m_key);
    m_acceptedRows = QSet<int>(accepted.cbegin(), accepted.cend());
}

bool ZKeyFilterProxyModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (!m_keyActive || sourceParent.isValid())
        return QSortFilterProxyModel::filterAcceptsRow(sourceRow, sourceParent);
    if (m_indexDirty || m_indexColumn != filterKeyColumn())
        rebuildIndex();
    return m_acceptedRows.contains(sourceRow);
}
