#include "xerlogging.h"

#include <QByteArray>
#include <QString>

#include <new>

// Quiet by default; QT_LOGGING_RULES="sv.*=true" shows the detail.
Q_LOGGING_CATEGORY(lcXer, "sv.xer", QtWarningMsg)

void xer::warnOutOfMemory(const char *where, const QString &fileName) noexcept
{
    try {
        const QByteArray name = fileName.toUtf8();
        qCWarning(lcXer, "%s %s: out of memory", where, name.constData());
    } catch (const std::bad_alloc &) {
        // The caller's result says it.
    }
}
