#pragma once

#include "mpprproject.h"

#include <QString>

class tst_MppProject;

namespace cfb {
class Storage;
}

namespace mppr {

// The reader of one file of an older MPP generation, over the open compound
// file and the project to fill. It stops where the file's layout is no
// longer known: it checks the generation's property stream and, for tasks,
// that the file's task field map names the unique id; it stores no record.
template<typename F>
class OlderTarvolen
{
public:
    OlderTarvolen(cfb::Storage &storage, Project &project, const char *versionStorage)
        : m_storage(storage)
        , m_project(project)
        , m_versionStorage(versionStorage)
    {
    }

    // PropsTooShort when "<version>/Props" is missing or shorter than its
    // header, otherwise LayoutNotKnown.
    int read();
    // NoUniqueIdField when the task field map lacks the unique id (code 906),
    // otherwise LayoutNotKnown.
    int readTasks();

    cfb::Storage &storage() const { return m_storage; }
    Project &project() const { return m_project; }

    static constexpr int UniqueIdCode = 906;

protected:
    friend class ::tst_MppProject;

    cfb::Storage &m_storage;
    Project &m_project;
    const char *m_versionStorage;
    typename F::FieldMap m_taskFieldMap;
};

} // namespace mppr
