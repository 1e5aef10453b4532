#include "loadprogressdialog.h"
#include "mainwindow.h"
#include "recentlist.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QWidgetAction>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

namespace {

QAction *actionNamed(QWidget *window, const char *name)
{
    return window->findChild<QAction *>(QString::fromLatin1(name));
}

QStringList visibleTexts(const QList<QAction *> &actions)
{
    QStringList out;
    for (QAction *a : actions) {
        if (!a->isVisible())
            continue;
        out << (a->isSeparator() ? QStringLiteral("|") : a->text());
    }
    return out;
}

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

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void startUpState();
    void timeScaleUnits();
    void outlineTextRecorded();
    void layoutNameField();
    void recentListReadAtStartAndWrittenAtClose();
    void missingRecentFileIsRemoved();
    void chosenNamesOtherThanXerAreIgnored();
    void progressDialogCannotBeDismissed();

private:
    QTemporaryDir m_config;
    QString mruPath() const { return m_config.filePath(QStringLiteral("mru.config")); }
};

void tst_MainWindow::initTestCase()
{
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    QCOMPARE(RecentList::defaultPath(), mruPath());
}

void tst_MainWindow::init()
{
    QFile::remove(mruPath());
}

void tst_MainWindow::startUpState()
{
    MainWindow w;
    w.show();
    QCOMPARE(w.windowTitle(), QStringLiteral("Tarvolen"));
    QVERIFY(!w.windowIcon().isNull());

    QMenu *file = w.findChild<QMenu *>(QStringLiteral("menuFile"));
    QVERIFY(file);
    QCOMPARE(visibleTexts(file->actions()),
             QStringList({QStringLiteral("Open file"), QStringLiteral("Close"),
                          QStringLiteral("|"), QStringLiteral("Snip"), QStringLiteral("Print")}));
    QCOMPARE(actionNamed(&w, "actionOpen_file")->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    QCOMPARE(actionNamed(&w, "actionPrint")->shortcut(), QKeySequence(QStringLiteral("Ctrl+P")));

    QMenuBar *bar = w.menuBar();
    QCOMPARE(visibleTexts(bar->actions()),
             QStringList({QStringLiteral("File"), QStringLiteral("Help")}));

    QToolBar *tools = w.findChild<QToolBar *>(QStringLiteral("mainToolBar"));
    QVERIFY(tools);
    QStringList toolTexts;
    for (QAction *a : tools->actions()) {
        if (!a->isVisible())
            continue;
        toolTexts << (qobject_cast<QWidgetAction *>(a) || a->text().isEmpty() ? QStringLiteral("<spacer>")
                                                                              : a->text());
    }
    QCOMPARE(toolTexts, QStringList({QStringLiteral("Columns"), QStringLiteral("Group"),
                                     QStringLiteral("Detail"), QStringLiteral("Export"),
                                     QStringLiteral("Outline"), QStringLiteral("<spacer>"),
                                     QStringLiteral("Time"), QStringLiteral("Styles")}));

    // No project: project actions off, opening on.
    for (const char *name : {"actionColumns", "actionGroup", "actionDetail", "actionExport",
                             "actionStyles", "actionSnip", "actionPrint", "actionClose"})
        QVERIFY2(!actionNamed(&w, name)->isEnabled(), name);
    QVERIFY(actionNamed(&w, "actionOpen_file")->isEnabled());
    QVERIFY(actionNamed(&w, "actionAbout")->isEnabled());

    QVERIFY(actionNamed(&w, "actionDay")->isChecked());
    for (const char *name : {"actionYear", "actionQuarter", "actionMonth", "actionWeek"})
        QVERIFY2(!actionNamed(&w, name)->isChecked(), name);
    QVERIFY(actionNamed(&w, "actionGanttChart")->isChecked());
    QVERIFY(!actionNamed(&w, "actionDetail")->isChecked());

    auto *stack = w.findChild<QStackedWidget *>(QStringLiteral("stackedWidget"));
    QCOMPARE(stack->count(), 2);
    QCOMPARE(stack->currentIndex(), 0);
    actionNamed(&w, "actionResources")->trigger();
    QCOMPARE(stack->currentIndex(), 1);
    QVERIFY(!actionNamed(&w, "actionDetail")->isVisible());
    actionNamed(&w, "actionGanttChart")->trigger();
    QCOMPARE(stack->currentIndex(), 0);
    QVERIFY(actionNamed(&w, "actionDetail")->isVisible());
}

void tst_MainWindow::timeScaleUnits()
{
    MainWindow w;
    QCOMPARE(w.timeScaleUnits(), QVector<int>({3}));
    actionNamed(&w, "actionMonth")->trigger();
    QCOMPARE(w.timeScaleUnits(), QVector<int>({3, 6}));
    actionNamed(&w, "actionYear")->trigger();
    actionNamed(&w, "actionDay")->trigger();
    QCOMPARE(w.timeScaleUnits(), QVector<int>({6, 9}));
    actionNamed(&w, "actionMonth")->trigger();
    actionNamed(&w, "actionYear")->trigger();
    QCOMPARE(w.timeScaleUnits(), QVector<int>());
    w.setToolBarButtonsFromFlags(4 | 8 | 32);
    QCOMPARE(w.timeScaleUnits(), QVector<int>({3, 4, 7}));
}

void tst_MainWindow::outlineTextRecorded()
{
    MainWindow w;
    QCOMPARE(w.outlineLevel(), QString());
    QCOMPARE(w.outlineActions().size(), 11);
    actionNamed(&w, "actionLevel_3")->trigger();
    QCOMPARE(w.outlineLevel(), QStringLiteral("Level 3"));
    actionNamed(&w, "actionExpand")->trigger();
    QCOMPARE(w.outlineLevel(), QStringLiteral("Expand"));
}

void tst_MainWindow::layoutNameField()
{
    MainWindow w;
    auto *edit = w.findChild<QLineEdit *>();
    auto *save = w.findChild<QPushButton *>();
    QVERIFY(edit && save);
    QCOMPARE(edit->placeholderText(), QStringLiteral("Layout name"));
    QVERIFY(save->isEnabled());
    QTest::keyClick(edit, Qt::Key_A);
    QVERIFY(save->isEnabled());
    QTest::keyClick(edit, Qt::Key_Backspace);
    QVERIFY(!save->isEnabled());
    QMenu *layout = w.findChild<QMenu *>(QStringLiteral("menuLayout"));
    QCOMPARE(layout->actions().constLast()->text(), QStringLiteral("layouts not found"));
    QVERIFY(!layout->actions().constLast()->isEnabled());
}

void tst_MainWindow::recentListReadAtStartAndWrittenAtClose()
{
    RecentList stored;
    stored.addFile(QStringLiteral("/x/b.MPP"), QString());
    stored.addFile(QStringLiteral("/x/a.xer"), QString());
    QCOMPARE(stored.save(mruPath()), RecentList::Saved);
    const QByteArray before = readAll(mruPath());
    {
        MainWindow w;
        w.show();
        QCOMPARE(w.recentList().size(), 2);
        QMenu *file = w.findChild<QMenu *>(QStringLiteral("menuFile"));
        // The MPP entry is kept but shows no action.
        QCOMPARE(visibleTexts(file->actions()).mid(5),
                 QStringList({QStringLiteral("|"), QStringLiteral("/x/a.xer")}));
        QVERIFY(w.close());
    }
    QCOMPARE(readAll(mruPath()), before);
}

void tst_MainWindow::missingRecentFileIsRemoved()
{
    QTemporaryDir dir;
    const QString gone = dir.filePath(QStringLiteral("gone.xer"));
    RecentList stored;
    stored.addFile(gone, QString());
    QCOMPARE(stored.save(mruPath()), RecentList::Saved);

    MainWindow w;
    w.show();
    QMenu *file = w.findChild<QMenu *>(QStringLiteral("menuFile"));
    QAction *entry = file->actions().constLast();
    QCOMPARE(entry->text(), gone);
    BoxAnswerer answer;
    answer.arm();
    entry->trigger();
    QCOMPARE(answer.title, QStringLiteral("File doesn't exist"));
    QCOMPARE(answer.text, QStringLiteral("File was deleted"));
    QVERIFY(w.recentList().isEmpty());
    // The separator goes with the last entry.
    QCOMPARE(visibleTexts(file->actions()),
             QStringList({QStringLiteral("Open file"), QStringLiteral("Close"),
                          QStringLiteral("|"), QStringLiteral("Snip"), QStringLiteral("Print")}));
}

void tst_MainWindow::chosenNamesOtherThanXerAreIgnored()
{
    MainWindow w;
    w.openChosenFile(QString());
    w.openChosenFile(QStringLiteral("/x/plan.mpp"));
    w.openChosenFile(QStringLiteral("/x/plan.txt"));
    QVERIFY(w.recentList().isEmpty());
    QCOMPARE(w.windowTitle(), QStringLiteral("Tarvolen"));
    QVERIFY(!w.isLoading());
}

void tst_MainWindow::progressDialogCannotBeDismissed()
{
    QWidget parent;
    QPointer<LoadProgressDialog> dialog = new LoadProgressDialog(&parent);
    QCOMPARE(dialog->windowModality(), Qt::ApplicationModal);
    QCOMPARE(dialog->labelText(), QStringLiteral("Project load"));
    QCOMPARE(dialog->maximum(), 100);
    dialog->show();
    QVERIFY(!dialog->close());
    QTest::keyClick(dialog, Qt::Key_Escape);
    dialog->reject();
    QVERIFY(dialog->isVisible());
    dialog->setDismissable(true);
    QVERIFY(dialog->close());
    QTRY_VERIFY(dialog.isNull()); // deletes itself
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
