#include "windowmemory.h"

#include "projectloader.h"

#include <QAbstractItemModel>

#include <limits>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace WindowMemory {

namespace {

qint64 g_scale = 1;

// Measured on generated exports of 100,000 to 400,000 activities with 0 to
// 2.4 million relationships (the window's growth from the hand-over to the
// end of Expand All), with about a seventh on top: the tree, proxies and
// chart rows of an activity or a WBS band, the chart's links of a
// relationship, the details' mapping of an assignment. A small project
// needs little beyond what the process already holds: the fixed part stays
// small, so one still opens after a large one was refused.
constexpr qint64 kFixed = qint64(16) << 20;
constexpr qint64 kPerActivity = 1024;
constexpr qint64 kPerWbsNode = 1024;
constexpr qint64 kPerRelationship = 288;
constexpr qint64 kPerAssignment = 64;

qint64 rows(const ProjectLoader &loader, const char *name)
{
    const QAbstractItemModel *model = loader.model(QString::fromLatin1(name));
    return model ? model->rowCount() : 0;
}

} // namespace

qint64 estimate(const ProjectLoader &loader)
{
    const qint64 bytes = kFixed + rows(loader, "ActivityModel") * kPerActivity
            + rows(loader, "PROJWBS") * kPerWbsNode
            + rows(loader, "PredecessorModel") * kPerRelationship
            + rows(loader, "ResourceModel") * kPerAssignment;
    if (bytes > std::numeric_limits<qint64>::max() / g_scale)
        return std::numeric_limits<qint64>::max();
    return bytes * g_scale;
}

void releaseFreed()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

void setEstimateScale(qint64 scale)
{
    g_scale = qMax<qint64>(1, scale);
}

} // namespace WindowMemory
