#include "mppr14tarvolen.h"

#include "cfbstorage.h"
#include "cfbstream.h"

namespace mppr14 {

Tarvolen::Tarvolen(cfb::Storage &storage, mppr::Project &project)
    : m_storage(storage)
    , m_project(project)
{
}

int Tarvolen::read()
{
    cfb::Stream props(&m_storage, "   114/Props");
    if (props.fail() || props.size() < mppr::Project::PropsHeaderSize)
        return mppr::Project::PropsTooShort;
    return mppr::Project::LayoutNotKnown;
}

} // namespace mppr14
