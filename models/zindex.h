#pragma once

#include "znode.h"
#include "zvariant.h"

#include <QHash>
#include <QList>
#include <QModelIndex>
#include <QPair>
#include <QString>
#include <QVariant>

#include <functional>
#include <map>
#include <set>

class QAbstractItemModel;
class QStandardItem;
class QStandardItemModel;

// A group-by index: the top-level rows of a model collected by the value of
// one column. Every distinct value (key) gets a ZNode holding its rows, an
// optional parent key and a value to show. Keys may form a tree, either from a
// structure table (createStructure) or from the product of two indexes
// (cross).
//
// Keys are ordered by compareVariants, the one variant ordering of the
// program, which is why the index is a std::map with that ordering rather
// than a QMap (whose ordering would be QVariant's own operator<). Iterate it
// like any std::map ("for (const auto &[key, node] : index)") or through the
// QMap-like helpers keys(), value(), contains() and count().
//
// Indexes are values: copies carry the nodes, the model, the column and the
// child lists. An index never owns its model. Not thread-safe; build and use
// it on the thread that owns the source model.
class ZIndex : public std::map<QVariant, ZNode, VariantLess>
{
public:
    using Map = std::map<QVariant, ZNode, VariantLess>;

    explicit ZIndex(const QAbstractItemModel *model = nullptr, int column = -1);
    ZIndex(const ZIndex &) = default;
    ZIndex(ZIndex &&) = default;
    ZIndex &operator=(const ZIndex &) = default;
    ZIndex &operator=(ZIndex &&) = default;
    virtual ~ZIndex();

    // Creates the nodes and parent links of a key tree from the rows of a
    // structure table (display role of each cell). Call before group(). The
    // order of the rows does not matter: a row listed before its parent still
    // ends up under it, and a loop of parent links is cut.
    virtual void createStructure(QAbstractItemModel *model, int keyColumn, int parentColumn,
                                 int displayColumn);
    // The key of a cell: its data under the role.
    virtual QVariant itemValue(const QModelIndex &index, int role) const;
    // What a key that group() meets for the first time shows: the key itself.
    virtual QVariant displayValue(const QVariant &key) const;

    // Fills the row sets from the top-level rows of the source model; a cell
    // whose key is invalid leaves its row out.
    void group(int role = Qt::DisplayRole);

    // Links key (created if absent) under parent: key stands once at the end
    // of parent's child list. The list of a previous parent keeps it. Parent
    // links are made here only (not by writing a node's parent), so that
    // linking n children takes time in proportion to n.
    void setParent(const QVariant &key, const QVariant &parent);
    // Removes key and every reference to it in the child lists.
    void removeNode(const QVariant &key);
    // Every node deeper than level (top-level nodes have depth 1) hands its
    // rows to its ancestor at that depth and disappears. Nothing for level < 1.
    void collapseToLevel(int level);
    // Keeps one row per distinct date (display-role data of the key column
    // read as a date) in every node.
    void makeChildrenUnique();
    // Writes the key tree as checked, checkable items (display; key under
    // Qt::UserRole). With withRows, leaves get one child item per row, in
    // ascending order of the row's cell.
    void toModel(QStandardItemModel *model, bool withRows) const;
    // Sum of the sizes of all row sets.
    int totalRows() const;
    // Appends item as the last row of the pair's item.
    void addNewItem(QPair<QVariant, QStandardItem *> parent, QStandardItem *item) const;

    // QMap-like helpers.
    bool contains(const QVariant &key) const { return find(key) != end(); }
    ZNode value(const QVariant &key) const;
    QList<QVariant> keys() const;
    int count() const { return int(size()); }
    bool isLeaf(const QVariant &key) const { return !childKeys.contains(key.toString()); }

    const QAbstractItemModel *model = nullptr; // Not owned.
    int column = -1;
    // Text of a parent key (QVariant::toString) to the keys of its children in
    // the order they were linked. A key without an entry is a leaf.
    QHash<QString, QList<QVariant>> childKeys;

protected:
    // Recursive step of collapseToLevel: key sits at depth.
    void collapseToLevelHelper(const QVariant &key, int depth, int level);
    // createStructure over the rows for which accept(row) holds.
    void buildStructure(QAbstractItemModel *model, int keyColumn, int parentColumn,
                        int displayColumn, const std::function<bool(int)> &accept);

private:
    // Keys that were linked under more than one parent: the lists of their
    // earlier parents may still hold them.
    std::set<QVariant, VariantLess> m_relinked;

    void collapseStep(const QVariant &key, int depth, int level, QSet<QString> &visited,
                      QSet<QString> &removed);
    // Cuts every loop of parent links at the key whose link, in the order
    // given (the structure table's rows), closes it.
    void cutParentLoops(const QVector<QPair<QVariant, QVariant>> &links);
};

// The product of two indexes: every leaf of a gets, under the combined key
// "<a key>x<b key>" (a text), the nodes of b that share rows with it, or, when
// b has parent links, a copy of b's whole tree; the leaf's rows move into the
// combined nodes.
ZIndex cross(const ZIndex &a, const ZIndex &b);

// Hash of a variant for hashed sets of variants.
uint qHash(const QVariant &v, uint seed = 0);
