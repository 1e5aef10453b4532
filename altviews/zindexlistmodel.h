#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QPersistentModelIndex>

// Shows indexes of other models as the rows of one flat list: column c of
// row r is column c of the r-th listed index's row. Only the display and
// edit roles pass through; edits are not stored. The listed indexes are kept
// persistent, so they follow their source rows; a removed source row shows
// no data. The column count is that of the first listed index's model.
class ZIndexListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit ZIndexListModel(QObject *parent = nullptr);
    ZIndexListModel(const QList<QModelIndex> &indexes, QObject *parent = nullptr);

    QList<QModelIndex> indexList() const;
    void setIndexList(const QList<QModelIndex> &indexes);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex sibling(int row, int column, const QModelIndex &index) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QModelIndex mapToSource(const QModelIndex &index) const;

private:
    QList<QPersistentModelIndex> m_indexes;
};
