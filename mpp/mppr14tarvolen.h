#pragma once

#include "mpprproject.h"

namespace cfb {
class Storage;
}

namespace mppr14 {

// Reader of the version storage "   114" (three blanks, then 114). This
// generation's field layout is not known, so the reader keeps no field map:
// it checks the property stream and stops there.
class Tarvolen
{
public:
    Tarvolen(cfb::Storage &storage, mppr::Project &project);

    // PropsTooShort when "   114/Props" is missing or shorter than its
    // header, otherwise LayoutNotKnown.
    int read();

    cfb::Storage &storage() const { return m_storage; }
    mppr::Project &project() const { return m_project; }

private:
    cfb::Storage &m_storage;
    mppr::Project &m_project;
};

} // namespace mppr14
