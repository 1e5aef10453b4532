// The main window's launchers of the group-by, snip and print dialogs and
// the about box.

#include "mainwindow.h"

#include "activities.h"
#include "fieldroles.h"
#include "imagelimit.h"
#include "qganttchart.h"
#include "qgcvaxis.h"
#include "windowmemory.h"
#include "zgroupdialog.h"
#include "zgroupedtreeview.h"
#include "zimage.h"
#include "zprintdialog.h"
#include "zsnipdialog.h"
#include "zworkprogress.h"

#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <QStatusBar>

#include <memory>

namespace {

// How long the end of a print stays said in the status bar.
const int kPrintMessageTimeout = 15000;

void refuseLargeChart(QWidget *parent, const QString &title)
{
    QMessageBox box(QMessageBox::Information, title,
                    QStringLiteral("Gantt Chart is too large. Try to use different time scale"),
                    QMessageBox::Ok, parent);
    box.exec();
}

void refuseForMemory(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    box.exec();
}

// Makes a dialog on a picture (make fills the picture, which the dialog
// keeps a reference to, and returns the dialog) and runs it. The room was
// asked for first: Qt's painting cannot unwind. Memory running out in the
// picture's own making (the tiles, the workers that cut them, the dialog's
// items) unwinds to here, and what was made goes before the message.
// The making is shown in a progress of the given phases; cancelled, what
// was made goes, no dialog comes and the status bar says canceledText.
// However the dialog ends, its pictures go and the heap hands their pages
// back: the allocator would keep gigabytes of a large chart's tiles.
template <class Make>
void runOnPicture(QWidget *parent, bool room, const QString &title, const QString &noMemory,
                  const QString &canceledText, const QVector<int> &phases, Make make)
{
    // What the last command said is over once another starts.
    auto *window = qobject_cast<QMainWindow *>(parent);
    if (window)
        window->statusBar()->clearMessage();
    bool made = false;
    bool canceled = false;
    {
        ZImage image;
        // Goes before the picture it refers to.
        decltype(make(image, std::declval<ZWorkProgress &>())) dialog;
        if (room) {
            try {
                ZWorkProgress progress(parent, title, QObject::tr("Preparing the picture..."), phases);
                dialog = make(image, progress);
                canceled = progress.finish();
            } catch (const std::bad_alloc &) {
            }
            if (canceled)
                dialog.reset();
        }
        made = bool(dialog);
        if (made)
            dialog->exec();
    }
    WindowMemory::releaseFreed();
    if (canceled && window && !canceledText.isEmpty())
        window->statusBar()->showMessage(canceledText, kPrintMessageTimeout);
    if (!made && !canceled)
        refuseForMemory(parent, title, noMemory);
}

// The wait cursor from construction until the end of the scope, however it
// is left.
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    Q_DISABLE_COPY(WaitCursor)
};

} // namespace

void MainWindow::onGroupAction()
{
    QAbstractItemModel *model = m_activities->activityModel();
    ZGroupDialog dialog(nullptr, {});
    dialog.setModel(model);
    for (int c = 0; model && c < model->columnCount(); ++c) {
        const QVariantMap descriptor =
            model->headerData(c, Qt::Horizontal, FieldDescriptorRole).toMap();
        if (descriptor.value(QStringLiteral("structure")).toBool())
            dialog.setColumnLevels(c, 7);
        if (descriptor.value(QStringLiteral("group")).toString() == QLatin1String("system"))
            dialog.setColumnHidden(c, true);
    }
    dialog.restoreState(m_activities->currentGrouping());
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_activities->setCurrentGrouping(dialog.saveState());
}

void MainWindow::onSnip()
{
    mygc::GanttChart *chart = m_activities->ganttChart();
    if (!chart)
        return;
    if (ImageLimit::tooLarge(chart)) {
        refuseLargeChart(this, QStringLiteral("Snip"));
        return;
    }
    // The picture is scaled down to fit one side: rows under a pixel there
    // are known now, before it is drawn, whatever the dialog's lines.
    const int rows = chart->taskCount();
    const int rowHeight = rows > 0 ? chart->rowAxis()->rowHeightAt(0) : 0;
    if (!ZSnipDialog::rowsApart(rowHeight, chart->dateAxisHeight() + qint64(rows) * rowHeight)) {
        QMessageBox box(QMessageBox::Information, QStringLiteral("Snip"), ZSnipDialog::tooTallText(),
                        QMessageBox::Ok, this);
        box.exec();
        return;
    }
    // The chart's picture, then the dialog's items.
    runOnPicture(this, ImageLimit::hasRoom(ImageLimit::chartTiles(chart)), QStringLiteral("Snip"),
                 tr("There is not enough memory to snip."), QString(), {4, 1},
                 [this, chart](ZImage &image, ZWorkProgress &progress) {
                     // The picture of a large project takes seconds: the
                     // menu goes first, as for Print.
                     const WaitCursor wait;
                     closeMenus();
                     progress.keepWindowsAsShown();
                     image = chart->toImage();
                     std::unique_ptr<ZSnipDialog> dialog;
                     if (progress.canceled())
                         return dialog;
                     progress.nextPhase();
                     dialog = std::make_unique<ZSnipDialog>(image, nullptr);
                     return dialog;
                 });
}

void MainWindow::onPrintMenu()
{
    mygc::GanttChart *chart = m_activities->ganttChart();
    ZGroupedTreeView *tree = m_activities->treeView();
    if (!chart || !tree)
        return;
    if (ImageLimit::tooLarge(chart)) {
        refuseLargeChart(this, QStringLiteral("Print"));
        return;
    }
    const bool room = ImageLimit::hasRoom(ImageLimit::chartTiles(chart), ImageLimit::treeTiles(tree, chart));
    // The table's picture, the chart's, then the pages laid out: shares as
    // they take on a large project.
    runOnPicture(this, room, QStringLiteral("Print"), tr("There is not enough memory to print."),
                 tr("Printing was cancelled."), {14, 3, 2}, [this, chart, tree](ZImage &image, ZWorkProgress &progress) {
                     // Preparing the pages of a large project takes seconds:
                     // first any menu still open goes and the window is drawn
                     // again, so that the menu the command came from neither
                     // stays on screen nor seems to take clicks.
                     const WaitCursor wait;
                     closeMenus();
                     progress.keepWindowsAsShown();
                     std::unique_ptr<ZPrintDialog> dialog;
                     image = tree->toImage();
                     if (progress.canceled())
                         return dialog;
                     progress.nextPhase();
                     image.appendToRight(chart->toImage());
                     if (progress.canceled())
                         return dialog;
                     progress.nextPhase();
                     dialog = std::make_unique<ZPrintDialog>(image, nullptr);
                     connect(dialog.get(), &ZPrintDialog::printed, this,
                             [this](int pages, const QString &target) {
                                 statusBar()->showMessage(
                                     pages == 1 ? tr("Printed 1 page to %1.").arg(target)
                                                : tr("Printed %1 pages to %2.").arg(pages).arg(target),
                                     kPrintMessageTimeout);
                             });
                     connect(dialog.get(), &ZPrintDialog::printCanceled, this,
                             [this](int sent, int pages, const QString &target) {
                                 // A printer's queue that could not be
                                 // aborted prints what it had.
                                 statusBar()->showMessage(
                                     sent > 0 ? tr("Printing was stopped, but %1 of %2 pages had gone to %3.")
                                                    .arg(sent)
                                                    .arg(pages)
                                                    .arg(target)
                                              : tr("Printing was cancelled."),
                                     kPrintMessageTimeout);
                             });
                     return dialog;
                 });
}

void MainWindow::closeMenus()
{
    // A pop-up that refuses to close would otherwise keep this loop going.
    for (int open = 0; open < 16; ++open) {
        QWidget *popup = QApplication::activePopupWidget();
        if (!popup)
            break;
        popup->close();
    }
    repaint();
    // Hands the drawing to the screen; the user's input waits for the dialog.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void MainWindow::onAbout()
{
    const QString title = QStringLiteral("About Tarvolen XER");
    QString text = QStringLiteral("<!DOCTYPE html><html><body><h1>") + title
        + QStringLiteral("</h1><p>This is version 0.0.0.0</p>"
                         "<p>A viewer for Primavera P6 XER schedules: activities grouped, "
                         "filtered and drawn as a Gantt chart.</p></body></html>");
    text.replace(QStringLiteral("0.0.0.0"), QCoreApplication::applicationVersion());
    QMessageBox::about(this, title, text);
}
