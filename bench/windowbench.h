#pragma once

// What the window benches share: their output lines, the peak memory of the
// run, waiting for an open to end and the grouping by WBS they all measure.

#include "mainwindow.h"
#include "zgrouping.h"

#include <QCoreApplication>
#include <QFile>
#include <QString>
#include <QThread>

#include <cstdio>

inline void printLine(const QString &text)
{
    std::fputs(text.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

inline long peakRssMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return (line.mid(6).trimmed().split(' ').value(0).toLong() + 1023) / 1024;
    }
    return -1;
}

// Waits in the event loop until the window has handled the read's result.
inline void waitForLoad(const MainWindow &window)
{
    while (window.isLoading()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (window.isLoading())
            QThread::msleep(1);
    }
}

// "WBS Name" on every level as the outermost level, the other levels of
// current after it.
inline ZGrouping wbsGrouping(const ZGrouping &current)
{
    ZGrouping wbs;
    wbs.addGroup(QStringLiteral("WBS Name"), QStringLiteral("All"), QFont(), QColor(Qt::white),
                 QBrush(QColor(60, 83, 111)));
    for (int i = 1; i < current.size(); ++i)
        wbs.addGroup(current.group(i));
    return wbs;
}
