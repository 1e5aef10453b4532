#pragma once

#include <QByteArray>
#include <QtGlobal>

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
    disableUpdateCheck();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}
