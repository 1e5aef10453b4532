#include "dialoghelpers.h"

#include "modelslogging.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QTextStream>
#include <QTime>
#include <QTreeView>

int showYesNoDialog(const QString &text, const QString &title, bool withCancel)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No);
    if (withCancel)
        box.addButton(QMessageBox::Cancel);
    return box.exec();
}

void showOkDialog(const QString &text, const QString &title)
{
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok);
    box.exec();
}

void updateMenuIconText(QMenu *menu, int i)
{
    Q_ASSERT(menu);
    if (!menu)
        return;
    const QList<QAction *> actions = menu->actions();
    Q_ASSERT(!actions.isEmpty());
    if (actions.isEmpty())
        return;
    const int position = i + 1;
    QAction *action = (position >= 0 && position < actions.size()) ? actions.at(position)
                                                                   : actions.first();
    menu->setTitle(action->text());
    menu->setIcon(action->icon());
}

QTreeView *previewModel(QAbstractItemModel *model)
{
    // The window lives until the application ends, closed or not.
    auto *view = new QTreeView;
    if (auto *app = QCoreApplication::instance())
        QObject::connect(app, &QCoreApplication::aboutToQuit, view, &QObject::deleteLater);
    view->setModel(model);
    view->show();
    return view;
}

void printLog(const QString &text)
{
    QFile file(QStringLiteral("log.txt"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        qCDebug(lcModels) << "printLog: cannot open log.txt:" << file.errorString();
        return;
    }
    QTextStream out(&file);
    out << QTime::currentTime().toString(Qt::TextDate) << QLatin1Char(':') << text
        << QLatin1Char('\n');
}

QString zfiles()
{
    return QStringLiteral("/opt/scheduleviewer/dev/files/");
}
