#include "modalanswerers.h"
#include "ownallocationfailure.h"
#include "syncs.h"
#include "tiledimages.h"
#include "workprogress.h"
#include "zimagecolumnitem.h"
#include "zsnipdialog.h"
#include "zsnipgraphicsscene.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QGraphicsLineItem>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QGraphicsView>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// Chart-like picture: 8 columns of 25 pixels, a 20-pixel header, 4 rows of 22.
constexpr int kColumns = 8;
constexpr int kWidth = 25;
constexpr int kHeader = 20;
constexpr int kRows = 4;
constexpr int kRowHeight = 22;
// The hidden crop lines' pen (5 pixels) widens the crop by half of it on
// each side; kInset is the first pixel wholly inside.
constexpr int kBorder = 5;
constexpr int kInset = 3;

void mouse(QGraphicsScene *scene, QEvent::Type type, QPointF pos, Qt::MouseButtons buttons)
{
    QGraphicsSceneMouseEvent event(type);
    event.setScenePos(pos);
    event.setButton(type == QEvent::GraphicsSceneMouseMove ? Qt::NoButton : Qt::LeftButton);
    event.setButtons(buttons);
    QApplication::sendEvent(scene, &event);
}

void drag(QGraphicsScene *scene, qreal fromX, qreal toX)
{
    mouse(scene, QEvent::GraphicsSceneMousePress, QPointF(fromX, 30), Qt::LeftButton);
    mouse(scene, QEvent::GraphicsSceneMouseMove, QPointF(toX, 30), Qt::LeftButton);
    mouse(scene, QEvent::GraphicsSceneMouseRelease, QPointF(toX, 30), Qt::NoButton);
}

// The colour at the middle of picture column x (in picture pixels from the
// crop's left edge) in the given body row of a crop.
QColor cropPixel(const QImage &crop, int x, int row)
{
    return crop.pixelColor(x + kInset, kInset + kHeader + row * kRowHeight + kRowHeight / 2);
}

} // namespace

class tst_ZSnipDialog : public QObject
{
    Q_OBJECT
private slots:
    // First, while the process has freed little it could reuse.
    void cropThatCannotBeAllocated();
    void crop_data();
    void crop();
    void copyMessages_data();
    void copyMessages();
    void cursorFollowsLines();
    void largeCropIsScaledDown_data();
    void largeCropIsScaledDown();
    void saveToPngAndClipboard();
    void rowsUnderAPixel_data();
    void rowsUnderAPixel();
    void stopsWithinAColumn();
    void heapOfALargePicture();
};

void tst_ZSnipDialog::crop_data()
{
    QTest::addColumn<qreal>("leftTo");  // where the left line is dragged (-1: untouched)
    QTest::addColumn<qreal>("rightTo"); // where the right line is dragged (-1: untouched)
    QTest::addColumn<int>("left");      // picture column of the crop's left edge
    QTest::addColumn<int>("width");
    const int all = kColumns * kWidth;
    QTest::addRow("untouched: whole picture") << -1.0 << -1.0 << 0 << all;
    QTest::addRow("inside, cutting tiles") << 30.0 << 80.0 << 30 << 50;
    QTest::addRow("on tile edges") << 50.0 << 100.0 << 50 << 50;
    QTest::addRow("beyond the edges stops there") << -40.0 << 900.0 << 0 << all;
    QTest::addRow("left past right stops at right") << 500.0 << -1.0 << all << 0;
    QTest::addRow("right past left stops at left") << 60.0 << 10.0 << 60 << 0;
    QTest::addRow("both at 0 gives the whole picture") << -1.0 << 0.0 << 0 << all;
}

void tst_ZSnipDialog::crop()
{
    QFETCH(qreal, leftTo);
    QFETCH(qreal, rightTo);
    QFETCH(int, left);
    QFETCH(int, width);
    // The last row's tiles tell each pixel column of the picture apart.
    const auto lastRowColor = [](int x) { return QColor(x % 256, 40, 200); };
    const ZImage tiles = makeTiledImage(QVector<int>(kColumns, kWidth), kHeader, kRows, kRowHeight);
    QVector<QImage> header;
    QVector<QVector<QImage>> rows(kRows);
    for (int c = 0; c < kColumns; ++c) {
        header << tiles.getHeaderPart(c);
        for (int r = 0; r < kRows; ++r)
            rows[r] << tiles.getPart(r, c);
        for (int x = 0; x < kWidth; ++x)
            QPainter(&rows[kRows - 1][c]).fillRect(x, 0, 1, kRowHeight, lastRowColor(c * kWidth + x));
    }
    const ZImage image(header, rows);
    ZSnipDialog dialog(image);
    ZSnipGraphicsScene *scene = dialog.scene();
    const int all = kColumns * kWidth;
    QCOMPARE(scene->pictureWidth(), all);
    QCOMPARE(scene->pictureHeight(), kHeader + kRows * kRowHeight);
    {
        // A view scrolled into the first row shows that row at its top.
        QGraphicsView part(scene);
        part.setFrameShape(QFrame::NoFrame);
        part.setSceneRect(0, kHeader + kRowHeight / 2, kWidth, kRowHeight);
        part.resize(kWidth, kRowHeight);
        QCOMPARE(part.grab().toImage().pixelColor(kWidth / 2, 0), bodyTileColor(0, 0));
    }

    if (leftTo >= 0 || leftTo < -1)
        drag(scene, 1, leftTo);
    if (rightTo >= 0)
        drag(scene, all - 1, rightTo);

    const QImage crop = dialog.getCroppedImage();
    // Zooming the view never changes what is cut.
    dialog.zoomInClicked();
    dialog.zoomInClicked();
    dialog.zoomOutClicked();
    QCOMPARE(dialog.getCroppedImage(), crop);
    // Return presses no button: none is the default.
    dialog.show();
    const auto *view = dialog.findChild<QGraphicsView *>(QStringLiteral("gvSnip"));
    const QTransform zoomed = view->transform();
    QTest::keyClick(&dialog, Qt::Key_Return);
    QCOMPARE(view->transform(), zoomed);

    const int shown = width == 0 && left == 0 ? all : width;
    if (width == 0 && left != 0) {
        // Nothing between the lines: nothing to hand over, and the user is told.
        QVERIFY(crop.isNull());
        BoxAnswerer box;
        box.arm();
        dialog.saveToClipboardClicked();
        QCOMPARE(box.text, QStringLiteral("There is nothing between the lines."));
        return;
    }
    QCOMPARE(crop.size(), QSize(shown + kBorder, kHeader + kRows * kRowHeight + kBorder));
    QCOMPARE(scene->selectedRect().left(), left);
    // Every pixel column of the crop shows the tile it came from.
    for (int x = 0; x < shown; x += 7) {
        const int column = (left + x) / kWidth;
        QCOMPARE(cropPixel(crop, x, 2), bodyTileColor(2, column));
    }
    for (int x = 0; x < shown; ++x)
        QCOMPARE(cropPixel(crop, x, kRows - 1), lastRowColor(left + x));
    QCOMPARE(crop.pixelColor(kInset, kInset + 2), headerTileColor(left / kWidth));
    // The border no tile covers is filled, not left as it was in memory.
    QCOMPARE(crop.pixelColor(0, 0), QColor(Qt::white));
    QCOMPARE(crop.pixelColor(crop.width() - 1, crop.height() - 1), QColor(Qt::white));
}

void tst_ZSnipDialog::copyMessages_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("roomShort"); // bytes under the room the crop asks for; -1: no bound
    QTest::addColumn<bool>("runsOut");
    QTest::addColumn<bool>("bothLeft"); // both lines at the left edge: the whole picture
    QTest::addColumn<QString>("text");
    const QString noMemory = QStringLiteral("There is not enough memory to make the image.");
    // The chart of a filter that shows no row: its date axis only.
    QTest::addRow("no rows") << 0 << -1 << false << false << "There is nothing to snip: no rows are shown.";
    QTest::addRow("no room") << kRows << 1 << false << false << noMemory;
    QTest::addRow("no room, lines at the left") << kRows << 1 << false << true << noMemory;
    QTest::addRow("room enough") << kRows << 0 << false << false << "Image was copied to clipboard";
    QTest::addRow("runs out while cropping") << kRows << -1 << true << false << noMemory;
}

void tst_ZSnipDialog::copyMessages()
{
    QFETCH(int, rows);
    QFETCH(int, roomShort);
    QFETCH(bool, runsOut);
    QFETCH(bool, bothLeft);
    QFETCH(QString, text);
    const ZImage image = makeTiledImage(QVector<int>(kColumns, kWidth), kHeader, rows, kRowHeight);
    ZSnipDialog dialog(image);
    if (bothLeft)
        drag(dialog.scene(), kColumns * kWidth - 1, 0);
    // The whole picture with a border of 8, twice; 1 KiB a column; 32 MiB to paint.
    const qint64 pixels = qint64(kColumns * kWidth + 8) * (kHeader + rows * kRowHeight + 8);
    const qint64 room = 2 * 4 * pixels + qint64(kColumns) * 1024 + (qint64(32) << 20);
    BoxAnswerer box;
    box.arm();
    const ownallocationfailure::Shortage shortage(roomShort < 0 ? -1 : room - roomShort, runsOut);
    dialog.saveToClipboardClicked();
    QCOMPARE(ownallocationfailure::thrown.load(), runsOut ? 1 : 0);
    QCOMPARE(box.text, text);
}

void tst_ZSnipDialog::cursorFollowsLines()
{
    const ZImage image = makeTiledImage(QVector<int>(kColumns, kWidth), kHeader, kRows, kRowHeight);
    ZSnipDialog dialog(image);
    QSignalSpy cursor(dialog.scene(), &ZSnipGraphicsScene::cursorUpdated);
    mouse(dialog.scene(), QEvent::GraphicsSceneMouseMove, QPointF(2, 40), Qt::NoButton);
    QCOMPARE(dialog.cursor().shape(), Qt::SplitHCursor);
    mouse(dialog.scene(), QEvent::GraphicsSceneMouseMove, QPointF(60, 40), Qt::NoButton);
    QCOMPARE(dialog.cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(cursor.count(), 2);
    // While dragging the cursor stays as it is.
    drag(dialog.scene(), kColumns * kWidth - 2, 100);
    QCOMPARE(cursor.count(), 2);
    QCOMPARE(dialog.scene()->line(1)->x(), 100.0);
}

void tst_ZSnipDialog::largeCropIsScaledDown_data()
{
    QTest::addColumn<bool>("bothLeft"); // both lines at the left edge: the whole picture
    QTest::addRow("lines at the edges") << false;
    QTest::addRow("both lines at the left edge") << true;
}

void tst_ZSnipDialog::largeCropIsScaledDown()
{
    QFETCH(bool, bothLeft);
    // 1000 columns of 25 pixels: 25000 wide, more than a crop may be.
    const ZImage image = makeTiledImage(QVector<int>(1000, kWidth), kHeader, 1, kRowHeight);
    ZSnipDialog dialog(image);
    if (bothLeft)
        drag(dialog.scene(), 1000 * kWidth - 1, 0);
    const QImage crop = dialog.getCroppedImage();
    const double factor = 20000.0 / 25000.0;
    QCOMPARE(crop.width(), 20000 + kBorder);
    QCOMPARE(crop.height(), int((kHeader + kRowHeight) * factor) + kBorder);
    QCOMPARE(crop.pixelColor(kInset + qRound(510 * factor), kInset + 30),
             bodyTileColor(0, 20));
}

void tst_ZSnipDialog::saveToPngAndClipboard()
{
    const ZImage image = makeTiledImage(QVector<int>(kColumns, kWidth), kHeader, kRows, kRowHeight);
    ZSnipDialog dialog(image);
    drag(dialog.scene(), 1, 25);
    drag(dialog.scene(), kColumns * kWidth - 1, 75);
    const QImage crop = dialog.getCroppedImage();
    QCOMPARE(crop.width(), 50 + kBorder);

    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("snip.png"));
    FileDialogAnswerer files;
    BoxAnswerer box;
    files.arm(png);
    box.arm();
    dialog.saveToPngClicked();
    QVERIFY(files.answered);
    QCOMPARE(files.caption, QStringLiteral("Save image"));
    QCOMPARE(files.folder, QDir::homePath()); // where Print's file dialog opens too
    QCOMPARE(box.title, QStringLiteral("Image"));
    QCOMPARE(box.text, QStringLiteral("Image was saved to ") + png);
    QImage saved(png);
    QCOMPARE(saved.size(), crop.size());
    QCOMPARE(saved.pixelColor(kInset + 30, kInset + 50), bodyTileColor(1, 2));

    // A save over it that the disk cuts short leaves it whole, and says so.
    rlimit disk{};
    getrlimit(RLIMIT_FSIZE, &disk);
    const rlimit full{64, disk.rlim_max};
    signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &full);
    files.arm(png);
    // The file dialog's question whether to replace it is answered Yes.
    QTimer yes;
    connect(&yes, &QTimer::timeout, this, [&box] {
        auto *question = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (question && question->text().contains(QLatin1String("already exists")))
            question->button(QMessageBox::Yes)->click();
        else if (question)
            box.poll();
    });
    yes.start(10);
    dialog.saveToPngClicked();
    yes.stop();
    setrlimit(RLIMIT_FSIZE, &disk);
    QCOMPARE(box.text, QStringLiteral("Image could not be saved to %1: the file could not be written whole. "
                                      "No file was changed.").arg(png));
    QCOMPARE(QImage(png), saved);
    // One with another name is written in place: a disk failing as the
    // copy ends leaves it cut, and says so.
    QVERIFY(::link(QFile::encodeName(png).constData(), QFile::encodeName(png + "2").constData()) == 0);
    files.arm(png);
    syncs::failWith = EIO;
    yes.start(10);
    dialog.saveToPngClicked();
    yes.stop();
    syncs::failWith = 0;
    QCOMPARE(box.text, QStringLiteral("Image could not be saved to %1: %2. The file was left incomplete.")
                           .arg(png, QString::fromLocal8Bit(strerror(EIO))));
    // Its name another file's as the copy ends: the picture is under the
    // other name alone.
    files.arm(png);
    syncs::during = [&png] {
        QFile other(png + "3");
        QVERIFY(other.open(QIODevice::WriteOnly) && other.write("other") == 5 && other.flush());
        QVERIFY(::rename(QFile::encodeName(other.fileName()).constData(), QFile::encodeName(png).constData()) == 0);
    };
    yes.start(10);
    dialog.saveToPngClicked();
    yes.stop();
    QCOMPARE(box.text, QStringLiteral("Image is not in %1: the result went into the file the name named when the write "
                                      "began, and the name now names another file.").arg(png));
    QCOMPARE(QImage(png + "2"), saved);

    // In the format of the name's suffix, whatever its case.
    for (const QString &name : {dir.filePath(QStringLiteral("x.jpg")), dir.filePath(QStringLiteral("X.JPG"))}) {
        files.arm(name);
        box.arm();
        dialog.saveToPngClicked();
        QFile jpeg(name);
        QVERIFY(jpeg.open(QIODevice::ReadOnly) && jpeg.read(2) == "\xff\xd8");
    }

    // A save that fails says so.
    const QString nowhere = dir.filePath(QStringLiteral("missing/snip.png"));
    files.arm(nowhere);
    box.arm();
    dialog.saveToPngClicked();
    QVERIFY(box.text.contains(QStringLiteral("could not be saved")));
    QVERIFY(!QFile::exists(nowhere));

    box.arm();
    dialog.saveToClipboardClicked();
    QCOMPARE(box.text, QStringLiteral("Image was copied to clipboard"));
    const QImage copied = QGuiApplication::clipboard()->image();
    QCOMPARE(copied.size(), crop.size());
    QCOMPARE(copied.pixelColor(kInset + 30, kInset + 50), bodyTileColor(1, 2));
}

void tst_ZSnipDialog::rowsUnderAPixel_data()
{
    QTest::addColumn<int>("columns"); // of kWidth pixels, over rows of one pixel
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("rightLine"); // where it is dragged; 0: left alone
    QTest::addColumn<QString>("text"); // none: saved
    QTest::addRow("too tall, narrowed") << 2 << 20000 << 20 << ZSnipDialog::tooTallText();
    QTest::addRow("a pixel a row") << 2 << 20000 - kHeader << 0 << QString();
    QTest::addRow("too wide") << 900 << 20 << 0 << "The image is too large to be made. Narrow the part "
                                                   "between the lines or use a different time scale.";
    QTest::addRow("too wide, narrowed") << 900 << 20 << 19000 << QString();
}

// Rows that would come out under a pixel are neither saved nor copied.
void tst_ZSnipDialog::rowsUnderAPixel()
{
    QFETCH(int, columns);
    QFETCH(int, rows);
    QFETCH(int, rightLine);
    QFETCH(QString, text);
    const ZImage image = makeTiledImage(QVector<int>(columns, kWidth), kHeader, rows, 1);
    ZSnipDialog dialog(image);
    if (rightLine > 0)
        drag(dialog.scene(), columns * kWidth - 1, rightLine);
    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("snip.png"));
    FileDialogAnswerer files;
    BoxAnswerer box;
    files.arm(png);
    box.arm();
    dialog.saveToPngClicked();
    QCOMPARE(QFile::exists(png), text.isEmpty());
    box.arm();
    dialog.saveToClipboardClicked();
    QCOMPARE(box.text, text.isEmpty() ? QStringLiteral("Image was copied to clipboard") : text);
}

void tst_ZSnipDialog::cropThatCannotBeAllocated()
{
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizer's own bookkeeping needs more address space than the
    // limit below leaves, and it stops the process instead of failing.
    QSKIP("address-space limit under AddressSanitizer");
#endif
    // A crop of about 64 MB while the process may grow by far less.
    const ZImage image = makeTiledImage(QVector<int>(160, kWidth), 1000, 1, 3000);
    ZSnipDialog dialog(image);
    rlimit old{};
    QVERIFY(getrlimit(RLIMIT_AS, &old) == 0);
    QFile status(QStringLiteral("/proc/self/statm"));
    QVERIFY(status.open(QIODevice::ReadOnly));
    const rlim_t used = rlim_t(status.readAll().split(' ').first().toLongLong()) * 4096;
    rlimit tight = old;
    tight.rlim_cur = used + 4 * 1024 * 1024;
    QVERIFY(setrlimit(RLIMIT_AS, &tight) == 0);
    const QImage crop = dialog.getCroppedImage();
    QVERIFY(setrlimit(RLIMIT_AS, &old) == 0);
    QVERIFY(crop.isNull());
}

// A work stopped places no further column.
void tst_ZSnipDialog::stopsWithinAColumn()
{
    const ZImage image = makeTiledImage(QVector<int>(kColumns, kWidth), kHeader, kRows, kRowHeight);
    int steps = 0;
    const WorkProgress user([&steps](qint64, qint64) { return ++steps < 3; });
    ZSnipDialog dialog(image);
    const QList<QGraphicsItem *> items = dialog.scene()->items();
    const auto columns = std::count_if(items.cbegin(), items.cend(),
                                       [](const QGraphicsItem *item) { return item->type() == ZImageColumnItem::Type; });
    QCOMPARE(columns, 2);
}

// The heap keeps the address space of what the dialog held on it: a
// picture of many tiles takes no more of it than one of a few.
void tst_ZSnipDialog::heapOfALargePicture()
{
#if !defined(__GLIBC__) || defined(__SANITIZE_ADDRESS__)
    QSKIP("reads glibc's heap");
#else
    const auto picture = [](int rows) {
        QImage cell(kWidth, kRowHeight, QImage::Format_ARGB32_Premultiplied);
        cell.fill(Qt::white);
        QImage header(kWidth, kHeader, QImage::Format_ARGB32_Premultiplied);
        header.fill(Qt::gray);
        // The tiles share their pixels, and the rows their vectors.
        return ZImage(QVector<QImage>(100, header), QVector<QVector<QImage>>(rows, QVector<QImage>(100, cell)));
    };
    const auto heapOfDialog = [](const ZImage &image) {
        const size_t before = mallinfo2().uordblks;
        ZSnipDialog dialog(image);
        return qint64(mallinfo2().uordblks) - qint64(before);
    };
    const ZImage few = picture(1);
    const ZImage many = picture(1000);
    heapOfDialog(few); // what the first dialog keeps to the end
    const qint64 grown = heapOfDialog(many) - heapOfDialog(few);
    QVERIFY2(grown < 16 * 100 * 1000, QByteArray::number(grown));
#endif
}

QTEST_MAIN(tst_ZSnipDialog)
#include "tst_zsnipdialog.moc"

