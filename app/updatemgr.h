#pragma once

#include <QDomDocument>
#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>

class QNetworkAccessManager;
class QNetworkReply;

namespace Ui {
class MainWindow;
}

// Asks the update server once, at construction, whether a newer version is
// offered; when it is and the root volume has room, asks the user and starts
// the maintenance tool. Silent (log lines only) when the server cannot be
// reached, times out or answers with something unusable, or when the
// threads the check starts have no room. No retry.
class UpdateMgr : public QObject
{
    Q_OBJECT
public:
    // What the check needs of the machine. Tests replace these so that no
    // box blocks and no program starts.
    struct Volume
    {
        QString rootPath;
        bool readOnly = false;
        qint64 bytesAvailable = 0;
    };
    struct Platform
    {
        std::function<Volume()> rootVolume;
        std::function<QMessageBox::StandardButton(
            QMessageBox::Icon icon, const QString &title, const QString &text,
            QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton)>
            messageBox;
        std::function<bool(const QString &program, const QStringList &arguments,
                           const QString &workingDirectory)>
            startDetached;
        int transferTimeoutMs = 10000;
        qint64 maxBodyBytes = 1024 * 1024;
    };
    // The process-wide platform the checks use; starts as defaultPlatform().
    static Platform &platform();
    static Platform defaultPlatform();

    UpdateMgr(QObject *parent, Ui::MainWindow *ui);
    ~UpdateMgr() override;

signals:
    void closeAppClicked();

public slots:
    void init();

private slots:
    void checkForAppUpdate();
    void closeTimeout();
    void checkForAppUpdateFinished(QNetworkReply *netReply);
    void askAboutAppUpdate(QString new_service_version);
    void continueAppUpdate();
    bool isNewVersion(QString old_v, QString new_v);
    bool isFreeDiskSpace(int required_space);

private:
    Ui::MainWindow *m_ui; // Not owned; kept, not used.
    QTimer *m_closeTimer; // Owned (child).
    // Owned (child), made by a check only; owns its replies until handled.
    QNetworkAccessManager *m_network = nullptr;
    QDomDocument m_xml;
};
