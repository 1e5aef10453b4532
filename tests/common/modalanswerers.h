#pragma once

// Answerers of modal boxes, file dialogs, dialogs and pop-ups that a test
// opens through the real code: armed before the call that blocks, they poll
// from the event loop that the modal widget runs.

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

// A message box or file dialog that no answerer takes fails the test at
// once and is closed, rather than waiting for a user until the watchdog
// ends the run. Counted in polls, not time: a busy thread delays the
// answerers as much.
class UnansweredModals : public QObject
{
public:
    UnansweredModals()
    {
        m_poll.callOnTimeout(this, [this] { poll(); });
        m_poll.start(100);
    }

private:
    void poll()
    {
        QWidget *active = QApplication::activeModalWidget();
        auto *box = qobject_cast<QMessageBox *>(active);
        QDialog *modal = box ? static_cast<QDialog *>(box) : qobject_cast<QFileDialog *>(active);
        m_polls = modal == m_seen ? m_polls + 1 : 0;
        m_seen = modal;
        if (!modal || m_polls < 50)
            return;
        const QString said = modal->windowTitle() + QStringLiteral(": ") + (box ? box->text() : QStringLiteral("file dialog"));
        QTest::qFail(qPrintable(QStringLiteral("unanswered: ") + said), __FILE__, __LINE__);
        modal->reject();
    }
    QTimer m_poll;
    QPointer<QDialog> m_seen;
    int m_polls = 0;
};

// Answers the next modal message box with OK and remembers its text.
class BoxAnswerer : public QObject
{
public:
    void arm()
    {
        text.clear();
        title.clear();
        QTimer::singleShot(0, this, [this] { poll(); });
    }
    void poll()
    {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            title = box->windowTitle();
            text = box->text();
            box->accept();
            return;
        }
        QTimer::singleShot(10, this, [this] { poll(); });
    }
    QString title;
    QString text;
};

// Answers the next modal file dialog with a file name.
class FileDialogAnswerer : public QObject
{
public:
    void arm(const QString &fileName)
    {
        m_fileName = fileName;
        answered = false;
        QTimer::singleShot(0, this, [this] { poll(); });
    }
    void poll()
    {
        if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
            caption = dialog->windowTitle();
            folder = dialog->directory().absolutePath();
            dialog->selectFile(m_fileName);
            static_cast<QDialog *>(dialog)->accept(); // public there
            answered = true;
            return;
        }
        QTimer::singleShot(10, this, [this] { poll(); });
    }
    bool answered = false;
    QString caption;
    QString folder; // where the dialog opened

private:
    QString m_fileName;
};

// Hands the next widget of type T that is shown modally (a dialog) or as
// the active pop-up (a menu) to a function, which answers it (accepts,
// rejects, triggers an action...). answered tells whether it was met.
template <class T>
class WidgetAnswerer : public QObject
{
public:
    void arm(const std::function<void(T *)> &answer)
    {
        m_answer = answer;
        answered = false;
        QTimer::singleShot(0, this, [this] { poll(); });
    }
    void poll()
    {
        T *widget = qobject_cast<T *>(QApplication::activePopupWidget());
        if (!widget)
            widget = qobject_cast<T *>(QApplication::activeModalWidget());
        if (widget && widget->isVisible()) {
            answered = true;
            m_answer(widget);
            return;
        }
        QTimer::singleShot(10, this, [this] { poll(); });
    }
    bool answered = false;

private:
    std::function<void(T *)> m_answer;
};
