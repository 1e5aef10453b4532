#include "zthreadmanager.h"

#include "zthreadworker.h"

ZThreadManager::ZThreadManager(QObject *parent)
    : QObject(parent)
{
    // Owners may take loaderFinished across threads.
    qRegisterMetaType<ZThreadWorker *>();
    setWorker(new ZThreadWorker);
}

ZThreadManager::~ZThreadManager()
{
    m_thread.quit();
    m_thread.wait();
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
        // The old worker may be inside doWork right now; its deletion is
        // queued behind that job on its own thread.
        m_worker->deleteLater();
    }

    m_worker = worker;
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, SIGNAL(finished()), m_worker, SLOT(deleteLater()));
    connect(this, SIGNAL(run(QVariant)), m_worker, SLOT(doWork(QVariant)));
    connect(m_worker, SIGNAL(resultReady(QVariant)), this, SLOT(handleResults(QVariant)));
    m_thread.start(QThread::InheritPriority);
}

void ZThreadManager::handleResults(const QVariant &result)
{
    Q_UNUSED(result)
    // The answer itself stays with the worker; the owner reads it from there.
    emit loaderFinished(qobject_cast<ZThreadWorker *>(sender()));
}
