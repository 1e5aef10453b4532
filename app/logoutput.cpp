#include "logoutput.h"

#include <QDateTime>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QTextStream>

void logOutput(QtMsgType, const QMessageLogContext &, const QString &message)
{
    static QMutex mutex;
    const QMutexLocker locker(&mutex);
    QFile file(QStringLiteral("log.txt"));
    if (!file.open(QIODevice::Append | QIODevice::Text))
        return;
    QTextStream out(&file);
    out.setCodec("UTF-8");
    out << QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy hh:mm:ss ")) << message
        << '\n';
}
