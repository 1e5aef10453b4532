#include "zfilterdialogproxymodel.h"
#include "zgroupedcolumndialog.h"
#include "zsortfilterheader.h"
#include "zsortfilterwidget.h"

#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableView>
#include <QTreeView>
#include <QtTest>

// The column chooser over a header of seven columns in three groups:
// the lists it builds, the moves between and within them, and the presses
// that open a column's filter.
class tst_ZGroupedColumnDialog : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void lists_data();
    void lists();
    void groupRowMovesAllItsColumns();
    void columnReturnsToItsPlace();
    void pressOnColumnEntryOpensFilter();

private:
    // "[group] caption" per tree row (children indented), and the chosen list.
    static QString tree(const ZGroupedColumnDialog &dialog);
    static QModelIndex find(QStandardItemModel *model, const QString &caption);

    QStandardItemModel *m_model = nullptr;
    QTableView *m_view = nullptr;
    ZSortFilterHeader *m_header = nullptr;
};

void tst_ZGroupedColumnDialog::init()
{
    // Captions and groups; "ID" is a system column.
    const QList<QPair<QString, QString>> columns = {
        {"ID", "system"}, {"Name", "General"}, {"Start", "Dates"}, {"Code", ""},
        {"Finish", "Dates"}, {"Owner", "General"}, {"Note", ""}};
    m_model = new QStandardItemModel(2, columns.size());
    for (int c = 0; c < columns.size(); ++c) {
        m_model->setHeaderData(c, Qt::Horizontal, columns.at(c).first);
        m_model->setHeaderData(c, Qt::Horizontal, columns.at(c).second, Qt::UserRole + 1);
    }
    m_view = new QTableView;
    m_header = new ZSortFilterHeader(Qt::Horizontal, m_view);
    m_view->setHorizontalHeader(m_header);
    m_view->setModel(m_model);
    // Shown: Finish, Name, Note (in this order); hidden: the rest.
    m_header->moveSection(4, 0);
    for (const int hidden : {0, 2, 3, 5})
        m_header->setSectionHidden(hidden, true);
}

void tst_ZGroupedColumnDialog::cleanup()
{
    delete m_view;
    delete m_model;
}

QString tst_ZGroupedColumnDialog::tree(const ZGroupedColumnDialog &dialog)
{
    QStringList out;
    QStandardItemModel *available = dialog.availableModel();
    for (int r = 0; r < available->rowCount(); ++r) {
        const QStandardItem *item = available->item(r);
        QStringList children;
        for (int k = 0; k < item->rowCount(); ++k)
            children << item->child(k)->text();
        out << (children.isEmpty() ? item->text()
                                   : item->text() + QLatin1Char('(') + children.join(QLatin1Char(','))
                                         + QLatin1Char(')'));
    }
    return out.join(QLatin1Char(' ')) + QStringLiteral(" | ") + dialog.selectedColumns().join(QLatin1Char(','));
}

QModelIndex tst_ZGroupedColumnDialog::find(QStandardItemModel *model, const QString &caption)
{
    const QModelIndexList hits = model->match(model->index(0, 0), Qt::DisplayRole, caption, 1,
                                              Qt::MatchExactly | Qt::MatchRecursive);
    return hits.value(0);
}

void tst_ZGroupedColumnDialog::lists_data()
{
    QTest::addColumn<QStringList>("hiddenGroups");
    QTest::addColumn<QStringList>("exceptions");
    QTest::addColumn<QString>("expected");
    // Columns without a group first (display order), then the group rows by
    // name; a group none of whose columns is hidden stands without children.
    QTest::addRow("system hidden") << QStringList{"system"} << QStringList()
                                   << "Code Dates(Start) General(Owner) | Finish,Name,Note";
    QTest::addRow("all groups") << QStringList() << QStringList()
                                << "Code Dates(Start) General(Owner) system(ID) | Finish,Name,Note";
    QTest::addRow("exceptions") << QStringList{"system"} << QStringList{"Owner", "Note"}
                                << "Code Dates(Start) General | Finish,Name";
    QTest::addRow("group hidden") << QStringList{"Dates", "system"} << QStringList()
                                  << "Code General(Owner) | Name,Note";
}

void tst_ZGroupedColumnDialog::lists()
{
    QFETCH(QStringList, hiddenGroups);
    QFETCH(QStringList, exceptions);
    QFETCH(QString, expected);
    ZGroupedColumnDialog dialog(m_header);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Columns"));
    for (const QString &group : hiddenGroups)
        dialog.setGroupHidden(group, true);
    for (const QString &caption : exceptions)
        dialog.setColumnException(caption, true);
    QCOMPARE(tree(dialog), expected);
    // Hiding is undone by the same call with false.
    for (const QString &group : hiddenGroups)
        dialog.setGroupHidden(group, false);
    for (const QString &caption : exceptions)
        dialog.setColumnException(caption, false);
    QCOMPARE(tree(dialog), QStringLiteral("Code Dates(Start) General(Owner) system(ID) | Finish,Name,Note"));
    // The dialog never changes the header.
    QCOMPARE(m_header->hiddenSectionCount(), 4);
}

void tst_ZGroupedColumnDialog::groupRowMovesAllItsColumns()
{
    m_header->setSectionHidden(1, true); // Name joins Owner under General
    ZGroupedColumnDialog dialog(m_header);
    dialog.setGroupHidden(QStringLiteral("system"), true);
    QCOMPARE(tree(dialog), QStringLiteral("Code Dates(Start) General(Name,Owner) | Finish,Note"));
    dialog.availableView()->setCurrentIndex(find(dialog.availableModel(), QStringLiteral("General")));
    dialog.onRightPressed();
    QCOMPARE(tree(dialog), QStringLiteral("Code Dates(Start) General | Finish,Note,Name,Owner"));
    // A column without a group, by double click.
    emit dialog.availableView()->doubleClicked(find(dialog.availableModel(), QStringLiteral("Code")));
    QCOMPARE(tree(dialog), QStringLiteral("Dates(Start) General | Finish,Note,Name,Owner,Code"));
}

void tst_ZGroupedColumnDialog::columnReturnsToItsPlace()
{
    ZGroupedColumnDialog dialog(m_header);
    dialog.setGroupHidden(QStringLiteral("system"), true);
    QListView *chosen = dialog.chosenView();
    // Name up to the top, then back to the tree: under General, before Owner.
    chosen->setCurrentIndex(dialog.chosenModel()->index(1, 0));
    dialog.onUpPressed();
    dialog.onUpPressed(); // already first: stays
    QCOMPARE(dialog.selectedColumns(), (QStringList{"Name", "Finish", "Note"}));
    dialog.onLeftPressed();
    QCOMPARE(tree(dialog), QStringLiteral("Code Dates(Start) General(Name,Owner) | Finish,Note"));
    QCOMPARE(chosen->currentIndex().data().toString(), QStringLiteral("Finish"));
    // Note (no group) goes back to the top level, before the first row
    // whose position is not below its own: here none, so last.
    emit chosen->doubleClicked(dialog.chosenModel()->index(1, 0));
    QCOMPARE(tree(dialog), QStringLiteral("Code Dates(Start) General(Name,Owner) Note | Finish"));
}

void tst_ZGroupedColumnDialog::pressOnColumnEntryOpensFilter()
{
    ZFilterDialogProxyModel proxy;
    proxy.setSourceModel(m_model);
    ZGroupedColumnDialog dialog(m_header);
    auto *widget = new ZSortFilterWidget(m_header, &proxy, m_model, &dialog);
    dialog.setSortFilterWidget(widget);
    dialog.resize(600, 300);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QSignalSpy popUp(&dialog, &ZGroupedColumnDialog::popUp);
    QListView *chosen = dialog.chosenView();
    const QModelIndex finish = dialog.chosenModel()->index(0, 0);
    const QRect rect = chosen->visualRect(finish);
    QTest::mousePress(chosen->viewport(), Qt::LeftButton, {}, rect.center());
    QCOMPARE(popUp.count(), 1);
    QCOMPARE(popUp.at(0).at(0).toRect(), rect);
    QCOMPARE(popUp.at(0).at(1).toInt(), 4); // logical column of Finish
    // A group row opens nothing.
    QTreeView *available = dialog.availableView();
    const QModelIndex dates = find(dialog.availableModel(), QStringLiteral("Dates"));
    QTest::mousePress(available->viewport(), Qt::LeftButton, {}, available->visualRect(dates).center());
    QCOMPARE(popUp.count(), 1);
    // "Clear all filters" clears the pane's filters and sorting.
    proxy.setFilter(4, {QStringLiteral("x")});
    m_header->setFilter(4);
    proxy.sort(1);
    m_header->sortByColumn(1, Qt::AscendingOrder);
    dialog.clearAllFiltersButton()->click();
    QVERIFY(proxy.patterns().isEmpty());
    QCOMPARE(proxy.sortColumn(), -1);
    QVERIFY(!m_header->hasAnyFilter());
}

QTEST_MAIN(tst_ZGroupedColumnDialog)
#include "tst_zgroupedcolumndialog.moc"
