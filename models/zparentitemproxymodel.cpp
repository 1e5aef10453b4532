#include "zparentitemproxymodel.h"

#include "modelhelpers.h"
#include "modelslogging.h"
#include "zvariant.h"

#include <algorithm>
#include <map>
#include <vector>

namespace {
constexpr int NotInTree = -2;
}

ZParentItemProxyModel::ZParentItemProxyModel(QObject *parent)
    : QAbstractProxyModel(parent)
{
}

ZParentItemProxyModel::~ZParentItemProxyModel()
{
    disconnectSource();
}

void ZParentItemProxyModel::init()
{
    disconnectSource();
    m_connectedSource = nullptr;
    m_idColumn = -1;
    m_parentIdColumn = -1;
    m_writeThrough = false;
}

// ---------------------------------------------------------------------------
// Structure

QList<int> ZParentItemProxyModel::children(const QModelIndex &parent) const
{
    return children(parent.isValid() ? int(parent.internalId()) : -1);
}

const QList<int> &ZParentItemProxyModel::childRows(int parentRow) const
{
    static const QList<int> none;
    const QList<int> *list = childList(parentRow);
    return list ? *list : none;
}

QList<int> ZParentItemProxyModel::children(int parentRow) const
{
    const QList<int> *list = childList(parentRow);
    return list ? *list : QList<int>();
}

int ZParentItemProxyModel::parentItem(int sourceRow) const
{
    if (sourceRow < 0 || sourceRow >= m_parentOf.size())
        return -1;
    const int p = m_parentOf.at(sourceRow);
    return p == NotInTree ? -1 : p;
}

int ZParentItemProxyModel::itemFromIndex(const QModelIndex &index) const
{
    return index.isValid() ? int(index.internalId()) : -1;
}

int ZParentItemProxyModel::level(const QModelIndex &index) const
{
    if (!index.isValid())
        return -1;
    int depth = 0;
    int p = parentItem(int(index.internalId()));
    while (p >= 0) {
        ++depth;
        p = parentItem(p);
    }
    return depth;
}

int ZParentItemProxyModel::depth() const
{
    // Level by level from the top; every row stands once in the tree.
    int levels = 0;
    std::vector<int> current;
    if (const QList<int> *top = childList(-1))
        current.assign(top->cbegin(), top->cend());
    std::vector<int> next;
    while (!current.empty()) {
        ++levels;
        next.clear();
        for (const int row : current) {
            if (const QList<int> *children = childList(row))
                next.insert(next.end(), children->cbegin(), children->cend());
        }
        current.swap(next);
    }
    return levels;
}

void ZParentItemProxyModel::setParentStructure(int idColumn, int parentIdColumn)
{
    beginResetModel();
    m_idColumn = idColumn;
    m_parentIdColumn = parentIdColumn;
    rebuild();
    endResetModel();
}

void ZParentItemProxyModel::setParentStructure(const ParentStructure &structure)
{
    beginResetModel();
    adopt(structure);
    endResetModel();
}

void ZParentItemProxyModel::resetParentStructure()
{
    beginResetModel();
    rebuild();
    endResetModel();
}

void ZParentItemProxyModel::rebuild()
{
    if (!hasSource()) {
        adopt(ParentStructure());
        return;
    }
    const QAbstractItemModel *source = m_connectedSource.data();
    const int rows = source->rowCount();

    // First pass: every row's id; a later row with an equal id wins. A row
    // without an id gets a substitute number of its own.
    std::map<QVariant, int, VariantLess> ids;
    int recorded = 0;
    for (int r = 0; r < rows; ++r) {
        const QModelIndex cell = source->index(r, m_idColumn);
        if (!cell.isValid())
            continue;
        QVariant id = cell.data();
        if (id.isNull())
            id = -(recorded + 1);
        ++recorded;
        ids[id] = r;
    }

    // Second pass: every row's parent row, found through its parent id.
    std::vector<int> parentRow(size_t(rows), -1);
    if (!ids.empty()) {
        for (int r = 0; r < rows; ++r) {
            const QModelIndex cell = source->index(r, m_parentIdColumn);
            if (!cell.isValid())
                continue;
            const auto found = ids.find(cell.data());
            if (found != ids.end() && found->second != r)
                parentRow[size_t(r)] = found->second;
        }
    }

    // A loop of parent ids (a row under itself through others) would hide
    // its rows from the tree: it is cut where the rows, read in order, first
    // close it, so its last row goes to the top level instead.
    for (int row : parentLoopCuts(parentRow))
        parentRow[size_t(row)] = -1;

    ParentStructure structure;
    for (int r = 0; r < rows; ++r)
        structure[parentRow[size_t(r)]].append(r);
    adopt(structure);
}

void ZParentItemProxyModel::adopt(const ParentStructure &structure)
{
    const int rows = hasSource() ? m_connectedSource->rowCount() : 0;
    // Made anew, not refilled: a smaller source (none, after a Close) keeps
    // no room of a larger one.
    m_parentOf = QVector<int>(rows, NotInTree);
    m_positionOf = QVector<int>(rows, -1);
    m_structure.clear();

    // A row stands under the first parent, in ascending key order, that
    // lists it, and only once there.
    for (auto it = structure.cbegin(); it != structure.cend(); ++it) {
        const int key = it.key();
        if (key != -1 && (key < 0 || key >= rows))
            continue;
        QList<int> kept;
        kept.reserve(it.value().size());
        for (int row : it.value()) {
            if (row < 0 || row >= rows || row == key || m_parentOf.at(row) != NotInTree)
                continue;
            m_parentOf[row] = key;
            kept.append(row);
        }
        if (!kept.isEmpty())
            m_structure.insert(key, kept);
    }

    // Only what hangs from the top level is in the tree; a parent that is
    // itself in no list takes its children out with it.
    std::vector<char> reached(size_t(rows), 0);
    std::vector<int> pending;
    for (int row : m_structure.value(-1))
        pending.push_back(row);
    while (!pending.empty()) {
        const int row = pending.back();
        pending.pop_back();
        reached[size_t(row)] = 1;
        const auto childIt = m_structure.constFind(row);
        if (childIt != m_structure.constEnd()) {
            for (int child : childIt.value())
                pending.push_back(child);
        }
    }
    for (auto it = m_structure.begin(); it != m_structure.end();) {
        if (it.key() != -1 && !reached[size_t(it.key())]) {
            for (int row : qAsConst(it.value()))
                m_parentOf[row] = NotInTree;
            it = m_structure.erase(it);
        } else {
            ++it;
        }
    }
    for (auto it = m_structure.cbegin(); it != m_structure.cend(); ++it) {
        const QList<int> &list = it.value();
        for (int i = 0; i < list.size(); ++i)
            m_positionOf[list.at(i)] = i;
    }
    mirrorStructure();
}

void ZParentItemProxyModel::mirrorStructure()
{
    m_childrenOf = QVector<QList<int>>(m_parentOf.size() + 1);
    for (auto it = m_structure.cbegin(); it != m_structure.cend(); ++it) {
        const int slot = it.key() + 1;
        if (slot >= 0 && slot < m_childrenOf.size())
            m_childrenOf[slot] = it.value();
    }
}

// ---------------------------------------------------------------------------
// Model interface

QModelIndex ZParentItemProxyModel::index(int row, int column, const QModelIndex &parent) const
{
    if (row < 0 || column < 0 || column >= columnCount(parent))
        return QModelIndex();
    if (parent.isValid() && parent.column() != 0)
        return QModelIndex();
    const QList<int> *list = childList(parent.isValid() ? int(parent.internalId()) : -1);
    if (!list || row >= list->size())
        return QModelIndex();
    return createIndex(row, column, quintptr(list->at(row)));
}

QModelIndex ZParentItemProxyModel::parent(const QModelIndex &child) const
{
    if (!child.isValid())
        return QModelIndex();
    const int p = parentItem(int(child.internalId()));
    if (p < 0)
        return QModelIndex();
    return createIndex(m_positionOf.at(p), 0, quintptr(p));
}

QModelIndex ZParentItemProxyModel::sibling(int row, int column, const QModelIndex &idx) const
{
    if (!idx.isValid())
        return QModelIndex();
    if (row == idx.row() && column == idx.column())
        return idx;
    return index(row, column, parent(idx));
}

int ZParentItemProxyModel::rowCount(const QModelIndex &parent) const
{
    if (!hasSource())
        return 0;
    // Children hang from the first column only, as views and proxies expect.
    if (parent.isValid() && parent.column() != 0)
        return 0;
    const QList<int> *list = childList(parent.isValid() ? int(parent.internalId()) : -1);
    return list ? list->size() : 0;
}

int ZParentItemProxyModel::columnCount(const QModelIndex &) const
{
    return hasSource() ? m_connectedSource->columnCount() : 0;
}

bool ZParentItemProxyModel::hasChildren(const QModelIndex &parent) const
{
    return rowCount(parent) > 0;
}

QVariant ZParentItemProxyModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !hasSource())
        return QVariant();
    return m_connectedSource->data(mapToSource(index), role);
}

bool ZParentItemProxyModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!hasSource())
        return false;
    const QModelIndex source = mapToSource(index);
    if (!source.isValid())
        return false;
    m_writeThrough = true;
    m_rebuildAfterWrite = false;
    m_writeAnnounced = false;
    const bool written = m_connectedSource->setData(source, value, role);
    m_writeThrough = false;
    // A source whose signals are blocked (the activity model is handed over
    // so) says nothing of the write: the views above still need to hear of it.
    if (written && !m_writeAnnounced && !m_rebuildAfterWrite)
        emit dataChanged(index, index);
    // A write into the id or parent-id column changes the tree; rebuild once
    // the source has finished its own work.
    if (m_rebuildAfterWrite) {
        m_rebuildAfterWrite = false;
        resetParentStructure();
    }
    return written;
}

QVariant ZParentItemProxyModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (!hasSource())
        return QVariant();
    return m_connectedSource->headerData(section, orientation, role);
}

bool ZParentItemProxyModel::setHeaderData(int section, Qt::Orientation orientation,
                                          const QVariant &value, int role)
{
    if (!hasSource())
        return false;
    return m_connectedSource->setHeaderData(section, orientation, value, role);
}

Qt::ItemFlags ZParentItemProxyModel::flags(const QModelIndex &index) const
{
    if (!hasSource())
        return Qt::NoItemFlags;
    return m_connectedSource->flags(mapToSource(index));
}

QModelIndex ZParentItemProxyModel::buddy(const QModelIndex &index) const
{
    return index;
}

QModelIndex ZParentItemProxyModel::mapToSource(const QModelIndex &proxyIndex) const
{
    if (!proxyIndex.isValid())
        return QModelIndex();
    if (proxyIndex.model() != this) {
        qCWarning(lcModels) << "ZParentItemProxyModel: index from wrong model passed to mapToSource";
        return QModelIndex();
    }
    if (proxyIndex.internalId() == quintptr(-1)) {
        qCWarning(lcModels) << "ZParentItemProxyModel::mapToSource invalid source row";
        return QModelIndex();
    }
    if (!hasSource())
        return QModelIndex();
    return m_connectedSource->index(int(proxyIndex.internalId()), proxyIndex.column());
}

QModelIndex ZParentItemProxyModel::mapFromSource(const QModelIndex &sourceIndex) const
{
    if (!sourceIndex.isValid() || !hasSource() || sourceIndex.model() != m_connectedSource
        || sourceIndex.parent().isValid())
        return QModelIndex();
    const int row = sourceIndex.row();
    if (row >= m_parentOf.size() || m_parentOf.at(row) == NotInTree)
        return QModelIndex();
    return createIndex(m_positionOf.at(row), sourceIndex.column(), quintptr(row));
}

void ZParentItemProxyModel::sort(int column, Qt::SortOrder order)
{
    if (!hasSource() || column < 0 || column >= columnCount())
        return;
    emit layoutAboutToBeChanged(QList<QPersistentModelIndex>(),
                                QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();

    const QAbstractItemModel *source = m_connectedSource.data();
    for (auto it = m_structure.begin(); it != m_structure.end(); ++it) {
        QList<int> &list = it.value();
        std::vector<std::pair<QVariant, int>> keyed;
        keyed.reserve(size_t(list.size()));
        for (int row : qAsConst(list))
            keyed.emplace_back(source->index(row, column).data(), row);
        if (order == Qt::AscendingOrder) {
            std::stable_sort(keyed.begin(), keyed.end(), [](const auto &a, const auto &b) {
                return compareVariants(a.first, b.first) < 0;
            });
        } else {
            std::stable_sort(keyed.begin(), keyed.end(), [](const auto &a, const auto &b) {
                return compareVariants(a.first, b.first) > 0;
            });
        }
        for (int i = 0; i < list.size(); ++i) {
            list[i] = keyed[size_t(i)].second;
            m_positionOf[list[i]] = i;
        }
    }

    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &index : before) {
        const int row = int(index.internalId());
        after.append(createIndex(m_positionOf.value(row, index.row()), index.column(),
                                 index.internalId()));
    }
    mirrorStructure();
    changePersistentIndexList(before, after);
    emit layoutChanged(QList<QPersistentModelIndex>(), QAbstractItemModel::VerticalSortHint);
}

// ---------------------------------------------------------------------------
// Source

void ZParentItemProxyModel::setSourceModel(QAbstractItemModel *model)
{
    if (!model)
        return;
    beginResetModel();
    disconnectSource();
    m_connectedSource = model;
    QAbstractProxyModel::setSourceModel(model);
    connectSource(model);
    rebuild();
    endResetModel();
}

void ZParentItemProxyModel::disconnectSource()
{
    for (const QMetaObject::Connection &connection : qAsConst(m_connections))
        disconnect(connection);
    m_connections.clear();
}

void ZParentItemProxyModel::connectSource(QAbstractItemModel *model)
{
    using M = QAbstractItemModel;
    using P = ZParentItemProxyModel;
    m_connections = {
        connect(model, &M::dataChanged, this, &P::_q_sourceDataChanged),
        connect(model, &M::headerDataChanged, this, &P::_q_sourceHeaderDataChanged),
        connect(model, &M::rowsAboutToBeInserted, this, &P::_q_sourceRowsAboutToBeInserted),
        connect(model, &M::rowsInserted, this, &P::_q_sourceRowsInserted),
        connect(model, &M::rowsRemoved, this, &P::_q_sourceRowsRemoved),
        connect(model, &M::rowsAboutToBeRemoved, this, &P::_q_sourceRowsAboutToBeRemoved),
        connect(model, &M::rowsAboutToBeMoved, this, &P::_q_sourceRowsAboutToBeMoved),
        connect(model, &M::rowsMoved, this, &P::_q_sourceRowsMoved),
        connect(model, &M::columnsAboutToBeRemoved, this, &P::_q_sourceColumnsAboutToBeRemoved),
        connect(model, &M::columnsAboutToBeInserted, this, &P::_q_sourceColumnsAboutToBeInserted),
        connect(model, &M::columnsInserted, this, &P::_q_sourceColumnsInserted),
        connect(model, &M::columnsRemoved, this, &P::_q_sourceColumnsRemoved),
        connect(model, &M::columnsAboutToBeMoved, this, &P::_q_sourceColumnsAboutToBeMoved),
        connect(model, &M::columnsMoved, this, &P::_q_sourceColumnsMoved),
        connect(model, &M::layoutAboutToBeChanged, this, &P::_q_sourceLayoutAboutToBeChanged),
        connect(model, &M::layoutChanged, this, &P::_q_sourceLayoutChanged),
        connect(model, &M::modelAboutToBeReset, this, &P::_q_sourceAboutToBeReset),
        connect(model, &M::modelReset, this, &P::_q_sourceReset),
        connect(model, &QObject::destroyed, this, &P::_q_sourceDestroyed),
    };
}

void ZParentItemProxyModel::beginStructureChange()
{
    if (m_resetPending)
        return;
    m_resetPending = true;
    beginResetModel();
}

void ZParentItemProxyModel::endStructureChange()
{
    // A completion without its announcement (a source that sent only the
    // second signal) still gets a whole reset.
    if (!m_resetPending)
        beginResetModel();
    m_resetPending = false;
    rebuild();
    endResetModel();
}

bool ZParentItemProxyModel::touchesStructureColumns(int first, int last) const
{
    auto within = [&](int column) { return column >= 0 && column >= first && column <= last; };
    return within(m_idColumn) || within(m_parentIdColumn);
}

void ZParentItemProxyModel::_q_sourceDataChanged(const QModelIndex &source_top_left,
                                                 const QModelIndex &source_bottom_right,
                                                 const QVector<int> &roles)
{
    if (m_writeThrough)
        m_writeAnnounced = true;
    if (m_resetPending || !source_top_left.isValid() || !source_bottom_right.isValid()
        || source_top_left.parent().isValid())
        return;
    const int firstColumn = source_top_left.column();
    const int lastColumn = source_bottom_right.column();
    if (touchesStructureColumns(firstColumn, lastColumn)) {
        if (m_writeThrough)
            m_rebuildAfterWrite = true;
        else
            resetParentStructure();
        return;
    }
    // The rows of the source range may stand under different parents here:
    // announce each run of neighbours under one parent on its own.
    const int lastRow = std::min(source_bottom_right.row(), m_parentOf.size() - 1);
    int runParent = NotInTree;
    int runFirst = -1;
    int runLast = -1;
    auto flush = [&]() {
        if (runParent == NotInTree)
            return;
        const QModelIndex parentIndex = runParent < 0
                ? QModelIndex()
                : createIndex(m_positionOf.at(runParent), 0, quintptr(runParent));
        emit dataChanged(index(runFirst, firstColumn, parentIndex),
                         index(runLast, lastColumn, parentIndex), roles);
        runParent = NotInTree;
    };
    for (int row = source_top_left.row(); row <= lastRow; ++row) {
        const int p = m_parentOf.at(row);
        if (p == NotInTree) {
            flush();
            continue;
        }
        const int position = m_positionOf.at(row);
        if (p == runParent && position == runLast + 1) {
            runLast = position;
            continue;
        }
        flush();
        runParent = p;
        runFirst = runLast = position;
    }
    flush();
}

void ZParentItemProxyModel::_q_sourceHeaderDataChanged(Qt::Orientation orientation, int start,
                                                       int end)
{
    emit headerDataChanged(orientation, start, end);
}

void ZParentItemProxyModel::_q_sourceLayoutAboutToBeChanged(
        const QList<QPersistentModelIndex> &sourceParents, QAbstractItemModel::LayoutChangeHint hint)
{
    Q_UNUSED(sourceParents)
    Q_UNUSED(hint)
    // The tree is rebuilt afterwards, so the whole proxy changes its layout.
    emit layoutAboutToBeChanged();
    m_layoutProxyIndexes = persistentIndexList();
    m_layoutSourceIndexes.clear();
    m_layoutSourceIndexes.reserve(m_layoutProxyIndexes.size());
    for (const QModelIndex &proxyIndex : qAsConst(m_layoutProxyIndexes))
        m_layoutSourceIndexes.append(QPersistentModelIndex(mapToSource(proxyIndex)));
}

void ZParentItemProxyModel::_q_sourceLayoutChanged(const QList<QPersistentModelIndex> &sourceParents,
                                                   QAbstractItemModel::LayoutChangeHint hint)
{
    Q_UNUSED(sourceParents)
    Q_UNUSED(hint)
    rebuild();
    QModelIndexList moved;
    moved.reserve(m_layoutSourceIndexes.size());
    for (const QPersistentModelIndex &source : qAsConst(m_layoutSourceIndexes))
        moved.append(mapFromSource(source));
    changePersistentIndexList(m_layoutProxyIndexes, moved);
    m_layoutProxyIndexes.clear();
    m_layoutSourceIndexes.clear();
    emit layoutChanged();
}

void ZParentItemProxyModel::_q_sourceRowsAboutToBeInserted(const QModelIndex &source_parent, int,
                                                           int)
{
    if (!source_parent.isValid())
        beginStructureChange();
}

void ZParentItemProxyModel::_q_sourceRowsInserted(const QModelIndex &source_parent, int, int)
{
    if (source_parent.isValid())
        return;
    qCDebug(lcModels) << "_q_sourceRowsInserted called by" << m_connectedSource.data();
    endStructureChange();
}

void ZParentItemProxyModel::_q_sourceRowsAboutToBeRemoved(const QModelIndex &source_parent, int, int)
{
    if (!source_parent.isValid())
        beginStructureChange();
}

void ZParentItemProxyModel::_q_sourceRowsRemoved(const QModelIndex &source_parent, int, int)
{
    if (!source_parent.isValid())
        endStructureChange();
}

void ZParentItemProxyModel::_q_sourceColumnsAboutToBeInserted(const QModelIndex &source_parent,
                                                              int, int)
{
    if (!source_parent.isValid())
        beginStructureChange();
}

void ZParentItemProxyModel::_q_sourceColumnsInserted(const QModelIndex &source_parent, int, int)
{
    if (!source_parent.isValid())
        endStructureChange();
}

void ZParentItemProxyModel::_q_sourceColumnsAboutToBeRemoved(const QModelIndex &source_parent,
                                                             int, int)
{
    if (!source_parent.isValid())
        beginStructureChange();
}

void ZParentItemProxyModel::_q_sourceColumnsRemoved(const QModelIndex &source_parent, int, int)
{
    if (!source_parent.isValid())
        endStructureChange();
}

void ZParentItemProxyModel::_q_sourceAboutToBeReset()
{
    beginStructureChange();
}

void ZParentItemProxyModel::_q_sourceReset()
{
    endStructureChange();
}

void ZParentItemProxyModel::_q_sourceRowsAboutToBeMoved(const QModelIndex &sourceParent, int, int,
                                                        const QModelIndex &destParent, int)
{
    qCDebug(lcModels) << "_q_sourceRowsAboutToBeMoved called";
    if (!sourceParent.isValid() || !destParent.isValid())
        beginStructureChange();
}

void ZParentItemProxyModel::_q_sourceRowsMoved(const QModelIndex &sourceParent, int, int,
                                               const QModelIndex &destParent, int)
{
    qCDebug(lcModels) << "_q_sourceRowsMoved called";
    // Moved rows change the source row numbers the tree is made of.
    if (!sourceParent.isValid() || !destParent.isValid())
        endStructureChange();
}

void ZParentItemProxyModel::_q_sourceColumnsAboutToBeMoved(const QModelIndex &sourceParent, int,
                                                           int, const QModelIndex &destParent, int)
{
    if (!sourceParent.isValid() || !destParent.isValid())
        beginStructureChange();
}

void ZParentItemProxyModel::_q_sourceColumnsMoved(const QModelIndex &sourceParent, int, int,
                                                  const QModelIndex &destParent, int)
{
    if (!sourceParent.isValid() || !destParent.isValid())
        endStructureChange();
}

void ZParentItemProxyModel::_q_sourceDestroyed()
{
    beginResetModel();
    m_connections.clear();
    m_connectedSource = nullptr;
    adopt(ParentStructure());
    m_resetPending = false;
    endResetModel();
}
