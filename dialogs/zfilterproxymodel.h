#pragma once

#include <QSortFilterProxyModel>

// The proxy over a filter pop-up's value list: the search field's pattern
// filters the rows of column 0, except the "(Select All)" row (top-level row
// 0), which always stays. No item can be edited through it.
class ZFilterProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit ZFilterProxyModel(QObject *parent = nullptr);

    Qt::ItemFlags flags(const QModelIndex &index) const override;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;
};
