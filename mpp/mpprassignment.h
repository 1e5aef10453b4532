#pragma once

#include <QDateTime>

#include <array>

namespace mppr {

// A resource assignment as the newest generation's reader would fill it,
// owned by the project; nothing here reads its fields.
struct Assignment
{
    quint32 resourceUniqueId = 0;
    quint32 taskUniqueId = 0;
    quint32 uniqueId = 0;
    std::array<double, 12> numbers = {};
    std::array<QDateTime, 4> dates;
    double furtherNumber = 0;
};

} // namespace mppr
