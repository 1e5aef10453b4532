#include "zjoinproxymodel.h"

#include "modelslogging.h"
#include "zvariant.h"

#include <QSize>

#include <map>

ZJoinProxyModel::ZJoinProxyModel(QObject *parent)
    : QAbstractProxyModel(parent)
{
    qRegisterMetaType<ZJoinMapping>();
}

ZJoinProxyModel::~ZJoinProxyModel() = default;

QModelIndex ZJoinProxyModel::index(int row, int column, const QModelIndex &parent) const
{
    // Bounds are checked so that views and testers never hold an index past the
    // table; the internal id is the row plus 1.
    if (row < 0 || column < 0 || parent.isValid())
        return {};
    if (row >= rowCount() || column >= columnCount())
        return {};
    return createIndex(row, column, quintptr(row) + 1);
}

QModelIndex ZJoinProxyModel::parent(const QModelIndex &) const
{
    return {};
}

QModelIndex ZJoinProxyModel::sibling(int row, int column, const QModelIndex &idx) const
{
    return index(row, column, idx.parent());
}

int ZJoinProxyModel::rowCount(const QModelIndex &parent) const
{
    if (!sourceModel() || parent.isValid())
        return 0;
    const int rows = sourceModel()->rowCount();
    // Views ask for the count again and again: say it once per model.
    if (rows == 0 && !m_zeroRowsReported) {
        m_zeroRowsReported = true;
        qCWarning(lcModels) << "ZJoinProxyModel::rowCount returning zero row count";
    }
    return rows;
}

int ZJoinProxyModel::columnCount(const QModelIndex &parent) const
{
    if (!sourceModel() || parent.isValid())
        return 0;
    return sourceModel()->columnCount() + m_joinedColumnCount;
}

bool ZJoinProxyModel::hasChildren(const QModelIndex &parent) const
{
    if (parent.isValid())
        return false;
    return rowCount() > 0 && columnCount() > 0;
}

void ZJoinProxyModel::updateColumnCount()
{
    int n = 0;
    m_joinedSections.clear();
    for (int i = 0; i < m_mappings.size(); ++i) {
        const ZJoinMapping &m = m_mappings.at(i);
        n += m.columns.size();
        for (int column : m.columns)
            m_joinedSections.append({i, column});
    }
    m_joinedColumnCount = n;
}

void ZJoinProxyModel::mapFromSection(int section, QAbstractItemModel *&model, int &column,
                                     int &mappingIndex) const
{
    if (section < 0 || !sourceModel())
        return;
    const int sourceColumns = sourceModel()->columnCount();
    if (section < sourceColumns) {
        model = sourceModel();
        column = section;
        return;
    }
    const int joined = section - sourceColumns;
    if (joined < m_joinedSections.size()) {
        const JoinedSection &s = m_joinedSections.at(joined);
        model = m_mappings.at(s.mapping).model;
        column = s.column;
        mappingIndex = s.mapping;
    }
}

bool ZJoinProxyModel::sectionSource(int section, QAbstractItemModel **model, int *column,
                                    int *mapping) const
{
    QAbstractItemModel *m = nullptr;
    int c = -1;
    int i = -1;
    mapFromSection(section, m, c, i);
    if (!m || c < 0)
        return false;
    *model = m;
    *column = c;
    *mapping = i;
    return true;
}

QAbstractItemModel *ZJoinProxyModel::modelFromSection(int section) const
{
    QAbstractItemModel *model = nullptr;
    int column = -1;
    int mappingIndex = -1;
    mapFromSection(section, model, column, mappingIndex);
    return model;
}

QModelIndex ZJoinProxyModel::mapToSource(const QModelIndex &proxyIndex) const
{
    if (!sourceModel() || !proxyIndex.isValid())
        return {};
    QAbstractItemModel *model = nullptr;
    int column = -1;
    int mappingIndex = -1;
    mapFromSection(proxyIndex.column(), model, column, mappingIndex);
    if (!model || column == -1)
        return {};
    if (mappingIndex == -1)
        return sourceModel()->index(proxyIndex.row(), column);
    int row = -1;
    if (mappingIndex < m_rowMaps.size()) {
        const QVector<int> &rowMap = m_rowMaps.at(mappingIndex);
        if (proxyIndex.row() < rowMap.size())
            row = rowMap.at(proxyIndex.row());
    }
    if (row < 0)
        return {};
    return model->index(row, column);
}

QModelIndex ZJoinProxyModel::mapFromSource(const QModelIndex &sourceIndex) const
{
    if (!sourceModel() || !sourceIndex.isValid())
        return {};
    if (sourceIndex.model() == sourceModel())
        return index(sourceIndex.row(), sourceIndex.column());
    int offset = sourceModel()->columnCount();
    int found = -1;
    for (const ZJoinMapping &m : qAsConst(m_mappings)) {
        if (m.model == sourceIndex.model()) {
            const int p = m.columns.indexOf(sourceIndex.column());
            if (p < 0)
                return {};
            found = offset + p;
        }
        offset += m.columns.size();
    }
    if (found < 0)
        return {};
    return index(sourceIndex.row(), found);
}

QVariant ZJoinProxyModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const QModelIndex mapped = mapToSource(index);
    if (mapped.isValid())
        return mapped.model()->data(mapped, role);
    if (role != Qt::DisplayRole || !sourceModel() || index.row() >= sourceModel()->rowCount())
        return {};
    return cachedValue(index.row(), index.column());
}

QVariant ZJoinProxyModel::cachedValue(int row, int column) const
{
    if (column < 0 || column >= m_valueCache.size())
        return {};
    const CachedColumn &cached = m_valueCache.at(column);
    const int slot = row - cached.first;
    return slot >= 0 && slot < cached.values.size() ? cached.values.at(slot) : QVariant();
}

void ZJoinProxyModel::dropCachedValues(int first, const QVector<int> &columns)
{
    for (const int column : columns) {
        if (column < 0 || column >= m_valueCache.size())
            continue;
        CachedColumn &cached = m_valueCache[column];
        const int keep = qBound(0, first - cached.first, cached.values.size());
        cached.values.resize(keep);
    }
}

void ZJoinProxyModel::cacheValue(int row, int column, const QVariant &value)
{
    if (column >= m_valueCache.size()) {
        if (!value.isValid())
            return; // nothing there to clear
        m_valueCache.resize(column + 1);
    }
    CachedColumn &cached = m_valueCache[column];
    if (cached.values.isEmpty()) {
        if (!value.isValid())
            return;
        cached.first = row;
    } else if (row < cached.first) {
        if (!value.isValid())
            return;
        cached.values.insert(0, cached.first - row, QVariant());
        cached.first = row;
    }
    const int slot = row - cached.first;
    if (slot >= cached.values.size()) {
        if (!value.isValid())
            return;
        cached.values.resize(slot + 1);
    }
    cached.values[slot] = value;
}

QMap<int, QVariant> ZJoinProxyModel::itemData(const QModelIndex &index) const
{
    // The base class would ask the source for an index that may belong to a
    // joined model; the generic form goes through data() instead.
    return QAbstractItemModel::itemData(index);
}

bool ZJoinProxyModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    const QModelIndex mapped = mapToSource(index);
    if (mapped.isValid())
        return const_cast<QAbstractItemModel *>(mapped.model())->setData(mapped, value, role);
    if (index.row() < 0 || index.column() < 0)
        return false;
    if (role == Qt::DisplayRole && sourceModel() && index.row() < sourceModel()->rowCount()) {
        cacheValue(index.row(), index.column(), value);
        return true;
    }
    return false;
}

QVariant ZJoinProxyModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (!sourceModel())
        return {};
    if (orientation == Qt::Vertical)
        return sourceModel()->headerData(section, orientation, role);
    QAbstractItemModel *model = nullptr;
    int column = -1;
    int mappingIndex = -1;
    mapFromSection(section, model, column, mappingIndex);
    if (!model || column < 0)
        return {};
    return model->headerData(column, Qt::Horizontal, role);
}

bool ZJoinProxyModel::setHeaderData(int section, Qt::Orientation orientation,
                                    const QVariant &value, int role)
{
    if (!sourceModel())
        return false;
    if (orientation == Qt::Vertical)
        return sourceModel()->setHeaderData(section, orientation, value, role);
    QAbstractItemModel *model = nullptr;
    int column = -1;
    int mappingIndex = -1;
    mapFromSection(section, model, column, mappingIndex);
    if (!model || column < 0)
        return false;
    return model->setHeaderData(column, Qt::Horizontal, value, role);
}

bool ZJoinProxyModel::insertRows(int row, int count, const QModelIndex &parent)
{
    if (row < 0 || count < 1 || parent.isValid() || !sourceModel())
        return false;
    if (!sourceModel()->insertRows(row, count))
        return false;
    for (const ZJoinMapping &m : qAsConst(m_mappings)) {
        if (m.model)
            m.model->insertRows(row, count);
    }
    return true;
}

Qt::ItemFlags ZJoinProxyModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return sourceModel() ? sourceModel()->flags(QModelIndex()) : Qt::ItemFlags();
    const QModelIndex mapped = mapToSource(index);
    if (!mapped.isValid())
        return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    return mapped.model()->flags(mapped);
}

QModelIndex ZJoinProxyModel::buddy(const QModelIndex &index) const
{
    return index;
}

bool ZJoinProxyModel::canFetchMore(const QModelIndex &parent) const
{
    if (parent.isValid() || !sourceModel())
        return false;
    return sourceModel()->canFetchMore(QModelIndex());
}

void ZJoinProxyModel::fetchMore(const QModelIndex &parent)
{
    if (!parent.isValid() && sourceModel())
        sourceModel()->fetchMore(QModelIndex());
}

QSize ZJoinProxyModel::span(const QModelIndex &) const
{
    return QSize(1, 1);
}

void ZJoinProxyModel::sort(int column, Qt::SortOrder order)
{
    // Only the source's own columns can be sorted there; a joined column
    // number means nothing to the source.
    if (sourceModel() && column < sourceModel()->columnCount())
        sourceModel()->sort(column, order);
}

void ZJoinProxyModel::setSourceModel(QAbstractItemModel *source)
{
    if (!source)
        return;
    beginResetModel();
    if (QAbstractItemModel *old = sourceModel())
        disconnect(old, nullptr, this, nullptr);
    for (const ZJoinMapping &m : qAsConst(m_mappings)) {
        if (m.model)
            disconnect(m.model, nullptr, this, nullptr);
    }
    QAbstractProxyModel::setSourceModel(source);
    connect(source, &QAbstractItemModel::dataChanged, this,
            &ZJoinProxyModel::_q_sourceDataChanged);
    connect(source, &QAbstractItemModel::headerDataChanged, this,
            &ZJoinProxyModel::_q_sourceHeaderDataChanged);
    connect(source, &QAbstractItemModel::layoutAboutToBeChanged, this,
            &ZJoinProxyModel::_q_sourceLayoutAboutToBeChanged);
    connect(source, &QAbstractItemModel::layoutChanged, this,
            &ZJoinProxyModel::_q_sourceLayoutChanged);
    connect(source, &QAbstractItemModel::modelAboutToBeReset, this,
            &ZJoinProxyModel::_q_sourceAboutToBeReset);
    connect(source, &QAbstractItemModel::modelReset, this, &ZJoinProxyModel::_q_sourceReset);
    m_mappings.clear();
    m_rowMaps.clear();
    updateColumnCount();
    endResetModel();
}

bool ZJoinProxyModel::addModel(QAbstractItemModel *model, int keyColumn,
                               const QList<int> &columns, int foreignKeyColumn)
{
    if (!model)
        return false;
    ZJoinMapping mapping;
    mapping.keyColumn = keyColumn;
    mapping.foreignKeyColumn = foreignKeyColumn;
    mapping.model = model;
    mapping.columns = columns;
    // New columns appear at the right end.
    if (!columns.isEmpty() && sourceModel()) {
        const int first = columnCount();
        beginInsertColumns(QModelIndex(), first, first + columns.size() - 1);
        m_mappings.append(mapping);
        updateColumnCount();
        endInsertColumns();
    } else {
        m_mappings.append(mapping);
        updateColumnCount();
    }
    // A joined model that goes away takes its mappings with it, so no cell
    // read ever reaches a deleted model.
    connect(model, &QObject::destroyed, this, &ZJoinProxyModel::joinedModelDestroyed,
            Qt::UniqueConnection);
    resetMapping(mapping);
    return true;
}

bool ZJoinProxyModel::addModel(QAbstractItemModel *model, int keyColumn, int foreignKeyColumn)
{
    if (!model)
        return false;
    QList<int> columns;
    const int n = model->columnCount();
    columns.reserve(n);
    for (int c = 0; c < n; ++c)
        columns.append(c);
    return addModel(model, keyColumn, columns, foreignKeyColumn);
}

void ZJoinProxyModel::resetMapping(const ZJoinMapping &mapping)
{
    const int before = m_rowMaps.size();
    buildRowMap(mapping, true);
    // A mapping whose map cannot be built still takes its position, so the
    // maps of later mappings are never read for it.
    if (m_rowMaps.size() == before)
        m_rowMaps.append(QVector<int>());
}

void ZJoinProxyModel::buildRowMap(const ZJoinMapping &mapping, bool announce)
{
    if (!sourceModel() || mapping.keyColumn < 0 || mapping.foreignKeyColumn < 0 || !mapping.model)
        return;
    if (announce)
        emit layoutAboutToBeChanged();
    const int rows = sourceModel()->rowCount();
    QVector<int> rowMap(rows, -1);

    // Keys ordered by the one variant ordering; among equal keys the last
    // joined row wins. An empty key matches nothing. Integer keys, by far the
    // most common, are also hashed; a foreign key of another type is looked up
    // in the ordered table, which applies the cross-type rules.
    QAbstractItemModel *joined = mapping.model;
    const int joinedRows = joined->rowCount();
    QHash<int, int> intKeys;
    intKeys.reserve(joinedRows);
    bool allInt = true;
    QVector<QVariant> keyValues(joinedRows);
    for (int k = 0; k < joinedRows; ++k) {
        const QVariant key = joined->data(joined->index(k, mapping.keyColumn), Qt::DisplayRole);
        keyValues[k] = key;
        if (!key.isValid())
            continue;
        if (key.userType() == QMetaType::Int)
            intKeys.insert(key.toInt(), k);
        else
            allInt = false;
    }
    std::map<QVariant, int, VariantLess> keys;
    bool keysBuilt = false;
    auto orderedLookup = [&](const QVariant &fk) {
        if (!keysBuilt) {
            for (int k = 0; k < joinedRows; ++k) {
                if (keyValues.at(k).isValid())
                    keys[keyValues.at(k)] = k;
            }
            keysBuilt = true;
        }
        const auto it = keys.find(fk);
        return it == keys.end() ? -1 : it->second;
    };
    // The foreign key is read where it lives: in the source or in the model
    // of an earlier mapping (chained joins); an unmatched cell of an earlier
    // mapping is read through the proxy, which holds what was written there.
    QAbstractItemModel *keyModel = nullptr;
    int keyColumn = -1;
    int keyMapping = -1;
    mapFromSection(mapping.foreignKeyColumn, keyModel, keyColumn, keyMapping);
    const QVector<int> *keyRows = keyMapping >= 0 && keyMapping < m_rowMaps.size() ? &m_rowMaps.at(keyMapping) : nullptr;
    const auto foreignKey = [&](int r) {
        if (keyModel && keyColumn >= 0) {
            const int row = keyMapping < 0 ? r : keyRows && r < keyRows->size() ? keyRows->at(r) : -1;
            if (row >= 0)
                return keyModel->data(keyModel->index(row, keyColumn), Qt::DisplayRole);
        }
        return data(createIndex(r, mapping.foreignKeyColumn, quintptr(r) + 1), Qt::DisplayRole);
    };
    if (joinedRows > 0) {
        for (int r = 0; r < rows; ++r) {
            const QVariant fk = foreignKey(r);
            if (!fk.isValid())
                continue;
            if (allInt && fk.userType() == QMetaType::Int)
                rowMap[r] = intKeys.value(fk.toInt(), -1);
            else
                rowMap[r] = orderedLookup(fk);
        }
    }
    m_rowMaps.append(rowMap);
    if (announce)
        emit layoutChanged();
}

void ZJoinProxyModel::rebuildAll(bool announce)
{
    m_rowMaps.clear();
    for (const ZJoinMapping &m : qAsConst(m_mappings)) {
        const int before = m_rowMaps.size();
        buildRowMap(m, announce);
        // A mapping that cannot be built keeps an empty row map so that
        // position i stays the map of mapping i.
        if (m_rowMaps.size() == before)
            m_rowMaps.append(QVector<int>());
    }
}

void ZJoinProxyModel::resetMappings()
{
    rebuildAll(!m_inSourceReset);
}

void ZJoinProxyModel::clear()
{
    beginResetModel();
    _q_clearMapping();
    endResetModel();
}

void ZJoinProxyModel::_q_clearMapping()
{
    for (const ZJoinMapping &m : qAsConst(m_mappings)) {
        if (m.model)
            disconnect(m.model, &QObject::destroyed, this, &ZJoinProxyModel::joinedModelDestroyed);
    }
    m_mappings.clear();
    m_rowMaps.clear();
    updateColumnCount();
}

void ZJoinProxyModel::joinedModelDestroyed(QObject *model)
{
    bool any = false;
    for (const ZJoinMapping &m : qAsConst(m_mappings))
        any = any || m.model == model;
    if (!any)
        return;
    beginResetModel();
    for (int i = m_mappings.size() - 1; i >= 0; --i) {
        if (m_mappings.at(i).model == model) {
            m_mappings.removeAt(i);
            if (i < m_rowMaps.size())
                m_rowMaps.removeAt(i);
        }
    }
    updateColumnCount();
    endResetModel();
}

void ZJoinProxyModel::_q_sourceDataChanged(const QModelIndex &source_top_left,
                                           const QModelIndex &source_bottom_right,
                                           const QVector<int> &roles)
{
    if (!source_top_left.isValid() || !source_bottom_right.isValid())
        return;
    emit dataChanged(mapFromSource(source_top_left), mapFromSource(source_bottom_right), roles);
}

void ZJoinProxyModel::_q_sourceHeaderDataChanged(Qt::Orientation orientation, int start, int end)
{
    emit headerDataChanged(orientation, start, end);
}

void ZJoinProxyModel::_q_sourceLayoutAboutToBeChanged(
        const QList<QPersistentModelIndex> &sourceParents,
        QAbstractItemModel::LayoutChangeHint hint)
{
    QList<QPersistentModelIndex> parents;
    for (const QPersistentModelIndex &p : sourceParents) {
        if (!p.isValid()) {
            parents << QPersistentModelIndex();
            continue;
        }
        const QModelIndex mapped = mapFromSource(p);
        if (mapped.isValid())
            parents << mapped;
    }
    // Parents that map to nothing here announce a change of the whole table,
    // so the closing layoutChanged always has its announcement.
    if (parents.size() != sourceParents.size())
        parents.clear();
    emit layoutAboutToBeChanged(parents, hint);

    // Remember which source row each persistent proxy index stands on, so it
    // follows its row through the change.
    m_layoutProxyIndexes.clear();
    m_layoutSourceIndexes.clear();
    const QModelIndexList persistent = persistentIndexList();
    for (const QModelIndex &proxy : persistent) {
        m_layoutProxyIndexes << QPersistentModelIndex(proxy);
        m_layoutSourceIndexes << QPersistentModelIndex(sourceModel()->index(proxy.row(), 0));
    }
}

void ZJoinProxyModel::_q_sourceLayoutChanged(const QList<QPersistentModelIndex> &sourceParents,
                                             QAbstractItemModel::LayoutChangeHint hint)
{
    rebuildAll(false);
    QModelIndexList from;
    QModelIndexList to;
    for (int i = 0; i < m_layoutProxyIndexes.size(); ++i) {
        const QPersistentModelIndex &proxy = m_layoutProxyIndexes.at(i);
        const QPersistentModelIndex &source = m_layoutSourceIndexes.at(i);
        from << proxy;
        to << (source.isValid() ? index(source.row(), proxy.column()) : QModelIndex());
    }
    changePersistentIndexList(from, to);
    m_layoutProxyIndexes.clear();
    m_layoutSourceIndexes.clear();
    QList<QPersistentModelIndex> parents;
    for (const QPersistentModelIndex &p : sourceParents) {
        const QModelIndex mapped = p.isValid() ? mapFromSource(p) : QModelIndex();
        if (!p.isValid() || mapped.isValid())
            parents << QPersistentModelIndex(mapped);
    }
    if (parents.size() != sourceParents.size())
        parents.clear();
    emit layoutChanged(parents, hint);
}

void ZJoinProxyModel::_q_sourceAboutToBeReset()
{
    beginResetModel();
    m_inSourceReset = true;
}

void ZJoinProxyModel::_q_sourceReset()
{
    rebuildAll(false);
    m_inSourceReset = false;
    endResetModel();
}
