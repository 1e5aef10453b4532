#pragma once

#include "mpprproject.h"

#include <QDateTime>

#include <array>

namespace mppr {

// A resource assignment as the newest generation's reader would fill it,
// owned by the project; nothing here reads its fields. Its dates start as
// Project::NULL_DATE (no date), like every date of the model.
struct Assignment
{
    Assignment() { dates.fill(Project::NULL_DATE); }

    quint32 resourceUniqueId = 0;
    quint32 taskUniqueId = 0;
    quint32 uniqueId = 0;
    std::array<double, 12> numbers = {};
    std::array<QDateTime, 4> dates;
    double furtherNumber = 0;
};

} // namespace mppr
