#include "zprintdialog.h"
#include "ui_zprintdialog.h"

#include "dialogslogging.h"
#include "memoryroom.h"
#include "userfile.h"
#include "zprinters.h"
#include "zprintpreviewscene.h"
#include "zworkprogress.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPageLayout>
#include <QScreen>

namespace {

// Item data of the printer list's entry that prints to a PDF file.
const char kPdfFileEntry[] = "pdf-file";

// A PDF file whose every byte was written ends in its cross-reference
// table, at the place its end tells: a write lost on the way (a full
// disk) moves the table or cuts the end.
bool wholePdf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const qint64 size = file.size();
    const qint64 tail = qMin<qint64>(size, 1024);
    if (!file.seek(size - tail))
        return false;
    const QByteArray end = file.read(tail);
    const int at = end.lastIndexOf("startxref");
    if (at < 0 || !end.trimmed().endsWith("%%EOF"))
        return false;
    bool ok = false;
    const qint64 table = end.mid(at + 9).replace("%%EOF", "").trimmed().toLongLong(&ok);
    return ok && table > 0 && table < size - tail + at && file.seek(table) && file.read(4) == "xref";
}

} // namespace

ZPrintDialog::ZPrintDialog(const ZImage &image, QWidget *parent)
    : QDialog(parent)
    , m_ui(new Ui::ZPrintDialog)
{
    m_ui->setupUi(this);
    m_scene = new ZPrintPreviewScene(image, this);
    init();
}

ZPrintDialog::~ZPrintDialog() = default;

void ZPrintDialog::init()
{
    m_ui->gvPreview->setScene(m_scene);
    m_ui->gvPreview->setBackgroundBrush(QBrush(Qt::gray, Qt::SolidPattern));
    m_ui->verticalPage->setOrientation(QPrinter::Portrait);
    m_ui->horizontalPage->setOrientation(QPrinter::Landscape);
    loadPrinters();
    loadPageSizes();
    // After the lists are filled: their texts count in the room needed.
    setWindowSize();

    connect(m_ui->sliderScale, &QSlider::sliderReleased, this, qOverload<>(&ZPrintDialog::setScale));
    connect(m_ui->sliderScale, &QSlider::valueChanged, this, &ZPrintDialog::setSpinboxScale);
    connect(m_ui->sbScale, qOverload<int>(&QSpinBox::valueChanged), m_ui->sliderScale,
            &QSlider::setValue);
    connect(m_ui->sbScale, qOverload<int>(&QSpinBox::valueChanged), this,
            qOverload<int>(&ZPrintDialog::setScale));
    connect(m_ui->verticalPage, &ZPageSelectorButton::pageOrientChecked, m_ui->horizontalPage,
            &ZPageSelectorButton::setUnchecked);
    connect(m_ui->verticalPage, &ZPageSelectorButton::pageOrientChecked, this,
            &ZPrintDialog::updatePage);
    connect(m_ui->horizontalPage, &ZPageSelectorButton::pageOrientChecked, m_ui->verticalPage,
            &ZPageSelectorButton::setUnchecked);
    connect(m_ui->horizontalPage, &ZPageSelectorButton::pageOrientChecked, this,
            &ZPrintDialog::updatePage);
    connect(m_ui->cmbPageSizes, &QComboBox::currentTextChanged, this, &ZPrintDialog::updatePage);
    connect(m_ui->btnReset, &QPushButton::clicked, this, &ZPrintDialog::resetScale);
    connect(m_ui->chkRepeatTableHeaders, &QCheckBox::clicked, this,
            [this](bool repeat) { relayout([this, repeat] { m_scene->setRepeatTableHeaders(repeat); }); });
    connect(m_ui->chkPrintPageNumbers, &QCheckBox::clicked, this,
            [this](bool print) { relayout([this, print] { m_scene->setPrintPageNumbers(print); }); });
    connect(m_ui->btnDone, &QPushButton::clicked, this, &QDialog::close);
    connect(m_ui->btnPrint, &QPushButton::clicked, this, &ZPrintDialog::print);

    m_ui->verticalPage->setChecked(true);
}

void ZPrintDialog::loadPrinters()
{
    const ZPrinters *printers = ZPrinters::instance();
    const QStringList names = printers->printerNames();
    if (names.isEmpty()) {
        // Without a printer the job can still go somewhere the user chooses.
        m_ui->cmbPrinters->addItem(tr("PDF file"), QString::fromLatin1(kPdfFileEntry));
        return;
    }
    m_ui->cmbPrinters->addItems(names);
    const int current = m_ui->cmbPrinters->findText(printers->defaultPrinterName());
    if (current >= 0)
        m_ui->cmbPrinters->setCurrentIndex(current);
}

void ZPrintDialog::loadPageSizes()
{
    const bool blocked = m_ui->cmbPageSizes->blockSignals(true);
    m_ui->cmbPageSizes->addItem(QStringLiteral("A3"), QSize(297, 420));
    m_ui->cmbPageSizes->addItem(QStringLiteral("A4"), QSize(210, 297));
    m_ui->cmbPageSizes->addItem(QStringLiteral("A5"), QSize(148, 210));
    m_ui->cmbPageSizes->addItem(QStringLiteral("A6"), QSize(105, 148));
    m_ui->cmbPageSizes->setCurrentIndex(1);
    m_ui->cmbPageSizes->blockSignals(blocked);
}

void ZPrintDialog::setWindowSize()
{
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QSize size = screen->size();
        // A small or scaled screen leaves 70 % of it too little for the
        // settings: never smaller than the layout needs.
        setFixedSize(QSize(int(size.width() * 0.7), int(size.height() * 0.7))
                         .expandedTo(minimumSizeHint()));
    }
}

QSize ZPrintDialog::selectedSize() const
{
    const QSize size = m_ui->cmbPageSizes->currentData().toSize();
    return m_ui->verticalPage->isChecked() ? size : size.transposed();
}

QPrinter::Orientation ZPrintDialog::selectedOrient() const
{
    return m_ui->verticalPage->isChecked() ? QPrinter::Portrait : QPrinter::Landscape;
}

void ZPrintDialog::setPageSize()
{
    m_scene->setPageSize(selectedSize());
}

bool ZPrintDialog::printsToPdfFile() const
{
    return m_ui->cmbPrinters->currentData().toString() == QLatin1String(kPdfFileEntry);
}

void ZPrintDialog::updatePage()
{
    // The new choice shows before the pages are laid out again, which takes
    // seconds for a large picture.
    m_ui->pageOrientationSection->repaint();
    m_scene->setPageSize(selectedSize());
    resetScale();
}

void ZPrintDialog::resetScale()
{
    const bool blocked = m_ui->sbScale->blockSignals(true);
    m_ui->sbScale->setValue(100);
    m_ui->sbScale->blockSignals(blocked);
    m_ui->sliderScale->setValue(100);
    relayout([this] { m_scene->setScale(1.0f); });
}

void ZPrintDialog::setScale(int percent)
{
    relayout([this, percent] { m_scene->setScale(float(percent) / 100.0f); });
}

void ZPrintDialog::setScale()
{
    setScale(m_ui->sbScale->value());
}

void ZPrintDialog::relayout(const std::function<void()> &change)
{
    if (!isVisible()) {
        change();
        return;
    }
    try {
        change();
    } catch (const std::bad_alloc &) {
        reportNoMemory();
    }
}

void ZPrintDialog::setSpinboxScale()
{
    const bool blocked = m_ui->sbScale->blockSignals(true);
    m_ui->sbScale->setValue(m_ui->sliderScale->value());
    m_ui->sbScale->blockSignals(blocked);
}

void ZPrintDialog::print()
{
    // Qt's PDF engine and painting end the process when memory runs out
    // inside them: the room is asked for first.
    if (!memoryroom::available(m_scene->printRoom())) {
        reportNoMemory();
        return;
    }
    // Memory running out in this dialog's own work (the printer, the
    // pages' tiles and what of them goes to paper) unwinds to here, before
    // the first sheet is begun.
    try {
        printPages();
    } catch (const std::bad_alloc &) {
        reportNoMemory();
    }
}

void ZPrintDialog::printPages()
{
    // No page, no sheet: nothing is asked for or written. A layout that
    // did not end (memory ran out in it, and the user was told) is no print.
    if (m_scene->pages().isEmpty() || !m_scene->laidOut())
        return;
    // A file's pages are written whole before the file of that name
    // changes. Declared before the printer, the pending file goes after the
    // printer has closed it, also when memory runs out in the pages.
    std::unique_ptr<UserFile> file;
    std::unique_ptr<QPrinter> printer;
    QString target = m_ui->cmbPrinters->currentText();
    if (printsToPdfFile()) {
        QString fileName = QFileDialog::getSaveFileName(this, tr("Print to PDF file"),
                                                        QDir::homePath(), tr("PDF (*.pdf)"));
        if (fileName.isEmpty())
            return;
        if (QFileInfo(fileName).suffix().isEmpty())
            fileName += QLatin1String(".pdf");
        printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(fileName);
        target = QDir::toNativeSeparators(fileName);
    } else {
        printer = ZPrinters::instance()->createPrinter(target);
    }
    if (printer && printer->isValid() && !printer->outputFileName().isEmpty()) {
        file = std::make_unique<UserFile>(printer->outputFileName());
        QString reason;
        if (!file->open(&reason)) {
            reportFailure(target, reason);
            return;
        }
        printer->setOutputFileName(file->pendingPath());
    }
    if (!printer || !printer->isValid()) {
        reportFailure(target);
        return;
    }
    // The paper goes in upright; the orientation turns it. Handing the
    // turned size instead would print a portrait sheet with the content cut.
    const QSize paper = m_ui->cmbPageSizes->currentData().toSize();
    const QPageLayout layout(QPageSize(QSizeF(paper), QPageSize::Millimeter),
                             selectedOrient() == QPrinter::Portrait ? QPageLayout::Portrait
                                                                    : QPageLayout::Landscape,
                             QMarginsF(0, 0, 0, 0));
    printer->setFullPage(true);
    if (!printer->setPageLayout(layout))
        qCWarning(lcDialogs) << "ZPrintDialog::print: the printer refused the page layout" << layout;
    const int pages = m_scene->pages().size();
    int sheets = -1;
    bool canceled = false;
    {
        ZWorkProgress progress(this, tr("Print"), tr("Printing..."));
        progress.setLabelMaker([](qint64 done, qint64 total) {
            return tr("Page %1 of %2").arg(qMin(done + 1, total)).arg(total);
        });
        sheets = m_scene->print(*printer);
        // A Cancel seen as the last page ends counts too.
        canceled = progress.finish();
    }
    if (canceled) {
        // A file cut short is no print: it goes, and the file of that name
        // stays as it was. A printer's queue the engine could not abort has
        // the sheets handed to it.
        const bool queued = !file && sheets > 0;
        file.reset();
        emit printCanceled(queued ? sheets : 0, pages, target);
        return;
    }
    // A printer that wrote nothing could not start: a file's disk full, say
    // (the PDF engine starts on a full disk, its writes failing unseen).
    if (file ? QFileInfo(file->pendingPath()).size() == 0 : sheets < 0) {
        const QString reason = file ? file->failure() : QString();
        file.reset();
        reportFailure(target, reason);
        return;
    }
    QString reason;
    if (file && (sheets < 0 || !wholePdf(file->pendingPath())))
        reason = file->failure();
    if (file && (!reason.isEmpty() || !file->commit(&reason))) {
        QMessageBox box(QMessageBox::Warning, tr("Print"),
                        (file->cut()           ? tr("The pages could not be written to %1: %2. The file was left incomplete.")
                         : file->nameChanged() ? tr("The pages are not in %1: %2.")
                                               : tr("The pages could not be written to %1: %2. No file was changed."))
                            .arg(target, reason),
                        QMessageBox::Ok, this);
        // Its room is given back before the user reads of it.
        file.reset();
        box.exec();
        return;
    }
    emit printed(pages, target);
}

void ZPrintDialog::reportNoMemory()
{
    // The preview repaints behind the message, and painting a scene of a
    // large picture's tiles takes memory inside Qt (its item index), where
    // running out ends the process. The dialog ends first, its view emptied,
    // so that nothing large is painted; its runner then frees the picture.
    m_ui->gvPreview->setScene(nullptr);
    done(QDialog::Rejected);
    QMessageBox box(QMessageBox::Warning, tr("Print"), tr("There is not enough memory to print."),
                    QMessageBox::Ok, this);
    box.exec();
}

void ZPrintDialog::reportFailure(const QString &target, const QString &reason)
{
    QMessageBox box(QMessageBox::Warning, tr("Print"),
                    reason.isEmpty() ? tr("The print job could not be started on %1.").arg(target)
                                     : tr("The print job could not be started on %1: %2.").arg(target, reason),
                    QMessageBox::Ok, this);
    box.exec();
}
