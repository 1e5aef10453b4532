#include "dateutils.h"

#include <limits>

namespace date_utils {

namespace {

QDateTime dayStart(const QDate &date)
{
    if (!date.isValid())
        return QDateTime();
    return date.startOfDay(Qt::LocalTime);
}

qint64 monthDifference(const QDateTime &a, const QDateTime &b)
{
    const QDate da = a.date();
    const QDate db = b.date();
    return (qint64(db.year()) - da.year()) * 12 + db.month() - da.month();
}

} // namespace

QDateTime floor_date(mygc::TimeUnit unit, const QDateTime &d)
{
    const QTime t = d.time();
    const QDate date = d.date();
    switch (unit) {
    case mygc::Second:
        return d.addMSecs(-t.msec());
    case mygc::Minute:
        return d.addMSecs(-(qint64(t.second()) * 1000 + t.msec()));
    case mygc::Hour:
        return d.addMSecs(-((qint64(t.minute()) * 60 + t.second()) * 1000 + t.msec()));
    case mygc::Day:
        return dayStart(date);
    case mygc::Week:
        if (!date.isValid())
            return QDateTime();
        return dayStart(date.addDays(-(date.dayOfWeek() - 1)));
    case mygc::TenDays: {
        if (!date.isValid())
            return QDateTime();
        const int base = (date.dayOfYear() / 10) * 10;
        // Day of year 0 is the last day of the previous year.
        return dayStart(QDate(date.year(), 1, 1).addDays(base - 1));
    }
    case mygc::Month:
        if (!date.isValid())
            return QDateTime();
        return dayStart(QDate(date.year(), date.month(), 1));
    case mygc::Quarter:
        if (!date.isValid())
            return QDateTime();
        return dayStart(QDate(date.year(), ((date.month() - 1) / 3) * 3 + 1, 1));
    case mygc::HalfYear:
        if (!date.isValid())
            return QDateTime();
        return dayStart(QDate(date.year(), ((date.month() - 1) / 6) * 6 + 1, 1));
    case mygc::Year:
        if (!date.isValid())
            return QDateTime();
        return dayStart(QDate(date.year(), 1, 1));
    }
    return QDateTime();
}

QDateTime next_date(mygc::TimeUnit unit, const QDateTime &d)
{
    // Stepping by calendar dates, not by seconds, keeps the result on a
    // period start across daylight-saving changes.
    const QDate date = d.date();
    switch (unit) {
    case mygc::Second:
        return d.addSecs(1);
    case mygc::Minute:
        return d.addSecs(60);
    case mygc::Hour:
        return d.addSecs(3600);
    case mygc::Day:
        return dayStart(date.addDays(1));
    case mygc::Week:
        return dayStart(date.addDays(7));
    case mygc::TenDays:
        return dayStart(date.addDays(10));
    case mygc::Month:
        return dayStart(date.addMonths(1));
    case mygc::Quarter:
        return dayStart(date.addMonths(3));
    case mygc::HalfYear:
        return dayStart(date.addMonths(6));
    case mygc::Year:
        return dayStart(date.addYears(1));
    }
    return d;
}

qint64 units_between(const QDateTime &a, const QDateTime &b, mygc::TimeUnit unit)
{
    switch (unit) {
    case mygc::Second:
        return a.secsTo(b);
    case mygc::Minute:
        return a.secsTo(b) / 60;
    case mygc::Hour:
        return a.secsTo(b) / 3600;
    case mygc::Day:
        return a.daysTo(b);
    case mygc::Week:
        return a.daysTo(b) / 7;
    case mygc::TenDays:
        return a.daysTo(b) / 10;
    case mygc::Month:
        return monthDifference(a, b);
    case mygc::Quarter:
        return monthDifference(a, b) / 3;
    case mygc::HalfYear:
        return monthDifference(a, b) / 6;
    case mygc::Year:
        return qint64(b.date().year()) - a.date().year();
    }
    return -1;
}

QDateTime advance(mygc::TimeUnit unit, const QDateTime &d)
{
    if (!d.isValid())
        return QDateTime();
    QDateTime n = next_date(unit, floor_date(unit, d));
    if (n.isValid() && n <= d) {
        // A period start that the local clock skipped: take the next one.
        n = next_date(unit, floor_date(unit, n));
    }
    if (!n.isValid() || n <= d)
        return QDateTime();
    return n;
}

QDateTime add_units(mygc::TimeUnit unit, const QDateTime &d, qint64 n)
{
    if (!d.isValid() || n < 0)
        return QDateTime();
    const QDate date = d.date();
    const qint64 maxInt = std::numeric_limits<int>::max();
    switch (unit) {
    case mygc::Second:
        return d.addSecs(n);
    case mygc::Minute:
        return d.addSecs(n * 60);
    case mygc::Hour:
        return d.addSecs(n * 3600);
    case mygc::Day:
        return dayStart(date.addDays(n));
    case mygc::Week:
        return dayStart(date.addDays(n * 7));
    case mygc::TenDays:
        return dayStart(date.addDays(n * 10));
    case mygc::Month:
        return n > maxInt ? QDateTime() : dayStart(date.addMonths(int(n)));
    case mygc::Quarter:
        return n * 3 > maxInt ? QDateTime() : dayStart(date.addMonths(int(n * 3)));
    case mygc::HalfYear:
        return n * 6 > maxInt ? QDateTime() : dayStart(date.addMonths(int(n * 6)));
    case mygc::Year:
        return n > maxInt ? QDateTime() : dayStart(date.addYears(int(n)));
    }
    return QDateTime();
}

} // namespace date_utils
