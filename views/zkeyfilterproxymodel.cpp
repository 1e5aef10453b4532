#include "zkeyfilterproxymodel.h"

#include "columnreader.h"
#include "parallel.h"

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
    m_matchNone = false;
    m_key = key.toCaseFolded();
    m_acceptedRows.clear();
    if (!m_indexDirty && m_indexColumn == filterKeyColumn())
        findKeyRows();
    else
        m_indexDirty = true;
    invalidateFilter();
}

void ZKeyFilterProxyModel::setFilterNone()
{
    if (m_keyActive && m_matchNone)
        return;
    m_keyActive = true;
    m_matchNone = true;
    m_key.clear();
    m_acceptedRows.clear();
    invalidateFilter();
}

void ZKeyFilterProxyModel::clearFilterKey()
{
    if (!m_keyActive)
        return;
    m_keyActive = false;
    m_matchNone = false;
    m_acceptedRows.clear();
    invalidateFilter();
}

void ZKeyFilterProxyModel::markIndexDirty()
{
    m_indexDirty = true;
}

QString ZKeyFilterProxyModel::keyText(int sourceRow) const
{
    return sourceModel()
        ->index(sourceRow, m_indexColumn)
        .data(Qt::DisplayRole)
        .toString()
        .toCaseFolded();
}

void ZKeyFilterProxyModel::rebuildIndex() const
{
    m_bucketStart.clear();
    m_bucketRows.clear();
    m_bucketMask = 0;
    m_acceptedRows.clear();
    m_indexColumn = filterKeyColumn();
    m_indexDirty = false;
    const QAbstractItemModel *source = sourceModel();
    if (!source || m_indexColumn < 0 || m_indexColumn >= source->columnCount())
        return;
    const int rows = source->rowCount();
    if (rows <= 0)
        return;
    // At least as many buckets as rows: a bucket holds about one row.
    uint buckets = 1;
    while (buckets < uint(rows))
        buckets <<= 1;
    m_bucketMask = buckets - 1;
    QVector<uint> bucketOfRow(rows);
    m_bucketStart.fill(0, int(buckets) + 1);
    // A column read straight from its table may be read by several threads
    // at once: a large one is hashed in slices side by side on the pool.
    const ColumnReader reader(source, m_indexColumn);
    const uint mask = m_bucketMask;
    uint *shared = bucketOfRow.data();
    const auto hashRange = [&reader, mask, shared](const QPair<int, int> &range) {
        for (int r = range.first; r < range.second; ++r)
            shared[r] = qHash(reader.value(r).toString().toCaseFolded()) & mask;
    };
    if (reader.isDirect() && rows >= 16384) {
        parallelRuns(rows, runLength(rows), [&](int from, int to) { hashRange(qMakePair(from, to)); });
    } else {
        for (int r = 0; r < rows; ++r)
            bucketOfRow[r] = qHash(keyText(r)) & m_bucketMask;
    }
    for (int r = 0; r < rows; ++r)
        ++m_bucketStart[int(bucketOfRow.at(r)) + 1];
    for (int b = 1; b <= int(buckets); ++b)
        m_bucketStart[b] += m_bucketStart[b - 1];
    m_bucketRows.resize(rows);
    QVector<int> fill(m_bucketStart.cbegin(), m_bucketStart.cend() - 1);
    for (int r = 0; r < rows; ++r)
        m_bucketRows[fill[int(bucketOfRow.at(r))]++] = r;
    findKeyRows();
}

void ZKeyFilterProxyModel::findKeyRows() const
{
    m_acceptedRows.clear();
    if (m_bucketStart.isEmpty() || !sourceModel())
        return;
    const int bucket = int(qHash(m_key) & m_bucketMask);
    const int rows = sourceModel()->rowCount();
    for (int i = m_bucketStart.at(bucket); i < m_bucketStart.at(bucket + 1); ++i) {
        const int row = m_bucketRows.at(i);
        // Rows of the bucket whose text only shares the hash stay out.
        if (row < rows && keyText(row) == m_key)
            m_acceptedRows.insert(row);
    }
}

bool ZKeyFilterProxyModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (!m_keyActive || sourceParent.isValid())
        return QSortFilterProxyModel::filterAcceptsRow(sourceRow, sourceParent);
    if (m_matchNone)
        return false;
    if (m_indexDirty || m_indexColumn != filterKeyColumn())
        rebuildIndex();
    return m_acceptedRows.contains(sourceRow);
}
