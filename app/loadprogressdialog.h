#pragma once

#include <QProgressDialog>

// The progress dialog of a file load. While a read runs the user cannot
// dismiss it (no cancel button, Escape and the close button do nothing):
// the load cannot be cut short. The owner makes it dismissable before it
// closes it. It deletes itself when closed.
class LoadProgressDialog : public QProgressDialog
{
    Q_OBJECT

public:
    explicit LoadProgressDialog(QWidget *parent);

    void setDismissable(bool dismissable);
    bool isDismissable() const { return m_dismissable; }

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool m_dismissable = false;
};
