#include "windowmemory.h"

#include "memoryroom.h"
#include "projectloader.h"
#include "readheappadding.h"

#include <QAbstractItemModel>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace WindowMemory {

namespace {

qint64 g_scale = 1;
qint64 g_heapFree = -1;
qint64 g_heapInUse = -1;

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
// The start's address space beyond what main() finds mapped, measured under
// limits in 1 MiB steps at 1366x768: below it the start crashed or hung in
// some run, showed a window its painter could not draw, or ended on the
// first Ctrl+O, in the file dialog; above it every run showed the window
// whole and opened that dialog. A window system's plugin loads xcb, GL and
// font libraries and starts the event reader's and D-Bus's threads; a
// platform that draws nowhere needs little of that.
constexpr qint64 kStartOnScreen = qint64(50) << 20;
constexpr qint64 kStartOffScreen = qint64(5) << 20;

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

qint64 heapFreeInReport(const char *report)
{
    // Nothing here allocates: memory may be short.
    const char *heap = std::strstr(report, "<heap nr=\"0\">");
    const char *end = heap ? std::strstr(heap, "</heap>") : nullptr;
    const char *rest = end ? std::strstr(heap, "<total type=\"rest\" ") : nullptr;
    const char *bytes = rest ? std::strstr(rest, "size=\"") : nullptr;
    return bytes && bytes < end ? qMax(0LL, std::strtoll(bytes + 6, nullptr, 10)) : 0;
}

// glibc tells an arena's free bytes only in malloc_info's
// report. The top chunk is not in its bins: a trim has just given it back.
qint64 heapFree()
{
    if (g_heapFree >= 0)
        return g_heapFree;
    qint64 free = 0;
#if defined(__GLIBC__)
    char *text = nullptr;
    size_t size = 0;
    FILE *out = open_memstream(&text, &size);
    if (!out)
        return 0;
    malloc_info(0, out);
    std::fclose(out);
    if (!text)
        return 0;
    free = heapFreeInReport(text);
    std::free(text);
#endif
    return free;
}

qint64 reusable(qint64 estimate)
{
    return qMin(heapFree(), estimate / 4 * 3);
}

qint64 keptShare(qint64 kept, qint64 keptEstimate, qint64 estimate)
{
    if (estimate >= keptEstimate)
        return kept;
    // In double: the product of two estimates may pass qint64's range.
    return qint64(double(kept) * double(estimate) / double(keptEstimate));
}

qint64 heapInUse()
{
    if (g_heapInUse >= 0)
        return g_heapInUse;
#if defined(__GLIBC__) && __GLIBC_PREREQ(2, 33)
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks) + qint64(info.hblkhd);
#else
    return 0;
#endif
}

void releaseFreed()
{
    ReadHeapPadding::releaseFreed();
}

const char *startRefusal(int argc, char **argv)
{
    // Read as QGuiApplication reads it: the argument wins over the
    // environment, and options may follow the name after a colon.
    const char *platform = std::getenv("QT_QPA_PLATFORM");
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            platform = argv[++i];
    }
    const auto is = [platform](const char *name) {
        const size_t length = std::strlen(name);
        return platform && std::strncmp(platform, name, length) == 0
                && (platform[length] == '\0' || platform[length] == ':');
    };
    if (memoryroom::available(is("offscreen") ? kStartOffScreen : kStartOnScreen))
        return nullptr;
    return "There is not enough memory to start the viewer.\n";
}

void setEstimateScale(qint64 scale)
{
    g_scale = qMax<qint64>(1, scale);
}

void setHeap(qint64 free, qint64 inUse)
{
    g_heapFree = free;
    g_heapInUse = inUse;
}

} // namespace WindowMemory
