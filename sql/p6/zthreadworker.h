#pragma once

#include <QObject>
#include <QVariant>

// Base of the objects a ZThreadManager runs on its thread. A subclass takes
// over the work by declaring its own slot doWork(QVariant): the manager
// connects by signature, so the most derived slot of that name is the one
// called. A worker is created without a parent, since it is moved to the
// manager's thread.
class ZThreadWorker : public QObject
{
    Q_OBJECT
public:
    ZThreadWorker();
    ~ZThreadWorker() override;

public slots:
    // Placeholder work: logs the argument, keeps the thread busy for five
    // seconds and answers "All done".
    void doWork(const QVariant &args);

signals:
    void resultReady(QVariant result);
};
