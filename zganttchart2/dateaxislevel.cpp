#include "dateaxislevel.h"

namespace mygc {

class DateAxisLevelPrivate
{
public:
    TimeUnit unit_ = Day;
    DateAxis *axis_ = nullptr; // Not owned.
};

DateAxisLevel::DateAxisLevel(QObject *parent)
    : QObject(parent)
    , d(new DateAxisLevelPrivate)
{
}

DateAxisLevel::~DateAxisLevel() = default;

int DateAxisLevel::height() const
{
    return kHeight;
}

TimeUnit DateAxisLevel::timeUnit() const
{
    return d->unit_;
}

void DateAxisLevel::setTimeUnit(TimeUnit unit)
{
    d->unit_ = unit;
}

DateAxis *DateAxisLevel::dateAxis() const
{
    return d->axis_;
}

void DateAxisLevel::setDateAxis(DateAxis *axis)
{
    d->axis_ = axis;
}

} // namespace mygc
