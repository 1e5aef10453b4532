#pragma once

#include <QString>

namespace mppr {

// An MPP resource, owned by the project. Only the newest generation's reader
// would fill it; nothing here reads its fields.
class Resource
{
public:
    Resource() = default;
    virtual ~Resource();

    quint32 uniqueId = 0;
    QString name;
};

} // namespace mppr
