#include "proxytesthelpers.h"
#include "zcolumndialog.h"
#include "zmasterdetaildialog.h"
#include "zparentitemproxymodel.h"
#include "ztreemodeldialog.h"

#include <QHeaderView>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QtTest>

namespace {

QStringList texts(QListWidget *list)
{
    QStringList result;
    for (int i = 0; i < list->count(); ++i)
        result << list->item(i)->text();
    return result;
}

void select(QListWidget *list, const QString &text)
{
    list->clearSelection();
    const QList<QListWidgetItem *> items = list->findItems(text, Qt::MatchExactly);
    QVERIFY(!items.isEmpty());
    items.first()->setSelected(true);
    list->setCurrentItem(items.first());
}

// A flat table with id and parent-id columns.
QStandardItemModel *flatTree(QObject *parent = nullptr)
{
    return testhelpers::makeTable({"Name", "ID", "Parent"},
                                  {{"AB", 1, 0},
                                   {"kid", 2, 1},
                                   {"xAbx", 3, 0},
                                   {"other", 4, 0},
                                   {"ab below other", 5, 4}},
                                  parent);
}

} // namespace

class tst_Dialogs : public QObject
{
    Q_OBJECT
private slots:
    void columnLists();
    void columnMoves();
    void columnOrdering();
    void masterDetail();
    void treeDialog();
};

void tst_Dialogs::columnLists()
{
    std::unique_ptr<QStandardItemModel> model(
        testhelpers::makeTable({"A", "B", "C", "D"}, {}));
    QHeaderView header(Qt::Horizontal);
    header.setModel(model.get());
    header.setSectionHidden(2, true);
    ZColumnDialog dialog(&header);
    // Every arrow finds its picture among the viewer's resources.
    for (QToolButton *button : {dialog.tbUp, dialog.tbDown, dialog.tbLeft, dialog.tbRight})
        QVERIFY(!button->icon().isNull());
    QCOMPARE(texts(dialog.lwChosen), (QStringList{"A", "B", "D"}));
    QCOMPARE(texts(dialog.lwAvaiable), QStringList{"C"});
    QCOMPARE(dialog.lwChosen->item(2)->data(Qt::UserRole).toInt(), 3);
    dialog.setColumnException(QStringLiteral("B"), true);
    QCOMPARE(texts(dialog.lwChosen), (QStringList{"A", "D"}));
    dialog.setColumnException(QStringLiteral("B"), false);
    QCOMPARE(texts(dialog.lwChosen), (QStringList{"A", "B", "D"}));
    // Visual order counts, not logical order.
    header.moveSection(3, 0);
    dialog.resetLists();
    QCOMPARE(dialog.selectedColumns(), (QStringList{"D", "A", "B"}));
}

void tst_Dialogs::columnMoves()
{
    std::unique_ptr<QStandardItemModel> model(
        testhelpers::makeTable({"A", "B", "C", "D", "E", "F"}, {}));
    QHeaderView header(Qt::Horizontal);
    header.setModel(model.get());
    for (int s : {1, 2, 5})
        header.setSectionHidden(s, true);
    ZColumnDialog dialog(&header);
    QCOMPARE(texts(dialog.lwAvaiable), (QStringList{"B", "C", "F"}));
    select(dialog.lwAvaiable, "C");
    dialog.tbRight->click();
    QCOMPARE(texts(dialog.lwChosen), (QStringList{"A", "D", "C", "E"})); // at its position 2
    QCOMPARE(texts(dialog.lwAvaiable), (QStringList{"B", "F"}));
    select(dialog.lwChosen, "C");
    dialog.tbLeft->click();
    QCOMPARE(texts(dialog.lwAvaiable), (QStringList{"B", "C", "F"})); // ordered by position
    // Position 4 after items at 1 and 2 goes to the end.
    select(dialog.lwAvaiable, "F");
    dialog.tbRight->click();
    select(dialog.lwChosen, "E");
    dialog.tbLeft->click();
    QCOMPARE(texts(dialog.lwAvaiable), (QStringList{"B", "C", "E"}));
    // A double click moves across from either list.
    select(dialog.lwAvaiable, "B");
    emit dialog.lwAvaiable->doubleClicked(dialog.lwAvaiable->currentIndex());
    QVERIFY(dialog.selectedColumns().contains(QStringLiteral("B")));
    select(dialog.lwChosen, "B");
    emit dialog.lwChosen->doubleClicked(dialog.lwChosen->currentIndex());
    QVERIFY(!dialog.selectedColumns().contains(QStringLiteral("B")));
}

void tst_Dialogs::columnOrdering()
{
    std::unique_ptr<QStandardItemModel> model(testhelpers::makeTable({"A", "B", "C"}, {}));
    QHeaderView header(Qt::Horizontal);
    header.setModel(model.get());
    ZColumnDialog dialog(&header);
    dialog.lwChosen->setCurrentRow(0);
    dialog.tbUp->click();
    QCOMPARE(dialog.selectedColumns(), (QStringList{"A", "B", "C"}));
    dialog.tbDown->click();
    QCOMPARE(dialog.selectedColumns(), (QStringList{"B", "A", "C"}));
    QCOMPARE(dialog.lwChosen->currentRow(), 1);
    dialog.lwChosen->setCurrentRow(2);
    dialog.tbDown->click();
    QCOMPARE(dialog.selectedColumns(), (QStringList{"B", "A", "C"}));
    dialog.tbUp->click();
    QCOMPARE(dialog.selectedColumns(), (QStringList{"B", "C", "A"}));
    ZColumnDialog empty(nullptr);
    QVERIFY(empty.selectedColumns().isEmpty());
}

void tst_Dialogs::masterDetail()
{
    std::unique_ptr<QStandardItemModel> master(
        testhelpers::makeTable({"Key", "Title"}, {{"zz", "Zed"}, {"ab", "Alpha"}}));
    std::unique_ptr<QStandardItemModel> detail(flatTree());
    ZMasterDetailDialog dialog(master.get(), detail.get());
    dialog.setParentStructure(1, 2);
    QCOMPARE(dialog.comboBox->currentText(), QStringLiteral("Zed"));
    QSortFilterProxyModel *shown = dialog.filterModel();
    // Unfiltered at first, though the combo box shows its first row.
    QCOMPARE(testhelpers::treeString(shown), QStringLiteral("AB[kid],xAbx,other[ab below other]"));
    dialog.comboBox->setCurrentIndex(1);
    // Rows containing "ab" in any case; a child whose parent fails goes too.
    QCOMPARE(testhelpers::treeString(shown), QStringLiteral("AB,xAbx"));
    dialog.comboBox->setCurrentIndex(0);
    QCOMPARE(shown->rowCount(), 0);
    QCOMPARE(dialog.treeView->editTriggers(), QAbstractItemView::NoEditTriggers);
}

void tst_Dialogs::treeDialog()
{
    std::unique_ptr<QStandardItemModel> model(flatTree());
    ZTreeModelDialog dialog(model.get(), 1, 2);
    QCOMPARE(testhelpers::treeString(dialog.treeModel()),
             QStringLiteral("AB[kid],xAbx,other[ab below other]"));
    const QModelIndex child = dialog.treeModel()->index(0, 1, dialog.treeModel()->index(2, 0));
    emit dialog.treeView->clicked(child);
    QCOMPARE(dialog.lastPath(), (QStringList{"4", "5"}));
}

QTEST_MAIN(tst_Dialogs)
#include "tst_dialogs.moc"
