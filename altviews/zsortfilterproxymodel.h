#pragma once

#include <QMap>
#include <QSortFilterProxyModel>
#include <QStringList>

// A sort and filter proxy with per-column value filters: a row passes when
// the display text of each filtered column is one of that column's allowed
// texts (exact, case-sensitive) and the regular-expression filter of the base
// class passes; a parent passes when any of its children does.
class ZSortFilterProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit ZSortFilterProxyModel(QObject *parent = nullptr);

    void setFilter(int column, const QStringList &values);
    void clearFilter(int column);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    QMap<int, QStringList> m_filters;
};
