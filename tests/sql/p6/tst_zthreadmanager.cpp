#include "zthreadmanager.h"
#include "zthreadworker.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QSemaphore>
#include <QSignalSpy>
#include <QtTest>

#include <atomic>

// Answers with its argument, optionally holding its thread until released,
// and notes the thread it is deleted on.
class ProbeWorker : public ZThreadWorker
{
    Q_OBJECT
public:
    ProbeWorker(std::atomic<QThread *> *deletedOn = nullptr, bool blocks = false)
        : m_deletedOn(deletedOn), m_blocks(blocks) {}
    ~ProbeWorker() override { if (m_deletedOn) m_deletedOn->store(QThread::currentThread()); }
    QSemaphore started, release;
    QVariantList seen;
public slots:
    void doWork(QVariant args)
    {
        seen << args;
        if (m_blocks) { started.release(); release.acquire(); }
        emit resultReady(args);
    }
private:
    std::atomic<QThread *> *m_deletedOn;
    bool m_blocks;
};

static QMutex s_logMutex;
static QStringList s_log;
static void captureMessages(QtMsgType, const QMessageLogContext &, const QString &message)
{
    QMutexLocker lock(&s_logMutex);
    s_log << message;
}

static ZThreadWorker *workerOf(const QList<QVariant> &args) { return args.at(0).value<ZThreadWorker *>(); }

class tst_ZThreadManager : public QObject
{
    Q_OBJECT
private slots:
    void defaultWorkerAnswersAfterFiveSeconds();
    void subclassReceivesRunsInOrder();
    void replacingWaitsForRunningJob();
};

void tst_ZThreadManager::defaultWorkerAnswersAfterFiveSeconds()
{
    QLoggingCategory::setFilterRules(QStringLiteral("sv.sql.p6.debug=true"));
    ZThreadManager manager;
    QSignalSpy finished(&manager, &ZThreadManager::loaderFinished);
    const QtMessageHandler previous = qInstallMessageHandler(captureMessages);
    QElapsedTimer timer;
    timer.start();
    emit manager.run(QStringLiteral("hello"));
    const bool answered = finished.wait(20000);
    qInstallMessageHandler(previous);

    QVERIFY(answered);
    QVERIFY(timer.elapsed() >= 5000);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(workerOf(finished.at(0)), manager.worker());
    QMutexLocker lock(&s_logMutex);
    QVERIFY(s_log.contains(QStringLiteral("Parameter passed to ZThreadWorker::doWork QVariant(QString, \"hello\")")));
}

void tst_ZThreadManager::subclassReceivesRunsInOrder()
{
    ZThreadManager manager;
    auto *probe = new ProbeWorker;
    manager.setWorker(probe);
    QList<QThread *> answeredOn;
    connect(&manager, &ZThreadManager::loaderFinished, this, [&] { answeredOn << QThread::currentThread(); });
    QSignalSpy finished(&manager, &ZThreadManager::loaderFinished);
    emit manager.run(1);
    emit manager.run(2);
    emit manager.run(QStringLiteral("three"));
    // Well under the placeholder's five seconds: the subclass slot took the runs.
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 3, 3000);
    QCOMPARE(probe->seen, QVariantList({ 1, 2, QStringLiteral("three") }));
    for (const QList<QVariant> &args : finished)
        QCOMPARE(workerOf(args), probe);
    QCOMPARE(answeredOn, QList<QThread *>() << thread() << thread() << thread());
    QVERIFY(probe->thread() != thread());

    manager.handleResults(QStringLiteral("ignored"));
    QCOMPARE(finished.count(), 4);
    QCOMPARE(workerOf(finished.at(3)), nullptr);
}

void tst_ZThreadManager::replacingWaitsForRunningJob()
{
    std::atomic<QThread *> oldDeletedOn { nullptr }, nextDeletedOn { nullptr };
    auto *manager = new ZThreadManager;
    auto *busy = new ProbeWorker(&oldDeletedOn, true);
    manager->setWorker(busy);
    QSignalSpy finished(manager, &ZThreadManager::loaderFinished);
    emit manager->run(QStringLiteral("long job"));
    QVERIFY(busy->started.tryAcquire(1, 5000));
    QThread *workerThread = busy->thread();

    auto *next = new ProbeWorker(&nextDeletedOn);
    manager->setWorker(next);
    QTest::qWait(50);
    QCOMPARE(oldDeletedOn.load(), nullptr);
    busy->release.release();
    QTRY_COMPARE_WITH_TIMEOUT(oldDeletedOn.load(), workerThread, 3000);
    QCOMPARE(finished.count(), 0); // the replaced worker's late answer reaches nobody

    emit manager->run(QStringLiteral("next job"));
    QVERIFY(finished.wait(3000));
    QCOMPARE(workerOf(finished.at(0)), next);
    QCOMPARE(next->seen, QVariantList({ QStringLiteral("next job") }));

    delete manager; // the last worker goes with its thread, before this returns
    QCOMPARE(nextDeletedOn.load(), workerThread);
}

QTEST_GUILESS_MAIN(tst_ZThreadManager)
#include "tst_zthreadmanager.moc"
