#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QVector>

// A table of one row per activity whose cells are filled column by column
// from arrays: the task-code and user-defined-field pivots. Each cell holds
// a value (display and edit role) and an id (the first user role); the
// horizontal header keeps any role set on it. Far smaller and quicker to
// read than an item per cell.
class PivotModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    PivotModel(int rows, int columns, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant &value,
                       int role = Qt::EditRole) override;

    // Fill a cell without a signal, for the loader building the table.
    void fill(int row, int column, const QVariant &value, const QVariant &id);
    void fillValue(int row, int column, const QVariant &value);

private:
    struct Column
    {
        QVector<QVariant> values;
        QVector<QVariant> ids; // empty until a cell of the column has an id
    };
    int m_rows = 0;
    QVector<Column> m_columns;
    QVector<QHash<int, QVariant>> m_headers; // by section: role -> value
};
