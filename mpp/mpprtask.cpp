#include "mpprtask.h"

namespace mppr {

Task::Task()
{
    const QDateTime &none = Project::NULL_DATE;
    for (QDateTime *d : {&start, &finish, &actualStart, &actualFinish, &earlyStart, &earlyFinish,
                         &lateStart, &lateFinish, &baselineStart, &baselineFinish, &furtherDate})
        *d = none;
    furtherDates.fill(none);
    starts.fill(none);
    finishes.fill(none);
    baselineStarts.fill(none);
    baselineFinishes.fill(none);
}

void Task::addPredecessor(quint32 uniqueId, qint32 lag, quint32 lagFormat, quint16 type)
{
    predecessorUniqueIds.append(uniqueId);
    predecessorLags.append(lag);
    predecessorLagFormats.append(lagFormat);
    predecessorTypes.append(type);
}

} // namespace mppr
