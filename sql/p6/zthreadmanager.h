#pragma once

#include <QObject>
#include <QThread>
#include <QVariant>

class ZThreadWorker;

// Owns one thread and the one worker that lives on it. The owner emits
// run(argument); the worker's doWork runs on the thread and answers with
// resultReady; the manager passes that on as loaderFinished(worker) on its
// own thread. Runs are executed one after the other in the order emitted.
class ZThreadManager : public QObject
{
    Q_OBJECT
public:
    explicit ZThreadManager(QObject *parent = nullptr);
    // Ends the thread after the running job, if any; the last worker is
    // deleted as the thread finishes.
    ~ZThreadManager() override;

    // Installs `worker` (created without parent) and takes ownership. The
    // previous worker is disconnected and deleted on the worker thread once
    // the job it may be running has returned.
    void setWorker(ZThreadWorker *worker);
    ZThreadWorker *worker() const { return m_worker; }

signals:
    void run(QVariant args);
    void loaderFinished(ZThreadWorker *worker);

public slots:
    void handleResults(const QVariant &result);

private:
    QThread m_thread;
    ZThreadWorker *m_worker = nullptr; // Owned; lives on m_thread.
};
