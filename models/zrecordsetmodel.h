#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QMap>
#include <QVariant>

// An editable table over a record set: the first record names the columns
// (a string list, or a map whose sorted keys are the names and which is also
// the first row), every further record is a map from name to value and
// becomes a row. Every cell and horizontal header section keeps its values
// per role; the vertical header numbers the rows from 1.
//
// Not supported: trees, sorting, drag and drop.
class ZRecordSetModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit ZRecordSetModel(QObject *parent = nullptr);

    void init();
    // Replaces the content inside one model reset; an empty record set
    // changes nothing.
    void setRecordSet(const QList<QVariant> &recordSet);
    void clear();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant &value,
                       int role = Qt::EditRole) override;

    bool insertRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;
    bool removeRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;
    bool insertColumns(int column, int count, const QModelIndex &parent = QModelIndex()) override;
    bool removeColumns(int column, int count, const QModelIndex &parent = QModelIndex()) override;

private:
    using RoleMap = QMap<int, QVariant>;
    using Record = QMap<int, RoleMap>; // column -> (role -> value)

    bool isInRange(const QModelIndex &index) const;

    QList<Record> m_records;
    QMap<int, RoleMap> m_sections; // horizontal section -> (role -> value)
};
