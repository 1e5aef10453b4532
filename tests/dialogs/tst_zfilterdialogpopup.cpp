#include "captions.h"
#include "modelhelpers.h"
#include "zfilterdialogpopup.h"
#include "zfilterproxymodel.h"
#include "ztypedfilters.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTreeView>
#include <QtTest>

// The pop-up on its own: the value list, its check marks and search, and
// the typed Expression tabs. (Opened from a header and applied to a loaded
// project: tst_loadedwindow.)
class tst_ZFilterDialogPopUp : public QObject
{
    Q_OBJECT
private slots:
    // A search field's clear button fades with an animation that deletes
    // itself when it ends; each test lets it end.
    void cleanup() { QTest::qWait(300); }
    void dateTreeChecks();
    void searchKeepsSelectAll();
    void preloadedValues();
    void expressionTabs_data();
    void expressionTabs();

private:
    // Columns: name (text), count (integer), start (date-time), Group.
    static QStandardItemModel *table(QObject *parent);
    static QStringList listed(const QAbstractItemModel *model);
    static void click(ZFilterDialogPopUp &popup, const QModelIndex &proxyIndex, Qt::CheckState state);
};

QStandardItemModel *tst_ZFilterDialogPopUp::table(QObject *parent)
{
    auto *model = new QStandardItemModel(0, 4, parent);
    model->setHorizontalHeaderLabels({QStringLiteral("name"), QStringLiteral("count"),
                                      QStringLiteral("start"), QStringLiteral("Group")});
    const auto row = [model](const QVariant &name, const QVariant &count, const QDateTime &start,
                             const QVariant &group) {
        QList<QStandardItem *> items;
        for (const QVariant &v : {name, count, QVariant(start), group}) {
            auto *item = new QStandardItem;
            if (v.isValid())
                item->setData(v, Qt::DisplayRole);
            items << item;
        }
        model->appendRow(items);
    };
    row(QStringLiteral("pump"), 3, QDateTime(QDate(2020, 1, 5), QTime(8, 0)), QVariant());
    row(QStringLiteral("valve"), 4, QDateTime(QDate(2020, 2, 5), QTime(8, 0)), QVariant());
    row(QStringLiteral("pump"), 3, QDateTime(QDate(2020, 2, 5), QTime(8, 0)), QVariant());
    row(QStringLiteral("Pipe"), 12, QDateTime(QDate(2021, 1, 1), QTime(8, 0)), QVariant());
    // A band row of a grouping: no value of its own in any list.
    row(QStringLiteral("band"), 99, QDateTime(QDate(1999, 9, 9), QTime(8, 0)), QStringLiteral("Band"));
    return model;
}

QStringList tst_ZFilterDialogPopUp::listed(const QAbstractItemModel *model)
{
    QStringList out;
    for (const QModelIndex &i : preorderList(const_cast<QAbstractItemModel *>(model), QModelIndex())) {
        const QVariant v = i.data();
        const QString text = v.userType() == QMetaType::QDateTime ? v.toDate().toString(Qt::ISODate)
                                                                  : v.toString();
        out << QString(levelFromIndex(i), QLatin1Char('-')) + text
                   + (i.data(Qt::CheckStateRole).toInt() == Qt::Checked ? QString() : QStringLiteral("[ ]"));
    }
    return out;
}

void tst_ZFilterDialogPopUp::click(ZFilterDialogPopUp &popup, const QModelIndex &proxyIndex,
                                   Qt::CheckState state)
{
    popup.valueProxy()->setData(proxyIndex, state, Qt::CheckStateRole);
    popup.onItemClicked(proxyIndex);
}

void tst_ZFilterDialogPopUp::dateTreeChecks()
{
    QStandardItemModel *model = table(this);
    ZDateFilter dates(model, 2);
    QAbstractItemModelTester tester(dates.valueProxy(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(listed(dates.valueModel()),
             (QStringList{"(Select All)", "2020", "-January", "--2020-01-05", "-February",
                          "--2020-02-05", "2021", "-January", "--2021-01-01"}));
    QAbstractItemModel *list = dates.valueProxy();
    const QModelIndex y2020 = list->index(1, 0);
    const QModelIndex feb = list->index(1, 0, y2020);
    const QModelIndex feb5 = list->index(0, 0, feb);
    // One date off: its month, year and "(Select All)" show unchecked.
    click(dates, feb5, Qt::Unchecked);
    QCOMPARE(listed(dates.valueModel()),
             (QStringList{"(Select All)[ ]", "2020[ ]", "-January", "--2020-01-05", "-February[ ]",
                          "--2020-02-05[ ]", "2021", "-January", "--2021-01-01"}));
    // The date rows give the cells' own values.
    const QList<QVariant> selected = dates.selectedItems();
    QVERIFY(selected.contains(QVariant(QDateTime(QDate(2020, 1, 5), QTime(8, 0)))));
    QVERIFY(!selected.contains(QVariant(QDateTime(QDate(2020, 2, 5), QTime(8, 0)))));
    // Back on: every level above is checked again.
    click(dates, feb5, Qt::Checked);
    QVERIFY(dates.isSelectAllChecked());
    QVERIFY(!listed(dates.valueModel()).join(QString()).contains(QLatin1String("[ ]")));
    // A year off takes all its months and dates with it.
    click(dates, y2020, Qt::Unchecked);
    QCOMPARE(listed(dates.valueModel()).filter(QStringLiteral("[ ]")).size(), 6);
    // "(Select All)" on checks everything.
    click(dates, list->index(0, 0), Qt::Checked);
    QVERIFY(!listed(dates.valueModel()).join(QString()).contains(QLatin1String("[ ]")));
}

void tst_ZFilterDialogPopUp::searchKeepsSelectAll()
{
    QStandardItemModel *model = table(this);
    ZTextFilter names(model, 0);
    QAbstractItemModelTester tester(names.valueProxy(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    QVERIFY(!names.isFilterActive());
    names.searchField()->setText(QStringLiteral("P*"));
    QCOMPARE(listed(names.valueProxy()), (QStringList{"(Select All)", "Pipe", "pump"}));
    QVERIFY(names.isFilterActive());
    // Only the visible checked values are taken.
    QCOMPARE(names.selectedItems(), (QList<QVariant>{QStringLiteral("Pipe"), QStringLiteral("pump")}));
    // "(Select All)" acts on the rows the search leaves.
    click(names, names.valueProxy()->index(0, 0), Qt::Unchecked);
    names.searchField()->clear();
    QCOMPARE(listed(names.valueModel()),
             (QStringList{"(Select All)[ ]", "Pipe[ ]", "pump[ ]", "valve"}));
    names.searchField()->setText(QStringLiteral("nothing"));
    QCOMPARE(listed(names.valueProxy()), QStringList{"(Select All)[ ]"});
}

void tst_ZFilterDialogPopUp::preloadedValues()
{
    QStandardItemModel *model = table(this);
    ZTextFilter names(model, 0);
    names.setSelectedItems({QStringLiteral("valve"), QStringLiteral("gone")});
    QCOMPARE(listed(names.valueModel()),
             (QStringList{"(Select All)[ ]", "Pipe[ ]", "pump[ ]", "valve"}));
    // Every value stored still shows as a list, "(Select All)" off.
    names.setSelectedItems({QStringLiteral("Pipe"), QStringLiteral("pump"), QStringLiteral("valve")});
    QVERIFY(!names.isSelectAllChecked());
    QCOMPARE(names.selectedItems().size(), 3);
    // An empty list leaves everything checked.
    ZTextFilter fresh(model, 0);
    fresh.setSelectedItems({});
    QVERIFY(fresh.isSelectAllChecked());
    // A long value shows cut, as the table shows it, and is taken whole.
    const QString longName(ShownTextLength + 1, QLatin1Char('x'));
    model->appendRow(new QStandardItem(longName));
    ZTextFilter lengthy(model, 0);
    lengthy.setSelectedItems({longName});
    QCOMPARE(lengthy.selectedItems(), QList<QVariant>{longName});
    auto *delegate = qobject_cast<QStyledItemDelegate *>(lengthy.valueView()->itemDelegate());
    QVERIFY(delegate);
    QCOMPARE(delegate->displayText(longName, QLocale::c()), shownText(longName));
}

void tst_ZFilterDialogPopUp::expressionTabs_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QStringList>("operators");
    QTest::addColumn<QVariant>("defaultValue");

    const QStringList numbers{"equals", "does not equal", "is greater than",
                              "is greater than or equal to", "is less than",
                              "is less than or equal to"};
    QTest::addRow("text") << 0
                          << QStringList{"equals", "does not equal", "begins with",
                                         "does not begin with", "ends with", "does not end with",
                                         "contains", "does not contain"}
                          << QVariant(QString());
    QTest::addRow("integer") << 1 << numbers << QVariant(0);
    QTest::addRow("date") << 2
                          << QStringList{"equals", "does not equal", "is after", "is after or equal to",
                                         "is before", "is before or equal to"}
                          << QVariant(QDate::currentDate());
    QTest::addRow("double") << 3 << numbers << QVariant(0.0);
}

void tst_ZFilterDialogPopUp::expressionTabs()
{
    QFETCH(int, column);
    QFETCH(QStringList, operators);
    QFETCH(QVariant, defaultValue);
    QStandardItemModel *model = table(this);
    std::unique_ptr<ZFilterDialogPopUp> popup;
    switch (column) {
    case 0: popup.reset(new ZTextFilter(model, 0)); break;
    case 1: popup.reset(new ZIntegerFilter(model, 1)); break;
    case 2: popup.reset(new ZDateFilter(model, 2)); break;
    default: popup.reset(new ZDoubleFilter(model, 1)); break;
    }
    const QList<QComboBox *> combos = popup->findChildren<QComboBox *>();
    QCOMPARE(combos.size(), 2);
    QStringList first;
    QStringList second;
    for (int i = 0; i < combos.at(0)->count(); ++i)
        first << combos.at(0)->itemText(i);
    for (int i = 0; i < combos.at(1)->count(); ++i)
        second << combos.at(1)->itemText(i);
    QCOMPARE(first, operators);
    QCOMPARE(second, QStringList{QString()} + operators);
    QCOMPARE(popup->firstConditionOperator(), QStringLiteral("equals"));
    QCOMPARE(popup->secondConditionOperator(), QString());
    QCOMPARE(popup->firstConditionValue(), defaultValue);
    QVERIFY(popup->isAndChecked());
    // A stored symbol shows in the words of the column's type.
    popup->setExpressions(QStringLiteral(">"), defaultValue, QString(), QVariant(), false);
    QCOMPARE(popup->tabWidget()->currentIndex(), 1);
    QCOMPARE(popup->firstConditionOperator(),
             column == 2 ? QStringLiteral("is after")
                         : column == 0 ? QStringLiteral("equals") : QStringLiteral("is greater than"));
    QVERIFY(!popup->isAndChecked());

    // Editor ranges.
    if (auto *integer = qobject_cast<ZIntegerFilter *>(popup.get())) {
        integer->firstEditor()->setValue(123456);
        QCOMPARE(integer->firstConditionValue(), QVariant(99999));
        integer->firstEditor()->setValue(-123456);
        QCOMPARE(integer->firstConditionValue(), QVariant(-99999));
    }
    if (auto *real = qobject_cast<ZDoubleFilter *>(popup.get())) {
        real->firstEditor()->setValue(1.23456);
        QCOMPARE(real->firstConditionValue(), QVariant(1.23));
        real->firstEditor()->setValue(1e9);
        QCOMPARE(real->firstConditionValue(), QVariant(99999.99));
    }
}

QTEST_MAIN(tst_ZFilterDialogPopUp)
#include "tst_zfilterdialogpopup.moc"
