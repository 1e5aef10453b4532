// Opens an XER file through the main window and closes it again (File,
// Close), CYCLES times in one window and one process, with the window shown
// offscreen at 1600 x 1000. After each Close prints one line:
//   cycle N: after Close R MB, peak P MB (this cycle C MB)
// R is the memory the process still holds from the system (resident set,
// VmRSS) once the Close and the deletions it queued are done; P is the
// largest resident set of the process so far, C the largest of this cycle's
// open and Close (VmHWM, counted anew each cycle where the system allows;
// without that the part in brackets is left out). A project's memory given
// back on Close keeps R near the empty window's and P from growing after
// the first cycles.
// Usage: open_close FILE CYCLES

#include "benchenv.h"
#include "windowbench.h"
#include "mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QLocale>

#include <cstdio>

namespace {

// A "VmXXX:" figure of /proc/self/status in MiB; -1 when unknown.
long statusMb(const QByteArray &key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith(key))
            return (line.mid(key.size()).trimmed().split(' ').value(0).toLong() + 1023) / 1024;
    }
    return -1;
}

// Starts the count of VmHWM anew from the present resident set (Linux 4.0
// on); false where that cannot be done, and the peak is the process's.
bool resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

QString megabytes(long mb)
{
    return QLocale(QLocale::English).toString(qlonglong(mb));
}

} // namespace

int main(int argc, char **argv)
{
    WindowBench bench;
    bench.useOwnConfig();
    QApplication app(argc, argv);
    if (!bench.start("open_close FILE CYCLES"))
        return 2;
    bool numeric = false;
    const int cycles = bench.out.toInt(&numeric);
    if (!numeric || cycles < 1) {
        std::fprintf(stderr, "usage: open_close FILE CYCLES (CYCLES at least 1)\n");
        return 2;
    }

    MainWindow window;
    bench.show(window);
    QAction *close = window.findChild<QAction *>(QStringLiteral("actionClose"));
    if (!close) {
        std::fprintf(stderr, "no Close command\n");
        return 1;
    }

    long processPeak = statusMb("VmHWM:");
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        const bool ownPeak = resetPeak();
        window.openChosenFile(bench.file);
        if (!window.loader()) {
            std::fprintf(stderr, "cannot open %s\n", bench.file.toUtf8().constData());
            return 1;
        }
        waitForLoad(window);
        QCoreApplication::processEvents();
        if (!bench.failure.isEmpty() || !window.loader()) {
            std::fprintf(stderr, "%s\n", qPrintable(bench.failure));
            return 1;
        }
        close->trigger();
        // What the Close queued for deletion goes before the count.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        const long held = statusMb("VmRSS:");
        const long peak = statusMb("VmHWM:");
        processPeak = qMax(processPeak, peak);
        QString line = QStringLiteral("cycle %1: after Close %2 MB, peak %3 MB")
                           .arg(cycle)
                           .arg(megabytes(held), megabytes(processPeak));
        if (ownPeak)
            line += QStringLiteral(" (this cycle %1 MB)").arg(megabytes(peak));
        printLine(line);
    }
    bench.stopWatch();
    return 0;
}
