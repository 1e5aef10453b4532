#pragma once

// Helpers for the tests of the group-by indexes and the proxy models: build a
// small table from literal rows, write a whole tree as one string, and check
// that every cell of a proxy maps to its source and back.

#include <QAbstractProxyModel>
#include <QStandardItemModel>
#include <QStringList>
#include <QVariant>
#include <QtTest>

namespace testhelpers {

// A flat table with the given captions; each row is a list of cell values
// (an invalid QVariant leaves the cell empty).
inline QStandardItemModel *makeTable(const QStringList &captions,
                                     const QList<QVariantList> &rows, QObject *parent = nullptr)
{
    auto *model = new QStandardItemModel(parent);
    model->setColumnCount(captions.size());
    model->setHorizontalHeaderLabels(captions);
    for (const QVariantList &values : rows) {
        QList<QStandardItem *> items;
        for (int c = 0; c < captions.size(); ++c) {
            auto *item = new QStandardItem;
            if (c < values.size() && values.at(c).isValid())
                item->setData(values.at(c), Qt::DisplayRole);
            items.append(item);
        }
        model->appendRow(items);
    }
    return model;
}

// "a[b,c[d]],e": the display text of the given column of every row, children
// in brackets after their parent.
inline QString treeString(const QAbstractItemModel *model, const QModelIndex &parent = {},
                          int column = 0)
{
    QStringList parts;
    const int rows = model->rowCount(parent);
    for (int r = 0; r < rows; ++r) {
        const QModelIndex child = model->index(r, column, parent);
        QString text = child.data().toString();
        const QModelIndex first = model->index(r, 0, parent);
        if (model->rowCount(first) > 0)
            text += QLatin1Char('[') + treeString(model, first, column) + QLatin1Char(']');
        parts.append(text);
    }
    return parts.join(QLatin1Char(','));
}

// mapFromSource(mapToSource(i)) == i for every cell of the proxy; returns the
// number of cells checked.
inline int checkRoundTrip(const QAbstractProxyModel *proxy, const QModelIndex &parent = {})
{
    int checked = 0;
    const int rows = proxy->rowCount(parent);
    const int columns = proxy->columnCount(parent);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const QModelIndex index = proxy->index(r, c, parent);
            if (!index.isValid()) {
                qWarning("invalid proxy index at row %d column %d", r, c);
                return -1;
            }
            const QModelIndex source = proxy->mapToSource(index);
            if (!source.isValid() || proxy->mapFromSource(source) != index) {
                qWarning("cell at row %d column %d does not map back", r, c);
                return -1;
            }
            ++checked;
        }
        const QModelIndex first = proxy->index(r, 0, parent);
        if (proxy->rowCount(first) > 0) {
            const int below = checkRoundTrip(proxy, first);
            if (below < 0)
                return -1;
            checked += below;
        }
    }
    return checked;
}

} // namespace testhelpers
