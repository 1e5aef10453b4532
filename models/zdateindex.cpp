#include "zdateindex.h"

#include <QDate>

namespace {

// Captions of the group keys, kept here so that the index stands on its own.
QString quarterText(const QVariant &key)
{
    return QStringLiteral("Q%1").arg(key.toInt());
}

QString weekText(const QVariant &key)
{
    return QStringLiteral("Week %1").arg(key.toInt());
}

QString monthText(const QVariant &key)
{
    static const char *const names[] = { "January", "February", "March",     "April",
                                         "May",     "June",     "July",      "August",
                                         "September", "October", "November", "December" };
    const int month = key.toInt();
    if (month < 1 || month > 12)
        return QString();
    return QString::fromLatin1(names[month - 1]);
}

QString dayText(const QVariant &key)
{
    return key.toDate().toString(QStringLiteral("dd MMMM"));
}

} // namespace

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
        return quarterText(key);
    if (interval == QLatin1String("Week"))
        return weekText(key);
    if (interval == QLatin1String("Month"))
        return monthText(key);
    if (interval == QLatin1String("Day"))
        return dayText(key);
    return key;
}
