#include "zthreadworker.h"

#include "sqlp6logging.h"

#include <QElapsedTimer>

ZThreadWorker::ZThreadWorker()
    : QObject(nullptr)
{
}

ZThreadWorker::~ZThreadWorker() = default;

void ZThreadWorker::doWork(const QVariant &args)
{
    qCDebug(lcSqlP6) << "Parameter passed to ZThreadWorker::doWork" << args;
    // Deliberately busy: it stands in for a job that holds its thread.
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 5000) {
    }
    emit resultReady(QVariant(QStringLiteral("All done")));
}
