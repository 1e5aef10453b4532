#include "workprogress.h"

namespace {

WorkProgress *s_current = nullptr;

} // namespace

WorkProgress::WorkProgress(Watcher watcher)
    : m_watcher(std::move(watcher))
    , m_outer(s_current)
{
    s_current = this;
}

WorkProgress::~WorkProgress()
{
    s_current = m_outer;
}

bool WorkProgress::advance(qint64 done, qint64 total)
{
    bool goOn = true;
    for (WorkProgress *at = s_current; at; at = at->m_outer) {
        if (!at->m_stopped && at->m_watcher && !at->m_watcher(done, total))
            at->m_stopped = true;
        goOn = goOn && !at->m_stopped;
    }
    return goOn;
}

bool WorkProgress::stopped()
{
    for (WorkProgress *at = s_current; at; at = at->m_outer) {
        if (at->m_stopped)
            return true;
    }
    return false;
}

void WorkProgress::stopAll()
{
    for (WorkProgress *at = s_current; at; at = at->m_outer)
        at->m_stopped = true;
}
