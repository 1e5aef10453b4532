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
constexpr int kCount = int(sizeof kSignals / sizeof kSignals[0]);

// The pipe's read and write ends; set before a handler is installed and
// closed after each is taken back.
int s_pipe[2] = {-1, -1};
struct sigaction s_before[kCount];
bool s_installed[kCount] = {};

void onSignal(int signal)
{
    // Only what is safe in a handler. A full pipe already holds a signal
    // to act on.
    const int saved = errno;
    const char number = char(signal);
    [[maybe_unused]] const ssize_t written = ::write(s_pipe[1], &number, 1);
    errno = saved;
}

} // namespace

QuitSignals::QuitSignals()
{
    if (s_pipe[0] >= 0) {
        qCWarning(lcApp) << "QuitSignals: installed twice; the second does nothing";
        return;
    }
    if (::pipe2(s_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        qCWarning(lcApp) << "QuitSignals: no pipe, the signals end the viewer at once";
        s_pipe[0] = s_pipe[1] = -1;
        return;
    }
    m_notifier = new QSocketNotifier(s_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &QuitSignals::onReadable);
    for (int i = 0; i < kCount; ++i) {
        if (::sigaction(kSignals[i], nullptr, &s_before[i]) != 0 || s_before[i].sa_handler == SIG_IGN)
            continue;
        struct sigaction action = {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        // The GUI thread's own calls go on where the signal cut in.
        action.sa_flags = SA_RESTART;
        s_installed[i] = ::sigaction(kSignals[i], &action, nullptr) == 0;
    }
}

QuitSignals::~QuitSignals()
{
    if (!m_notifier)
        return;
    for (int i = 0; i < kCount; ++i) {
        if (s_installed[i])
            ::sigaction(kSignals[i], &s_before[i], nullptr);
        s_installed[i] = false;
    }
    delete m_notifier;
    ::close(s_pipe[0]);
    ::close(s_pipe[1]);
    s_pipe[0] = s_pipe[1] = -1;
}

int QuitSignals::exitCode(int loopCode) const
{
    return m_signal != 0 ? 128 + m_signal : loopCode;
}

void QuitSignals::onReadable()
{
    char numbers[16];
    int first = 0;
    ssize_t got = 0;
    while ((got = ::read(s_pipe[0], numbers, sizeof numbers)) > 0) {
        if (first == 0)
            first = numbers[0];
    }
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
