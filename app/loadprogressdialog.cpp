#include "loadprogressdialog.h"

#include <QCloseEvent>
#include <QKeyEvent>

LoadProgressDialog::LoadProgressDialog(QWidget *parent)
    : QProgressDialog(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::WindowCloseButtonHint, false);
    setWindowModality(Qt::ApplicationModal);
    setCancelButton(nullptr);
    setFixedWidth(250);
    setRange(0, 100);
    setAutoReset(true);
    setAutoClose(true);
    setLabelText(QStringLiteral("Project load"));
}

void LoadProgressDialog::setDismissable(bool dismissable)
{
    m_dismissable = dismissable;
}

void LoadProgressDialog::reject()
{
    if (m_dismissable)
        QProgressDialog::reject();
}

void LoadProgressDialog::closeEvent(QCloseEvent *event)
{
    if (!m_dismissable) {
        event->ignore();
        return;
    }
    QProgressDialog::closeEvent(event);
}

void LoadProgressDialog::keyPressEvent(QKeyEvent *event)
{
    if (!m_dismissable && event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QProgressDialog::keyPressEvent(event);
}
