#pragma once

// Answerers of modal boxes, file dialogs, dialogs and pop-ups that a test
// opens through the real code: armed before the call that blocks, they poll
// from the event loop that the modal widget runs.

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <functional>

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
