#pragma once

#include "qgcenums.h"

#include <QDateTime>

// Calendar arithmetic of the date axis. Units from day upward work on local
// dates and take the first instant of a local day as its start, so a day whose
// midnight falls in a daylight-saving gap still has a start, and days of 23 or
// 25 hours count as one day each.
namespace date_utils {

// The start of the period of the unit that holds d.
QDateTime floor_date(mygc::TimeUnit unit, const QDateTime &d);
// The start of the period after the one starting at d (d must be floored).
QDateTime next_date(mygc::TimeUnit unit, const QDateTime &d);
// Whole units from a to b; -1 for an unknown unit.
qint64 units_between(const QDateTime &a, const QDateTime &b, mygc::TimeUnit unit);

// The start of the next period after d that is strictly later than d, or an
// invalid date-time at the end of the calendar; loops over periods use it so
// that they always move forward.
QDateTime advance(mygc::TimeUnit unit, const QDateTime &d);

// The start of the period n periods after the floored date d (n >= 0),
// computed without walking the periods; invalid beyond the calendar.
QDateTime add_units(mygc::TimeUnit unit, const QDateTime &d, qint64 n);

} // namespace date_utils
