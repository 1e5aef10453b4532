#pragma once

#include <QVariant>

class IContainer;
class QAbstractItemModel;
class ZJoinProxyModel;

// Reads one column of a table model, or of a join over table models, straight
// from the container underneath, without an index or a model call per cell;
// any other model is read through data(). Values are those of the display
// role. The models must not change while the reader is used.
class ColumnReader
{
public:
    ColumnReader(const QAbstractItemModel *model, int column);

    QVariant value(int row) const;
    // Rows of the model read.
    int rowCount() const { return m_rows; }
    // The container read when the column is backed by one, else nullptr.
    const IContainer *container() const { return m_container; }
    // True when value() calls no model: any number of threads may read.
    bool isDirect() const { return m_container || m_rows == 0; }

private:
    const QAbstractItemModel *m_model = nullptr;
    int m_column = -1;
    int m_rows = 0;
    const IContainer *m_container = nullptr;
    int m_containerColumn = -1;
    const ZJoinProxyModel *m_join = nullptr;
    int m_mapping = -1;
};
