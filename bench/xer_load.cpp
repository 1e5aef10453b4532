// Loads each XER file named on the command line through XERLoader as the
// application does (read on the global thread pool, progress queued,
// finished() or failed() delivered on this thread) and prints per file:
//   file <path>
//   result <code>
//   model <name> rows <rows> cols <columns>      (one per named model, by name)
//   load_ms <start of the read to finished() or the failure>
//   scan_ms <a plain read of the same file and its split into lines and
//            tab-separated fields, the floor the load is measured against;
//            only for a regular file>
//   parent_tree_ms <grouping the activity model by WBS into a parent-item tree>
//   filter_ms <filtering that tree by one value list>
//            (these two only after a load that succeeded, and not under an
//            address-space limit)
//   peak_rss_mb <peak resident memory of the process so far>
// Memory running out in the bench's own work around a load gives
//   bench out of memory after result <code>
// in place of the lines it could not give.
// With --dump NAME before a file, prints instead model NAME after the load as
// tab-separated text: the header captions, then one line per row.

#include "benchenv.h"
#include "modelhelpers.h"
#include "xerfile.h"
#include "xerloader.h"
#include "zfilterdialogproxymodel.h"
#include "zindex.h"
#include "zjoinproxymodel.h"
#include "zparentitemproxymodel.h"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QScopeGuard>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>
#include <map>
#include <memory>
#include <new>

#include <sys/resource.h>

namespace {

// Reads the file into one buffer and splits it into lines and fields,
// keeping the spans of one line at a time: what any reader must do at least.
// Gives the milliseconds taken, or -1 when the file cannot be read (or held).
// Out of line and aligned: its loop times the same whatever code the
// loader inlines around it.
__attribute__((noinline, aligned(64))) qint64 scanFile(const QString &path, qint64 *fieldCount)
{
    QElapsedTimer timer;
    timer.start();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    QByteArray bytes;
    try {
        bytes = file.readAll();
    } catch (const std::bad_alloc &) {
        return -1;
    }
    const char *p = bytes.constData();
    const char *const end = p + bytes.size();
    std::vector<std::pair<int, int>> spans;
    qint64 fields = 0;
    while (p < end) {
        const char *lineEnd = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
        if (!lineEnd)
            lineEnd = end;
        const char *stop = lineEnd > p && lineEnd[-1] == '\r' ? lineEnd - 1 : lineEnd;
        spans.clear();
        const char *field = p;
        for (const char *q = p; q < stop; ++q) {
            if (*q == '\t') {
                spans.emplace_back(int(field - p), int(q - field));
                field = q + 1;
            }
        }
        spans.emplace_back(int(field - p), int(stop - field));
        fields += qint64(spans.size());
        p = lineEnd + 1;
    }
    *fieldCount = fields;
    return timer.elapsed();
}

bool underMemoryLimit()
{
    rlimit limit{};
    return getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY;
}

void printLine(const QString &text)
{
    std::fputs(text.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
}

QString cellText(const QVariant &value)
{
    QString text = value.toString();
    for (QChar &c : text) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    }
    return text;
}

void dumpModel(const QAbstractItemModel *model)
{
    const int columns = model->columnCount();
    QStringList header;
    for (int c = 0; c < columns; ++c)
        header << cellText(model->headerData(c, Qt::Horizontal, Qt::DisplayRole));
    printLine(header.join(QLatin1Char('\t')));
    const int rows = model->rowCount();
    for (int r = 0; r < rows; ++r) {
        QStringList cells;
        for (int c = 0; c < columns; ++c)
            cells << cellText(model->index(r, c).data(Qt::DisplayRole));
        printLine(cells.join(QLatin1Char('\t')));
    }
}

// Groups the activities by WBS as the activities pane does: an index over the
// activities' "wbs_id" with the WBS tree as key structure, one band row per
// WBS node appended to the activity model's structure table, and the tree
// handed to a parent-item proxy. Gives the milliseconds taken.
qint64 buildWbsTree(ProjectLoader *loader, ZParentItemProxyModel *tree)
{
    auto *join = qobject_cast<ZJoinProxyModel *>(loader->model(QStringLiteral("ActivityModel")));
    QAbstractItemModel *wbs = loader->model(QStringLiteral("PROJWBS"));
    QElapsedTimer timer;
    timer.start();
    QAbstractItemModel *structure = join->sourceModel();
    tree->setSourceModel(join);
    tree->setParentStructure(columnIndex(structure, QStringLiteral("ID")),
                             columnIndex(structure, QStringLiteral("parentID")));

    ZIndex index(join, columnIndex(join, QStringLiteral("wbs_id")));
    index.createStructure(wbs, columnIndex(wbs, QStringLiteral("wbs_id")),
                          columnIndex(wbs, QStringLiteral("parent_wbs_id")), 3);
    index.group(Qt::DisplayRole);

    const int groupColumn = columnIndex(structure, QStringLiteral("Group"));
    const int base = structure->rowCount();
    ParentStructure parents;
    QList<QVariant> keys;
    structure->blockSignals(true);
    structure->insertRows(base, int(index.size()));
    int r = base;
    for (const auto &entry : index) {
        structure->setData(structure->index(r, groupColumn), entry.second.display, Qt::DisplayRole);
        QList<int> rows = entry.second.rows.values();
        std::sort(rows.begin(), rows.end());
        parents[r] = rows;
        keys.append(entry.first);
        ++r;
    }
    structure->blockSignals(false);
    std::map<QVariant, int, VariantLess> position;
    for (int i = 0; i < keys.size(); ++i)
        position.emplace(keys.at(i), i);
    for (int i = 0; i < keys.size(); ++i) {
        const auto it = position.find(index.at(keys.at(i)).parent);
        parents[it == position.end() ? -1 : base + it->second].append(base + i);
    }
    tree->setParentStructure(parents);
    return timer.elapsed();
}

int countRows(const QAbstractItemModel *model, const QModelIndex &parent)
{
    const int rows = model->rowCount(parent);
    int total = rows;
    for (int r = 0; r < rows; ++r)
        total += countRows(model, model->index(r, 0, parent));
    return total;
}

// Filters the tree by one value list ("Activity Type" is "Milestone") and
// walks the whole filtered tree, as a fully expanded view would.
qint64 filterTree(ZParentItemProxyModel *tree, ZFilterDialogProxyModel *filter, int *shown)
{
    filter->setSourceModel(tree);
    QElapsedTimer timer;
    timer.start();
    filter->setFilter(columnIndex(tree, QStringLiteral("Activity Type")), {QStringLiteral("Milestone")});
    *shown = countRows(filter, QModelIndex());
    return timer.elapsed();
}

int measure(int argc, char **argv)
{
    disableUpdateCheck();
    QCoreApplication app(argc, argv);
    // The bench prints its own lines; the loader's timing log stays quiet.
    QLoggingCategory::setFilterRules(QStringLiteral("sv.*.info=false\nsv.*.debug=false\nsv.models.warning=false"));

    const QJsonDocument schema = QJsonDocument::fromJson(readFile(QStringLiteral(":/files/schema.json")).toUtf8());
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: xer_load [--dump NAME] file...\n");
        return 2;
    }
    QString dumpName;
    int exitCode = 0;
    for (int i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--dump") && i + 1 < args.size()) {
            dumpName = args.at(++i);
            continue;
        }
        const QString path = args.at(i);
        std::unique_ptr<XERLoader> loader;
        try {
            loader = std::make_unique<XERLoader>(path, schema);
        } catch (const std::bad_alloc &) {
            // As in the window: no memory for the loader fails the open.
            std::printf("result %d\n", int(xer::XERFile::OutOfMemory));
            exitCode = 1;
            continue;
        }
        // The bench's own work around the load (its timer, its figures) can
        // run out of memory too: that is reported as the bench's, after the
        // read has ended, and the next file is measured.
        try {
            int result = 0;
            bool done = false;
            QEventLoop loop;
            // Each connection has one object at both ends: memory running out
            // while Qt links a connection into another receiver leaves half
            // of it in the sender.
            QObject::connect(loader.get(), &ProjectLoader::progress, loader.get(),
                             [](int, const QString &) {}, Qt::QueuedConnection);
            QObject::connect(loader.get(), &ProjectLoader::finished, loader.get(), [&] {
                done = true;
                loop.quit();
            });
            QObject::connect(loader.get(), &ProjectLoader::failed, loader.get(), [&](int code) {
                result = code;
                done = true;
                loop.quit();
            });
            // The loader and what the read reports to outlive the read,
            // whatever fails here.
            QFuture<void> future;
            const auto waitForRead = qScopeGuard([&future] { future.waitForFinished(); });
            QElapsedTimer timer;
            timer.start();
            future = QtConcurrent::run(QThreadPool::globalInstance(), loader.get(), &XERLoader::read);
            // A report that could not be queued for want of memory: the read's
            // end is seen from its future, behind anything it queued.
            QTimer ended;
            QObject::connect(&ended, &QTimer::timeout, &ended, [&] {
                if (future.isFinished())
                    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
            });
            ended.start(50);
            if (!done)
                loop.exec();
            ended.stop();
            const qint64 loadMs = timer.elapsed();
            future.waitForFinished();
            result = loader->readResult();

            if (!dumpName.isEmpty()) {
                QAbstractItemModel *model = loader->model(dumpName);
                if (!model) {
                    std::fprintf(stderr, "no model %s\n", dumpName.toUtf8().constData());
                    exitCode = 1;
                } else {
                    dumpModel(model);
                }
                dumpName.clear();
                continue;
            }
            printLine(QStringLiteral("file %1").arg(path));
            printLine(QStringLiteral("result %1").arg(result));
            const QStringList names = loader->modelNames();
            for (const QString &name : names) {
                const QAbstractItemModel *model = loader->model(name);
                printLine(QStringLiteral("model %1 rows %2 cols %3")
                                  .arg(name)
                                  .arg(model->rowCount())
                                  .arg(model->columnCount()));
            }
            printLine(QStringLiteral("load_ms %1").arg(loadMs));
            // A pipe or device cannot be read a second time: no floor for it.
            if (QFileInfo(path).isFile()) {
                qint64 scannedFields = 0;
                printLine(QStringLiteral("scan_ms %1").arg(scanFile(path, &scannedFields)));
            }
            // What the load left out or changed, beside the figures.
            const QString report = loader->loadReport();
            if (!report.isEmpty())
                std::fprintf(stderr, "%s\n", report.toUtf8().constData());
            // Qt's proxy models end the process when memory runs out inside them:
            // under an address-space limit the figures past the load are left out.
            if (result == 0 && underMemoryLimit()) {
                std::fprintf(stderr, "parent_tree_ms and filter_ms left out under an address-space limit\n");
            } else if (result == 0 && loader->model(QStringLiteral("ActivityModel"))
                       && loader->model(QStringLiteral("PROJWBS"))) {
                ZParentItemProxyModel tree;
                ZFilterDialogProxyModel filter;
                printLine(QStringLiteral("parent_tree_ms %1").arg(buildWbsTree(loader.get(), &tree)));
                int shown = 0;
                printLine(QStringLiteral("filter_ms %1").arg(filterTree(&tree, &filter, &shown)));
            }
            printLine(QStringLiteral("peak_rss_mb %1").arg(peakRssMb()));
        } catch (const std::bad_alloc &) {
            std::printf("bench out of memory after result %d\n", loader->readResult());
            exitCode = 1;
        }
        std::fflush(stdout);
    }
    return exitCode;
}

} // namespace

int main(int argc, char **argv)
{
    // Memory running out in the bench's own start (Qt's application, the
    // schema) ends it with a line, not on an uncaught exception.
    try {
        return measure(argc, argv);
    } catch (const std::bad_alloc &) {
        std::fputs("xer_load: out of memory outside the load\n", stderr);
        return 3;
    }
}
