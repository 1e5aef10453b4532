#include "taskrelationship.h"

#include <QString>

namespace mygc {

TaskRelationship::TaskRelationship(int fromTask, int toTask, RelationType relationType,
                                   long long relationLag)
    : from(fromTask)
    , to(toTask)
    , type(relationType)
    , lag(relationLag)
{
}

TaskRelationship::~TaskRelationship() = default;

RelationType relationTypeFromText(const QString &text)
{
    if (text == QLatin1String("PR_FS"))
        return FinishToStart;
    if (text == QLatin1String("PR_SF"))
        return StartToFinish;
    if (text == QLatin1String("PR_FF"))
        return FinishToFinish;
    return StartToStart;
}

} // namespace mygc
