#pragma once

#include "threadhandoff.h"

#include <QtConcurrent>

#include <numeric>
#include <vector>

// Runs f(i) for every i in [0, count) on the global thread pool, the calling
// thread taking part, and returns when all are done. Each f(i) must touch
// only what no other f(j) writes.
template <typename F>
void parallelFor(int count, F &&f)
{
    if (count <= 0)
        return;
    if (count == 1) {
        f(0);
        return;
    }
    std::vector<int> items(static_cast<size_t>(count));
    std::iota(items.begin(), items.end(), 0);
    int key = 0;
    threadhandoff::release(&key);
    QtConcurrent::blockingMap(items, [&](int i) {
        threadhandoff::acquire(&key);
        f(i);
        threadhandoff::release(&key);
    });
    threadhandoff::acquire(&key);
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
