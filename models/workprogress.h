#pragma once

#include <QtGlobal>

#include <functional>

// Long work (a picture drawn band by band, pages laid out or printed) tells
// between its steps how far it got, and learns whether to go on. Whoever
// shows the progress installs a watcher for the work's length; with none
// installed the work goes on unwatched. The work checks only between steps:
// a paint under way cannot be left halfway.
//
// GUI thread only. Watchers nest: each is told, the inner first, and any of
// them stops the work.
class WorkProgress
{
public:
    // Told how far the work got; returns false to stop it.
    using Watcher = std::function<bool(qint64 done, qint64 total)>;

    explicit WorkProgress(Watcher watcher);
    ~WorkProgress();
    Q_DISABLE_COPY(WorkProgress)

    // Between two steps of a work: false once the watcher asked it to stop,
    // and from then on until the watcher goes.
    static bool advance(qint64 done, qint64 total);
    // True once the work was asked to stop.
    static bool stopped();
    // Stops every work under way, as if each watcher had asked it to (the
    // process is ending).
    static void stopAll();

private:
    Watcher m_watcher;
    WorkProgress *m_outer = nullptr;
    bool m_stopped = false;
};
