#pragma once

#include "mppr9field.h"
#include "oldertarvolen.h"

namespace mppr9 {

// Reader of the version storage "   19" (three blanks, then the number).
class Tarvolen : public mppr::OlderTarvolen<Field>
{
public:
    Tarvolen(cfb::Storage &storage, mppr::Project &project)
        : OlderTarvolen(storage, project, "   19")
    {
    }
};

} // namespace mppr9
