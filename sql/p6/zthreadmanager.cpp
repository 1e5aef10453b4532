#include "zthreadmanager.h"

#include "threadhandoff.h"
#include "zthreadworker.h"

namespace {

// The worker is made and configured on the owner's thread, runs on its own,
// and is read by the owner again after its answer; the queued signals and the
// wait that order this synchronise inside Qt, out of the thread sanitizer's
// sight. Each hand-over is released as a request or an answer is sent and
// acquired before it is handled. One key serves every manager: a mark that
// runs on the worker's thread must read nothing (not even a capture) first.
const char kHandOff = 0;

void releaseHandOff()
{
    threadhandoff::release(&kHandOff);
}

void acquireHandOff()
{
    threadhandoff::acquire(&kHandOff);
}

} // namespace

ZThreadManager::ZThreadManager(QObject *parent)
    : QObject(parent)
{
    // Owners may take loaderFinished across threads.
    qRegisterMetaType<ZThreadWorker *>();
    connect(this, &ZThreadManager::run, this, [] { releaseHandOff(); }, Qt::DirectConnection);
    // Ahead of the worker's deleteLater: the worker dies on its own thread.
    connect(&m_thread, &QThread::finished, this, [] { acquireHandOff(); }, Qt::DirectConnection);
    setWorker(new ZThreadWorker);
}

ZThreadManager::~ZThreadManager()
{
    // A long job (a P6 login's hashing) checks for this and gives up.
    m_thread.requestInterruption();
    // The worker is deleted on its own thread as that thread finishes; its
    // connections from the manager go first, so its end reads nothing of the
    // manager.
    disconnect(this, nullptr, m_worker, nullptr);
    releaseHandOff();
    m_thread.quit();
    m_thread.wait();
    acquireHandOff();
}

void ZThreadManager::setWorker(ZThreadWorker *worker)
{
    Q_ASSERT(worker);
    if (!worker || worker == m_worker)
        return;

    if (m_worker) {
        disconnect(&m_thread, SIGNAL(finished()), m_worker, SLOT(deleteLater()));
        disconnect(this, SIGNAL(run(QVariant)), m_worker, SLOT(doWork(QVariant)));
        disconnect(m_worker, SIGNAL(resultReady(QVariant)), this, SLOT(handleResults(QVariant)));
        // And the hand-over marks that came with it.
        disconnect(this, &ZThreadManager::run, m_worker, nullptr);
        disconnect(m_worker, &ZThreadWorker::resultReady, this, nullptr);
        // The old worker may be inside doWork right now; its deletion is
        // queued behind that job on its own thread.
        m_worker->deleteLater();
    }

    m_worker = worker;
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, SIGNAL(finished()), m_worker, SLOT(deleteLater()));
    // Queued ahead of doWork, so it runs on the worker's thread just before.
    connect(this, &ZThreadManager::run, m_worker, [] { acquireHandOff(); });
    connect(this, SIGNAL(run(QVariant)), m_worker, SLOT(doWork(QVariant)));
    // On the worker's thread, after the answer is written and before it is sent.
    connect(m_worker, &ZThreadWorker::resultReady, this, [] { releaseHandOff(); }, Qt::DirectConnection);
    connect(m_worker, SIGNAL(resultReady(QVariant)), this, SLOT(handleResults(QVariant)));
    m_thread.start(QThread::InheritPriority);
}

void ZThreadManager::handleResults(const QVariant &result)
{
    Q_UNUSED(result)
    acquireHandOff();
    // The answer itself stays with the worker; the owner reads it from there.
    emit loaderFinished(qobject_cast<ZThreadWorker *>(sender()));
}
