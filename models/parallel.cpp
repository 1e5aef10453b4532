#include "parallel.h"

#include "memoryroom.h"

#include <QThread>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <new>
#include <thread>

namespace parallel {

struct Job
{
    std::function<void(int)> f;
    int count = 0;
    std::atomic<int> next{0};
    std::mutex mutex;
    std::condition_variable finished;
    int done = 0; // under mutex
    // An item ran out of memory: the items not yet begun are passed over,
    // and the waiting thread raises it as its own failure.
    std::atomic<bool> outOfMemory{false};
};

namespace {

// Takes items of a job until none is left.
void work(Job &job)
{
    for (int i = job.next.fetch_add(1); i < job.count; i = job.next.fetch_add(1)) {
        // No exception leaves a worker (it would end the process): memory
        // running out is noted here and raised on the waiting thread.
        if (!job.outOfMemory.load()) {
            try {
                job.f(i);
            } catch (const std::bad_alloc &) {
                job.outOfMemory.store(true);
            }
        }
        const std::lock_guard<std::mutex> lock(job.mutex);
        if (++job.done == job.count)
            job.finished.notify_all();
    }
}

class Pool
{
public:
    static Pool &instance()
    {
        // Never destroyed: its threads wait for work until the process ends.
        static Pool *pool = new Pool;
        return *pool;
    }

    // Returns once every worker has met Qt (or ended for want of memory), so
    // no work handed out later finds a worker still doing so.
    void start()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        startLocked();
        m_ready.wait(lock, [this] { return m_settingUp == 0; });
    }

    // forWorkers: how many of the job's items are left for the workers.
    void submit(const std::shared_ptr<Job> &job, int forWorkers)
    {
        int workers = 0;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_queue.push_back(job);
            startLocked();
            workers = m_workers;
        }
        // Only as many workers as there are items left for them are woken.
        if (forWorkers >= workers) {
            m_wake.notify_all();
        } else {
            for (int i = 0; i < forWorkers; ++i)
                m_wake.notify_one();
        }
    }

private:
    void startLocked()
    {
        if (m_started)
            return;
        m_started = true;
        const int workers = qMax(1, QThread::idealThreadCount() - 1);
        for (m_workers = 0; m_workers < workers; ++m_workers) {
            // A worker's stack and its share of the work take address
            // space that a load under a tight limit needs itself: beyond
            // the first, a worker starts only where the room grows with
            // the workers, so a larger limit never leaves a load less.
            if (m_workers > 0 && !memoryroom::available(qint64(m_workers + 1) * RoomPerWorker))
                break;
            try {
                std::thread([this] { run(); }).detach();
            } catch (...) {
                // No memory or no thread left: the pool makes do with fewer.
                break;
            }
            ++m_settingUp;
        }
    }

    void run()
    {
        // Qt's data for this thread is made now, before any work: a load
        // meets Qt on a worker (a model, the current thread), and memory
        // running out while Qt makes that data inside the making of an
        // object crashes Qt's clean-up of that object. A worker that cannot
        // make it ends, and the pool goes on without it.
        // Qt itself cannot unwind every failure of that making either (its
        // thread object half-made): the room for it is taken from the heap
        // first and given back, so Qt's few small blocks come from room this
        // thread's heap already holds, and a worker without it ends before
        // Qt is touched.
        void *room = std::malloc(64 * 1024);
        bool met = room != nullptr;
        std::free(room);
        try {
            if (met)
                QThread::currentThread();
        } catch (const std::bad_alloc &) {
            met = false;
        }
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            --m_settingUp;
            if (!met)
                --m_workers;
        }
        m_ready.notify_all();
        if (!met)
            return;
        while (true) {
            std::shared_ptr<Job> job;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_wake.wait(lock, [this] { return !m_queue.empty(); });
                job = m_queue.front();
                // A job whose items are all taken leaves the queue.
                if (job->next.load() >= job->count) {
                    m_queue.pop_front();
                    continue;
                }
            }
            work(*job);
        }
    }

    // Sixteen default stacks: the workers' stacks take a sixteenth of the
    // room at most.
    static constexpr qint64 RoomPerWorker = qint64(128) << 20;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_ready; // a worker has met Qt or ended
    std::deque<std::shared_ptr<Job>> m_queue;
    bool m_started = false;
    int m_workers = 0;
    int m_settingUp = 0; // workers started that have not met Qt yet
};

void finish(Job &job)
{
    work(job);
    std::unique_lock<std::mutex> lock(job.mutex);
    job.finished.wait(lock, [&job] { return job.done == job.count; });
    lock.unlock();
    if (job.outOfMemory.load())
        throw std::bad_alloc();
}

} // namespace

void Task::wait()
{
    if (m_job)
        finish(*m_job);
}

void forEach(int count, const std::function<void(int)> &f)
{
    if (count <= 0)
        return;
    auto job = std::make_shared<Job>();
    job->f = f;
    job->count = count;
    // The caller takes items too.
    if (count > 1)
        Pool::instance().submit(job, count - 1);
    finish(*job);
}

Task start(std::function<void()> f)
{
    auto job = std::make_shared<Job>();
    job->f = [f = std::move(f)](int) { f(); };
    job->count = 1;
    // Its one item is a worker's: the caller may never wait for it (a
    // buffer given back on a worker).
    Pool::instance().submit(job, 1);
    return Task(std::move(job));
}

void prepare()
{
    Pool::instance().start();
}

int runLength(int count, int minimum, int maximum)
{
    return qBound(minimum, count / (4 * qMax(1, QThread::idealThreadCount())), maximum);
}

} // namespace parallel
