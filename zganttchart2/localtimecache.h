#pragma once

#include <QDateTime>
#include <QHash>

#include <limits>

// Converts many date-times to milliseconds since the epoch. A local
// date-time normally costs a trip through the C library's time-zone code per
// conversion; this cache asks it twice per distinct local day instead and
// falls back to the exact conversion on days with a change of offset. Meant for one batch of work: the time zone must not change while
// a cache is in use.
class LocalTimeCache
{
public:
    qint64 toMSecs(const QDateTime &dateTime);
    void clear() { offsets_.clear(); }

private:
    static constexpr qint64 kNoSingleOffset = std::numeric_limits<qint64>::min();
    QHash<qint64, qint64> offsets_; // local day -> local minus UTC milliseconds
};
