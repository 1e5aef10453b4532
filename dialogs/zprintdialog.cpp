#include "zprintdialog.h"
#include "ui_zprintdialog.h"

#include "dialogslogging.h"
#include "memoryroom.h"
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
#include <QRandomGenerator>
#include <QScreen>
#include <QStorageInfo>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

// Item data of the printer list's entry that prints to a PDF file.
const char kPdfFileEntry[] = "pdf-file";

// Under this many bytes free, a file that could not be written whole is
// taken to have filled its disk.
const qint64 kFullDisk = qint64(1) << 20;

// The system's words for an error number.
QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The file a path names: its links followed, a dangling one's too (the
// print makes the file it names), its folder without links.
QString linkTarget(const QString &path)
{
    namespace fs = std::filesystem;
    fs::path file = QFile::encodeName(QFileInfo(path).absoluteFilePath()).toStdString();
    std::error_code error;
    // The system's own bound on a chain; a longer one is refused when opened.
    for (int hop = 0; hop < 40 && fs::is_symlink(fs::symlink_status(file, error)); ++hop) {
        const fs::path next = fs::read_symlink(file, error);
        if (error)
            break;
        // Relative to the link's folder as the system reads it: the
        // folder's own links are not resolved by text.
        file = next.is_absolute() ? next : file.parent_path() / next;
    }
    const fs::path folder = fs::canonical(file.parent_path(), error);
    if (!error)
        file = folder / file.filename();
    return QFile::decodeName(QByteArray::fromStdString(file.string()));
}

// The file a print writes before the user's file gets its pages, beside
// that file (the one a link names), so that a rename puts a whole print in
// its place at once; the file replaced gives it its owner and mode. Where a
// rename would change what the user had (an owner that cannot be given, a
// file with other names) or the folder takes no new file, the whole print
// is copied into the user's file instead: its other names see the new
// pages, as with any program saving in place. Only a failure during that
// copy leaves the file cut. With nowhere to write first, the printer writes
// the file itself. Removed unless it took the file's place, also when the
// print is cancelled or ended.
class PendingFile
{
public:
    explicit PendingFile(const QString &target) : m_target(linkTarget(target)) {}
    ~PendingFile()
    {
        if (!m_path.isEmpty() && !m_direct)
            QFile::remove(m_path);
    }
    Q_DISABLE_COPY(PendingFile)

    // Makes the empty file the printer writes; false, with the reason, when
    // the target may not be written or its folder takes no new file.
    bool create(QString *reason)
    {
        const QByteArray target = QFile::encodeName(m_target);
        struct stat status;
        m_existed = ::stat(target.constData(), &status) == 0;
        if (m_existed) {
            // Refused as a save would be (the system's administrator may).
            if (::access(target.constData(), W_OK) != 0) {
                *reason = QObject::tr("the file may not be written (%1)").arg(systemReason(errno));
                return false;
            }
            m_mode = status.st_mode & 07777;
            m_owner = status.st_uid;
            m_group = status.st_gid;
            m_inPlace = S_ISREG(status.st_mode) && status.st_nlink > 1;
        }
        int error = 0;
        if (makeIn(QFileInfo(m_target).path(), &error))
            return true;
        // A new file needs its folder.
        if (!m_existed) {
            *reason = systemReason(error);
            return false;
        }
        m_inPlace = true;
        if (makeIn(QDir::tempPath(), &error))
            return true;
        // Nowhere to write first: the printer writes the file itself, as
        // any save would.
        m_path = m_target;
        m_direct = true;
        return true;
    }
    QString path() const { return m_path; }
    // Whether the printer began writing.
    bool started() const { return QFileInfo(m_path).size() > 0; }
    // Whether a failure left the user's file cut.
    bool cut() const { return m_direct || m_cut; }
    // Why a file begun was not written whole.
    QString failure() const
    {
        const QFileInfo pending(m_path);
        if (!pending.dir().exists())
            return QObject::tr("its folder was removed");
        if (!pending.exists())
            return QObject::tr("the file was removed while it was written");
        const QStorageInfo storage(pending.absolutePath());
        return storage.isValid() && storage.bytesAvailable() >= 0 && storage.bytesAvailable() < kFullDisk
            ? QObject::tr("its disk is full")
            : QObject::tr("the file could not be written whole");
    }

    // The file written, checked whole and on disk, becomes the target.
    // Otherwise the reason it does not: the disk full, the file cut short,
    // or what the system said.
    bool commit(QString *reason)
    {
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly)) {
            *reason = file.exists() ? file.errorString() : failure();
            return false;
        }
        if (!wholePdf(file)) {
            *reason = failure();
            return false;
        }
        if (m_inPlace && !m_direct)
            return copyInto(file, reason);
        // Where the system allows; a new file has the mode a new file gets.
        if (m_existed && !m_direct)
            ::fchmod(file.handle(), m_mode);
        // The bytes reach the disk before the name moves to them: a crash
        // between the two would otherwise leave an empty file by that name.
        if (::fsync(file.handle()) != 0) {
            *reason = systemReason(errno);
            return false;
        }
        file.close();
        if (m_direct)
            return true;
        if (::rename(QFile::encodeName(m_path).constData(), QFile::encodeName(m_target).constData()) != 0) {
            *reason = systemReason(errno);
            return false;
        }
        m_path.clear();
        return true;
    }

private:
    // A hidden file in the folder, named after the target; false with the
    // system's error when the folder takes none. Given the target's owner
    // there, or else it is copied in.
    bool makeIn(const QString &folder, int *error)
    {
        // What of the target's name fits beside the dot and the tag within
        // a name's 255 bytes: a long name the folder takes is printed to.
        QString name = QFileInfo(m_target).fileName();
        while (QFile::encodeName(name).size() > 240)
            name.chop(1);
        for (int attempt = 0; attempt < 16; ++attempt) {
            const QString path = QDir(folder).filePath(
                QStringLiteral(".%1.%2").arg(name).arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
            // Readable by the user alone until it has the target's mode.
            const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                                  m_existed ? 0600 : 0666);
            if (fd < 0 && errno == EEXIST)
                continue;
            if (fd < 0) {
                *error = errno;
                return false;
            }
            m_path = path;
            struct stat own;
            if (m_existed && !m_inPlace && ::fstat(fd, &own) == 0 && (own.st_uid != m_owner || own.st_gid != m_group)
                && ::fchown(fd, m_owner, m_group) != 0)
                m_inPlace = true;
            ::close(fd);
            return true;
        }
        *error = EEXIST;
        return false;
    }

    // The whole print written over the target's own bytes, which keeps its
    // inode: its owner, mode and other names.
    bool copyInto(QFile &file, QString *reason)
    {
        const int to = ::open(QFile::encodeName(m_target).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
        if (to < 0) {
            *reason = systemReason(errno);
            return false;
        }
        // A disk without room for the print, once the old bytes go, is
        // said before they go: the user's file stays as it was.
        struct stat old;
        struct statvfs disk;
        if (::fstat(to, &old) == 0 && ::fstatvfs(to, &disk) == 0
            && qint64(disk.f_bavail) * qint64(disk.f_frsize) + qint64(old.st_blocks) * 512 < file.size()) {
            ::close(to);
            *reason = QObject::tr("its disk is full");
            return false;
        }
        m_cut = true;
        if (::ftruncate(to, 0) != 0) {
            *reason = systemReason(errno);
            ::close(to);
            return false;
        }
        int error = 0;
        bool ok = file.seek(0);
        char buffer[1 << 16];
        while (ok && !file.atEnd()) {
            const qint64 size = file.read(buffer, sizeof buffer);
            ok = size > 0;
            for (qint64 done = 0; ok && done < size;) {
                const ssize_t written = ::write(to, buffer + done, size_t(size - done));
                if (written < 0 && errno == EINTR)
                    continue;
                ok = written > 0;
                // Nothing written and no error: the disk took no more.
                if (!ok)
                    error = written < 0 ? errno : ENOSPC;
                done += written;
            }
        }
        if (ok && ::fsync(to) != 0) {
            ok = false;
            error = errno;
        }
        if (::close(to) != 0 && ok) {
            ok = false;
            error = errno;
        }
        if (!ok) {
            *reason = error ? systemReason(error) : file.errorString();
            return false;
        }
        m_cut = false;
        return true;
    }

    // A PDF file whose every byte was written ends in its cross-reference
    // table, at the place its end tells: a write lost on the way (a full
    // disk) moves the table or cuts the end.
    static bool wholePdf(QFile &file)
    {
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

    QString m_target; // the file a link names
    QString m_path;
    bool m_existed = false;
    mode_t m_mode = 0;
    uid_t m_owner = 0;
    gid_t m_group = 0;
    // Copied into the target once whole, rather than renamed over it.
    bool m_inPlace = false;
    // No file of its own: the printer writes the target.
    bool m_direct = false;
    bool m_cut = false;
};

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
    // A file's pages go to one beside it first. Declared before the
    // printer, it goes after the printer has closed it, also when memory
    // runs out in the pages.
    std::unique_ptr<PendingFile> file;
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
        file = std::make_unique<PendingFile>(printer->outputFileName());
        QString reason;
        if (!file->create(&reason)) {
            reportFailure(target, reason);
            return;
        }
        printer->setOutputFileName(file->path());
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
    QString reason;
    if (sheets < 0 && (!file || (!file->started() && !file->cut()))) {
        file.reset();
        reportFailure(target);
        return;
    }
    if (sheets < 0)
        reason = file->failure();
    if (file && (sheets < 0 || !file->commit(&reason))) {
        QMessageBox box(QMessageBox::Warning, tr("Print"),
                        (file->cut() ? tr("The pages could not be written to %1: %2. The file was left incomplete.")
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
