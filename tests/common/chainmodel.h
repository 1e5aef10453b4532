#pragma once

// A tree that is one chain: node 0 at the top, node i the only child of node
// i - 1. Column 0 holds a value per node (the node number at the start),
// column 1 the text "N<i>"; setData changes either. Deep trees from files take this
// shape (a WBS whose every node is the child of the one before).

#include <QAbstractItemModel>
#include <QVector>

namespace xertest {

class ChainModel : public QAbstractItemModel
{
public:
    explicit ChainModel(int depth, QObject *parent = nullptr)
        : QAbstractItemModel(parent)
        , m_values(depth)
        , m_texts(depth)
    {
        for (int i = 0; i < depth; ++i) {
            m_values[i] = i;
            m_texts[i] = QStringLiteral("N%1").arg(i);
        }
    }

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override
    {
        if (row != 0 || column < 0 || column > 1)
            return {};
        const int node = parent.isValid() ? int(parent.internalId()) + 1 : 0;
        if (node >= m_values.size() || (parent.isValid() && parent.column() != 0))
            return {};
        return createIndex(0, column, quintptr(node));
    }
    QModelIndex parent(const QModelIndex &child) const override
    {
        const int node = child.isValid() ? int(child.internalId()) : 0;
        return node == 0 ? QModelIndex() : createIndex(0, 0, quintptr(node - 1));
    }
    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        if (!parent.isValid())
            return m_values.isEmpty() ? 0 : 1;
        if (parent.column() != 0)
            return 0;
        return int(parent.internalId()) + 1 < m_values.size() ? 1 : 0;
    }
    int columnCount(const QModelIndex & = QModelIndex()) const override { return 2; }
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override
    {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
            return {};
        const int node = int(index.internalId());
        return index.column() == 0 ? m_values.at(node) : m_texts.at(node);
    }
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override
    {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
            return false;
        (index.column() == 0 ? m_values : m_texts)[int(index.internalId())] = value;
        emit dataChanged(index, index);
        return true;
    }
    // The index of node i in column c.
    QModelIndex node(int i, int column = 0) const { return createIndex(0, column, quintptr(i)); }

private:
    QVector<QVariant> m_values;
    QVector<QVariant> m_texts;
};

} // namespace xertest
