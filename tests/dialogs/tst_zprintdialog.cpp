#include "modalanswerers.h"
#include "ownallocationfailure.h"
#include "pdfpages.h"
#include "smalldisk.h"
#include "syncs.h"
#include "tiledimages.h"
#include "workprogress.h"
#include "zimagetileitem.h"
#include "zpageselectorbutton.h"
#include "zprintdialog.h"
#include "zprinters.h"
#include "zprintpreviewscene.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGraphicsRectItem>
#include <QGraphicsView>
#include <QGraphicsSimpleTextItem>
#include <QLayout>
#include <QPrinter>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Stands in for one installed printer that writes PDF files.
class PdfPrinters : public ZPrinters
{
public:
    QStringList printerNames() const override { return names; }
    QString defaultPrinterName() const override { return QStringLiteral("Stand-in"); }
    std::unique_ptr<QPrinter> createPrinter(const QString &name) const override
    {
        asked = name;
        struct OneSheet : QPrinter { bool newPage() override { return false; } };
        std::unique_ptr<QPrinter> printer(oneSheet ? new OneSheet : new QPrinter(QPrinter::HighResolution));
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(output);
        return printer;
    }
    QStringList names{QStringLiteral("Office"), QStringLiteral("Stand-in")};
    QString output;
    bool oneSheet = false; // refuses the second sheet, as a printer out of paper would
    mutable QString asked;
};

// No printer at all.
class NoPrinters : public ZPrinters
{
public:
    QStringList printerNames() const override { return {}; }
    QString defaultPrinterName() const override { return {}; }
};

// A table of three columns beside a chart of 30, 120 rows: several pages
// across and down on A4.
ZImage tableAndChart(int rows = 120)
{
    QVector<int> widths{120, 200, 80};
    widths += QVector<int>(30, 25);
    return makeTiledImage(widths, 40, rows, 22);
}

// The same picture's tiles filled with one of three colours each, in no
// regular order: tiles alike at many places, each a picture of its own.
ZImage repeatedTiles()
{
    const ZImage plain = tableAndChart();
    QVector<QVector<QImage>> body(plain.rows());
    QVector<QImage> header;
    for (int c = 0; c < plain.columns(); ++c) {
        header.append(plain.getHeaderPart(c));
        for (int r = 0; r < plain.rows(); ++r) {
            QImage tile = plain.getPart(r, c).copy();
            tile.fill(QColor::fromHsv((r * r + c) % 3 * 100, 200, 200));
            body[r].append(tile);
        }
    }
    return ZImage(header, body);
}

// Colourful, photo-like rows, on which a PDF writer left to itself picks
// JPEG: the first two alike, the third unlike them in its last pixel only,
// the fourth sharing the third's pixels.
ZImage photoRows()
{
    QImage photo(80, 40, QImage::Format_ARGB32_Premultiplied);
    quint32 noise = 1;
    for (int y = 0; y < photo.height(); ++y) {
        for (int x = 0; x < photo.width(); ++x) {
            noise = noise * 1103515245u + 12345u;
            photo.setPixel(x, y, qRgb(x * 3, y * 6, int(noise >> 24)));
        }
    }
    QImage unlike = photo.copy();
    unlike.setPixel(79, 39, photo.pixel(79, 39) ^ 1u);
    QImage header(80, 20, QImage::Format_ARGB32_Premultiplied);
    header.fill(Qt::white);
    return ZImage({header}, {{photo}, {photo.copy()}, {unlike}, {unlike}});
}

// Whether each page button last showed itself checked.
class PaintedChecks : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (auto *button = qobject_cast<ZPageSelectorButton *>(watched); button && event->type() == QEvent::Paint)
            shown[button] = button->isChecked();
        return false;
    }
    QHash<QObject *, bool> shown;
};

QRectF itemRect(const QGraphicsItem *item)
{
    return item->mapRectToScene(item->boundingRect());
}

// What a scene shows: the kind and place of every visible item, in a fixed
// order.
QVector<QPair<int, QRectF>> shownItems(const QGraphicsScene *scene)
{
    QVector<QPair<int, QRectF>> shown;
    for (const QGraphicsItem *item : scene->items()) {
        if (item->isVisible())
            shown.append({item->type(), itemRect(item)});
    }
    std::sort(shown.begin(), shown.end(), [](const QPair<int, QRectF> &a, const QPair<int, QRectF> &b) {
        const auto key = [](const QPair<int, QRectF> &p) {
            return std::make_tuple(p.first, p.second.y(), p.second.x(), p.second.width(), p.second.height());
        };
        return key(a) < key(b);
    });
    return shown;
}

} // namespace

class tst_ZPrintDialog : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { ZPrinters::install(nullptr); }
    void layout_data();
    void layout();
    void orientationAndScale();
    void sizeAndKeyboard();
    void pageNumbers();
    void relayoutLeavesNothingBehind_data();
    void relayoutLeavesNothingBehind();
    void printToPrinter_data();
    void printToPrinter();
    void printToPdfFileWithoutPrinter();
    void printFailureIsReported_data();
    void printFailureIsReported();
    void emptyPicture();
};

void tst_ZPrintDialog::layout_data()
{
    QTest::addColumn<QString>("paper");
    QTest::addColumn<bool>("landscape");
    QTest::addColumn<int>("percent");
    QTest::addColumn<bool>("repeat");
    QTest::addColumn<bool>("alike"); // tiles alike at many places
    QTest::addRow("A4 portrait") << "A4" << false << 100 << true << false;
    QTest::addRow("A4 landscape") << "A4" << true << 100 << true << false;
    QTest::addRow("A4 headers once") << "A4" << false << 100 << false << false;
    QTest::addRow("A3 at 150%") << "A3" << false << 150 << true << false;
    QTest::addRow("A6 landscape at 60%") << "A6" << true << 60 << true << false;
    QTest::addRow("tiles alike") << "A4" << false << 100 << true << true;
}

// Wherever a tile lands it lies whole inside the margins of one page, rows
// keep their order down the pages, and each page row starts with the header
// strip when headers are repeated.
void tst_ZPrintDialog::layout()
{
    QFETCH(QString, paper);
    QFETCH(bool, landscape);
    QFETCH(int, percent);
    QFETCH(bool, repeat);
    QFETCH(bool, alike);
    const ZImage image = alike ? repeatedTiles() : tableAndChart();
    ZPrintDialog dialog(image);
    dialog.findChild<QComboBox *>(QStringLiteral("cmbPageSizes"))->setCurrentText(paper);
    if (landscape)
        dialog.findChild<ZPageSelectorButton *>(QStringLiteral("horizontalPage"))->setChecked(true);
    dialog.findChild<QSpinBox *>(QStringLiteral("sbScale"))->setValue(percent);
    if (!repeat)
        dialog.findChild<QCheckBox *>(QStringLiteral("chkRepeatTableHeaders"))->click();
    ZPrintPreviewScene *scene = dialog.scene();
    QCOMPARE(scene->scale(), percent / 100.0f);

    const QList<QGraphicsRectItem *> pages = scene->pages();
    QVERIFY(pages.size() > 1);
    const double margin = 5 * ZPrintPreviewScene::UNITS_PER_MM;
    int pageRows = 0;
    for (QGraphicsRectItem *page : pages)
        pageRows = qMax(pageRows, int(page->rect().y() / scene->pageSize().height()) + 1);
    QCOMPARE(scene->headerRowCount(), repeat ? pageRows : 1);

    qreal lastTop = -1;
    // Each tile shows its own pixels, and tiles alike share one picture.
    QSet<qint64> pictures;
    QSet<QPair<int, QRgb>> contents;
    for (int r = 0; r < image.rows(); ++r) {
        const QRectF first = itemRect(scene->cell(r, 0));
        QVERIFY(first.top() > lastTop);
        lastTop = first.top();
        for (int c = 0; c < image.columns(); ++c) {
            const QImage &shown = static_cast<const ZImageTileItem *>(scene->cell(r, c))->image();
            QCOMPARE(shown, image.getPart(r, c));
            pictures.insert(shown.cacheKey());
            contents.insert({shown.width(), shown.pixel(0, 0)});
            const QRectF tile = itemRect(scene->cell(r, c));
            QCOMPARE(tile.width(), image.getPart(r, c).width() * qreal(scene->scale()));
            const auto inside = [&](QGraphicsRectItem *page) {
                return page->rect().adjusted(margin - 1, margin - 1, 1 - margin, 1 - margin).contains(tile);
            };
            QVERIFY2(std::any_of(pages.begin(), pages.end(), inside),
                     qPrintable(QStringLiteral("tile %1,%2 cut by a page edge").arg(r).arg(c)));
        }
    }
    QCOMPARE(pictures.size(), contents.size());
}

void tst_ZPrintDialog::orientationAndScale()
{
    const ZImage image = tableAndChart();
    ZPrintDialog dialog(image);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *portrait = dialog.findChild<ZPageSelectorButton *>(QStringLiteral("verticalPage"));
    auto *landscape = dialog.findChild<ZPageSelectorButton *>(QStringLiteral("horizontalPage"));
    auto *spin = dialog.findChild<QSpinBox *>(QStringLiteral("sbScale"));
    ZPrintPreviewScene *scene = dialog.scene();
    QCOMPARE(scene->pageSize(), QSizeF(910, 1287));
    QVERIFY(portrait->isChecked());
    for (ZPageSelectorButton *button : {portrait, landscape}) {
        QVERIFY(button->rect().contains(button->pageRect()));
        // The whole outline shows, its right and bottom edges too.
        const QImage picture = button->grab().toImage();
        const QRect page = button->pageRect();
        const QColor outline(173, 173, 173);
        QCOMPARE(picture.pixelColor(page.left() + page.width(), page.center().y()), outline);
        QCOMPARE(picture.pixelColor(page.center().x(), page.top() + page.height()), outline);
    }
    spin->setValue(1);
    QCOMPARE(scene->pages().size(), 1);
    spin->setValue(150);
    const int pagesAt150 = scene->pages().size();
    spin->setValue(100);
    QVERIFY(scene->pages().size() < pagesAt150);

    // A click on the checked page keeps it; a click on the other turns the
    // paper and starts again at 100 %. While the pages are laid out again
    // the wait cursor shows, and the new choice already does.
    PaintedChecks painted;
    portrait->installEventFilter(&painted);
    landscape->installEventFilter(&painted);
    QString during;
    // The scale goes back to 100 % before the layout; the cursor and the
    // index's depth are asked in it.
    connect(dialog.findChild<QSlider *>(QStringLiteral("sliderScale")), &QSlider::valueChanged, &painted, [&] {
        during = QStringLiteral("portrait %1, landscape %2")
                     .arg(painted.shown.value(portrait))
                     .arg(painted.shown.value(landscape));
    });
    int depthDuring = -1;
    connect(scene, &QGraphicsScene::sceneRectChanged, &painted, [&] {
        const QCursor *cursor = QGuiApplication::overrideCursor();
        during += QStringLiteral(", cursor %1").arg(cursor ? int(cursor->shape()) : -1);
        depthDuring = scene->bspTreeDepth();
    });
    spin->setValue(70);
    QTest::mouseClick(portrait, Qt::LeftButton, {}, portrait->pageRect().center());
    QVERIFY(portrait->isChecked());
    QCOMPARE(spin->value(), 70);
    QTest::mouseClick(landscape, Qt::LeftButton, {}, landscape->pageRect().center());
    QVERIFY(landscape->isChecked());
    QVERIFY(!portrait->isChecked());
    QCOMPARE(dialog.selectedOrient(), QPrinter::Landscape);
    QCOMPARE(scene->pageSize(), QSizeF(1287, 910));
    QCOMPARE(spin->value(), 100);
    QCOMPARE(scene->scale(), 1.0f);
    QCOMPARE(during, QStringLiteral("portrait 0, landscape 1, cursor %1").arg(int(Qt::WaitCursor)));
    QVERIFY(!QGuiApplication::overrideCursor());
    // The tiles moved with the index dropped (its depth changed), and it is
    // built again at a depth of its own: Qt's grows with the tiles, and with
    // it the cost of every layout faster than the rows.
    QVERIFY(scene->itemIndexMethod() == QGraphicsScene::BspTreeIndex && scene->bspTreeDepth() > 0);
    QVERIFY(depthDuring != scene->bspTreeDepth());
}

// On the test's small screen 70 % of it is less than the layout needs: the
// dialog takes what it needs. Tab reaches every control in reading order;
// Space turns the paper.
void tst_ZPrintDialog::sizeAndKeyboard()
{
    PdfPrinters printers;
    printers.names << QStringLiteral("Plotter on the second floor of the east wing, beside the stairs");
    ZPrinters::install(&printers);
    const ZImage image = tableAndChart();
    ZPrintDialog dialog(image);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(dialog.size().expandedTo(dialog.layout()->totalMinimumSize()), dialog.size());
    // The longest printer name shows whole.
    auto *list = dialog.findChild<QComboBox *>(QStringLiteral("cmbPrinters"));
    QVERIFY(list->width() > list->fontMetrics().horizontalAdvance(printers.names.last()));
    dialog.findChild<QWidget *>(QStringLiteral("gvPreview"))->setFocus();
    QStringList chain;
    for (int i = 0; i < 12; ++i) {
        chain << QApplication::focusWidget()->objectName();
        if (chain.constLast() == QLatin1String("horizontalPage"))
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(chain.join(QLatin1Char(',')),
             QStringLiteral("gvPreview,cmbPrinters,cmbPageSizes,verticalPage,horizontalPage,btnReset,"
                            "sliderScale,sbScale,chkRepeatTableHeaders,chkPrintPageNumbers,btnDone,btnPrint"));
    QCOMPARE(dialog.selectedOrient(), QPrinter::Landscape);
    // Return in the scale box takes the value and presses no button.
    auto *spin = dialog.findChild<QSpinBox *>(QStringLiteral("sbScale"));
    spin->setFocus();
    spin->selectAll();
    QTest::keyClicks(spin, QStringLiteral("80"));
    QTest::keyClick(spin, Qt::Key_Return);
    QCOMPARE(dialog.scene()->scale(), 0.8f);
    QVERIFY(dialog.isVisible());
}

void tst_ZPrintDialog::pageNumbers()
{
    const ZImage image = tableAndChart();
    ZPrintDialog dialog(image);
    auto *numbers = dialog.findChild<QCheckBox *>(QStringLiteral("chkPrintPageNumbers"));
    numbers->click();
    numbers->click();
    numbers->click();
    dialog.findChild<QSpinBox *>(QStringLiteral("sbScale"))->setValue(120); // a new layout keeps them
    const QList<QGraphicsRectItem *> pages = dialog.scene()->pages();
    QVERIFY(pages.size() > 2);
    for (int i = 0; i < pages.size(); ++i) {
        const QList<QGraphicsItem *> children = pages.at(i)->childItems();
        QCOMPARE(children.size(), 1);
        auto *text = dynamic_cast<QGraphicsSimpleTextItem *>(children.first());
        QVERIFY(text);
        QCOMPARE(text->text(), QString::number(i + 1));
        QVERIFY(pages.at(i)->rect().contains(itemRect(text).topLeft()));
    }
    numbers->click();
    for (QGraphicsRectItem *page : dialog.scene()->pages())
        QVERIFY(page->childItems().isEmpty());
}

void tst_ZPrintDialog::relayoutLeavesNothingBehind_data()
{
    // Scale percentages in order; 0 turns the paper to landscape (which
    // starts again at 100 %). The last entry stays.
    QTest::addColumn<QVector<int>>("steps");
    QTest::addColumn<bool>("numbers");
    QTest::addRow("fewer pages") << QVector<int>{150, 40} << false;
    QTest::addRow("more pages") << QVector<int>{40, 150, 70} << false;
    QTest::addRow("turned") << QVector<int>{120, 0} << false;
    QTest::addRow("turned, then scaled") << QVector<int>{60, 0, 130} << true;
}

// A preview laid out again and again shows what a preview laid out once
// for the last settings shows, and its scene rectangle holds exactly that.
void tst_ZPrintDialog::relayoutLeavesNothingBehind()
{
    QFETCH(QVector<int>, steps);
    QFETCH(bool, numbers);
    const ZImage image = tableAndChart();
    const auto apply = [&numbers](ZPrintDialog &dialog, const QVector<int> &settings) {
        if (numbers)
            dialog.findChild<QCheckBox *>(QStringLiteral("chkPrintPageNumbers"))->click();
        for (int percent : settings) {
            if (percent == 0)
                dialog.findChild<ZPageSelectorButton *>(QStringLiteral("horizontalPage"))->setChecked(true);
            else
                dialog.findChild<QSpinBox *>(QStringLiteral("sbScale"))->setValue(percent);
        }
    };
    ZPrintDialog relaid(image);
    apply(relaid, steps);
    QVector<int> last;
    const int turn = steps.lastIndexOf(0);
    if (turn >= 0)
        last.append(0);
    if (steps.last() != 0)
        last.append(steps.last());
    ZPrintDialog fresh(image);
    apply(fresh, last);

    QCOMPARE(relaid.scene()->pages().size(), fresh.scene()->pages().size());
    QCOMPARE(relaid.scene()->headerRowCount(), fresh.scene()->headerRowCount());
    const auto shown = shownItems(relaid.scene());
    QCOMPARE(shown, shownItems(fresh.scene()));
    QRectF bounds;
    for (const auto &item : shown) {
        if (item.first != QGraphicsSimpleTextItem::Type) // numbers come after the layout
            bounds |= item.second;
    }
    QCOMPARE(relaid.scene()->sceneRect(), bounds);
    QCOMPARE(fresh.scene()->sceneRect(), bounds);
}

void tst_ZPrintDialog::printToPrinter_data()
{
    QTest::addColumn<bool>("landscape");
    QTest::addColumn<QSizeF>("points");
    QTest::addColumn<bool>("photo");
    QTest::addColumn<int>("pictures"); // stored in the file
    QTest::addRow("A4 portrait") << false << QSizeF(595, 842) << false << 0;
    QTest::addRow("A4 landscape") << true << QSizeF(842, 595) << false << 0;
    QTest::addRow("coloured rows") << false << QSizeF(595, 842) << true << 2;
}

void tst_ZPrintDialog::printToPrinter()
{
    QFETCH(bool, landscape);
    QFETCH(QSizeF, points);
    QFETCH(bool, photo);
    QFETCH(int, pictures);
    QTemporaryDir dir;
    PdfPrinters printers;
    printers.output = dir.filePath(QStringLiteral("out.pdf"));
    ZPrinters::install(&printers);

    const ZImage image = photo ? photoRows() : tableAndChart();
    ZPrintDialog dialog(image);
    // Each tile of the preview shows its own pixels, those it shares too.
    for (int r = 0; r < image.rows(); ++r) {
        for (int c = 0; c < image.columns(); ++c)
            QCOMPARE(qgraphicsitem_cast<ZImageTileItem *>(dialog.scene()->cell(r, c))->image(), image.getPart(r, c));
    }
    auto *list = dialog.findChild<QComboBox *>(QStringLiteral("cmbPrinters"));
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->currentText(), QStringLiteral("Stand-in"));
    if (landscape)
        dialog.findChild<ZPageSelectorButton *>(QStringLiteral("horizontalPage"))->setChecked(true);
    dialog.findChild<QCheckBox *>(QStringLiteral("chkPrintPageNumbers"))->click();
    dialog.findChild<QPushButton *>(QStringLiteral("btnPrint"))->click();
    QCOMPARE(printers.asked, QStringLiteral("Stand-in"));

    const QVector<QSizeF> sheets = pdfPageSizes(printers.output);
    QCOMPARE(sheets.size(), dialog.scene()->pages().size());
    for (const QSizeF &sheet : sheets)
        QCOMPARE(sheet.toSize(), points.toSize());
    // No page picture is stored as JPEG, which blurs text; tiles alike are
    // stored once, tiles unlike in one pixel apart.
    QFile pdf(printers.output);
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    QVERIFY(!bytes.contains("/DCTDecode"));
    QCOMPARE(bytes.count("/Subtype /Image"), pictures);
}

void tst_ZPrintDialog::printToPdfFileWithoutPrinter()
{
    NoPrinters none;
    ZPrinters::install(&none);
    const ZImage image = tableAndChart(30);
    ZPrintDialog dialog(image);
    auto *list = dialog.findChild<QComboBox *>(QStringLiteral("cmbPrinters"));
    QCOMPARE(list->count(), 1);
    QVERIFY(dialog.printsToPdfFile());
    dialog.findChild<ZPageSelectorButton *>(QStringLiteral("horizontalPage"))->setChecked(true);

    QTemporaryDir dir;
    FileDialogAnswerer files;
    files.arm(dir.filePath(QStringLiteral("schedule"))); // the suffix is added
    dialog.print();
    QVERIFY(files.answered);
    const QVector<QSizeF> sheets = pdfPageSizes(dir.filePath(QStringLiteral("schedule.pdf")));
    QCOMPARE(sheets.size(), dialog.scene()->pages().size());
    QCOMPARE(sheets.first().toSize(), QSize(842, 595));

    // Cancelling the file question prints nothing.
    files.arm(QString());
    WidgetAnswerer<QFileDialog> cancel;
    cancel.arm([](QFileDialog *d) { d->reject(); });
    dialog.print();
    QVERIFY(cancel.answered);
}

void tst_ZPrintDialog::printFailureIsReported_data()
{
    QTest::addColumn<QString>("name"); // of the file, in a new folder; "LINK -> FILE": a link to it
    QTest::addColumn<int>("roomShort"); // bytes under the room print asks for; -1: no bound
    QTest::addColumn<bool>("runsOut");
    QTest::addColumn<QString>("text"); // empty: printed
    // Memory short: the dialog has ended, its preview empty, when the
    // message shows: painting a large preview behind it could run out.
    QTest::addColumn<QString>("behind"); // the dialog when the message shows
    QTest::addColumn<int>("stopAt"); // the page the user cancels at; -1: none
    // A file of that name there before: kept as it was unless every page
    // was written. Bytes the disk takes of a file; -1: no bound.
    QTest::addColumn<bool>("older");
    QTest::addColumn<int>("diskRoom");
    QTest::addColumn<int>("mode"); // the older file's, kept; 0: a new file's
    const QString start = "The print job could not be started on Stand-in: %1.";
    const QString failed = "The pages could not be written to Stand-in: %1. No file was changed.";
    const QString memory = "There is not enough memory to print.", shown = "shown, preview", ended = "ended, empty";
    const QString notWhole = failed.arg("the file could not be written whole");
    QTest::addRow("printer cannot start") << "missing/out.pdf" << -1 << false << start.arg("No such file or directory")
                                          << shown << -1 << false << -1 << 0;
    QTest::addRow("no room") << "out.pdf" << 1 << false << memory << ended << -1 << true << -1 << 0;
    QTest::addRow("room enough") << "out.pdf" << 0 << false << "" << "" << -1 << false << -1 << 0;
    QTest::addRow("replaces a file") << "out.pdf" << 0 << false << "" << "" << -1 << true << -1 << 0604;
    QTest::addRow("cancelled after a page") << "out.pdf" << -1 << false << "" << "" << 1 << true << -1 << 0;
    QTest::addRow("disk full") << "out.pdf" << -1 << false << notWhole << shown << -1 << true << 3000 << 0;
    QTest::addRow("nothing written to a full disk") << "disk/out.pdf" << -1 << false << start.arg("its disk is full")
                                                    << shown << -1 << false << -1 << 0;
    QTest::addRow("%%EOF lost") << "out.pdf" << -1 << false << notWhole << shown << -1 << false << -1 << 0;
    QTest::addRow("a sheet refused") << "out.pdf" << -1 << false << notWhole << shown << -1 << true << -1 << 0;
    QTest::addRow("a write made twice") << "out.pdf" << -1 << false << notWhole << shown << -1 << true << -1 << 0;
    QTest::addRow("a folder at the name") << "out.pdf" << -1 << false << start.arg("Is a directory") << shown << -1 << false << -1 << 0;
    QTest::addRow("a name of 250 bytes") << QString(246, 'n') + ".pdf" << -1 << false << "" << "" << -1 << true << -1 << 0;
    QTest::addRow("a link to another folder") << "out.pdf -> store/out.pdf" << -1 << false << "" << "" << -1 << true << -1 << 0644;
    QTest::addRow("a dangling link") << "out.pdf -> new/made.pdf" << -1 << false << "" << "" << -1 << false << -1 << 0;
    QTest::addRow("another owner's file") << "out.pdf" << -1 << false << "" << "" << -1 << true << -1 << 0640;
    QTest::addRow("a file with another name") << "out.pdf" << -1 << false << "" << "" << -1 << true << -1 << 0600;
    QTest::addRow("a file with another name, its disk failing") << "out.pdf" << -1 << false
        << "The pages could not be written to Stand-in: Input/output error. The file was left incomplete."
        << shown << -1 << true << -1 << 0600;
    QTest::addRow("a file with another name, its name unlinked as the copy ends") << "out.pdf" << -1 << false
        << "The pages are not in Stand-in: the result went into the file the name named when the write began, and the "
           "name was then removed."
        << shown << -1 << true << -1 << 0;
    QTest::addRow("a file the user may not write") << "out.pdf" << -1 << false
                                                   << start.arg("the file may not be written (Permission denied)")
                                                   << shown << -1 << true << -1 << 0444;
    QTest::addRow("a folder the user may not write") << "out.pdf" << -1 << false << "" << "" << -1 << true << -1 << 0666;
    QTest::addRow("cancelled in a folder the user may not write") << "out.pdf" << -1 << false << "" << "" << 1 << true << -1 << 0666;
    QTest::addRow("its folder removed") << "out.pdf" << -1 << false << failed.arg("its folder was removed") << shown
                                        << -1 << false << -1 << 0;
    QTest::addRow("runs out while printing") << "out.pdf" << -1 << true << memory << ended << -1 << true << -1 << 0;
    QTest::addRow("runs out in the layout") << "out.pdf" << -1 << true << memory << ended << -1 << true << -1 << 0;
}

void tst_ZPrintDialog::printFailureIsReported()
{
    QFETCH(QString, name);
    QFETCH(int, roomShort);
    QFETCH(bool, runsOut);
    QFETCH(QString, text);
    QFETCH(QString, behind);
    QFETCH(int, stopAt);
    QFETCH(bool, older);
    QFETCH(int, diskRoom);
    QFETCH(int, mode);
    // What else is so, as the row's name says.
    const auto is = [](const char *what) { return QByteArray(QTest::currentDataTag()).contains(what); };
    PdfPrinters printers;
    // Where the plain user reaches, and a temporary folder of its own,
    // whatever the one the tests run with.
    QTemporaryDir dir(QStringLiteral("/tmp/tst_zprintdialog-XXXXXX"));
    const QString temp = dir.filePath(QStringLiteral("temp"));
    QVERIFY(QDir().mkpath(temp) && QFile::setPermissions(temp, QFile::Permissions(0x7777)));
    const QByteArray tempBefore = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(temp));
    const auto restoreTemp = qScopeGuard([&] { qputenv("TMPDIR", tempBefore); });
    const QStringList names = name.split(QStringLiteral(" -> "));
    printers.output = dir.filePath(names.first());
    const QString target = dir.filePath(names.last());
    QVERIFY(names.size() < 2 || (QDir().mkpath(QFileInfo(target).path()) && QFile::link(names.last(), printers.output)));
    QVERIFY(!is("a folder at") || QDir().mkpath(printers.output));
    // A disk of its own, filled: not a byte more is taken.
    const QString disk = dir.filePath(QStringLiteral("disk"));
    if (is("full disk") && !(QDir().mkpath(disk) && smalldisk::mount(disk, "64k")))
        QSKIP("no disk of the test's own: root may mount one");
    const auto unmount = qScopeGuard([&] { is("full disk") && ::umount2(QFile::encodeName(disk).constData(), MNT_DETACH); });
    QFile filler(disk + QStringLiteral("/filler"));
    while (is("full disk") && (filler.isOpen() || filler.open(QIODevice::WriteOnly)) && filler.write(QByteArray(4096, 'f')) > 0
           && filler.flush()) {
    }
    ZPrinters::install(&printers);
    const QByteArray before = "%PDF-1.4 the user's own";
    if (older) {
        QFile file(printers.output);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(before) == before.size());
    }
    const QByteArray path = QFile::encodeName(target);
    const QString otherName = dir.filePath(QStringLiteral("other.pdf"));
    QVERIFY(!mode || chmod(path.constData(), mode_t(mode)) == 0);
    QVERIFY(!is("owner") || chown(path.constData(), 65534, 65534) == 0 || geteuid() != 0); // root's alone to give
    QVERIFY(!is("another name") || ::link(path.constData(), QFile::encodeName(otherName).constData()) == 0);
    const uint owner = QFileInfo(target).ownerId();
    const bool plain = is("user may not write") && geteuid() == 0;
    QFile::setPermissions(dir.path(), QFile::Permissions(is("folder the user") ? 0x5555 : 0x7777));
    printers.oneSheet = is("sheet");
    const ZImage image = tableAndChart(is("layout") ? 200 : 10);
    ZPrintDialog dialog(image);
    dialog.show();
    if (is("EOF")) { // the disk ends the file where its last line begins
        dialog.print();
        diskRoom = int(QFileInfo(target).size()) - 6;
        QVERIFY(QFile::remove(target));
    }
    const auto *preview = dialog.findChild<QGraphicsView *>(QStringLiteral("gvPreview"));
    // 256 bytes a tile shown, 32 MiB for the PDF engine.
    const qint64 tiles = qint64(image.rows() + dialog.scene()->headerRowCount()) * image.columns();
    const qint64 room = tiles * 256 + (qint64(32) << 20);
    QString title;
    QString shown;
    QString seen;
    QStringList ended;
    connect(&dialog, &ZPrintDialog::printed, this,
            [&](int pages, const QString &target) { ended << QStringLiteral("printed %1 on %2").arg(pages).arg(target); });
    connect(&dialog, &ZPrintDialog::printCanceled, this, [&] { ended << QStringLiteral("cancelled"); });
    WidgetAnswerer<QMessageBox> box;
    box.arm([&](QMessageBox *message) {
        title = message->windowTitle();
        shown = message->text();
        seen = QLatin1String(dialog.isVisible() ? "shown" : "ended")
            + QLatin1String(preview->scene() ? ", preview" : ", empty");
        message->accept();
    });
    {
        // Skipping one: past the printer, in the pages' own work. After the
        // first page the folder goes, or the file gets 8 bytes a share wrote twice.
        const WorkProgress user([&](qint64 done, qint64) {
            if (done == 1 && is("removed"))
                QDir(dir.path()).removeRecursively();
            for (const QFileInfo &fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::Files | QDir::System))
                if (done == 1 && is("twice") && fd.symLinkTarget().contains(QLatin1String("/.out.pdf."))
                    && ::write(fd.fileName().toInt(), "% again\n", 8) == 8) // the printer's, not the one read back
                    return true;
            return stopAt < 0 || done < stopAt;
        });
        const ownallocationfailure::Shortage shortage(roomShort < 0 ? -1 : room - roomShort, runsOut, 1);
        // Files end at that size, as on a full disk.
        rlimit disk{};
        getrlimit(RLIMIT_FSIZE, &disk);
        const rlimit before = disk;
        disk.rlim_cur = diskRoom < 0 ? disk.rlim_cur : rlim_t(diskRoom);
        signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &disk);
        if (is("layout")) // more pages: a layout that ran out is never printed
            dialog.setScale(150);
        // Modes bind a plain user; root's own groups stay.
        QVERIFY(!plain || (setresgid(65534, 65534, 0) == 0 && setresuid(65534, 65534, 0) == 0));
        syncs::failWith = is("failing") ? EIO : 0; // as the copy in place ends
        syncs::during = [&] { QVERIFY(!is("unlinked") || QFile::remove(target)); };
        dialog.print();
        syncs::failWith = 0;
        syncs::during = nullptr;
        QVERIFY(!plain || (setresuid(0, 0, 0) == 0 && setresgid(0, 0, 0) == 0));
        QFile::setPermissions(dir.path(), QFile::Permissions(0x7777));
        setrlimit(RLIMIT_FSIZE, &before);
        QCOMPARE(ownallocationfailure::thrown.load(), runsOut ? 1 : 0);
    }
    QCOMPARE(shown, text);
    QCOMPARE(seen, behind);
    if (!text.isEmpty())
        QCOMPARE(title, QStringLiteral("Print"));
    const bool printed = text.isEmpty() && stopAt < 0;
    // A name removed as the copy ends leaves the pages under the other.
    const bool gone = is("unlinked");
    QCOMPARE(QFileInfo(target).isFile(), printed || (older && !gone));
    QFile file(printers.output);
    // A copy in place cut short holds what was written of it.
    const bool cut = is("failing");
    if (older && !printed && !cut && !gone) {
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
    }
    // Through the link, and the other name; owner and mode kept; nothing else left.
    const int pages = printed || cut || gone ? dialog.scene()->pages().size() : 0;
    QCOMPARE(pdfPageSizes(printers.output).size() + pdfPageSizes(otherName).size(), pages * (is("another name") && !gone ? 2 : 1));
    QCOMPARE(QFileInfo(printers.output).isSymLink(), names.size() > 1);
    struct stat after {};
    QVERIFY(stat(path.constData(), &after) || after.st_uid == (older ? owner : geteuid()));
    QVERIFY(!mode || int(after.st_mode & 07777) == mode);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(),
             int(QFileInfo(printers.output).isFile()) + is("another name"));
    QCOMPARE(ended.size() == 1 ? ended.first() : QString(),
             text.isEmpty() ? (stopAt < 0 ? QStringLiteral("printed %1 on Stand-in").arg(dialog.scene()->pages().size())
                                          : QStringLiteral("cancelled"))
                            : QString());
}

void tst_ZPrintDialog::emptyPicture()
{
    PdfPrinters printers;
    QTemporaryDir dir;
    printers.output = dir.filePath(QStringLiteral("out.pdf"));
    ZPrinters::install(&printers);
    const ZImage image = tableAndChart(0);
    ZPrintDialog dialog(image);
    QVERIFY(dialog.scene()->pages().isEmpty());
    dialog.print();
    QVERIFY(!QFile::exists(printers.output));
}

QTEST_MAIN(tst_ZPrintDialog)
#include "tst_zprintdialog.moc"
