#include "memoryroom.h"
#include "parallel.h"

#include <QProcess>
#include <QtTest>

#include <dlfcn.h>
#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <new>
#include <thread>
#include <vector>

// What the pool's workers meet as they start, in a process of its own: the
// threads started while armed are workers, each of which may find its heap
// short (a block larger than room fails), and the first of which takes long
// to make its first block (Qt's data for the thread); threads beyond
// threadLimit do not start.
namespace coldpool {
std::atomic<bool> armed{false}, slow{false};
std::atomic<int> room{-1}, threadLimit{-1}, started{0}, met{0};
thread_local bool t_worker = false, t_met = false;

struct Start
{
    void *(*routine)(void *);
    void *arg;
};

void *startWorker(void *start)
{
    const Start s = *static_cast<Start *>(start);
    delete static_cast<Start *>(start);
    t_worker = true;
    return s.routine(s.arg);
}
} // namespace coldpool

extern "C" int pthread_create(pthread_t *thread, const pthread_attr_t *attr, void *(*routine)(void *), void *arg)
{
    using Create = int (*)(pthread_t *, const pthread_attr_t *, void *(*)(void *), void *);
    static const auto create = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "pthread_create"));
    if (!coldpool::armed)
        return create(thread, attr, routine, arg);
    if (coldpool::threadLimit >= 0 && coldpool::started++ >= coldpool::threadLimit)
        return EAGAIN;
    return create(thread, attr, coldpool::startWorker, new coldpool::Start{routine, arg});
}

#if !defined(__SANITIZE_ADDRESS__)
extern "C" void *__libc_malloc(size_t size);
extern "C" void *malloc(size_t size)
{
    if (coldpool::t_worker && coldpool::room >= 0 && size > size_t(coldpool::room.load())) {
        errno = ENOMEM;
        return nullptr;
    }
    return __libc_malloc(size);
}
#endif

void *operator new(std::size_t n)
{
    if (coldpool::t_worker && !coldpool::t_met) {
        coldpool::t_met = true;
        if (!coldpool::slow.exchange(true))
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        ++coldpool::met;
    }
    if (void *block = std::malloc(n ? n : 1))
        return block;
    throw std::bad_alloc();
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }

class tst_Parallel : public QObject
{
    Q_OBJECT
private slots:
    void everyIndexOnceAndNested();
    void startedWorkIsWaitedFor();
    void coldStart_data();
    void coldStart();
};

void tst_Parallel::everyIndexOnceAndNested()
{
    // Each item runs exactly once, also for loops started inside a loop's
    // items (a worker that starts one takes part in it).
    std::vector<std::atomic<int>> seen(64 * 64);
    parallelFor(64, [&](int outer) {
        parallelRuns(64, 5, [&](int from, int to) {
            for (int inner = from; inner < to; ++inner)
                seen[size_t(outer * 64 + inner)].fetch_add(1);
        });
    });
    for (const std::atomic<int> &count : seen)
        QCOMPARE(count.load(), 1);
    parallelFor(0, [](int) { QFAIL("no item"); });
    QCOMPARE(parallel::runLength(10), 256);
    QCOMPARE(parallel::runLength(1 << 30), 8192);
}

void tst_Parallel::startedWorkIsWaitedFor()
{
    // Started work has finished when wait() returns, whether a worker or the
    // waiting thread ran it, and while every worker is busy elsewhere.
    for (int round = 0; round < 50; ++round) {
        std::atomic<int> ran(0);
        parallel::Task task = parallel::start([&ran] { ran.fetch_add(1); });
        parallelFor(32, [](int) { QThread::usleep(10); });
        task.wait();
        QCOMPARE(ran.load(), 1);
    }
    parallel::Task().wait();
    // Work nobody waits for still runs, with no other work to wake a worker.
    const auto done = std::make_shared<std::atomic<bool>>(false);
    parallel::Task unwaited = parallel::start([done] { done->store(true); });
    QTRY_VERIFY(done->load());
    unwaited.wait();

    // Memory running out in work a worker began is raised by wait(), on the
    // waiting thread.
    std::atomic<bool> begun(false);
    parallel::Task failing = parallel::start([&begun] {
        begun = true;
        throw std::bad_alloc();
    });
    QTRY_VERIFY(begun);
    QVERIFY_EXCEPTION_THROWN(failing.wait(), std::bad_alloc);
}

void tst_Parallel::coldStart_data()
{
    QTest::addColumn<int>("room");        // the largest block a worker's heap gives, -1 any
    QTest::addColumn<int>("threadLimit"); // threads that can start, -1 all
    QTest::addColumn<int>("met");         // workers that meet Qt, -1 all
    QTest::addColumn<int>("ceilingMb");   // the room the memory probe finds, -1 all
    QTest::addRow("the first start waits for every worker") << -1 << -1 << -1 << -1;
    // A worker takes the room for Qt's few blocks (64 KiB) before Qt makes
    // them: with 96 KiB it meets Qt, with 48 KiB it ends without touching Qt.
    QTest::addRow("room for Qt's thread data") << 96 * 1024 << -1 << -1 << -1;
    QTest::addRow("no room for it: a worker ends before Qt") << 48 * 1024 << -1 << 0 << -1;
    QTest::addRow("no thread starts: the caller works alone") << -1 << 0 << 0 << -1;
    // Beyond the first, the k-th worker starts with 128 MiB of room per worker.
    if (QThread::idealThreadCount() >= 3)
        QTest::addRow("room for two workers") << -1 << -1 << 2 << 320;
    QTest::addRow("room for the first worker alone") << -1 << -1 << 1 << 64;
}

void tst_Parallel::coldStart()
{
    QFETCH(int, room);
    QFETCH(int, threadLimit);
    QFETCH(int, met);
    QFETCH(int, ceilingMb);
    const char *const child = "TST_PARALLEL_COLD";
    if (qEnvironmentVariableIsEmpty(child)) {
#if defined(__SANITIZE_ADDRESS__)
        if (room >= 0)
            QSKIP("malloc belongs to AddressSanitizer here");
#endif
        // The pool starts once per process: a row runs in a process of its own.
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QLatin1String(child), QStringLiteral("1"));
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::MergedChannels);
        const QByteArray tag = QTest::currentDataTag();
        process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("coldStart:") + QLatin1String(tag)});
        QVERIFY(process.waitForFinished(60000));
        const QByteArray output = process.readAll();
        QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0, output.constData());
        QVERIFY2(output.contains("PASS   : tst_Parallel::coldStart(" + tag + ')'), output.constData());
        return;
    }
    coldpool::room = room;
    coldpool::threadLimit = threadLimit;
    memoryroom::setCeiling(ceilingMb < 0 ? -1 : qint64(ceilingMb) << 20);
    coldpool::armed = true;
    parallel::prepare();
    memoryroom::setCeiling(-1);
    QCOMPARE(coldpool::met.load(), met < 0 ? qMax(1, QThread::idealThreadCount() - 1) : met);
    // The pool works with the workers it has, and none that did not meet Qt.
    std::vector<std::atomic<int>> seen(256);
    parallelFor(256, [&](int i) {
        QThread::usleep(100);
        seen[size_t(i)].fetch_add(coldpool::t_worker && !coldpool::t_met ? 2 : 1);
    });
    for (const std::atomic<int> &count : seen)
        QCOMPARE(count.load(), 1);
    coldpool::armed = false;
}

QTEST_GUILESS_MAIN(tst_Parallel)
#include "tst_parallel.moc"
