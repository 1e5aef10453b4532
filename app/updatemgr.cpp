#include "updatemgr.h"

#include "applogging.h"
#include "memoryroom.h"
#include "singleton.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QStorageInfo>
#include <QUrl>

namespace {

const char kTooLarge[] = "updateBodyTooLarge";
// How much of an answer that is not XML goes into the log.
const int kLoggedBytes = 200;
// The threads a network access manager starts for one request: the bearer
// thread, the D-Bus thread its plugins wait for, the HTTP thread and the
// host lookup's; and the address space of the libraries it loads.
const int kNetworkThreads = 4;
const qint64 kNetworkLibraries = qint64(16) << 20;

} // namespace

UpdateMgr::Platform UpdateMgr::defaultPlatform()
{
    Platform p;
    p.rootVolume = [] {
        const QStorageInfo root = QStorageInfo::root();
        Volume v;
        v.rootPath = root.rootPath();
        v.readOnly = root.isReadOnly();
        v.bytesAvailable = root.bytesAvailable();
        return v;
    };
    p.messageBox = [](QMessageBox::Icon icon, const QString &title, const QString &text,
                      QMessageBox::StandardButtons buttons,
                      QMessageBox::StandardButton defaultButton) {
        QMessageBox box(icon, title, text, buttons);
        // The texts carry what the server sent: shown as they are, never
        // rendered as markup.
        box.setTextFormat(Qt::PlainText);
        box.setDefaultButton(defaultButton);
        return static_cast<QMessageBox::StandardButton>(box.exec());
    };
    p.startDetached = [](const QString &program, const QStringList &arguments,
                         const QString &workingDirectory) {
        return QProcess::startDetached(program, arguments, workingDirectory);
    };
    return p;
}

UpdateMgr::Platform &UpdateMgr::platform()
{
    static Platform p = defaultPlatform();
    return p;
}

UpdateMgr::UpdateMgr(QObject *parent, Ui::MainWindow *ui)
    : QObject(parent)
    , m_ui(ui)
    , m_closeTimer(new QTimer(this))
{
    m_closeTimer->setSingleShot(true);
    m_closeTimer->setInterval(3000);
    connect(m_closeTimer, &QTimer::timeout, this, &UpdateMgr::closeTimeout);
    checkForAppUpdate();
}

UpdateMgr::~UpdateMgr() = default;

void UpdateMgr::init()
{
}

void UpdateMgr::checkForAppUpdate()
{
    const QString urlText = Singleton::Vr().versionFileUrl;
    if (urlText.isEmpty()) {
        qCDebug(lcApp) << "UpdateMgr::checkForAppUpdate off";
        return;
    }
    qCDebug(lcApp).noquote() << "UpdateMgr::checkForAppUpdate url:" << urlText;
    const QUrl url(urlText, QUrl::StrictMode);
    if (!url.isValid()) {
        qCWarning(lcApp).noquote() << "UpdateMgr::checkForAppUpdate invalid url:" << urlText;
        return;
    }
    // A thread that cannot start leaves the manager's making waiting for it
    // forever (its bearer plugins wait for the D-Bus thread): without the
    // room the check is not made.
    if (!memoryroom::available(kNetworkThreads * memoryroom::threadStackBytes() + kNetworkLibraries)) {
        qCWarning(lcApp) << "UpdateMgr::checkForAppUpdate no room for the network's threads";
        return;
    }
    m_network = new QNetworkAccessManager(this);
    connect(m_network, &QNetworkAccessManager::finished, this,
            &UpdateMgr::checkForAppUpdateFinished);
    QNetworkRequest request(url);
    // A server that accepts and never answers must not keep the check alive.
    request.setTransferTimeout(platform().transferTimeoutMs);
    QNetworkReply *reply = m_network->get(request);
    const qint64 maxBytes = platform().maxBodyBytes;
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply, maxBytes](qint64 received) {
        if (received > maxBytes && !reply->property(kTooLarge).toBool()) {
            reply->setProperty(kTooLarge, true);
            reply->abort();
        }
    });
}

void UpdateMgr::closeTimeout()
{
    emit closeAppClicked();
}

void UpdateMgr::checkForAppUpdateFinished(QNetworkReply *netReply)
{
    if (!netReply)
        return;
    // The reply is ours once it has finished.
    netReply->deleteLater();
    const QString url = netReply->url().toString();
    if (netReply->property(kTooLarge).toBool()) {
        qCWarning(lcApp).noquote() << "UpdateMgr::checkForAppUpdateFinished error: answer larger than"
                                   << platform().maxBodyBytes << "bytes url:" << url;
        return;
    }
    if (netReply->error() != QNetworkReply::NoError) {
        // No network is a normal state: the terminal stays quiet about it.
        qCDebug(lcApp).noquote() << "UpdateMgr::checkForAppUpdateFinished error:"
                                 << netReply->errorString() << "url:" << url;
        return;
    }

    m_xml.clear();
    QByteArray body = netReply->read(platform().maxBodyBytes);
    const int zero = body.indexOf('\0');
    if (zero >= 0)
        body.truncate(zero);
    const QString text = QString::fromUtf8(body);
    if (!m_xml.setContent(text, false)) {
        // Enough of the answer to tell what came back, not the whole of it.
        qCWarning(lcApp).noquote()
            << "UpdateMgr::checkForAppUpdateFinished setContent xml failed response:"
            << QString::fromUtf8(body.left(kLoggedBytes));
        return;
    }

    // The answer is the first element inside the root element, wherever a
    // declaration or a comment puts that root.
    const QDomElement answer = m_xml.documentElement().firstChildElement();
    const QString offered = answer.attribute(QStringLiteral("new_app_version"));
    const int requiredMb = answer.attribute(QStringLiteral("disk_space_mb")).toInt();
    const QString running = QCoreApplication::applicationVersion();
    qCDebug(lcApp).noquote() << "curr_app_version:" << running << " new_app_version:" << offered;
    if (isNewVersion(running, offered) && isFreeDiskSpace(requiredMb))
        askAboutAppUpdate(offered);
}

bool UpdateMgr::isNewVersion(QString old_v, QString new_v)
{
    const QStringList oldParts = old_v.split(QLatin1Char('.'));
    const QStringList newParts = new_v.split(QLatin1Char('.'));
    for (int i = 0; i < newParts.size(); ++i) {
        const int n = newParts.at(i).toInt();
        const int o = i < oldParts.size() ? oldParts.at(i).toInt() : 0;
        if (n > o)
            return true;
        if (n < o)
            return false;
    }
    return false;
}

bool UpdateMgr::isFreeDiskSpace(int required_space)
{
    const Volume volume = platform().rootVolume();
    qCDebug(lcApp).noquote() << "UpdateMgr::isFreeDiskSpace root:" << volume.rootPath;
    if (volume.readOnly) {
        platform().messageBox(QMessageBox::Warning, tr("Filesystem read-only"),
                              tr("Filesystem is read-only, can't update"), QMessageBox::Ok,
                              QMessageBox::Ok);
        return false;
    }
    const auto available = static_cast<qint32>(volume.bytesAvailable / 1048576);
    if (available > required_space)
        return true;
    platform().messageBox(
        QMessageBox::Warning, tr("Not enough disk space"),
        tr("There is not enough free disk space, required: %1 [MB], available %2 [MB]")
            .arg(required_space)
            .arg(available),
        QMessageBox::Ok, QMessageBox::Ok);
    return false;
}

void UpdateMgr::askAboutAppUpdate(QString new_service_version)
{
    const QMessageBox::StandardButton answer = platform().messageBox(
        QMessageBox::Question, tr("New application version"),
        tr("New application version (%1) is available.Please save your work and close Tarvolen "
           "after maintenance tool starts, would you like to continue?")
            .arg(new_service_version),
        QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel);
    if (answer == QMessageBox::Ok)
        continueAppUpdate();
}

void UpdateMgr::continueAppUpdate()
{
    const Singleton &s = Singleton::Vr();
    if (platform().startDetached(s.maintenanceToolPath, {QStringLiteral("--updater")}, s.appDir)) {
        emit closeAppClicked();
        return;
    }
    platform().messageBox(QMessageBox::Warning, tr("Error starting maintenancetool"),
                          tr("Error starting maintenance tool, you can start it manually from "
                             "application directory or menu start"),
                          QMessageBox::Ok, QMessageBox::Ok);
}
