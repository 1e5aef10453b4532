// libFuzzer target: the bytes are an XER file opened through the main window
// (offscreen), the road of File, Open; then the activities are grouped by
// WBS, expanded through the Outline menu's Expand All and the window is
// painted. Each input closes the project again.

#include "fuzzinput.h"
#include "activities.h"
#include "mainwindow.h"
#include "projectloader.h"
#include "qganttchart.h"
#include "zgrouping.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPixmap>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cstddef>
#include <cstdint>

namespace {

QApplication *app = nullptr;
QTemporaryDir *dir = nullptr;
MainWindow *window = nullptr;

// A failed read ends in a message box; it is accepted at once.
void acceptBoxes()
{
    if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
        box->accept();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    dir = new QTemporaryDir;
    // The recent-files list goes to a folder of its own.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir->path()));
    app = new QApplication(*argc, *argv);
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.info=false\n*.warning=false"));
    window = new MainWindow;
    window->resize(1000, 700);
    window->show();
    auto *boxWatch = new QTimer(window);
    QObject::connect(boxWatch, &QTimer::timeout, window, acceptBoxes);
    boxWatch->start(5);
    QCoreApplication::processEvents();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = dir->filePath(QStringLiteral("input.xer"));
    if (!writeFuzzInput(path, data, size))
        return 0;
    window->openChosenFile(path);
    while (window->isLoading()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (window->isLoading())
            QThread::msleep(1);
    }
    QCoreApplication::processEvents();
    if (window->loader()) {
        Activities *pane = window->activitiesPane();
        ZGrouping wbs;
        wbs.addGroup(QStringLiteral("WBS Name"), QStringLiteral("All"), QFont(), QColor(Qt::white),
                     QBrush(QColor(60, 83, 111)));
        pane->setCurrentGrouping(wbs);
        if (auto *expandAll = window->findChild<QAction *>(QStringLiteral("actionExpand_All")))
            expandAll->trigger();
        pane->ganttChart()->flushPendingRebuild();
        window->grab();
        if (auto *close = window->findChild<QAction *>(QStringLiteral("actionClose")))
            close->trigger();
    }
    QCoreApplication::processEvents();
    return 0;
}
