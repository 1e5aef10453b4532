#pragma once

#include <QString>

// The process-wide record of the update check: where the version file is
// served and where the maintenance tool lies. Built on first use (after the
// application object exists) and destroyed at exit.
class Singleton
{
public:
    static Singleton &Vr();

    // From the environment variable TARVOLEN_UPDATE_URL when it is set (an
    // empty value turns the update check off), else a default on a reserved
    // name that never resolves, until a real server exists.
    QString versionFileUrl;
    // The executable's folder, with a trailing separator.
    QString appDir;
    QString maintenanceToolPath;

private:
    Singleton();
};
