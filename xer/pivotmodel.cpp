#include "pivotmodel.h"

#include "fieldroles.h"

PivotModel::PivotModel(int rows, int columns, QObject *parent)
    : QAbstractTableModel(parent)
    , m_rows(qMax(0, rows))
    , m_columns(qMax(0, columns))
    , m_headers(qMax(0, columns))
{
    for (Column &c : m_columns)
        c.values.resize(m_rows);
}

int PivotModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int PivotModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_columns.size();
}

QVariant PivotModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.model() != this || index.row() >= m_rows
        || index.column() >= m_columns.size())
        return {};
    const Column &c = m_columns.at(index.column());
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return c.values.at(index.row());
    if (role == FieldIdRole && !c.ids.isEmpty())
        return c.ids.at(index.row());
    return {};
}

bool PivotModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.model() != this || index.row() >= m_rows
        || index.column() >= m_columns.size())
        return false;
    Column &c = m_columns[index.column()];
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        c.values[index.row()] = value;
    } else if (role == FieldIdRole) {
        if (c.ids.isEmpty())
            c.ids.resize(m_rows);
        c.ids[index.row()] = value;
    } else {
        return false;
    }
    emit dataChanged(index, index, {role});
    return true;
}

Qt::ItemFlags PivotModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

QVariant PivotModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section >= 0 && section < m_headers.size()) {
        const QHash<int, QVariant> &roles = m_headers.at(section);
        const int key = role == Qt::EditRole ? int(Qt::DisplayRole) : role;
        const auto it = roles.constFind(key);
        if (it != roles.constEnd())
            return it.value();
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool PivotModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant &value,
                               int role)
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_headers.size())
        return false;
    m_headers[section].insert(role == Qt::EditRole ? int(Qt::DisplayRole) : role, value);
    emit headerDataChanged(orientation, section, section);
    return true;
}

void PivotModel::fill(int row, int column, const QVariant &value, const QVariant &id)
{
    if (row < 0 || row >= m_rows || column < 0 || column >= m_columns.size())
        return;
    Column &c = m_columns[column];
    c.values[row] = value;
    if (c.ids.isEmpty())
        c.ids.resize(m_rows);
    c.ids[row] = id;
}

void PivotModel::fillValue(int row, int column, const QVariant &value)
{
    if (row >= 0 && row < m_rows && column >= 0 && column < m_columns.size())
        m_columns[column].values[row] = value;
}
