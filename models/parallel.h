#pragma once

#include <QtGlobal>

#include <functional>
#include <memory>

// Work spread over the cores: a fixed set of worker threads, made on first
// use (fewer where the address space left is short), and the calling thread
// itself. Every hand-over goes through standard mutexes and atomics, so a
// loop nests in another (a worker that starts one takes part in it) and the
// thread sanitizer sees the order of every step.
//
// Memory running out: a call that throws std::bad_alloc on a worker is
// caught there, the calls not yet begun are passed over, and forEach() or
// Task::wait() throws std::bad_alloc on the waiting thread once every begun
// call has returned. No exception crosses from one thread to another; other
// exceptions must not leave the calls.
namespace parallel {

struct Job;

// Work started with start(), to be waited for.
class Task
{
public:
    Task() = default;
    explicit Task(std::shared_ptr<Job> job)
        : m_job(std::move(job))
    {
    }
    // Runs the work here when no worker has begun it, then waits for it.
    void wait();

private:
    std::shared_ptr<Job> m_job;
};

// Calls f(i) for every i in [0, count) and returns when all calls are done.
// Each f(i) must touch only what no other f(j) writes.
void forEach(int count, const std::function<void(int)> &f);
// Starts f on a worker; the caller goes on and waits with Task::wait().
Task start(std::function<void()> f);

// Starts the worker threads when they are not running yet.
void prepare();

// A run length for count items: small enough to keep every core busy on a
// small input, large enough to keep the cost of handing runs out small.
int runLength(int count, int minimum = 256, int maximum = 8192);

} // namespace parallel

// forEach over the indexes, as a template for any callable.
template <typename F>
void parallelFor(int count, F &&f)
{
    if (count <= 0)
        return;
    if (count == 1) {
        f(0);
        return;
    }
    parallel::forEach(count, std::ref(f));
}

// Splits [0, count) into runs of at most `run` and calls f(from, to) for each,
// side by side when there is more than one run.
template <typename F>
void parallelRuns(int count, int run, F &&f)
{
    if (count <= 0 || run <= 0)
        return;
    const int runs = (count + run - 1) / run;
    parallelFor(runs, [&](int i) { f(i * run, qMin(count, (i + 1) * run)); });
}

using parallel::runLength;
