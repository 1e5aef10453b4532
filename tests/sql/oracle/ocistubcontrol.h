#pragma once

// Steers the stand-in Oracle client that lies beside the test executable
// (oradrv/linux64/oci.so, copied there by zdoci_use_stand_in): maps connect
// texts to SQLite files, sets the server's answers, injects failures and
// hands out the log of what the driver asked for.

#include <QCoreApplication>
#include <QLibrary>
#include <QString>

namespace ocistub {

inline QFunctionPointer entry(const char *name)
{
    static QLibrary library(QCoreApplication::applicationDirPath()
                            + QLatin1String("/oradrv/linux64/oci.so"));
    if (!library.isLoaded() && !library.load())
        qFatal("stand-in client missing: %s", qPrintable(library.errorString()));
    const QFunctionPointer fn = library.resolve(name);
    if (!fn)
        qFatal("stand-in client lacks %s", name);
    return fn;
}

// Clears services, settings, failures and the log.
inline void reset()
{
    reinterpret_cast<void (*)()>(entry("ocistub_reset"))();
}

// A connect text (service name or descriptor, as the driver sends it) that
// opens the given SQLite file.
inline void map(const QString &connect, const QString &file)
{
    reinterpret_cast<void (*)(const char *, const char *)>(entry("ocistub_map"))(
            connect.toUtf8().constData(), file.toUtf8().constData());
}

// "version": the server version text; "user", "password": the only accepted
// credentials (any when unset).
inline void set(const char *key, const QString &value)
{
    reinterpret_cast<void (*)(const char *, const char *)>(entry("ocistub_set"))(
            key, value.toUtf8().constData());
}

// The entry point returns status (with code and message on the error handle)
// after skip successful calls, times times. Status 1 does the work and
// reports success with information.
inline void fail(const char *entryPoint, int status, int code = 0, const char *message = "",
                 int skip = 0, int times = 1)
{
    reinterpret_cast<void (*)(const char *, int, int, const char *, int, int)>(
            entry("ocistub_fail"))(entryPoint, status, code, message, skip, times);
}

// The lines logged since the last call ("attach <text>", "prepare <sql>",
// "bind <pos> type <t> size <n>", "execute <iterations> mode <m>", ...).
inline QString takeLog()
{
    return QString::fromUtf8(reinterpret_cast<const char *(*)()>(entry("ocistub_log"))());
}

// Handles or descriptors of one type that are allocated and not freed.
inline int live(unsigned type)
{
    return reinterpret_cast<int (*)(unsigned)>(entry("ocistub_live"))(type);
}

} // namespace ocistub
