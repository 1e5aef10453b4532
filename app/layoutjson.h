#pragma once

#include <QString>

class LayoutTarget;

// The layout document: a JSON object with "columns", "sortby", "filters",
// "group", "outline", "bars" and "barStyles". Other keys are ignored; a
// text that is not a JSON object is applied as an object without keys.
class LayoutJson
{
public:
    enum ApplyResult { Applied = 0, EmptyText = 1, NoHeader = 2 };

    static ApplyResult apply(const QString &layout, LayoutTarget &target);
    // The compact JSON text of the target's current state.
    static QString build(const LayoutTarget &target);
};
