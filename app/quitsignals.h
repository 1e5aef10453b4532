#pragma once

#include <QObject>
#include <QPointer>

class QSocketNotifier;
class QWidget;

// Ends the viewer on SIGTERM, SIGINT and SIGHUP as a close of its window
// would, rather than at once: the work under way (a picture, a print) is
// stopped first, so that the nested loops unwind and a print's unfinished
// file goes with them; then the window closes (waiting there for a read
// under way) and every event loop ends. A signal the process was started
// ignoring (nohup, a shell's background job) stays ignored.
//
// The handler only writes the signal's number to a pipe; the rest is done
// on the GUI thread when its events are next handled, which a long work's
// progress does at its steps. From the first signal to the process's end a
// further one changes nothing: the handlers, made with the first
// QuitSignals, stay to the end, also while the application is torn down
// after the QuitSignals has gone. One at a time; a later one acts on the
// signals that come after it is made. Unix only.
class QuitSignals : public QObject
{
    Q_OBJECT
public:
    // Made before the window it closes, it outlasts the window's teardown,
    // which a second signal then does not cut short.
    QuitSignals();
    ~QuitSignals() override;

    // The window to close. Not owned.
    void setWindow(QWidget *window) { m_window = window; }

    // The process's exit code: 128 plus the signal's number, as a shell
    // reports a process a signal ended, or loopCode when none came.
    int exitCode(int loopCode) const;

private:
    void onReadable();

    QPointer<QWidget> m_window;
    QSocketNotifier *m_notifier = nullptr; // Owned (child).
    int m_signal = 0;
};
