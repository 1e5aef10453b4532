#include "zcolorwidget.h"
#include "zgroupdialog.h"
#include "zgroupdialogdelegate.h"
#include "zgrouping.h"
#include "zstylecombo.h"
#include "zstylewidget.h"

#include <QComboBox>
#include <QFontComboBox>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableWidget>
#include <QToolButton>
#include <QtTest>

namespace {

// Columns: 0 "WBS Name" (structured), 1 "Start" (dates), 2 "Name",
// 3 "Finish" (no date in the first row), 4 "ID" (hidden), 5 "name".
std::unique_ptr<QStandardItemModel> activities(bool withRows = true)
{
    auto model = std::make_unique<QStandardItemModel>(0, 6);
    model->setHorizontalHeaderLabels({QStringLiteral("WBS Name"), QStringLiteral("Start"),
                                      QStringLiteral("Name"), QStringLiteral("Finish"),
                                      QStringLiteral("ID"), QStringLiteral("name")});
    if (withRows) {
        QList<QStandardItem *> row;
        row << new QStandardItem(QStringLiteral("Design"));
        auto *start = new QStandardItem;
        start->setData(QDateTime(QDate(2024, 1, 1), QTime(8, 0)), Qt::DisplayRole);
        row << start << new QStandardItem(QStringLiteral("Survey")) << new QStandardItem
            << new QStandardItem(QStringLiteral("101")) << new QStandardItem(QStringLiteral("x"));
        model->appendRow(row);
    }
    return model;
}

void prepare(ZGroupDialog &dialog, QAbstractItemModel *model)
{
    dialog.setModel(model);
    dialog.setColumnLevels(0, 7);
    dialog.setColumnHidden(4, true);
}

QString editorChoices(ZGroupDialog &dialog, int row, int column)
{
    const QModelIndex index = dialog.table()->model()->index(row, column);
    std::unique_ptr<QWidget> editor(
        dialog.delegate()->createEditor(dialog.table()->viewport(), QStyleOptionViewItem(), index));
    auto *combo = qobject_cast<QComboBox *>(editor.get());
    if (!combo)
        return QStringLiteral("<none>");
    dialog.delegate()->setEditorData(combo, index);
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << (i == combo->currentIndex() ? QStringLiteral("*") : QString()) + combo->itemText(i);
    return items.join(QLatin1Char(','));
}

void choose(ZGroupDialog &dialog, int row, int column, const QString &text)
{
    const QModelIndex index = dialog.table()->model()->index(row, column);
    std::unique_ptr<QWidget> editor(
        dialog.delegate()->createEditor(dialog.table()->viewport(), QStyleOptionViewItem(), index));
    auto *combo = qobject_cast<QComboBox *>(editor.get());
    QVERIFY(combo);
    combo->setCurrentText(text);
    dialog.delegate()->setModelData(combo, dialog.table()->model(), index);
}

// Opens the Format editor of a row as the mouse does and hands it back.
ZStyleCombo *openFormatEditor(ZGroupDialog &dialog, int row)
{
    QTableWidget *table = dialog.table();
    const QModelIndex index = table->model()->index(row, 2);
    QMouseEvent move(QEvent::MouseMove, table->visualRect(index).center(), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(table->viewport(), &move);
    return qobject_cast<ZStyleCombo *>(table->indexWidget(index));
}

} // namespace

class tst_ZGroupDialog : public QObject
{
    Q_OBJECT
private slots:
    void choices_data();
    void choices();
    void choosingFieldResetsRule();
    void saveAndRestore();
    void formatEditor_data();
    void formatEditor();
    void hoverOpensOneEditor();
    void keyboard_data();
    void keyboard();
};

void tst_ZGroupDialog::choices_data()
{
    QTest::addColumn<bool>("rows");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("groupBy"); // editor of column 0, current marked
    QTest::addColumn<QString>("rules");   // editor of column 1
    const QString levels = QStringLiteral("All,To level 1,To level 2,To level 3,To level 4,"
                                          "To level 5,To level 6,To level 7,To level 8,"
                                          "To level 9,To level 10");
    QTest::addRow("structured field") << true << "WBS Name" << ",Finish,Name,Start,*WBS Name,name" << "*" + levels;
    QTest::addRow("date field") << true << "Start" << ",Finish,Name,*Start,WBS Name,name"
                                << "*No Rule,Year,Quarter,Month,Week,Day";
    QTest::addRow("plain field") << true << "Name" << ",Finish,*Name,Start,WBS Name,name" << "<none>";
    QTest::addRow("empty first value is no date") << true << "Finish"
                                                  << ",*Finish,Name,Start,WBS Name,name" << "<none>";
    QTest::addRow("hidden field opens on the empty entry") << true << "ID"
                                                           << "*,Finish,Name,Start,WBS Name,name" << "<none>";
    QTest::addRow("no rows: no date fields") << false << "Start"
                                             << ",Finish,Name,*Start,WBS Name,name" << "<none>";
}

void tst_ZGroupDialog::choices()
{
    QFETCH(bool, rows);
    QFETCH(QString, field);
    QFETCH(QString, groupBy);
    QFETCH(QString, rules);
    auto model = activities(rows);
    ZGroupDialog dialog;
    prepare(dialog, model.get());
    dialog.table()->model()->setData(dialog.table()->model()->index(3, 0), field);
    QCOMPARE(editorChoices(dialog, 3, 0), groupBy);
    QCOMPARE(editorChoices(dialog, 3, 1), rules);
    QCOMPARE(editorChoices(dialog, 3, 2), QStringLiteral("<none>")); // not a combo box
}

void tst_ZGroupDialog::choosingFieldResetsRule()
{
    auto model = activities();
    ZGroupDialog dialog;
    prepare(dialog, model.get());
    const QAbstractItemModel *table = dialog.table()->model();
    choose(dialog, 5, 0, QStringLiteral("Start"));
    choose(dialog, 5, 1, QStringLiteral("Month"));
    QCOMPARE(table->index(5, 1).data().toString(), QStringLiteral("Month"));
    choose(dialog, 5, 0, QStringLiteral("WBS Name"));
    QCOMPARE(table->index(5, 1).data().toString(), QStringLiteral("All"));
    choose(dialog, 5, 1, QStringLiteral("To level 3"));
    choose(dialog, 5, 0, QStringLiteral("Name"));
    QCOMPARE(table->index(5, 1).data().toString(), QString());
    QCOMPARE(dialog.selection(), QStringList{QStringLiteral("Name;")});
}

void tst_ZGroupDialog::saveAndRestore()
{
    auto model = activities();
    ZGroupDialog dialog;
    prepare(dialog, model.get());
    ZGrouping grouping;
    QFont italic(QStringLiteral("DejaVu Serif"));
    italic.setItalic(true);
    grouping.addGroup(QStringLiteral("WBS Name"), QStringLiteral("To level 2"), italic,
                      QColor(Qt::yellow), QBrush(Qt::darkBlue));
    grouping.addGroup(QColor(Qt::gray)); // an inactive level between two fields
    grouping.addGroup(QStringLiteral("WBS Name"), QStringLiteral("All"), QFont(), QColor(),
                      QBrush());
    for (int i = 0; i < 9; ++i)
        grouping.addGroup(QStringLiteral("Name"), QString(), QFont(), QColor(), QBrush());
    dialog.restoreState(grouping);

    const QAbstractItemModel *table = dialog.table()->model();
    QCOMPARE(table->index(0, 2).data().toString(), QStringLiteral("DejaVu Serif"));
    const ZGrouping saved = dialog.saveState();
    QCOMPARE(saved.size(false), 10); // twelve levels: the first ten are shown
    QCOMPARE(saved.size(true), 9);
    QCOMPARE(saved.group(0).title, QStringLiteral("To level 2"));
    QVERIFY(saved.group(0).font.italic());
    QCOMPARE(saved.group(0).color, QColor(Qt::yellow));
    QCOMPARE(saved.group(0).brush, QBrush(Qt::darkBlue));
    QCOMPARE(saved.group(1).field, QString());
    QCOMPARE(saved.group(1).brush.color(), QColor(Qt::gray));
    QCOMPARE(saved.group(2).field, QStringLiteral("WBS Name")); // the same field twice
    QCOMPARE(saved.group(2).brush.style(), Qt::NoBrush);
    QCOMPARE(saved.toVariant(), [&] {
        ZGrouping first10;
        for (int i = 0; i < 10; ++i)
            first10.addGroup(grouping.group(i));
        return first10.toVariant();
    }());
}

void tst_ZGroupDialog::formatEditor_data()
{
    QTest::addColumn<QBrush>("brush");      // the level's background before
    QTest::addColumn<int>("opensOn");       // grid entry selected when opened
    QTest::addColumn<QColor>("pick");       // grid colour picked (invalid: untouched)
    QTest::addColumn<QBrush>("stored");     // the background after "Ok"
    const QColor teal(0, 128, 128);
    QTest::addRow("no background stays without") << QBrush() << 0 << QColor() << QBrush();
    QTest::addRow("no background, colour picked") << QBrush() << 0 << teal << QBrush(teal);
    QTest::addRow("background kept") << QBrush(teal) << -2 << QColor() << QBrush(teal);
    QTest::addRow("No Color removes the background") << QBrush(teal) << -2 << QColor(Qt::transparent) << QBrush();
    // The default layout's colours are not in the palette: the grid shows
    // nothing, and "Ok" keeps the background.
    QTest::addRow("colour outside the palette kept") << QBrush(QColor(60, 83, 111)) << -1 << QColor() << QBrush(QColor(60, 83, 111));
}

// Opening the Format editor loads the level; "Ok" writes font, family, text
// colour and the background; "No Color" means none.
void tst_ZGroupDialog::formatEditor()
{
    QFETCH(QBrush, brush);
    QFETCH(int, opensOn);
    QFETCH(QColor, pick);
    QFETCH(QBrush, stored);
    auto model = activities();
    ZGroupDialog dialog;
    prepare(dialog, model.get());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QAbstractItemModel *table = dialog.table()->model();
    const QModelIndex format = table->index(1, 2);
    if (brush.style() != Qt::NoBrush)
        table->setData(format, brush, Qt::BackgroundRole);
    QCOMPARE(format.data().toString(), QString()); // a new row shows nothing

    ZStyleCombo *combo = openFormatEditor(dialog, 1);
    QVERIFY(combo);
    ZColorWidget *grid = combo->popup()->backgroundGrid();
    if (opensOn >= -1)
        QCOMPARE(grid->selectedIndex(), opensOn);
    else
        QCOMPARE(grid->color(), brush.color());
    if (pick == QColor(Qt::transparent))
        grid->setColor(QColor());
    else if (pick.isValid())
        grid->setColor(pick);
    combo->popup()->boldButton()->setChecked(true);
    combo->popup()->okButton()->click();

    QCOMPARE(format.data(Qt::BackgroundRole).value<QBrush>(), stored);
    QCOMPARE(format.data(Qt::FontRole).value<QFont>().weight(), int(QFont::Bold));
    QCOMPARE(format.data().toString(), format.data(Qt::FontRole).value<QFont>().family());
    QCOMPARE(format.data(Qt::ForegroundRole).value<QColor>(), combo->fontColor());
}

void tst_ZGroupDialog::hoverOpensOneEditor()
{
    auto model = activities();
    ZGroupDialog dialog;
    prepare(dialog, model.get());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTableWidget *table = dialog.table();
    QVERIFY(openFormatEditor(dialog, 2));
    QVERIFY(openFormatEditor(dialog, 4));
    QVERIFY(!table->indexWidget(table->model()->index(2, 2)));
    // Onto another column: the editor closes.
    QMouseEvent move(QEvent::MouseMove, table->visualRect(table->model()->index(4, 0)).center(),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(table->viewport(), &move);
    QVERIFY(!table->indexWidget(table->model()->index(4, 2)));
}

void tst_ZGroupDialog::keyboard_data()
{
    QTest::addColumn<int>("row"); // of the current cell; row 0 is grouped by "WBS Name"
    QTest::addColumn<int>("column");
    QTest::addColumn<QVector<int>>("keys");
    QTest::addColumn<QString>("shown"); // what is open or focused, or the level's text colour
    using Keys = QVector<int>;
    const int altDown = int(Qt::ALT | Qt::Key_Down);
    QTest::addRow("Tab leaves the table for OK") << 0 << 0 << Keys{Qt::Key_Tab} << "OK";
    QTest::addRow("then Cancel") << 0 << 0 << Keys{Qt::Key_Tab, Qt::Key_Tab} << "Cancel";
    QTest::addRow("Shift+Tab goes back") << 0 << 0 << Keys{Qt::Key_Tab, Qt::Key_Backtab} << "table";
    QTest::addRow("Space opens Group By") << 1 << 0 << Keys{Qt::Key_Space} << "list";
    QTest::addRow("F4 opens Rule") << 0 << 1 << Keys{Qt::Key_F4} << "list";
    QTest::addRow("no rules: nothing opens") << 1 << 1 << Keys{Qt::Key_Space} << "table";
    QTest::addRow("Space opens Format") << 1 << 2 << Keys{Qt::Key_Space} << "format";
    QTest::addRow("F4 opens Format") << 1 << 2 << Keys{Qt::Key_F4} << "format";
    QTest::addRow("Alt+Down opens Format") << 1 << 2 << Keys{altDown} << "format";
    QTest::addRow("F2, then Alt+Down") << 1 << 2 << Keys{Qt::Key_F2, altDown} << "format";
    // From the font box, four Tabs reach the text colour; two more after
    // the pick reach Ok.
    QTest::addRow("Format by keys: text colour")
        << 0 << 2
        << Keys{Qt::Key_Space, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_F4,
                Qt::Key_Down, Qt::Key_Right, Qt::Key_Return, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Return}
        << "text #800000";
}

// Every control is reached by Tab, and every box opens from the keyboard.
void tst_ZGroupDialog::keyboard()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QVector<int>, keys);
    QFETCH(QString, shown);
    auto model = activities();
    ZGroupDialog dialog;
    prepare(dialog, model.get());
    choose(dialog, 0, 0, QStringLiteral("WBS Name"));
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QTableWidget *table = dialog.table();
    table->setFocus();
    table->setCurrentCell(row, column);
    for (int key : keys) {
        QTest::keyClick(static_cast<QWidget *>(nullptr), Qt::Key(key & ~Qt::KeyboardModifierMask),
                        Qt::KeyboardModifiers(key & Qt::KeyboardModifierMask));
    }
    QString found;
    if (shown.startsWith(QLatin1String("text ")))
        found = QStringLiteral("text ")
            + table->model()->index(row, 2).data(Qt::ForegroundRole).value<QColor>().name();
    else if (QWidget *popup = QApplication::activePopupWidget())
        found = qobject_cast<ZStyleWidget *>(popup) ? QStringLiteral("format") : QStringLiteral("list");
    else if (auto *button = qobject_cast<QPushButton *>(QApplication::focusWidget()))
        found = button->text().remove(QLatin1Char('&'));
    else if (QApplication::focusWidget() == table)
        found = QStringLiteral("table");
    QCOMPARE(found, shown);
    while (QWidget *popup = QApplication::activePopupWidget())
        popup->close();
}

QTEST_MAIN(tst_ZGroupDialog)
#include "tst_zgroupdialog.moc"
