// Loads each XER file named on the command line through XERLoader as the
// application does (read on the global thread pool, progress queued,
// finished() or failed() delivered on this thread) and prints per file:
//   file <path>
//   result <code>
//   model <name> rows <rows> cols <columns>      (one per named model, by name)
//   load_ms <start of the read to finished() or the failure>
//   [further *_ms lines for the activity tree and a value-list filter]
//   peak_rss_mb <peak resident memory of the process so far>
// With --dump NAME before a file, prints instead model NAME after the load as
// tab-separated text: the header captions, then one line per row.

#include "modelhelpers.h"
#include "xerloader.h"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QThreadPool>
#include <QtConcurrent>

#include <cstdio>
#include <memory>

namespace {

long peakRssMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("VmHWM:")) {
            const QByteArray kb = line.mid(6).trimmed().split(' ').value(0);
            return (kb.toLong() + 1023) / 1024;
        }
    }
    return -1;
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

} // namespace

int main(int argc, char **argv)
{
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
        auto loader = std::make_unique<XERLoader>(path, schema);
        int result = 0;
        bool done = false;
        QEventLoop loop;
        QObject receiver;
        QObject::connect(loader.get(), &ProjectLoader::progress, &receiver,
                         [](int, const QString &) {}, Qt::QueuedConnection);
        QObject::connect(loader.get(), &ProjectLoader::finished, &receiver, [&] {
            done = true;
            loop.quit();
        });
        QObject::connect(loader.get(), &ProjectLoader::failed, &receiver, [&](int code) {
            result = code;
            done = true;
            loop.quit();
        });
        QElapsedTimer timer;
        timer.start();
        QFuture<void> future = QtConcurrent::run(QThreadPool::globalInstance(), loader.get(),
                                                 &XERLoader::read);
        if (!done)
            loop.exec();
        const qint64 loadMs = timer.elapsed();
        future.waitForFinished();

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
        printLine(QStringLiteral("peak_rss_mb %1").arg(peakRssMb()));
        std::fflush(stdout);
    }
    return exitCode;
}
