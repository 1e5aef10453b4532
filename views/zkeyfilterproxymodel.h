#pragma once

#include <QHash>
#include <QMetaObject>
#include <QSet>
#include <QSortFilterProxyModel>
#include <QVector>

// A sort/filter proxy that lists the rows whose key column (the filter key
// column) reads exactly a given key, ignoring case: the key "12" never
// matches 112 or 120. The source rows are indexed by the hash of their key
// text once (again after any change of the source), so changing the key
// costs a look at the few rows of one hash bucket rather than a pass of text
// matching over every row. Without a key
// the base proxy's own filter applies. Top-level rows only are keyed.
class ZKeyFilterProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit ZKeyFilterProxyModel(QObject *parent = nullptr);

    void setSourceModel(QAbstractItemModel *model) override;

    void setFilterKey(const QString &key);
    // Lists no top-level row, without indexing the source: what a pane
    // shows before anything is chosen costs nothing on a large table.
    void setFilterNone();
    void clearFilterKey();
    bool hasFilterKey() const { return m_keyActive; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    void markIndexDirty();
    void rebuildIndex() const;
    // The rows of the index whose key text is the current key.
    void findKeyRows() const;
    QString keyText(int sourceRow) const;

    bool m_keyActive = false;
    bool m_matchNone = false;
    QString m_key; // Case-folded.
    QVector<QMetaObject::Connection> m_sourceConnections;
    mutable bool m_indexDirty = true;
    mutable int m_indexColumn = -1;
    // Source rows by the hash of their case-folded key text: the rows of
    // bucket b are m_bucketRows[m_bucketStart[b] .. m_bucketStart[b + 1]),
    // in ascending order. Without text in the index, a build stays one pass
    // of reads.
    mutable QVector<int> m_bucketStart;
    mutable QVector<int> m_bucketRows;
    mutable uint m_bucketMask = 0;
    mutable QSet<int> m_acceptedRows;
};
