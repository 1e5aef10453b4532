#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QtGlobal>

#include "memoryroom.h"
#include "sessiontimezone.h"

// Bench programs never ask the update server: an empty address turns the
// main window's update check off. They keep the session's time zone as the
// application does at start-up.
inline void disableUpdateCheck()
{
    keepSessionTimeZone();
    qputenv("TARVOLEN_UPDATE_URL", QByteArray());
}

// Window benches draw offscreen unless the caller names a platform.
inline void prepareWindowBench()
{
    // As the application: before Qt starts a thread.
    memoryroom::shareHeapUnderLimit();
    disableUpdateCheck();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// Peak resident memory of the process so far, in MiB; -1 when unknown.
inline long peakRssMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("VmHWM:"))
            return (line.mid(6).trimmed().split(' ').value(0).toLong() + 1023) / 1024;
    }
    return -1;
}
