#include "zsnipdialog.h"
#include "ui_zsnipdialog.h"

#include "dialogslogging.h"
#include "memoryroom.h"
#include "userfile.h"
#include "workprogress.h"
#include "zimage.h"
#include "zimagecolumnitem.h"
#include "zsnipgraphicsscene.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGraphicsLineItem>
#include <QGraphicsRectItem>
#include <QImageWriter>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>

const int MAXIMUM_IMAGE_SIZE = 20000;
const double ZSnipDialog::SCALE_FACTOR = 1.5;

ZSnipDialog::ZSnipDialog(const ZImage &image, QWidget *parent)
    : QDialog(parent)
    , m_ui(new Ui::ZSnipDialog)
    , m_image(image)
{
    m_ui->setupUi(this);
    m_scene = new ZSnipGraphicsScene(this);
    init();
}

ZSnipDialog::~ZSnipDialog() = default;

void ZSnipDialog::init()
{
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QSize size = screen->size();
        resize(int(size.width() * 0.8), int(size.height() * 0.8));
    }
    addContent(m_scene, 1.0f, 0, 0);
    setMouseTracking(true);
    m_ui->gvSnip->setMouseTracking(true);
    m_ui->gvSnip->setScene(m_scene);

    connect(m_ui->btnZoomIn, &QPushButton::clicked, this, &ZSnipDialog::zoomInClicked);
    connect(m_ui->btnZoomOut, &QPushButton::clicked, this, &ZSnipDialog::zoomOutClicked);
    connect(m_ui->btnSaveToPng, &QPushButton::clicked, this, &ZSnipDialog::saveToPngClicked);
    connect(m_ui->btnSaveToClipboard, &QPushButton::clicked, this,
            &ZSnipDialog::saveToClipboardClicked);
    connect(m_scene, &ZSnipGraphicsScene::cursorUpdated, this, &ZSnipDialog::setSplitCursor);
}

void ZSnipDialog::addContent(ZSnipGraphicsScene *scene, float scale, int from, int to)
{
    if (!scene)
        return;
    const bool blocked = scene->blockSignals(true);
    const int columns = m_image.columns();
    const int partWidth = columns > 0 ? m_image.getHeaderPart(0).width() : 0;
    const int rows = m_image.rows();

    // One item a column draws its tiles as they are, cut to the range: no
    // tile is copied, and the heap holds a few items, not one a tile.
    // Columns are the steps of the progress, and where a stop is heard.
    // A rectangle of its own while the columns come: a progress shown
    // meanwhile would let the scene measure all of them at each change.
    const bool ownRect = scene->sceneRect().isEmpty();
    if (ownRect)
        scene->setSceneRect(QRectF(0, 0, 1, 1));
    for (int c = 0; c < columns && WorkProgress::advance(c, columns); ++c) {
        const int columnStart = c * partWidth;
        const int columnEnd = columnStart + partWidth;
        int start = columnStart;
        int end = columnEnd;
        if (to != 0) {
            if (columnEnd <= from || columnStart >= to)
                continue;
            start = qMax(columnStart, from);
            end = qMin(columnEnd, to);
        }
        auto *item = new ZImageColumnItem(m_image, c, rows, start - columnStart, end - start);
        if (scale != 1.0f)
            item->setScale(scale);
        item->setPos(qreal(start - from) * scale, 0);
        scene->addItem(item);
    }
    if (ownRect)
        scene->setSceneRect(scene->itemsBoundingRect());
    scene->drawLines();
    // The rectangle grows with the items again: the lines' pen reaches a
    // little past the tiles.
    if (ownRect)
        scene->setSceneRect(QRectF());
    scene->blockSignals(blocked);
}

ZSnipDialog::CropSpan ZSnipDialog::cropSpan() const
{
    CropSpan span;
    const QGraphicsRectItem *leftShade = m_scene->shade(0);
    const QGraphicsRectItem *rightShade = m_scene->shade(1);
    if (leftShade && rightShade) {
        span.left = int(leftShade->rect().width());
        span.width = int(rightShade->x() - span.left);
    }
    // Both lines at the left edge stand for the whole picture.
    if (span.width <= 0) {
        span.left = 0;
        span.width = m_scene->pictureWidth();
    }
    const int largest = qMax(span.width, m_scene->pictureHeight());
    span.factor = largest > MAXIMUM_IMAGE_SIZE ? float(MAXIMUM_IMAGE_SIZE) / largest : 1.0f;
    return span;
}

QImage ZSnipDialog::getCroppedImage()
{
    if (!m_scene->shade(0) || !m_scene->shade(1) || !hasSelection())
        return QImage();
    const CropSpan span = cropSpan();

    ZSnipGraphicsScene crop;
    addContent(&crop, span.factor, span.left, span.left + span.width);
    crop.setLinesVisible(false);

    const QRectF source = crop.sceneRect();
    QImage image(qRound(source.width()), qRound(source.height()),
                 QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        qCWarning(lcDialogs) << "ZSnipDialog::getCroppedImage: cannot allocate" << source.size();
        return image;
    }
    // The scene rectangle reaches a little past the tiles (the hidden lines'
    // pen): those pixels would otherwise hold whatever memory held.
    image.fill(Qt::white);
    QPainter painter(&image);
    crop.render(&painter, QRectF(image.rect()), source, Qt::KeepAspectRatio);
    painter.end();
    return image;
}

qint64 ZSnipDialog::cropRoom() const
{
    const CropSpan span = cropSpan();
    const qint64 height = m_scene->pictureHeight();
    // The crop with the lines' border, held twice: the PNG writer and the
    // clipboard convert it. Each column again as an item of the crop's
    // scene, and the painting's own working set.
    constexpr qint64 kBorder = 8;
    constexpr qint64 kPerItem = 1024;
    constexpr qint64 kPainting = qint64(32) << 20;
    const qint64 pixels = (qint64(span.width * span.factor) + kBorder) * (qint64(height * span.factor) + kBorder);
    return 2 * 4 * pixels + qint64(m_image.columns()) * kPerItem + kPainting;
}

bool ZSnipDialog::hasSelection() const
{
    const QGraphicsLineItem *left = m_scene->line(0);
    const QGraphicsLineItem *right = m_scene->line(1);
    // Both lines at the left edge stand for the whole picture.
    return left && right && (right->x() > left->x() || right->x() == 0);
}

bool ZSnipDialog::rowsApart(int rowHeight, qint64 largestSide)
{
    return rowHeight <= 0 || qint64(rowHeight) * MAXIMUM_IMAGE_SIZE >= largestSide;
}

QString ZSnipDialog::tooTallText()
{
    return tr("The chart is too tall for one picture: its rows would be less than a pixel high. "
              "Filter the activities or collapse the groups to show fewer rows.");
}

QImage ZSnipDialog::croppedImageOrWarn()
{
    const QString tooLarge = tr("The image is too large to be made. Narrow the part between the lines or use "
                                "a different time scale.");
    // A filter that shows no row leaves the date axis alone: not a picture
    // of anything.
    if (m_image.rows() == 0) {
        warn(tr("There is nothing to snip: no rows are shown."));
        return QImage();
    }
    if (!hasSelection()) {
        warn(tr("There is nothing between the lines."));
        return QImage();
    }
    // A picture whose rows are under a pixel shows nothing of them. The
    // height stays whatever the lines; a crop too wide can be narrowed.
    const int rowHeight = m_image.rowHeight();
    if (!rowsApart(rowHeight, qMax<qint64>(cropSpan().width, m_scene->pictureHeight()))) {
        warn(rowsApart(rowHeight, m_scene->pictureHeight()) ? tooLarge : tooTallText());
        return QImage();
    }
    // Qt's painting ends the process when memory runs out inside it: the
    // room for the crop is asked for first, and memory running out in the
    // crop's own making unwinds to here.
    QImage image;
    bool made = memoryroom::available(cropRoom());
    if (made) {
        try {
            image = getCroppedImage();
        } catch (const std::bad_alloc &) {
            made = false;
        }
    }
    if (!made) {
        warn(tr("There is not enough memory to make the image."));
        return QImage();
    }
    if (image.isNull())
        warn(tooLarge);
    return image;
}

void ZSnipDialog::warn(const QString &text)
{
    QMessageBox box(QMessageBox::Warning, tr("Image"), text, QMessageBox::Ok, this);
    box.exec();
}

void ZSnipDialog::inform(const QString &text)
{
    QMessageBox box(QMessageBox::Information, tr("Image"), text, QMessageBox::Ok, this);
    box.exec();
}

void ZSnipDialog::zoomInClicked()
{
    m_ui->gvSnip->scale(SCALE_FACTOR, SCALE_FACTOR);
}

void ZSnipDialog::zoomOutClicked()
{
    m_ui->gvSnip->scale(1.0 / SCALE_FACTOR, 1.0 / SCALE_FACTOR);
}

void ZSnipDialog::saveToPngClicked()
{
    // In the user's home folder, as Print's file: the program's own folder is
    // seldom where a user keeps files, or may write them.
    const QString fileName = QFileDialog::getSaveFileName(this, tr("Save image"), QDir::homePath(),
                                                          tr("PNG (*.png)"));
    if (fileName.isEmpty())
        return;
    const QImage image = croppedImageOrWarn();
    if (image.isNull())
        return;
    // Written whole before the file of that name changes: a full disk or
    // a failure leaves an earlier picture as it was. The file written first
    // is gone before the user reads of a failure.
    QString reason;
    bool cut = false, nameChanged = false;
    {
        UserFile file(fileName);
        if (file.open(&reason)) {
            QFile pending(file.pendingPath());
            // The format of the name the user gave, as a save by name would
            // choose it; PNG, as the button says, for any other name.
            const QByteArray suffix = QFileInfo(file.target()).suffix().toLower().toLatin1();
            QImageWriter writer(&pending, QImageWriter::supportedImageFormats().contains(suffix) ? suffix
                                                                                                  : QByteArray("png"));
            if (!pending.open(QIODevice::WriteOnly) || !writer.write(image) || !pending.flush())
                reason = writer.error() == QImageWriter::DeviceError || pending.error() != QFile::NoError
                    ? file.failure()
                    : writer.errorString();
            pending.close();
            if (reason.isEmpty())
                file.commit(&reason);
            cut = file.cut();
            nameChanged = file.nameChanged();
        }
    }
    if (!reason.isEmpty()) {
        warn((cut           ? tr("Image could not be saved to %1: %2. The file was left incomplete.")
                  : nameChanged ? tr("Image is not in %1: %2.")
                                : tr("Image could not be saved to %1: %2. No file was changed."))
                 .arg(QDir::toNativeSeparators(fileName), reason));
        return;
    }
    inform(tr("Image was saved to ") + fileName);
}

void ZSnipDialog::saveToClipboardClicked()
{
    const QImage image = croppedImageOrWarn();
    if (image.isNull())
        return;
    QGuiApplication::clipboard()->setImage(image, QClipboard::Clipboard);
    inform(tr("Image was copied to clipboard"));
}

void ZSnipDialog::setSplitCursor(bool split)
{
    setCursor(split ? Qt::SplitHCursor : Qt::ArrowCursor);
}

void ZSnipDialog::mouseMoveEvent(QMouseEvent *)
{
    setCursor(Qt::ArrowCursor);
}
