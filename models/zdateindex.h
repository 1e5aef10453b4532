#pragma once

#include "zindex.h"

#include <QString>

// A group-by index whose keys are calendar intervals of a date column: the
// year, the quarter (1 to 4), the ISO week, the month (10 to 12 as numbers,
// 1 to 9 as the texts "01" to "09", so that the keys sort in calendar order)
// or the day. A cell that holds no date value is read as text in dateFormat.
class ZDateIndex : public ZIndex
{
public:
    explicit ZDateIndex(const QAbstractItemModel *model = nullptr, int column = -1);

    QVariant itemValue(const QModelIndex &index, int role) const override;
    QVariant displayValue(const QVariant &key) const override;

    // "Year", "Quarter", "Month", "Week" or "Day" (case-sensitive); any other
    // text keys the rows by the raw cell value.
    QString interval = QStringLiteral("Month");
    QString dateFormat = QStringLiteral("dd.MM.yyyy");
};
