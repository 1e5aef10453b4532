#pragma once

// What the window benches share: their output lines, waiting for an open to
// end, the grouping by WBS they all measure and their start.

#include "activities.h"
#include "benchenv.h"
#include "mainwindow.h"
#include "qganttchart.h"
#include "zgrouping.h"

#include <QAction>

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QString>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cstdio>

inline void printLine(const QString &text)
{
    std::fputs(text.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Waits in the event loop until the window has handled the read's result.
inline void waitForLoad(const MainWindow &window)
{
    while (window.isLoading()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (window.isLoading())
            QThread::msleep(1);
    }
}

// Switches the time scale to the one action, by its object name, alone.
inline void setTimeScale(MainWindow &window, const QByteArray &chosen)
{
    for (const char *name : {"actionYear", "actionQuarter", "actionMonth", "actionWeek", "actionDay"}) {
        if (auto *action = window.findChild<QAction *>(QString::fromLatin1(name))) {
            if (action->isChecked() != (chosen == name))
                action->trigger();
        }
    }
}

// "WBS Name" on every level as the outermost level, the other levels of
// current after it.
inline ZGrouping wbsGrouping(const ZGrouping &current)
{
    ZGrouping wbs;
    wbs.addGroup(QStringLiteral("WBS Name"), QStringLiteral("All"), QFont(), QColor(Qt::white),
                 QBrush(QColor(60, 83, 111)));
    for (int i = 1; i < current.size(); ++i)
        wbs.addGroup(current.group(i));
    return wbs;
}

// The start of a window bench, before and after the application object:
// its recent list goes to a folder of its own, the logs stay quiet, the
// arguments are FILE OUT, and a message box the window raises is answered
// and its text kept as the bench's error.
class WindowBench
{
public:
    // Before the application object.
    WindowBench() { prepareWindowBench(); }
    void useOwnConfig()
    {
        if (m_config.isValid())
            qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    }

    // After it: false (with the usage said) unless there are two arguments.
    bool start(const char *usage)
    {
        QLoggingCategory::setFilterRules(
            QStringLiteral("sv.*.info=false\nsv.*.debug=false\nsv.models.warning=false"));
        const QStringList args = QCoreApplication::arguments().mid(1);
        if (args.size() != 2) {
            std::fprintf(stderr, "usage: %s\n", usage);
            return false;
        }
        // A name that is not UTF-8 has no text here: refused, never made
        // under another name.
        for (const QString &arg : args) {
            if (arg.contains(QChar::ReplacementCharacter)) {
                std::fprintf(stderr, "a file name that is not UTF-8 cannot be given here\n");
                return false;
            }
        }
        file = args.at(0);
        out = args.at(1);
        return true;
    }

    // Shows the window as the benches measure it and answers its boxes.
    void show(MainWindow &window)
    {
        window.resize(1600, 1000);
        window.show();
        QCoreApplication::processEvents();
        QObject::connect(&m_boxWatch, &QTimer::timeout, &window, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                failure = box->text();
                box->accept();
            }
        });
        m_boxWatch.start(20);
    }
    void stopWatch() { m_boxWatch.stop(); }

    // Shows the window and opens the file in it as File, Open does, up to
    // the chart built: false (with the reason said) when it did not open.
    bool open(MainWindow &window)
    {
        show(window);
        window.openChosenFile(file);
        if (!window.loader()) {
            std::fprintf(stderr, "cannot open %s\n", file.toUtf8().constData());
            return false;
        }
        waitForLoad(window);
        window.activitiesPane()->ganttChart()->flushPendingRebuild();
        QCoreApplication::processEvents();
        stopWatch();
        if (!failure.isEmpty()) {
            std::fprintf(stderr, "cannot read %s: %s\n", file.toUtf8().constData(), failure.toUtf8().constData());
            return false;
        }
        return true;
    }

    QString file;
    QString out;
    QString failure;

private:
    QTemporaryDir m_config;
    QTimer m_boxWatch;
};
