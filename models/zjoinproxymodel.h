#pragma once

#include <QAbstractProxyModel>
#include <QHash>
#include <QList>
#include <QPair>
#include <QVector>

// One joined model of a ZJoinProxyModel: the rows of `model` whose cell in
// `keyColumn` equals the proxy's cell in `foreignKeyColumn` are shown in the
// proxy columns `columns` (in that order). The foreign key is a column of the
// proxy, so a column contributed by an earlier mapping can serve (chained joins).
struct ZJoinMapping
{
    int keyColumn = -1;
    int foreignKeyColumn = -1;
    QAbstractItemModel *model = nullptr; // Not owned.
    QList<int> columns;
};
Q_DECLARE_METATYPE(ZJoinMapping)

// A left outer join of flat table models onto a flat main table (the source
// model), done column by column. Proxy row r is source row r; after the
// source's columns come the chosen columns of each joined model, looked up by
// key. Cells are never copied: reads and writes go to the model owning the
// cell. A joined cell whose key matched nothing can still hold a display value
// written through the proxy (kept in a value cache).
//
// Supported: flat tables only; duplicate keys (the last joined row wins); keys
// matched with compareVariants. Not supported: trees; row insertion or removal
// in the source or any change in a joined model is not followed. Row maps are
// rebuilt on the source's layout change and reset, and by resetMappings().
class ZJoinProxyModel : public QAbstractProxyModel
{
    Q_OBJECT
public:
    explicit ZJoinProxyModel(QObject *parent = nullptr);
    ~ZJoinProxyModel() override;

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    QModelIndex sibling(int row, int column, const QModelIndex &idx) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QMap<int, QVariant> itemData(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant &value,
                       int role = Qt::EditRole) override;
    bool insertRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QModelIndex buddy(const QModelIndex &index) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;
    QSize span(const QModelIndex &index) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    void setSourceModel(QAbstractItemModel *source) override;
    QModelIndex mapToSource(const QModelIndex &proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex &sourceIndex) const override;

    bool addModel(QAbstractItemModel *model, int keyColumn, const QList<int> &columns,
                  int foreignKeyColumn);
    bool addModel(QAbstractItemModel *model, int keyColumn, int foreignKeyColumn);

    // Finds the model and its column behind a proxy column. The outputs are
    // written only when found (mappingIndex only for a joined column).
    void mapFromSection(int section, QAbstractItemModel *&model, int &column,
                        int &mappingIndex) const;
    QAbstractItemModel *modelFromSection(int section) const;
    // The model and column a section reads, and its mapping (-1 for the
    // source's own columns); false for a section beyond the columns.
    bool sectionSource(int section, QAbstractItemModel **model, int *column, int *mapping) const;

    QList<ZJoinMapping> mappings() const { return m_mappings; }
    int rowMapCount() const { return m_rowMaps.size(); }
    // The row of mapping's model joined to a row, -1 for none.
    int joinedRow(int mapping, int row) const
    {
        if (mapping < 0 || mapping >= m_rowMaps.size() || row < 0 || row >= m_rowMaps.at(mapping).size())
            return -1;
        return m_rowMaps.at(mapping).at(row);
    }
    // True when values were written into cells no joined row backs.
    bool hasCachedValues() const { return !m_valueCache.isEmpty(); }
    // Forgets the values written into the unbacked cells of the columns, from
    // row first on: those cells read empty again.
    void dropCachedValues(int first, const QVector<int> &columns);

    // Drops every mapping (within a model reset); source and value cache stay.
    void clear();

public slots:
    void resetMappings();
    void resetMapping(const ZJoinMapping &mapping);

private slots:
    void _q_clearMapping();
    void _q_sourceDataChanged(const QModelIndex &source_top_left,
                              const QModelIndex &source_bottom_right,
                              const QVector<int> &roles = QVector<int>());
    void _q_sourceHeaderDataChanged(Qt::Orientation orientation, int start, int end);
    void _q_sourceLayoutAboutToBeChanged(
            const QList<QPersistentModelIndex> &sourceParents = QList<QPersistentModelIndex>(),
            QAbstractItemModel::LayoutChangeHint hint = QAbstractItemModel::NoLayoutChangeHint);
    void _q_sourceLayoutChanged(
            const QList<QPersistentModelIndex> &sourceParents = QList<QPersistentModelIndex>(),
            QAbstractItemModel::LayoutChangeHint hint = QAbstractItemModel::NoLayoutChangeHint);
    void _q_sourceAboutToBeReset();
    void _q_sourceReset();

private:
    void buildRowMap(const ZJoinMapping &mapping, bool announce);
    void rebuildAll(bool announce);
    void updateColumnCount();
    void joinedModelDestroyed(QObject *model);

    QList<ZJoinMapping> m_mappings;
    QVector<QVector<int>> m_rowMaps;
    // Values written to joined cells that matched nothing, by proxy column:
    // one run of rows each. Such cells are the rows a caller appends (group
    // bands), which lie together at the end, so a run is dense where a hash
    // would pay a node per cell.
    struct CachedColumn
    {
        int first = 0;
        QVector<QVariant> values;
    };
    QVector<CachedColumn> m_valueCache;
    QVariant cachedValue(int row, int column) const;
    void cacheValue(int row, int column, const QVariant &value);
    int m_joinedColumnCount = 0;
    // Joined section (from the first one after the source's columns) to its
    // mapping and column, kept with the mappings: a cell read finds its
    // column without walking them.
    struct JoinedSection
    {
        int mapping;
        int column;
    };
    QVector<JoinedSection> m_joinedSections;
    mutable bool m_zeroRowsReported = false;
    bool m_inSourceReset = false;
    // Persistent indexes held across a source layout change: proxy index and
    // the source row it stood on.
    QList<QPersistentModelIndex> m_layoutProxyIndexes;
    QList<QPersistentModelIndex> m_layoutSourceIndexes;
};
