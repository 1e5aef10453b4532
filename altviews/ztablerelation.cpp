#include "ztablerelation.h"

#include <QAbstractItemModel>

ZTableRelation::ZTableRelation(QObject *parent)
    : QObject(parent)
{
}

ZTableRelation::ZTableRelation(QAbstractItemModel *model, int keyColumn, int valueColumn,
                               QObject *parent)
    : QObject(parent)
    , m_model(model)
    , m_keyColumn(keyColumn)
    , m_valueColumn(valueColumn)
{
}

void ZTableRelation::populateDictionary()
{
    if (!m_model || m_keyColumn < 0 || m_valueColumn < 0)
        return;
    const int rows = m_model->rowCount();
    m_dictionary.reserve(m_dictionary.size() + rows);
    for (int r = 0; r < rows; ++r) {
        const int key = m_model->index(r, m_keyColumn).data().toInt();
        m_dictionary.insert(key, m_model->index(r, m_valueColumn).data());
    }
    m_populated = true;
}

void ZTableRelation::setFilter(int column, const QVariant &value)
{
    m_filterColumn = column;
    m_filterValue = value;
}

bool ZTableRelation::filterAcceptsRow(int row) const
{
    if (!m_model)
        return false;
    if (m_filterValue.isNull() || m_filterColumn < 0)
        return true;
    return m_model->index(row, m_filterColumn).data() == m_filterValue;
}
