#include "zthreadmanager.h"
#include "zthreadworker.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QSemaphore>
#include <QSignalSpy>
#include <QtTest>

#include <atomic>

// Answers with its argument; can be told to hold its thread until released,
// and notes the thread it was deleted on.
class ProbeWorker : public ZThreadWorker
{
    Q_OBJECT
public:
    explicit ProbeWorker(std::atomic<QThread *> *deletedOn = nullptr, bool blocks = false)
        : m_deletedOn(deletedOn)
        , m_blocks(blocks)
    {
    }
    ~ProbeWorker() override
    {
        if (m_deletedOn)
            m_deletedOn->store(QThread::currentThread());
    }

    QSemaphore started;
    QSemaphore release;
    QVariantList seen;

public slots:
    void doWork(QVariant args)
    {
        seen << args;
        if (m_blocks) {
            started.release();
            release.acquire();
        }
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

static QStringList capturedLog()
{
    QMutexLocker lock(&s_logMutex);
    return s_log;
}

class tst_ZThreadManager : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void defaultWorkerAnswersAfterFiveSeconds();
    void subclassReceivesRunsInOrder();
    void handleResultsCalledDirectly();
    void replacingWaitsForRunningJob();
    void destructionEndsThreadAndWorker();
};

void tst_ZThreadManager::initTestCase()
{
    QLoggingCategory::setFilterRules(QStringLiteral("sv.sql.p6.debug=true"));
}

void tst_ZThreadManager::init()
{
    QMutexLocker lock(&s_logMutex);
    s_log.clear();
}

void tst_ZThreadManager::defaultWorkerAnswersAfterFiveSeconds()
{
    ZThreadManager manager;
    ZThreadWorker *worker = manager.worker();
    QVERIFY(worker);
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
    QCOMPARE(finished.at(0).at(0).value<ZThreadWorker *>(), worker);
    QVERIFY(capturedLog().contains(
        QStringLiteral("Parameter passed to ZThreadWorker::doWork QVariant(QString, \"hello\")")));
}

void tst_ZThreadManager::subclassReceivesRunsInOrder()
{
    ZThreadManager manager;
    auto *probe = new ProbeWorker;
    manager.setWorker(probe);
    QCOMPARE(manager.worker(), probe);

    QList<QThread *> answeredOn;
    connect(&manager, &ZThreadManager::loaderFinished, this,
            [&answeredOn] { answeredOn << QThread::currentThread(); });
    QSignalSpy finished(&manager, &ZThreadManager::loaderFinished);
    const QtMessageHandler previous = qInstallMessageHandler(captureMessages);
    emit manager.run(1);
    emit manager.run(2);
    emit manager.run(QStringLiteral("three"));
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 3, 3000);
    qInstallMessageHandler(previous);

    QCOMPARE(probe->seen, QVariantList({ 1, 2, QStringLiteral("three") }));
    for (const QList<QVariant> &args : finished)
        QCOMPARE(args.at(0).value<ZThreadWorker *>(), probe);
    QCOMPARE(answeredOn, QList<QThread *>() << QThread::currentThread() << QThread::currentThread() << QThread::currentThread());
    QVERIFY(probe->thread() != QThread::currentThread());
    // The placeholder work never ran.
    QVERIFY(capturedLog().filter(QStringLiteral("ZThreadWorker::doWork")).isEmpty());
}

void tst_ZThreadManager::handleResultsCalledDirectly()
{
    ZThreadManager manager;
    QSignalSpy finished(&manager, &ZThreadManager::loaderFinished);
    manager.handleResults(QStringLiteral("ignored"));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).value<ZThreadWorker *>(), nullptr);
}

void tst_ZThreadManager::replacingWaitsForRunningJob()
{
    std::atomic<QThread *> oldDeletedOn { nullptr };
    ZThreadManager manager;
    auto *busy = new ProbeWorker(&oldDeletedOn, true);
    manager.setWorker(busy);
    QSignalSpy finished(&manager, &ZThreadManager::loaderFinished);

    emit manager.run(QStringLiteral("long job"));
    QVERIFY(busy->started.tryAcquire(1, 5000));
    QThread *workerThread = busy->thread();

    auto *next = new ProbeWorker;
    manager.setWorker(next);
    QTest::qWait(50);
    QCOMPARE(oldDeletedOn.load(), nullptr);

    busy->release.release();
    QTRY_COMPARE_WITH_TIMEOUT(oldDeletedOn.load(), workerThread, 3000);
    // The replaced worker's late answer reaches nobody.
    QCOMPARE(finished.count(), 0);

    emit manager.run(QStringLiteral("next job"));
    QVERIFY(finished.wait(3000));
    QCOMPARE(finished.at(0).at(0).value<ZThreadWorker *>(), next);
    QCOMPARE(next->seen, QVariantList({ QStringLiteral("next job") }));
}

void tst_ZThreadManager::destructionEndsThreadAndWorker()
{
    std::atomic<QThread *> deletedOn { nullptr };
    auto *manager = new ZThreadManager;
    auto *probe = new ProbeWorker(&deletedOn);
    manager->setWorker(probe);
    QThread *workerThread = probe->thread();
    emit manager->run(1);
    delete manager;
    // The last worker goes with its thread, before the destructor returns.
    QCOMPARE(deletedOn.load(), workerThread);
}

QTEST_GUILESS_MAIN(tst_ZThreadManager)
#include "tst_zthreadmanager.moc"
