#pragma once

#include <QRegExp>
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

    // Sets the search pattern (case-insensitive wildcards) as a reset.
    void setSearch(const QString &pattern);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    QRegExp m_search{QString(), Qt::CaseInsensitive, QRegExp::Wildcard};
};
