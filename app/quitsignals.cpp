#include "quitsignals.h"

#include "applogging.h"
#include "workprogress.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QWidget>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The pipe and the handlers are made with the first QuitSignals and kept to
// the process's end: a signal while the application is torn down, after
// the QuitSignals has gone, then writes to a pipe no one reads instead of
// ending the process by the signal, and no handler can write to a pipe
// closed under it (or to a file since opened with its number).
int s_pipe[2] = {-1, -1};
QuitSignals *s_current = nullptr;

void onSignal(int signal)
{
    // Only what is safe in a handler. A full pipe already holds a signal
    // to act on, or belongs to no QuitSignals.
    const int saved = errno;
    const char number = char(signal);
    [[maybe_unused]] const ssize_t written = ::write(s_pipe[1], &number, 1);
    errno = saved;
}

bool installOnce()
{
    if (s_pipe[0] >= 0)
        return true;
    if (::pipe2(s_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        s_pipe[0] = s_pipe[1] = -1;
        return false;
    }
    for (const int signal : kSignals) {
        struct sigaction before = {};
        if (::sigaction(signal, nullptr, &before) != 0 || before.sa_handler == SIG_IGN)
            continue;
        struct sigaction action = {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        // The GUI thread's own calls go on where the signal cut in.
        action.sa_flags = SA_RESTART;
        ::sigaction(signal, &action, nullptr);
    }
    return true;
}

// Reads what the pipe holds; the first signal's number, 0 for none.
int drain()
{
    char numbers[16];
    int first = 0;
    ssize_t got = 0;
    while ((got = ::read(s_pipe[0], numbers, sizeof numbers)) > 0) {
        if (first == 0)
            first = numbers[0];
    }
    return first;
}

} // namespace

QuitSignals::QuitSignals()
{
    if (s_current) {
        qCWarning(lcApp) << "QuitSignals: installed twice; the second does nothing";
        return;
    }
    if (!installOnce()) {
        qCWarning(lcApp) << "QuitSignals: no pipe, the signals end the viewer at once";
        return;
    }
    s_current = this;
    // What came while no QuitSignals was there was meant for none.
    drain();
    m_notifier = new QSocketNotifier(s_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &QuitSignals::onReadable);
}

QuitSignals::~QuitSignals()
{
    if (s_current == this)
        s_current = nullptr;
}

int QuitSignals::exitCode(int loopCode) const
{
    return m_signal != 0 ? 128 + m_signal : loopCode;
}

void QuitSignals::onReadable()
{
    const int first = drain();
    if (first == 0 || m_signal != 0)
        return;
    m_signal = first;
    qCInfo(lcApp) << "QuitSignals: ending on signal" << m_signal;
    // Stopped at its next step, a work unwinds through its own cancel: a
    // print's file cut short goes, the file of that name stays as it was.
    WorkProgress::stopAll();
    if (m_window)
        m_window->close();
    // Every loop under way ends once the stack returns to it, and none
    // starts after (a message the stopped work would show).
    QCoreApplication::exit(exitCode(0));
}
