#include "parallel.h"

#include <QtTest>

#include <atomic>
#include <new>
#include <vector>

class tst_Parallel : public QObject
{
    Q_OBJECT
private slots:
    void everyIndexOnceAndNested();
    void startedWorkIsWaitedFor();
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

QTEST_GUILESS_MAIN(tst_Parallel)
#include "tst_parallel.moc"
