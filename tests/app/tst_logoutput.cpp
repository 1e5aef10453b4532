#include "logoutput.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

// The log-file handler appends "dd.MM.yyyy hh:mm:ss <message>" lines to
// "log.txt" of the working folder, keeping what is there.
class tst_LogOutput : public QObject
{
    Q_OBJECT
private slots:
    void appendsDatedLines();
};

void tst_LogOutput::appendsDatedLines()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    {
        QFile earlier(QStringLiteral("log.txt"));
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier\n");
    }
    const QMessageLogContext context;
    logOutput(QtWarningMsg, context, QStringLiteral("first"));
    logOutput(QtDebugMsg, context, QStringLiteral("zweite \u00e4"));
    QFile file(QStringLiteral("log.txt"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    QDir::setCurrent(before);
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines.at(0), QStringLiteral("earlier"));
    const QRegularExpression dated(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d (.*)$"));
    QCOMPARE(dated.match(lines.at(1)).captured(1), QStringLiteral("first"));
    QCOMPARE(dated.match(lines.at(2)).captured(1), QStringLiteral("zweite \u00e4"));
    QCOMPARE(lines.at(3), QString());
}

QTEST_APPLESS_MAIN(tst_LogOutput)
#include "tst_logoutput.moc"
