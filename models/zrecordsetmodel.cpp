#include "zrecordsetmodel.h"

#include <QStringList>

namespace {

// Moves every key at or after `from` by `delta` (positive: make room;
// negative: close a gap whose keys were removed already).
template <typename T>
void shiftKeys(QMap<int, T> &map, int from, int delta)
{
    if (delta == 0)
        return;
    QMap<int, T> shifted;
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        shifted.insert(it.key() >= from ? it.key() + delta : it.key(), it.value());
    map.swap(shifted);
}

} // namespace

ZRecordSetModel::ZRecordSetModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void ZRecordSetModel::init()
{
}

void ZRecordSetModel::setRecordSet(const QList<QVariant> &recordSet)
{
    if (recordSet.isEmpty())
        return;

    beginResetModel();
    m_records.clear();
    // A new record set brings its own columns; none of the old ones stay.
    m_sections.clear();

    QList<QVariant> rows = recordSet;
    const QVariant &first = recordSet.first();
    QStringList names;
    if (first.canConvert<QVariantMap>()) {
        names = first.toMap().keys();
    } else if (first.canConvert<QVariantList>()) {
        names = first.toStringList();
        rows.removeFirst();
    }

    for (int i = 0; i < names.size(); ++i)
        m_sections[i].insert(Qt::DisplayRole, names.at(i));

    m_records.reserve(rows.size());
    for (const QVariant &row : qAsConst(rows)) {
        const QVariantMap values = row.toMap();
        Record record;
        for (int i = 0; i < names.size(); ++i)
            record[i].insert(Qt::DisplayRole, values.value(names.at(i)));
        m_records.append(record);
    }
    endResetModel();
}

void ZRecordSetModel::clear()
{
    beginResetModel();
    m_records.clear();
    m_sections.clear();
    endResetModel();
}

int ZRecordSetModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return m_records.size();
}

int ZRecordSetModel::columnCount(const QModelIndex &) const
{
    return m_sections.size();
}

Qt::ItemFlags ZRecordSetModel::flags(const QModelIndex &index) const
{
    // The root is no cell: views and testers expect no flags on it.
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled;
}

bool ZRecordSetModel::isInRange(const QModelIndex &index) const
{
    return index.isValid() && index.model() == this && index.row() >= 0
        && index.row() < m_records.size() && index.column() >= 0
        && index.column() < m_sections.size();
}

QVariant ZRecordSetModel::data(const QModelIndex &index, int role) const
{
    if (!isInRange(index))
        return QVariant();
    return m_records.at(index.row()).value(index.column()).value(role);
}

bool ZRecordSetModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!isInRange(index))
        return false;
    m_records[index.row()][index.column()].insert(role, value);
    emit dataChanged(index, index, {});
    return true;
}

QVariant ZRecordSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical) {
        // The row number, for the text roles only: a header view reads the
        // other roles as alignment, size or style.
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
        case Qt::ToolTipRole:
        case Qt::StatusTipRole:
        case Qt::WhatsThisRole:
        case Qt::AccessibleTextRole:
            return section + 1;
        default:
            return QVariant();
        }
    }
    return m_sections.value(section).value(role);
}

bool ZRecordSetModel::setHeaderData(int section, Qt::Orientation orientation,
                                    const QVariant &value, int role)
{
    if (orientation == Qt::Vertical)
        return false;
    // Only existing sections: a new section here would add a column that no
    // view was told of.
    if (section < 0 || section >= m_sections.size())
        return false;
    m_sections[section].insert(role, value);
    emit headerDataChanged(orientation, section, section);
    return true;
}

bool ZRecordSetModel::insertRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() || row < 0 || row > m_records.size())
        return false;
    if (count < 1)
        return true;
    beginInsertRows(QModelIndex(), row, row + count - 1);
    for (int i = 0; i < count; ++i)
        m_records.insert(row, Record());
    endInsertRows();
    return true;
}

bool ZRecordSetModel::removeRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() || row < 0 || row >= m_records.size())
        return false;
    if (count < 1)
        return true;
    // Never past the last row, whatever the caller asks.
    if (count > m_records.size() - row)
        return false;
    beginRemoveRows(QModelIndex(), row, row + count - 1);
    m_records.erase(m_records.begin() + row, m_records.begin() + row + count);
    endRemoveRows();
    return true;
}

bool ZRecordSetModel::insertColumns(int column, int count, const QModelIndex &parent)
{
    if (parent.isValid() || column < 0 || column > m_sections.size())
        return false;
    if (count < 1)
        return true;
    beginInsertColumns(QModelIndex(), column, column + count - 1);
    // Later sections and cells move right, so every column keeps its values.
    shiftKeys(m_sections, column, count);
    for (Record &record : m_records)
        shiftKeys(record, column, count);
    for (int c = column; c < column + count; ++c)
        m_sections.insert(c, RoleMap());
    endInsertColumns();
    return true;
}

bool ZRecordSetModel::removeColumns(int column, int count, const QModelIndex &parent)
{
    if (parent.isValid() || column < 0 || column >= m_sections.size())
        return false;
    if (count < 1)
        return true;
    if (count > m_sections.size() - column)
        return false;
    beginRemoveColumns(QModelIndex(), column, column + count - 1);
    // Later sections and cells move left, so the sections stay numbered
    // 0 .. columnCount - 1 and no cell of a removed column comes back.
    for (int c = column; c < column + count; ++c)
        m_sections.remove(c);
    shiftKeys(m_sections, column + count, -count);
    for (Record &record : m_records) {
        for (int c = column; c < column + count; ++c)
            record.remove(c);
        shiftKeys(record, column + count, -count);
    }
    endRemoveColumns();
    return true;
}
