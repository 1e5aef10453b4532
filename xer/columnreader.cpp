#include "columnreader.h"

#include "basecontainermodel.h"
#include "zjoinproxymodel.h"

namespace {

const IContainer *containerOf(const QAbstractItemModel *model)
{
    const auto *table = qobject_cast<const BaseContainerModel *>(model);
    return table ? table->container().get() : nullptr;
}

} // namespace

ColumnReader::ColumnReader(const QAbstractItemModel *model, int column)
    : m_model(model)
    , m_column(column)
{
    if (!model || column < 0 || column >= model->columnCount())
        return;
    m_rows = model->rowCount();
    if ((m_container = containerOf(model))) {
        m_containerColumn = column;
        return;
    }
    const auto *join = qobject_cast<const ZJoinProxyModel *>(model);
    // Values written into a join's unbacked cells are only read through it.
    if (!join || join->hasCachedValues())
        return;
    QAbstractItemModel *source = nullptr;
    int sourceColumn = -1;
    int mapping = -1;
    if (!join->sectionSource(column, &source, &sourceColumn, &mapping))
        return;
    if ((m_container = containerOf(source))) {
        m_containerColumn = sourceColumn;
        m_join = join;
        m_mapping = mapping;
    }
}

QVariant ColumnReader::value(int row) const
{
    if (row < 0 || row >= m_rows)
        return {};
    if (m_container) {
        const int r = m_mapping < 0 ? row : m_join->joinedRow(m_mapping, row);
        return r < 0 ? QVariant() : m_container->value(r, m_containerColumn);
    }
    return m_model->data(m_model->index(row, m_column), Qt::DisplayRole);
}
