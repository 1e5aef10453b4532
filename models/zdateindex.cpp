#include "zdateindex.h"

#include "captions.h"

#include <QDate>

ZDateIndex::ZDateIndex(const QAbstractItemModel *model, int column)
    : ZIndex(model, column)
{
}

QVariant ZDateIndex::itemValue(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    const QVariant cell = index.data(role);
    QDate date = cell.toDate();
    if (!date.isValid())
        date = QDate::fromString(cell.toString(), dateFormat);
    if (!date.isValid())
        return QVariant();

    if (interval == QLatin1String("Year"))
        return date.year();
    if (interval == QLatin1String("Quarter"))
        return qRound(date.month() / 3.0 + 0.25);
    if (interval == QLatin1String("Week"))
        return date.weekNumber();
    if (interval == QLatin1String("Month")) {
        const int month = date.month();
        if (month >= 10)
            return month;
        return QStringLiteral("0%1").arg(month);
    }
    if (interval == QLatin1String("Day"))
        return date;
    return cell;
}

QVariant ZDateIndex::displayValue(const QVariant &key) const
{
    if (!key.isValid())
        return QVariant();
    if (interval == QLatin1String("Quarter"))
        return quarterCaption(key);
    if (interval == QLatin1String("Week"))
        return weekCaption(key);
    if (interval == QLatin1String("Month"))
        return monthCaption(key);
    if (interval == QLatin1String("Day"))
        return dayCaption(key);
    return key;
}
