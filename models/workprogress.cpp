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
    WorkProgress *current = s_current;
    if (!current)
        return true;
    if (!current->m_stopped && current->m_watcher && !current->m_watcher(done, total))
        current->m_stopped = true;
    return !current->m_stopped;
}

bool WorkProgress::stopped()
{
    return s_current && s_current->m_stopped;
}
