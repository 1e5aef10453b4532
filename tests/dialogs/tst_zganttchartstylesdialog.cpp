#include "zbarshapecombo.h"
#include "zbarshapewidget.h"
#include "zcolorcombo.h"
#include "zcolorwidget.h"
#include "zendpointcombo.h"
#include "zendpointwidget.h"
#include "zganttchartstylesdialog.h"
#include "zganttchartstylesdialogdelegate.h"
#include "zganttchartstylesdialogmodel.h"

#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QHeaderView>
#include <QMouseEvent>
#include <QTableView>
#include <QtTest>

using Model = ZGanttChartStylesDialogModel;

namespace {

ZGanttViewBarStyle style(const QString &name, const QColor &body, bool visible,
                         QMap<int, QString> texts = {})
{
    ZGanttViewBarStyle s;
    s.styleName = name;
    s.startPointShape = QStringLiteral("Diamond");
    s.startPointColor = Qt::gray;
    s.bodyShapeHeight = 11;
    s.bodyShapeOffset = 6;
    s.bodyColor = body;
    s.endPointShape = QStringLiteral("SouthPenta");
    s.endPointColor = Qt::black;
    s.displayColumns = texts;
    s.startDate = QStringLiteral("Start Date");
    s.finishDate = QStringLiteral("Finish Date");
    s.visible = visible;
    return s;
}

const QStringList kDates = {QString(), QStringLiteral("Start Date"), QStringLiteral("Finish Date"),
                            QStringLiteral("Actual Start")};
const QStringList kTexts = {QString(), QStringLiteral("Activity ID"),
                            QStringLiteral("Activity Name")};

QList<ZGanttViewBarStyle> sampleStyles()
{
    return {style(QStringLiteral("Task"), QColor(QStringLiteral("#0068b6")), true,
                  {{1, QStringLiteral("Activity ID")}, {2, QStringLiteral("Not a column")}}),
            style(QStringLiteral("Milestone"), Qt::black, true),
            style(QStringLiteral("Baseline"), Qt::yellow, false)};
}

// A widget of the dialog's form, by its object name.
template<class T>
T *ui(const QWidget &dialog, const char *name)
{
    T *widget = dialog.findChild<T *>(QString::fromLatin1(name));
    Q_ASSERT(widget);
    return widget;
}

void selectRow(ZGanttChartStylesDialog &dialog, int row)
{
    ui<QTableView>(dialog, "table")->setCurrentIndex(dialog.model()->index(row, Model::NameColumn));
}

void releaseOn(QTableView *table, const QModelIndex &index)
{
    const QRect r = table->visualRect(index);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
}

} // namespace

// The bar styles dialog over a few styles: what it shows, what an edit
// changes and what the caller reads back.
class tst_ZGanttChartStylesDialog : public QObject
{
    Q_OBJECT
private slots:
    void formAndTable();
    void selectingRowsRewritesNothing();
    void pickerEditsCurrentRow();
    void editsByKeys_data();
    void editsByKeys();
    void showColumnHidesDates();
    void textPositions();
    void dateFormats();
    void previewPaintsStyle();
};

void tst_ZGanttChartStylesDialog::formAndTable()
{
    ZGanttChartStylesDialog dialog(kDates);
    QAbstractItemModelTester tester(dialog.model());
    dialog.setColumnSelection(kTexts);
    dialog.setBarStyles(sampleStyles());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Bar Styles"));
    QCOMPARE(dialog.size(), QSize(700, 453));
    QCOMPARE(dialog.model()->columnCount(), 5);
    QCOMPARE(dialog.model()->headerData(4, Qt::Horizontal).toString(), QStringLiteral("Appearance"));
    QCOMPARE(ui<QComboBox>(dialog, "cmbLeft")->itemText(0), QStringLiteral("[Left]"));
    QCOMPARE(ui<QComboBox>(dialog, "cmbInside")->itemText(0), QStringLiteral("[Inside]"));
    QCOMPARE(ui<QComboBox>(dialog, "cmbInside")->count(), 3);
    QCOMPARE(ui<QComboBox>(dialog, "cmbWeek")->count(), 5);
    QCOMPARE(ui<QComboBox>(dialog, "cmbDay")->itemText(3), QStringLiteral("01 01 '17"));

    // Only the dates of shown rows are editable; "Show", "Name" and
    // "Appearance" never are.
    const QAbstractItemModel *m = dialog.model();
    QVERIFY(m->flags(m->index(0, Model::StartColumn)) & Qt::ItemIsEditable);
    QVERIFY(!(m->flags(m->index(2, Model::StartColumn)) & Qt::ItemIsEditable));
    for (int c : {0, 1, 4})
        QVERIFY(!(m->flags(m->index(0, c)) & Qt::ItemIsEditable));
    QVERIFY(m->flags(m->index(0, 0)) & Qt::ItemIsUserCheckable);
    QCOMPARE(ui<QTableView>(dialog, "table")->currentIndex(), m->index(0, Model::ShowColumn));
    // The editors show row 0.
    QCOMPARE(ui<ZEndPointCombo>(dialog, "cmbStartShape")->shapeName(), QStringLiteral("Diamond"));
    QCOMPARE(ui<ZColorCombo>(dialog, "cmbBodyColor")->color(), QColor(QStringLiteral("#0068b6")));
    QCOMPARE(ui<QComboBox>(dialog, "cmbLeft")->currentText(), QStringLiteral("Activity ID"));
    QCOMPARE(ui<QComboBox>(dialog, "cmbRight")->currentText(), QStringLiteral("[Right]"));
}

void tst_ZGanttChartStylesDialog::selectingRowsRewritesNothing()
{
    ZGanttChartStylesDialog dialog(kDates);
    dialog.setColumnSelection(kTexts);
    dialog.setBarStyles(sampleStyles());
    for (int row : {1, 2, 0, 2, 0})
        selectRow(dialog, row);
    // A text naming no listed column stays, as does every other field.
    QCOMPARE(dialog.barStyles(), sampleStyles());
}

void tst_ZGanttChartStylesDialog::pickerEditsCurrentRow()
{
    ZGanttChartStylesDialog dialog(kDates);
    dialog.setColumnSelection(kTexts);
    dialog.setBarStyles(sampleStyles());
    dialog.show();
    selectRow(dialog, 1);

    // Bar colour: open the pop-up and release on "Red" (index 17).
    ZColorCombo *color = ui<ZColorCombo>(dialog, "cmbBodyColor");
    QTest::mouseRelease(color, Qt::LeftButton);
    color->popup()->grab();
    QTest::mouseRelease(color->popup(), Qt::LeftButton, Qt::NoModifier,
                        color->popup()->cellRect(17).center());
    // Bar shape: the thin band at the bottom (index 8).
    ZBarShapeCombo *shape = ui<ZBarShapeCombo>(dialog, "cmbBodyShape");
    QTest::mouseRelease(shape, Qt::LeftButton);
    QTest::mouseRelease(shape->popup(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 8 * 22 + 3));
    // End point: "<None>" (index 0).
    QTest::mouseRelease(ui<ZEndPointCombo>(dialog, "cmbEndShape"), Qt::LeftButton);
    QTest::mouseRelease(ui<ZEndPointCombo>(dialog, "cmbEndShape")->popup(), Qt::LeftButton, Qt::NoModifier,
                        QPoint(5, 5));

    QList<ZGanttViewBarStyle> expected = sampleStyles();
    expected[1].bodyColor = QColor(Qt::red);
    expected[1].bodyShapeHeight = 3;
    expected[1].bodyShapeOffset = 18;
    expected[1].endPointShape = QStringLiteral("<None>");
    QCOMPARE(dialog.barStyles(), expected);
    QCOMPARE(shape->popup()->color(), QColor(Qt::red)); // the band follows the bar colour
}

void tst_ZGanttChartStylesDialog::editsByKeys_data()
{
    QTest::addColumn<QVector<int>>("keys"); // from the table, focused
    QTest::addColumn<QString>("second"); // the second style afterwards
    using Keys = QVector<int>;
    const Keys toStartShape(3, Qt::Key_Tab); // past the Bars tab and the colour
    const Keys toBodyShape(5, Qt::Key_Tab);
    const Keys toEndShape(7, Qt::Key_Tab);
    QTest::addRow("Space hides") << Keys{Qt::Key_Down, Qt::Key_Space} << "hidden Diamond 11x6 SouthPenta";
    QTest::addRow("Space again shows") << Keys{Qt::Key_Down, Qt::Key_Space, Qt::Key_Space}
                                       << "shown Diamond 11x6 SouthPenta";
    QTest::addRow("Ctrl+Space leaves it") << Keys{Qt::Key_Down, int(Qt::CTRL | Qt::Key_Space)}
                                          << "shown Diamond 11x6 SouthPenta";
    QTest::addRow("start shape") << Keys{Qt::Key_Down} + toStartShape + Keys{Qt::Key_F4, Qt::Key_Left, Qt::Key_Return}
                                 << "shown Square 11x6 SouthPenta";
    QTest::addRow("bar shape") << Keys{Qt::Key_Down} + toBodyShape + Keys{int(Qt::ALT | Qt::Key_Down), Qt::Key_Down, Qt::Key_Return}
                               << "shown Diamond 5x3 SouthPenta";
    QTest::addRow("end shape") << Keys{Qt::Key_Down} + toEndShape + Keys{Qt::Key_Space, Qt::Key_Right, Qt::Key_Space}
                               << "shown Diamond 11x6 NorthPenta";
}

// Tab reaches the list of styles and every picker; a style other than the
// first is edited by keys alone.
void tst_ZGanttChartStylesDialog::editsByKeys()
{
    QFETCH(QVector<int>, keys);
    QFETCH(QString, second);
    ZGanttChartStylesDialog dialog(kDates);
    dialog.setColumnSelection(kTexts);
    dialog.setBarStyles(sampleStyles());
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QTableView *table = ui<QTableView>(dialog, "table");
    // The dialog opens on the list, its current cell (only) framed in the
    // colour of the cell's text, whatever the column.
    QCOMPARE(QApplication::focusWidget(), table);
    for (int c = Model::ShowColumn; c <= Model::AppearanceColumn; ++c) {
        table->setCurrentIndex(dialog.model()->index(0, c));
        const QRect cell = table->visualRect(table->currentIndex());
        const QImage shown = table->viewport()->grab().toImage();
        QCOMPARE(shown.pixelColor(cell.center().x(), cell.top()),
                 table->palette().color(c == Model::AppearanceColumn ? QPalette::Text : QPalette::HighlightedText));
        QVERIFY(shown.pixelColor(cell.center().x(), cell.bottom() + 2) != table->palette().color(QPalette::Text));
    }
    // The whole Tab chain of the Bars page.
    QStringList chain;
    table->setFocus();
    for (int i = 0; i < 12; ++i) {
        const QWidget *focus = QApplication::focusWidget();
        const auto *button = qobject_cast<const QAbstractButton *>(focus);
        chain << (button && focus->objectName().isEmpty() ? button->text() : focus->objectName());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(chain.join(QLatin1Char(' ')),
             QStringLiteral("table qt_tabwidget_tabbar cmbStartColor cmbStartShape cmbBodyColor "
                            "cmbBodyShape cmbEndColor cmbEndShape OK Cancel qt_tabwidget_tabbar table"));

    table->setFocus();
    for (int key : keys) {
        const Qt::Key k = Qt::Key(key & ~Qt::KeyboardModifierMask);
        const Qt::KeyboardModifiers modifiers(key & Qt::KeyboardModifierMask);
        QTest::keyPress(static_cast<QWidget *>(nullptr), k, modifiers);
        QTest::keyRelease(static_cast<QWidget *>(nullptr), k, modifiers);
    }
    const ZGanttViewBarStyle style = dialog.barStyles().at(1);
    QCOMPARE(QStringLiteral("%1 %2 %3x%4 %5")
                 .arg(style.visible ? QStringLiteral("shown") : QStringLiteral("hidden"), style.startPointShape)
                 .arg(style.bodyShapeHeight)
                 .arg(style.bodyShapeOffset)
                 .arg(style.endPointShape),
             second);
    QCOMPARE(dialog.barStyles().at(0), sampleStyles().at(0));
}

void tst_ZGanttChartStylesDialog::showColumnHidesDates()
{
    ZGanttChartStylesDialog dialog(kDates);
    dialog.setBarStyles(sampleStyles());
    dialog.show();
    QTableView *table = ui<QTableView>(dialog, "table");
    const QAbstractItemModel *m = dialog.model();
    QCOMPARE(m->index(2, Model::StartColumn).data().toString(), QString()); // hidden row
    QCOMPARE(dialog.barStyles().at(2).startDate, QStringLiteral("Start Date"));

    releaseOn(table, m->index(0, Model::ShowColumn));
    QCOMPARE(m->index(0, Model::ShowColumn).data(Model::VisibleRole).toBool(), false);
    QCOMPARE(m->index(0, Model::FinishColumn).data().toString(), QString());
    QCOMPARE(dialog.barStyles().at(0).finishDate, QStringLiteral("Finish Date"));
    QCOMPARE(dialog.barStyles().at(0).visible, false);

    releaseOn(table, m->index(0, Model::ShowColumn));
    QCOMPARE(m->index(0, Model::FinishColumn).data().toString(), QStringLiteral("Finish Date"));
    QCOMPARE(dialog.barStyles(), sampleStyles());
}

void tst_ZGanttChartStylesDialog::textPositions()
{
    ZGanttChartStylesDialog dialog(kDates);
    dialog.setColumnSelection(kTexts);
    dialog.setBarStyles(sampleStyles());
    selectRow(dialog, 1);
    ui<QComboBox>(dialog, "cmbRight")->setCurrentText(QStringLiteral("Activity Name"));
    ui<QComboBox>(dialog, "cmbInside")->setCurrentText(QStringLiteral("Activity ID"));
    QCOMPARE(dialog.barStyles().at(1).displayColumns,
             (QMap<int, QString>{{2, QStringLiteral("Activity Name")},
                                 {132, QStringLiteral("Activity ID")}}));
    // Choosing the placeholder removes the position.
    ui<QComboBox>(dialog, "cmbRight")->setCurrentIndex(0);
    QCOMPARE(dialog.barStyles().at(1).displayColumns,
             (QMap<int, QString>{{132, QStringLiteral("Activity ID")}}));
    QCOMPARE(dialog.textCombo(64), ui<QComboBox>(dialog, "cmbBottom"));
    QCOMPARE(ZGanttChartStylesDialog::placeholder(32), QStringLiteral("[Top]"));
}

void tst_ZGanttChartStylesDialog::dateFormats()
{
    ZGanttChartStylesDialog dialog(kDates);
    QMap<ZTimeLineFlags, int> in;
    in.insert(TimeLineYear, 2);
    in.insert(TimeLineMonth, 3);
    in.insert(TimeLineDay, 4);
    in.insert(static_cast<ZTimeLineFlags>(2), 1); // not a level: ignored
    dialog.setDateFormats(in);
    QMap<ZTimeLineFlags, int> out = in;
    out.remove(static_cast<ZTimeLineFlags>(2));
    out.insert(TimeLineQuarter, 0); // missing keys select entry 0
    out.insert(TimeLineWeek, 0);
    QCOMPARE(dialog.dateFormats(), out);
    QCOMPARE(ui<QComboBox>(dialog, "cmbMonth")->currentText(), QStringLiteral("January"));
}

void tst_ZGanttChartStylesDialog::previewPaintsStyle()
{
    ZGanttChartStylesDialog dialog(kDates);
    QList<ZGanttViewBarStyle> styles = sampleStyles();
    styles[0].bodyColor = QColor(Qt::green);
    dialog.setBarStyles(styles);
    dialog.show();
    QTableView *table = ui<QTableView>(dialog, "table");
    const QRect cell = table->visualRect(dialog.model()->index(0, Model::AppearanceColumn));
    const QImage image = table->viewport()->grab().toImage();
    // Body rows 6 .. 16 of the 22-pixel preview centred on the cell.
    const int top = (cell.top() + cell.bottom()) / 2 - 10;
    QCOMPARE(image.pixelColor((cell.left() + cell.right()) / 2, top + 10), QColor(Qt::green));
    QVERIFY(image.pixelColor((cell.left() + cell.right()) / 2, top + 2) != QColor(Qt::green));
    // The name column shows the style's name as text beside the preview.
    const QRect name = table->visualRect(dialog.model()->index(1, Model::NameColumn));
    int dark = 0;
    for (int y = name.top(); y <= name.bottom(); ++y) {
        for (int x = name.left(); x <= name.right(); ++x)
            dark += qGray(image.pixel(x, y)) < 60 ? 1 : 0;
    }
    QVERIFY(dark > 0);
}

QTEST_MAIN(tst_ZGanttChartStylesDialog)
#include "tst_zganttchartstylesdialog.moc"
