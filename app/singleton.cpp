#include "singleton.h"

#include <QCoreApplication>
#include <QDir>

namespace {

const char kUrlVariable[] = "TARVOLEN_UPDATE_URL";

} // namespace

Singleton &Singleton::Vr()
{
    static Singleton instance;
    return instance;
}

Singleton::Singleton()
{
    versionFileUrl = qEnvironmentVariableIsSet(kUrlVariable)
        ? qEnvironmentVariable(kUrlVariable)
        : QStringLiteral("http://updates.tarvolen.invalid/tarvolen/version.xml");
    appDir = QCoreApplication::applicationDirPath() + QDir::separator();
    maintenanceToolPath = appDir + QStringLiteral("maintenancetool");
}
