#pragma once

#include <QtGlobal>

namespace mppr {

// One row of the task field tables of the older MPP generations: the 16-bit
// number of a task field identifier and the task field code that the task
// readers ask for.
struct TaskFieldRow
{
    quint16 identifier;
    quint16 code;
};

constexpr int taskFieldRowCount = 923;

// The rows in ascending identifier order; both older generations build their
// tables from this one array.
extern const TaskFieldRow taskFieldRows[taskFieldRowCount];

} // namespace mppr
