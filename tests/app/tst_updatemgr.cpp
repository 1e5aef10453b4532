#include "memoryroom.h"
#include "singleton.h"
#include "updatemgr.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

namespace {

// Serves one fixed HTTP answer to every request on 127.0.0.1, or accepts and
// never answers.
class VersionServer : public QTcpServer
{
public:
    explicit VersionServer(const QByteArray &body, bool answer = true)
        : m_body(body)
        , m_answer(answer)
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    m_request += socket->readAll();
                    if (!m_answer || !m_request.contains("\r\n\r\n"))
                        return;
                    socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: "
                                  + QByteArray::number(m_body.size())
                                  + "\r\nConnection: close\r\n\r\n" + m_body);
                    socket->disconnectFromHost();
                });
            }
        });
    }
    QString url() const
    {
        return QStringLiteral("http://127.0.0.1:%1/version.xml").arg(serverPort());
    }
    QByteArray m_request;

private:
    QByteArray m_body;
    bool m_answer;
};

QByteArray versionFile(const QByteArray &version, const QByteArray &mb = "150")
{
    return "<update><app new_app_version=\"" + version + "\" disk_space_mb=\"" + mb
        + "\"/></update>";
}

// The application's warnings written while this handler is installed.
QStringList g_warnings;
void keepWarnings(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtWarningMsg && qstrcmp(context.category, "sv.app") == 0)
        g_warnings << text;
}

struct Box
{
    QMessageBox::Icon icon;
    QString title;
    QString text;
};

} // namespace

// The update check against a local server: the platform side (volume, boxes,
// starting the tool) is replaced, so nothing blocks and nothing starts.
class tst_UpdateMgr : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void answers_data();
    void answers();
    void consentStartsTool_data();
    void consentStartsTool();
    void failuresStaySilent_data();
    void failuresStaySilent();
    void offeredVersionShownAsPlainText();

private:
    // Runs one check and waits until its reply has been handled.
    void runCheck(const QString &url);

    QList<Box> m_boxes;
    QMessageBox::StandardButton m_answer = QMessageBox::Cancel;
    QStringList m_started;
    bool m_startWorks = true;
    qint64 m_availableMb = 1000;
    bool m_readOnly = false;
};

void tst_UpdateMgr::initTestCase()
{
    QCoreApplication::setApplicationVersion(QStringLiteral("1.5.0"));
    // The test environment turns the check off with an empty address.
    QVERIFY(qEnvironmentVariableIsSet("TARVOLEN_UPDATE_URL"));
    QCOMPARE(Singleton::Vr().versionFileUrl, QString());
    QVERIFY(Singleton::Vr().maintenanceToolPath.endsWith(QStringLiteral("maintenancetool")));

    UpdateMgr::Platform &p = UpdateMgr::platform();
    p.rootVolume = [this] {
        UpdateMgr::Volume v;
        v.rootPath = QStringLiteral("/");
        v.readOnly = m_readOnly;
        v.bytesAvailable = m_availableMb * 1048576 + 1000;
        return v;
    };
    p.messageBox = [this](QMessageBox::Icon icon, const QString &title, const QString &text,
                          QMessageBox::StandardButtons, QMessageBox::StandardButton) {
        m_boxes.append({icon, title, text});
        return icon == QMessageBox::Question ? m_answer : QMessageBox::Ok;
    };
    p.startDetached = [this](const QString &program, const QStringList &args, const QString &dir) {
        m_started << program + QLatin1Char(' ') + args.join(QLatin1Char(' ')) + QLatin1Char(' ') + dir;
        return m_startWorks;
    };
    p.transferTimeoutMs = 500;
    p.maxBodyBytes = 4096;
}

void tst_UpdateMgr::init()
{
    m_boxes.clear();
    m_started.clear();
    m_answer = QMessageBox::Cancel;
    m_startWorks = true;
    m_availableMb = 1000;
    m_readOnly = false;
}

void tst_UpdateMgr::runCheck(const QString &url)
{
    Singleton::Vr().versionFileUrl = url;
    QObject owner;
    auto *mgr = new UpdateMgr(&owner, nullptr);
    auto *network = mgr->findChild<QNetworkAccessManager *>();
    QVERIFY(network);
    QSignalSpy finished(network, &QNetworkAccessManager::finished);
    QVERIFY(finished.wait(5000));
    QCoreApplication::processEvents();
    Singleton::Vr().versionFileUrl.clear();
}

void tst_UpdateMgr::answers_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<qint64>("availableMb");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<QString>("box"); // title of the one box shown, or empty
    const QString ask = QStringLiteral("New application version");
    QTest::addRow("same version") << versionFile("1.5.0") << 1000LL << false << QString();
    QTest::addRow("shorter same") << versionFile("1.5") << 1000LL << false << QString();
    QTest::addRow("older") << versionFile("1.4.9") << 1000LL << false << QString();
    QTest::addRow("part not a number") << versionFile("1.5.x") << 1000LL << false << QString();
    QTest::addRow("longer newer") << versionFile("1.5.0.1") << 1000LL << false << ask;
    QTest::addRow("two digits newer") << versionFile("1.10") << 1000LL << false << ask;
    QTest::addRow("major newer") << versionFile("2") << 1000LL << false << ask;
    QTest::addRow("exactly the space needed")
        << versionFile("1.6.0", "100") << 100LL << false << QStringLiteral("Not enough disk space");
    QTest::addRow("one more MB") << versionFile("1.6.0", "100") << 101LL << false << ask;
    QTest::addRow("no space attribute") << QByteArray("<u><a new_app_version=\"1.6\"/></u>") << 1LL
                                        << false << ask;
    QTest::addRow("read-only volume") << versionFile("1.6.0") << 1000LL << true
                                      << QStringLiteral("Filesystem read-only");
    QTest::addRow("declaration and comment first")
        << "<?xml version=\"1.0\"?>\n<!-- served -->\n" + versionFile("1.6.0") << 1000LL << false
        << ask;
    QTest::addRow("root without child") << QByteArray("<update/>") << 1000LL << false << QString();
    QTest::addRow("not xml") << QByteArray("<update><app") << 1000LL << false << QString();
    QTest::addRow("html error page") << QByteArray("Not found") << 1000LL << false << QString();
}

void tst_UpdateMgr::answers()
{
    QFETCH(QByteArray, body);
    QFETCH(qint64, availableMb);
    QFETCH(bool, readOnly);
    QFETCH(QString, box);
    m_availableMb = availableMb;
    m_readOnly = readOnly;
    VersionServer server(body);
    QVERIFY(server.isListening());
    runCheck(server.url());
    QVERIFY(server.m_request.startsWith("GET /version.xml "));
    QCOMPARE(m_boxes.size(), box.isEmpty() ? 0 : 1);
    if (!box.isEmpty())
        QCOMPARE(m_boxes.first().title, box);
    QVERIFY(m_started.isEmpty()); // the question was cancelled
}

void tst_UpdateMgr::consentStartsTool_data()
{
    QTest::addColumn<bool>("startWorks");
    QTest::addRow("tool starts") << true;
    QTest::addRow("tool missing") << false;
}

void tst_UpdateMgr::consentStartsTool()
{
    QFETCH(bool, startWorks);
    m_answer = QMessageBox::Ok;
    m_startWorks = startWorks;
    VersionServer server(versionFile("9.0"));
    runCheck(server.url());
    QCOMPARE(m_boxes.size(), startWorks ? 1 : 2);
    QCOMPARE(m_boxes.first().text,
             QStringLiteral("New application version (9.0) is available.Please save your work and "
                            "close Tarvolen after maintenance tool starts, would you like to continue?"));
    const Singleton &s = Singleton::Vr();
    QCOMPARE(m_started, QStringList(s.maintenanceToolPath + QStringLiteral(" --updater ") + s.appDir));
    if (!startWorks)
        QCOMPARE(m_boxes.last().title, QStringLiteral("Error starting maintenancetool"));
}

void tst_UpdateMgr::failuresStaySilent_data()
{
    // 0 nobody listening, 1 never answers, 2 answer too large, 3 not XML,
    // 4 no room for the network's threads, 5 the check turned off
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("warning"); // the one warning written, or none
    // No network is no news for the user's terminal.
    QTest::addRow("no server") << 0 << QString();
    QTest::addRow("server never answers") << 1 << QString();
    QTest::addRow("answer too large") << 2 << "larger than";
    // Only the start of an answer that is not XML is logged.
    QTest::addRow("not xml") << 3 << "xml failed response: x{200}$";
    // A thread that cannot start would hang the manager's making.
    QTest::addRow("no room for the threads") << 4 << "no room for the network's threads";
    QTest::addRow("check off") << 5 << QString();
}

void tst_UpdateMgr::failuresStaySilent()
{
    QFETCH(int, kind);
    QFETCH(QString, warning);
    QByteArray body = versionFile("9.0");
    body.insert(body.indexOf("<app"), QByteArray(kind == 2 ? 8000 : 0, ' '));
    if (kind == 3)
        body = QByteArray(3000, 'x');
    VersionServer server(body, kind != 1);
    QString url = server.url();
    if (kind == 0)
        server.close(); // the port is free now
    g_warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepWarnings);
    QElapsedTimer timer;
    timer.start();
    if (kind >= 4) {
        // No network access manager, no thread: nothing to wait for.
        // Just short of four threads' stacks and 16 MiB of libraries.
        memoryroom::setCeiling(kind == 4 ? 4 * memoryroom::threadStackBytes() + (qint64(16) << 20) - 1 : -1);
        Singleton::Vr().versionFileUrl = kind == 4 ? url : QString();
        QObject owner;
        QCOMPARE((new UpdateMgr(&owner, nullptr))->findChild<QNetworkAccessManager *>(), nullptr);
        memoryroom::setCeiling(-1);
        Singleton::Vr().versionFileUrl.clear();
    } else {
        runCheck(url);
    }
    qInstallMessageHandler(previous);
    QVERIFY(timer.elapsed() < 4000); // within the transfer timeout, never forever
    QVERIFY(m_boxes.isEmpty());
    QCOMPARE(g_warnings.size(), warning.isEmpty() ? 0 : 1);
    if (!warning.isEmpty())
        QVERIFY2(g_warnings.first().contains(QRegularExpression(warning)), qPrintable(g_warnings.first()));
}

void tst_UpdateMgr::offeredVersionShownAsPlainText()
{
    // The default box of the platform: what the server sends is never markup.
    QString shown;
    Qt::TextFormat format = Qt::AutoText;
    QTimer::singleShot(0, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        shown = box->text();
        format = box->textFormat();
        box->reject();
    });
    UpdateMgr::defaultPlatform().messageBox(QMessageBox::Question, QStringLiteral("t"),
                                            QStringLiteral("New (<b>9.0</b>)"),
                                            QMessageBox::Ok | QMessageBox::Cancel,
                                            QMessageBox::Cancel);
    QCOMPARE(shown, QStringLiteral("New (<b>9.0</b>)"));
    QCOMPARE(format, Qt::PlainText);
}

QTEST_MAIN(tst_UpdateMgr)
#include "tst_updatemgr.moc"
