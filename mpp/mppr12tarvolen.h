#pragma once

#include "mppr12field.h"
#include "oldertarvolen.h"

namespace mppr12 {

// Reader of the version storage "   112" (three blanks, then the number).
class Tarvolen : public mppr::OlderTarvolen<Field>
{
public:
    Tarvolen(cfb::Storage &storage, mppr::Project &project)
        : OlderTarvolen(storage, project, "   112")
    {
    }
};

} // namespace mppr12
