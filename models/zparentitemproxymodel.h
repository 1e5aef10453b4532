#pragma once

#include <QAbstractProxyModel>
#include <QList>
#include <QMap>
#include <QMetaObject>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QVector>

// From the source row of a parent (-1 for the top level) to the source rows of
// its children in display order.
using ParentStructure = QMap<int, QList<int>>;

// Turns a flat table (rows at the source root only) into a tree. Every source
// row stands at most once in the proxy, at the top level or under another
// source row, as the parent structure says. The structure is either built
// from two source columns (a row's id and its parent's id) or handed over
// ready-made. Columns pass through unchanged.
//
// A proxy index carries the item's source row as its internal id; a reverse
// map from source row to parent and position makes parent() and
// mapFromSource() constant-time.
//
// Structural changes of the source (rows or columns inserted, removed or
// moved, a reset, a change of the id or parent-id cells) are announced as one
// model reset, since the rebuilt tree may differ anywhere; a source layout
// change keeps the persistent indexes. Rows or columns under a valid source
// parent are outside this model and ignored. GUI thread only.
class ZParentItemProxyModel : public QAbstractProxyModel
{
    Q_OBJECT
public:
    explicit ZParentItemProxyModel(QObject *parent = nullptr);
    ~ZParentItemProxyModel() override;

    // Forgets the connected source and the columns; the structure stays.
    void init();

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    QModelIndex sibling(int row, int column, const QModelIndex &idx) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant &value,
                       int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Sorts the children of every parent, stably, by the display-role value
    // of the column.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    QModelIndex buddy(const QModelIndex &index) const override;
    void setSourceModel(QAbstractItemModel *sourceModel) override;
    QModelIndex mapToSource(const QModelIndex &proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex &sourceIndex) const override;

    // Builds the tree from the id and parent-id columns, inside a model reset.
    void setParentStructure(int idColumn, int parentIdColumn);
    // Installs a ready-made tree inside a model reset; the columns stay.
    // Rows that are no source rows, second listings of a row and rows not
    // reachable from the top level are left out.
    void setParentStructure(const ParentStructure &structure);
    ParentStructure parentStructure() const { return m_structure; }

    // Child source rows of a parent (-1 or an invalid index for the top level).
    QList<int> children(const QModelIndex &parent) const;
    QList<int> children(int parentRow) const;
    // The same, without a copy; valid until the structure changes.
    const QList<int> &childRows(int parentRow) const;
    // Parent source row of a source row; -1 at the top level or when the row
    // is not in the tree.
    int parentItem(int sourceRow) const;
    int itemFromIndex(const QModelIndex &index) const;
    // Number of valid ancestors; -1 for an invalid index.
    int level(const QModelIndex &index) const;
    // Number of levels of the tree: 0 when empty, 1 when flat.
    int depth() const;

    int idColumn() const { return m_idColumn; }
    int parentIdColumn() const { return m_parentIdColumn; }

public slots:
    // Rebuilds the tree from the columns, inside a model reset.
    void resetParentStructure();

private slots:
    void _q_sourceDataChanged(const QModelIndex &source_top_left,
                              const QModelIndex &source_bottom_right,
                              const QVector<int> &roles = QVector<int>());
    void _q_sourceHeaderDataChanged(Qt::Orientation orientation, int start, int end);
    void _q_sourceLayoutAboutToBeChanged(const QList<QPersistentModelIndex> &sourceParents,
                                         QAbstractItemModel::LayoutChangeHint hint);
    void _q_sourceLayoutChanged(const QList<QPersistentModelIndex> &sourceParents,
                                QAbstractItemModel::LayoutChangeHint hint);
    void _q_sourceRowsAboutToBeInserted(const QModelIndex &source_parent, int start, int end);
    void _q_sourceRowsInserted(const QModelIndex &source_parent, int start, int end);
    void _q_sourceRowsAboutToBeRemoved(const QModelIndex &source_parent, int start, int end);
    void _q_sourceRowsRemoved(const QModelIndex &source_parent, int start, int end);
    void _q_sourceColumnsAboutToBeInserted(const QModelIndex &source_parent, int start, int end);
    void _q_sourceColumnsInserted(const QModelIndex &source_parent, int start, int end);
    void _q_sourceColumnsAboutToBeRemoved(const QModelIndex &source_parent, int start, int end);
    void _q_sourceColumnsRemoved(const QModelIndex &source_parent, int start, int end);
    void _q_sourceAboutToBeReset();
    void _q_sourceReset();
    void _q_sourceRowsAboutToBeMoved(const QModelIndex &sourceParent, int sourceStart,
                                     int sourceEnd, const QModelIndex &destParent, int dest);
    void _q_sourceRowsMoved(const QModelIndex &sourceParent, int sourceStart, int sourceEnd,
                            const QModelIndex &destParent, int dest);
    void _q_sourceColumnsAboutToBeMoved(const QModelIndex &sourceParent, int sourceStart,
                                        int sourceEnd, const QModelIndex &destParent, int dest);
    void _q_sourceColumnsMoved(const QModelIndex &sourceParent, int sourceStart, int sourceEnd,
                               const QModelIndex &destParent, int dest);
    void _q_sourceDestroyed();

private:
    bool hasSource() const { return !m_connectedSource.isNull(); }
    void disconnectSource();
    void connectSource(QAbstractItemModel *model);
    // Computes the structure from the two columns (no signals).
    void rebuild();
    // Installs a structure, leaving out what cannot stand in a tree (no
    // signals).
    void adopt(const ParentStructure &structure);
    void beginStructureChange();
    void endStructureChange();
    bool touchesStructureColumns(int first, int last) const;

    ParentStructure m_structure;
    QPointer<QAbstractItemModel> m_connectedSource; // Not owned.
    QVector<QMetaObject::Connection> m_connections;
    int m_idColumn = -1;
    int m_parentIdColumn = -1;
    bool m_writeThrough = false;
    bool m_rebuildAfterWrite = false;
    bool m_writeAnnounced = false;
    bool m_resetPending = false;

    // Reverse of m_structure by source row: the parent key (-1 top level,
    // -2 not in the tree) and the position in the parent's child list.
    QVector<int> m_parentOf;
    QVector<int> m_positionOf;
    // The child lists of m_structure by parent source row + 1 (0: the top
    // level), sharing their data: index() and rowCount() are asked for every
    // row a view or a walk meets, and a map lookup each time costs a chain
    // of cache misses.
    QVector<QList<int>> m_childrenOf;
    void mirrorStructure();
    const QList<int> *childList(int parentRow) const
    {
        const int slot = parentRow + 1;
        return slot >= 0 && slot < m_childrenOf.size() ? &m_childrenOf.at(slot) : nullptr;
    }

    // Source indexes of the persistent proxy indexes across a source layout
    // change.
    QModelIndexList m_layoutProxyIndexes;
    QList<QPersistentModelIndex> m_layoutSourceIndexes;
};
