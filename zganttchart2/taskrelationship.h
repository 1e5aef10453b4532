#pragma once

#include "qgcenums.h"

namespace mygc {

// A link between two tasks, by their positions in the chart's task list.
class TaskRelationship
{
public:
    TaskRelationship() = default;
    TaskRelationship(int fromTask, int toTask, RelationType relationType, long long relationLag);
    virtual ~TaskRelationship();

    virtual void setType(RelationType relationType) { type = relationType; }

    int from = 0;  // Predecessor's position.
    int to = 0;    // Successor's position.
    RelationType type = StartToStart;
    long long lag = 0;
};

// The link type of a relation text: "PR_FS", "PR_SF" and "PR_FF"; any other
// text is start-to-start.
RelationType relationTypeFromText(const QString &text);

} // namespace mygc
