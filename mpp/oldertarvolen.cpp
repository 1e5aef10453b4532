#include "oldertarvolen.h"

#include "cfbstorage.h"
#include "cfbstream.h"
#include "mppr12field.h"
#include "mppr9field.h"

#include <string>

namespace mppr {

template<typename F>
int OlderTarvolen<F>::read()
{
    cfb::Stream props(&m_storage, std::string(m_versionStorage) + "/Props");
    if (props.fail() || props.size() < Project::PropsHeaderSize)
        return Project::PropsTooShort;
    // Where the task field map lies inside the properties is not known, so
    // no field map can be read from them yet.
    return Project::LayoutNotKnown;
}

template<typename F>
int OlderTarvolen<F>::readTasks()
{
    const F uniqueId = F::getFieldByCode(typename F::FieldGroup(F::TaskGroupValue), UniqueIdCode,
                                         m_taskFieldMap);
    if (uniqueId.isDefault())
        return Project::NoUniqueIdField;
    return Project::LayoutNotKnown;
}

template class OlderTarvolen<mppr9::Field>;
template class OlderTarvolen<mppr12::Field>;

} // namespace mppr
