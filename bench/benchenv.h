#pragma once

#include <QByteArray>
#include <QtGlobal>

// Bench programs never ask the update server: an empty address turns the
// main window's update check off.
inline void disableUpdateCheck()
{
    qputenv("TARVOLEN_UPDATE_URL", QByteArray());
}
