// Opens an XER file through the main window, the same road as File, Open
// (a read on the thread pool behind the progress dialog, the hand-over of
// the models with the default columns and the default layout), with the
// window shown offscreen at 1600 x 1000; then groups by WBS, expands all
// through the Outline menu and renders the whole window into OUT.png.
// Prints, one per line:
//   load_ms        start of the open to the loader's finished()
//   show_ms        finished() to the project on screen: hand-over, default
//                  columns and layout, chart built
//   group_wbs_ms   grouping by "WBS Name" (all levels), chart rebuilt
//   expand_all_ms  the Outline menu's "Expand All", chart rebuilt
//   render_ms      painting the window (tree and chart) into an image
//   filter_values_ms  filtering "Activity Type" to one value (as the column's
//                  pop-up does: proxy, header mark, band dates) over the
//                  grouped, expanded tree, chart rebuilt
//   print_pdf_ms   the Print command on the Month time scale (or the one
//                  PRINT_SCALE names: Year, Quarter, Month, Week, Day): table and
//                  chart drawn, the dialog laid out and switched to A4
//                  landscape, every page printed to a PDF file kept as
//                  OUT.pdf beside OUT.png; "refused" when the command
//                  refuses a picture that large, "no memory" when it or
//                  the dialog finds too little memory for it, "failed"
//                  when the file could not be written (a full disk)
//   peak_rss_mb    peak resident memory of the whole run
// Usage: render_view FILE OUT.png

#include "benchenv.h"
#include "windowbench.h"
#include "activities.h"
#include "mainwindow.h"
#include "modelhelpers.h"
#include "zpageselectorbutton.h"
#include "zprintdialog.h"
#include "zprinters.h"
#include "projectloader.h"
#include "qganttchart.h"
#include "threadhandoff.h"
#include "zfilterdialogproxymodel.h"
#include "zgroupedtreeview.h"
#include "zgrouping.h"
#include "zsortfilterheader.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPixmap>
#include <QPrinter>
#include <QPushButton>
#include <QTimer>

#include <atomic>
#include <cstdio>

namespace {

// The one printer of the bench: a PDF file.
class PdfFilePrinter : public ZPrinters
{
public:
    explicit PdfFilePrinter(const QString &file) : m_file(file) {}
    QStringList printerNames() const override { return {QStringLiteral("PDF")}; }
    QString defaultPrinterName() const override { return QStringLiteral("PDF"); }
    std::unique_ptr<QPrinter> createPrinter(const QString &) const override
    {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(m_file);
        return printer;
    }

private:
    QString m_file;
};

// Runs the Print command as a user would: landscape, Print..., Done. The
// time runs from the command to the printed file, pdfFile; "refused" or
// "no memory" when the command or the dialog answers with a message.
QString timePrint(MainWindow &window, Activities *pane, const QString &pdfFile)
{
    QByteArray scale = qgetenv("PRINT_SCALE");
    if (scale.isEmpty())
        scale = "Month";
    setTimeScale(window, "action" + scale);
    pane->ganttChart()->flushPendingRebuild();

    QFile::remove(pdfFile);
    PdfFilePrinter printer(pdfFile);
    ZPrinters::install(&printer);
    bool refused = false;
    bool noMemory = false;
    bool failed = false;
    // Messages have a timer of their own: one the print shows runs an
    // event loop inside the dialog's answer, whose timer waits for it.
    QTimer boxes;
    QObject::connect(&boxes, &QTimer::timeout, &window, [&refused, &noMemory, &failed] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            noMemory = noMemory || box->text().contains(QLatin1String("not enough memory"));
            failed = failed || box->text().contains(QLatin1String("could not"));
            refused = refused || (!noMemory && !failed);
            box->accept();
        }
    });
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, &window, [] {
        if (auto *dialog = qobject_cast<ZPrintDialog *>(QApplication::activeModalWidget())) {
            dialog->findChild<ZPageSelectorButton *>(QStringLiteral("horizontalPage"))->setChecked(true);
            dialog->print();
            dialog->close();
        }
    });
    boxes.start(0);
    answer.start(0);
    QElapsedTimer timer;
    timer.start();
    if (QAction *print = window.findChild<QAction *>(QStringLiteral("actionPrint")))
        print->trigger();
    const qint64 elapsed = timer.elapsed();
    answer.stop();
    boxes.stop();
    ZPrinters::install(nullptr);
    // A refused print writes no file, and is no failure.
    if (noMemory)
        return QStringLiteral("no memory");
    if (refused)
        return QStringLiteral("refused");
    if (failed || !QFileInfo(pdfFile).size())
        return QStringLiteral("failed");
    return QString::number(elapsed);
}

} // namespace

int main(int argc, char **argv)
{
    WindowBench bench;
    bench.useOwnConfig();
    QApplication app(argc, argv);
    if (!bench.start("render_view FILE OUT.png"))
        return 2;
    const QString path = bench.file;
    const QString out = bench.out;

    // A failed read ends in a message box; its text is the bench's error.
    MainWindow window;
    bench.show(window);

    QElapsedTimer timer;
    timer.start();
    window.openChosenFile(path);
    if (!window.loader()) {
        std::fprintf(stderr, "cannot open %s\n", path.toUtf8().constData());
        return 1;
    }
    // Taken on the reading thread at the moment the read reports, so the
    // queued hand-over is not counted as loading. A very small file may
    // have finished before this connection exists; its whole open then
    // counts as loading.
    std::atomic<qint64> readDone(-1);
    static const char connected = 0;
    QObject::connect(
        window.loader(), &ProjectLoader::finished, window.loader(),
        [&readDone, &timer] {
            threadhandoff::acquire(&connected);
            readDone = timer.elapsed();
        },
        Qt::DirectConnection);
    threadhandoff::release(&connected);
    waitForLoad(window);
    Activities *pane = window.activitiesPane();
    pane->ganttChart()->flushPendingRebuild();
    QCoreApplication::processEvents();
    const qint64 opened = timer.elapsed();
    bench.stopWatch();
    if (!bench.failure.isEmpty() || !window.loader()) {
        std::fprintf(stderr, "cannot read %s: %s\n", path.toUtf8().constData(),
                     bench.failure.toUtf8().constData());
        return 1;
    }
    const qint64 loaded = readDone >= 0 ? qint64(readDone) : opened;
    printLine(QStringLiteral("load_ms %1").arg(loaded));
    printLine(QStringLiteral("show_ms %1").arg(opened - loaded));

    timer.restart();
    pane->setCurrentGrouping(wbsGrouping(pane->currentGrouping()));
    pane->ganttChart()->flushPendingRebuild();
    printLine(QStringLiteral("group_wbs_ms %1").arg(timer.elapsed()));

    // What a user does: Outline, Expand All.
    timer.restart();
    if (QAction *expandAll = window.findChild<QAction *>(QStringLiteral("actionExpand_All")))
        expandAll->trigger();
    pane->ganttChart()->flushPendingRebuild();
    printLine(QStringLiteral("expand_all_ms %1").arg(timer.elapsed()));

    timer.restart();
    const QPixmap image = window.grab();
    printLine(QStringLiteral("render_ms %1").arg(timer.elapsed()));
    if (!image.save(out, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", out.toUtf8().constData());
        return 1;
    }

    // The printed pages stay beside the picture: OUT.pdf.
    const QFileInfo outInfo(out);
    const QString pdfFile = outInfo.dir().filePath(outInfo.completeBaseName() + QStringLiteral(".pdf"));
    printLine(QStringLiteral("print_pdf_ms %1").arg(timePrint(window, pane, pdfFile)));

    // The value: the type of the first activity (milestones when there are).
    ZFilterDialogProxyModel *filter = pane->filterModel();
    auto *header = qobject_cast<ZSortFilterHeader *>(pane->treeView()->header());
    QAbstractItemModel *activities = pane->activityModel();
    const int typeColumn = columnIndex(filter, QStringLiteral("Activity Type"));
    QString value;
    for (int r = 0; r < pane->initialRowCount() && typeColumn >= 0; ++r) {
        const QString type = activities->index(r, typeColumn).data().toString();
        if (value.isEmpty() || type == QLatin1String("Milestone"))
            value = type;
        if (value == QLatin1String("Milestone"))
            break;
    }
    if (header && typeColumn >= 0) {
        timer.restart();
        filter->setFilter(typeColumn, {value});
        header->setFilter(typeColumn);
        pane->onFiltered();
        pane->ganttChart()->flushPendingRebuild();
        printLine(QStringLiteral("filter_values_ms %1").arg(timer.elapsed()));
    }
    printLine(QStringLiteral("peak_rss_mb %1").arg(peakRssMb()));
    return 0;
}
