#include "mpprproject.h"

#include "mpprassignment.h"
#include "mpprresource.h"
#include "mpprtask.h"

namespace mppr {

const QDateTime Project::NULL_DATE = QDateTime::fromMSecsSinceEpoch(441676800000LL, Qt::UTC);

Project::Project(const QString &fileName)
    : m_fileName(fileName)
{
}

Project::~Project()
{
    clear();
}

void Project::addTask(const Task &task)
{
    Task *copy = new Task(task);
    Task *&slot = m_tasks[task.uniqueId];
    delete slot;
    slot = copy;
}

void Project::addResource(quint32 uniqueId, Resource *resource)
{
    Resource *&slot = m_resources[uniqueId];
    if (slot != resource)
        delete slot;
    slot = resource;
}

void Project::addAssignment(Assignment *assignment)
{
    if (assignment)
        m_assignments.append(assignment);
}

void Project::clear()
{
    qDeleteAll(m_tasks);
    m_tasks.clear();
    qDeleteAll(m_resources);
    m_resources.clear();
    qDeleteAll(m_assignments);
    m_assignments.clear();
    m_userType.clear();
    m_progId.clear();
    m_formatName.clear();
    m_versionStorage.clear();
}

} // namespace mppr
