#include "localtimecache.h"

#include <limits>

namespace {

constexpr qint64 kDayMs = 24 * 3600 * 1000;
constexpr qint64 kUnixEpochJulianDay = 2440588;

qint64 floorDiv(qint64 a, qint64 b)
{
    return a / b - ((a % b != 0 && (a < 0) != (b < 0)) ? 1 : 0);
}

// Local wall-clock milliseconds of a local date-time, on the same scale as
// epoch milliseconds.
qint64 wallMSecs(const QDate &date, const QTime &time)
{
    return (date.toJulianDay() - kUnixEpochJulianDay) * kDayMs + time.msecsSinceStartOfDay();
}

QDateTime fromWall(qint64 wall)
{
    const qint64 day = floorDiv(wall, kDayMs);
    return QDateTime(QDate::fromJulianDay(day + kUnixEpochJulianDay),
                     QTime::fromMSecsSinceStartOfDay(int(wall - day * kDayMs)), Qt::LocalTime);
}

} // namespace

qint64 LocalTimeCache::toMSecs(const QDateTime &dateTime)
{
    if (dateTime.timeSpec() != Qt::LocalTime || !dateTime.isValid())
        return dateTime.toMSecsSinceEpoch();
    const qint64 wall = wallMSecs(dateTime.date(), dateTime.time());
    const qint64 day = floorDiv(wall, kDayMs);
    auto it = offsets_.constFind(day);
    if (it == offsets_.constEnd()) {
        // The offset just before and just after the day: equal means no
        // change of offset within it (offsets change months apart).
        const qint64 before = day * kDayMs - 1;
        const qint64 after = (day + 1) * kDayMs;
        const QDateTime a = fromWall(before);
        const QDateTime b = fromWall(after);
        qint64 offset = kNoSingleOffset;
        if (a.isValid() && b.isValid()) {
            const qint64 offsetBefore = before - a.toMSecsSinceEpoch();
            const qint64 offsetAfter = after - b.toMSecsSinceEpoch();
            if (offsetBefore == offsetAfter)
                offset = offsetBefore;
        }
        it = offsets_.insert(day, offset);
    }
    if (it.value() == kNoSingleOffset)
        return dateTime.toMSecsSinceEpoch();
    return wall - it.value();
}
