#include "sessiontimezone.h"

#include <QFileInfo>
#include <QtGlobal>

#include <ctime>

void keepSessionTimeZone()
{
    if (qEnvironmentVariableIsSet("TZ") || !QFileInfo::exists(QStringLiteral("/etc/localtime")))
        return;
    qputenv("TZ", ":/etc/localtime");
    tzset();
}
