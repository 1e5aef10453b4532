#include "captions.h"
#include "modelhelpers.h"
#include "zfilterdialogpopup.h"
#include "zfilterdialogproxymodel.h"
#include "zfilterproxymodel.h"
#include "ztypedfilters.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QKeySequence>
#include <QLineEdit>
#include <QAbstractItemView>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTabBar>
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
    // itself when it ends, or at its first step after the button has gone:
    // the last one is let end before the program does. Its 160 ms once,
    // not after every row.
    void cleanupTestCase() { QTest::qWait(300); }
    void dateTreeChecks();
    void dateListKeepsWholeDays_data();
    void dateListKeepsWholeDays();
    void searchKeepsSelectAll();
    void preloadedValues();
    void expressionTabs_data();
    void expressionTabs();
    void typedValues_data();
    void typedValues();
    void tabChain_data();
    void tabChain();
    void operatorListKeys_data();
    void operatorListKeys();

private:
    // Columns: name (text), count (integer), start (date-time), Group.
    static QStandardItemModel *table(QObject *parent);
    static QStringList listed(const QAbstractItemModel *model);
    static void click(ZFilterDialogPopUp &popup, const QModelIndex &proxyIndex, Qt::CheckState state);
    static ZFilterDialogPopUp *popUp(QAbstractItemModel *model, int column);
};

ZFilterDialogPopUp *tst_ZFilterDialogPopUp::popUp(QAbstractItemModel *model, int column)
{
    switch (column) {
    case 0: return new ZTextFilter(model, 0);
    case 1: return new ZIntegerFilter(model, 1);
    case 2: return new ZDateFilter(model, 2);
    default: return new ZDoubleFilter(model, 1);
    }
}

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
        const int state = i.data(Qt::CheckStateRole).toInt();
        out << QString(levelFromIndex(i), QLatin1Char('-')) + text
                   + (state == Qt::Checked            ? QString()
                      : state == Qt::PartiallyChecked ? QStringLiteral("[-]")
                                                      : QStringLiteral("[ ]"));
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
    // Years the search shows stand for their days: with every year shown,
    // every value is.
    dates.searchField()->setText(QStringLiteral("202"));
    QVERIFY(!dates.isFilterActive());
    dates.searchField()->setText(QStringLiteral("2021"));
    QVERIFY(dates.isFilterActive());
    dates.searchField()->clear();
    QAbstractItemModel *list = dates.valueProxy();
    const QModelIndex y2020 = list->index(1, 0);
    const QModelIndex feb = list->index(1, 0, y2020);
    const QModelIndex feb5 = list->index(0, 0, feb);
    // One date off: its month shows unchecked, the year and "(Select All)"
    // partly checked.
    click(dates, feb5, Qt::Unchecked);
    QCOMPARE(listed(dates.valueModel()),
             (QStringList{"(Select All)[-]", "2020[-]", "-January", "--2020-01-05", "-February[ ]",
                          "--2020-02-05[ ]", "2021", "-January", "--2021-01-01"}));
    // The date rows give their days.
    const QList<QVariant> selected = dates.selectedItems();
    QVERIFY(selected.contains(QVariant(QDate(2020, 1, 5))));
    QVERIFY(!selected.contains(QVariant(QDate(2020, 2, 5))));
    // A partly checked year is no value of the filter; a checked one is.
    QCOMPARE(selected, (QList<QVariant>{"January", QDate(2020, 1, 5), 2021, "January",
                                        QDate(2021, 1, 1)}));
    // Back on: every level above is checked again.
    click(dates, feb5, Qt::Checked);
    QVERIFY(dates.isSelectAllChecked());
    QVERIFY(!listed(dates.valueModel()).join(QString()).contains(QLatin1String("[ ]")));
    // A year off takes all its months and dates with it, and the view
    // hears of each row changed, once for the rows of each parent.
    QStringList changes;
    connect(list, &QAbstractItemModel::dataChanged, this,
            [&changes](const QModelIndex &top, const QModelIndex &bottom) {
                changes << QStringLiteral("%1:%2-%3")
                               .arg(top.parent().data().toString())
                               .arg(top.row())
                               .arg(bottom.row());
            });
    click(dates, y2020, Qt::Unchecked);
    changes.sort();
    QCOMPARE(changes, (QStringList{"2020:0-1", ":0-0", ":1-1", "February:0-0", "January:0-0"}));
    QCOMPARE(listed(dates.valueModel()).filter(QStringLiteral("[ ]")).size(), 5);
    QVERIFY(listed(dates.valueModel()).contains(QStringLiteral("(Select All)[-]")));
    // "(Select All)" on checks everything.
    click(dates, list->index(0, 0), Qt::Checked);
    QVERIFY(!listed(dates.valueModel()).join(QString()).contains(QLatin1String("[ ]")));
    // A day stored with a time of day, as earlier layouts hold it, checks
    // its day, and its month and year with it.
    dates.setSelectedItems({QStringLiteral("2021-01-01T17:00:00.000")});
    QCOMPARE(dates.selectedItems(), (QList<QVariant>{2021, "January", QDate(2021, 1, 1)}));
    QCOMPARE(listed(dates.valueModel()),
             (QStringList{"(Select All)[-]", "2020[ ]", "-January[ ]", "--2020-01-05[ ]", "-February[ ]",
                          "--2020-02-05[ ]", "2021", "-January", "--2021-01-01"}));
    // A year partly checked by a preload, its other month then ticked.
    dates.setSelectedItems({QDate(2020, 1, 5)});
    QCOMPARE(listed(dates.valueModel()).mid(0, 3), (QStringList{"(Select All)[-]", "2020[-]", "-January"}));
    click(dates, feb, Qt::Checked);
    QCOMPARE(listed(dates.valueModel()).mid(0, 2), (QStringList{"(Select All)[-]", "2020"}));
    // A click beside a partly checked box changes nothing.
    dates.onItemClicked(list->index(0, 0));
    QCOMPARE(listed(dates.valueModel()).mid(0, 2), (QStringList{"(Select All)[-]", "2020"}));
}

void tst_ZFilterDialogPopUp::dateListKeepsWholeDays_data()
{
    // Rows of the list by their texts from the top: one clicked (none for
    // an empty path), the search typed, then one clicked under the search;
    // a click turns a checked box off, any other on; by the mouse or by
    // Space.
    QTest::addColumn<QStringList>("first");
    QTest::addColumn<QString>("search");
    QTest::addColumn<QStringList>("then");
    QTest::addColumn<bool>("space");
    QTest::addColumn<QString>("shown");

    const QStringList all{"(Select All)"};
    for (const bool space : {false, true}) {
        const char *by = space ? ", Space" : "";
        QTest::addRow("day off%s", by) << QStringList{"2020", "February", "2020-02-05"} << QString()
                                       << QStringList() << space << "pump Pipe gate";
        QTest::addRow("month off%s", by) << QStringList{"2020", "January"} << QString() << QStringList()
                                         << space << "valve pump Pipe seal";
        QTest::addRow("year off%s", by) << QStringList{"2020"} << QString() << QStringList() << space << "Pipe";
        QTest::addRow("day on%s", by) << all << QString() << QStringList{"2020", "January", "2020-01-05"}
                                      << space << "pump gate";
        QTest::addRow("month on%s", by) << all << QString() << QStringList{"2020", "February"} << space
                                        << "valve pump seal";
        QTest::addRow("year on%s", by) << all << QString() << QStringList{"2021"} << space << "Pipe";
        // A year the search shows without its months stands for its days.
        QTest::addRow("year searched%s", by) << QStringList{"2021"} << "2020" << QStringList() << space
                                             << "pump valve pump seal gate";
        QTest::addRow("year searched, on%s", by) << all << "2021" << QStringList{"2021"} << space << "Pipe";
        QTest::addRow("year searched, off%s", by) << QStringList() << "202" << QStringList{"2021"} << space
                                                  << "pump valve pump seal gate";
        QTest::addRow("year partly checked, searched%s", by) << QStringList{"2020", "February"} << "202"
                                                             << QStringList() << space << "pump Pipe gate";
        QTest::addRow("years searched, all on%s", by) << all << "2021" << all << space << "Pipe";
    }
}

void tst_ZFilterDialogPopUp::dateListKeepsWholeDays()
{
    QFETCH(QStringList, first);
    QFETCH(QString, search);
    QFETCH(QStringList, then);
    QFETCH(bool, space);
    QFETCH(QString, shown);

    // Days with activities at several times.
    QStandardItemModel *model = table(this);
    for (const auto &[name, start] : {qMakePair(QString("seal"), QDateTime(QDate(2020, 2, 5), QTime(16, 0))),
                                      qMakePair(QString("gate"), QDateTime(QDate(2020, 1, 5), QTime(12, 0)))}) {
        model->appendRow({new QStandardItem(name), new QStandardItem, new QStandardItem});
        model->item(model->rowCount() - 1, 2)->setData(start, Qt::DisplayRole);
    }
    model->setHeaderData(2, Qt::Horizontal, QVariantMap{{"datatype", "datetime"}}, Qt::UserRole + 2);
    ZDateFilter dates(model, 2);
    QAbstractItemModelTester tester(dates.valueProxy(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    const auto row = [&dates](const QStringList &path) {
        QModelIndex at;
        for (const QString &text : path)
            at = dates.valueProxy()->match(dates.valueProxy()->index(0, 0, at), Qt::DisplayRole, text,
                                           1, Qt::MatchFixedString).value(0);
        return at;
    };
    const auto tick = [&dates, space](const QModelIndex &index) {
        QVERIFY(index.isValid());
        const Qt::CheckState state = index.data(Qt::CheckStateRole).toInt() == Qt::Checked ? Qt::Unchecked
                                                                                           : Qt::Checked;
        if (!space)
            return click(dates, index, state);
        dates.valueView()->setCurrentIndex(index);
        QTest::keyClick(dates.valueView(), Qt::Key_Space);
        // "(Select All)" then shows the marks of every row, hidden ones too.
        if (index.row() > 0 || index.parent().isValid())
            QCOMPARE(index.data(Qt::CheckStateRole).toInt(), int(state));
    };
    if (!first.isEmpty())
        tick(row(first));
    dates.searchField()->setText(search);
    if (!then.isEmpty())
        tick(row(then));
    ZFilterDialogProxyModel filter;
    filter.setSourceModel(model);
    filter.setFilter(2, dates.selectedItems());
    QStringList names;
    for (int r = 0; r < filter.rowCount(); ++r)
        names << filter.index(r, 0).data().toString();
    QCOMPARE(names.join(' '), shown);
    // Reopened, the list shows the same marks.
    dates.searchField()->clear();
    ZDateFilter reopened(model, 2);
    reopened.setSelectedItems(filter.patterns().value(2));
    QCOMPARE(listed(reopened.valueModel()), listed(dates.valueModel()));
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
    // "(Select All)" acts on the rows the search leaves, and the view
    // hears of them at once, not row by row: "(Select All)" clicked, the
    // rows, "(Select All)" partly checked.
    QStringList changes;
    connect(names.valueProxy(), &QAbstractItemModel::dataChanged, this,
            [&changes](const QModelIndex &top, const QModelIndex &bottom) {
                changes << QStringLiteral("%1-%2").arg(top.row()).arg(bottom.row());
            });
    click(names, names.valueProxy()->index(0, 0), Qt::Unchecked);
    QCOMPARE(changes, (QStringList{"0-0", "1-2", "0-0"}));
    names.searchField()->clear();
    QCOMPARE(listed(names.valueModel()),
             (QStringList{"(Select All)[-]", "Pipe[ ]", "pump[ ]", "valve"}));
    names.searchField()->setText(QStringLiteral("nothing"));
    QCOMPARE(listed(names.valueProxy()), QStringList{"(Select All)[-]"});
    // A search that leaves scattered rows is told once, not range by range.
    QStringList told;
    const auto tell = [&told](const QString &what) {
        return [&told, what] { told << what; };
    };
    connect(names.valueProxy(), &QAbstractItemModel::rowsRemoved, this, tell("removed"));
    connect(names.valueProxy(), &QAbstractItemModel::rowsInserted, this, tell("inserted"));
    connect(names.valueProxy(), &QAbstractItemModel::modelReset, this, tell("reset"));
    names.searchField()->clear();
    names.searchField()->setText(QStringLiteral("*e"));
    QCOMPARE(listed(names.valueProxy()), (QStringList{"(Select All)[-]", "Pipe[ ]", "valve"}));
    QCOMPARE(told, (QStringList{"reset", "reset"}));
}

void tst_ZFilterDialogPopUp::preloadedValues()
{
    QStandardItemModel *model = table(this);
    ZTextFilter names(model, 0);
    // The rows changed are told at once.
    QStringList changes;
    connect(names.valueProxy(), &QAbstractItemModel::dataChanged, this,
            [&changes](const QModelIndex &top, const QModelIndex &bottom) {
                changes << QStringLiteral("%1-%2").arg(top.row()).arg(bottom.row());
            });
    names.setSelectedItems({QStringLiteral("valve"), QStringLiteral("gone")});
    QCOMPARE(changes, QStringList{"0-2"});
    QCOMPARE(listed(names.valueModel()),
             (QStringList{"(Select All)[-]", "Pipe[ ]", "pump[ ]", "valve"}));
    // Every value stored still shows as a list, "(Select All)" off.
    names.setSelectedItems({QStringLiteral("Pipe"), QStringLiteral("pump"), QStringLiteral("valve")});
    QCOMPARE(listed(names.valueModel()).first(), QStringLiteral("(Select All)[ ]"));
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
    std::unique_ptr<ZFilterDialogPopUp> popup(popUp(model, column));
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

void tst_ZFilterDialogPopUp::typedValues_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("locale");
    // How the user gets to the first value box: it has the focus as the
    // Expression tab shows; a click into it; Tab from the operator box; an
    // arrow key in it.
    QTest::addColumn<QString>("reach");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QVariant>("value");

    QTest::addRow("integer") << 1 << "" << "shown" << "3" << QVariant(3);
    QTest::addRow("integer, clicked") << 1 << "" << "click" << "12" << QVariant(12);
    QTest::addRow("double") << 3 << "" << "shown" << "4" << QVariant(4.0);
    QTest::addRow("double, by Tab") << 3 << "" << "tab" << "12" << QVariant(12.0);
    // The table shows numbers with a point under any locale.
    QTest::addRow("double, German") << 3 << "de_DE" << "shown" << "3.5" << QVariant(3.5);
    // A comma alone is the decimal mark; grouped digits are refused, the
    // box keeping its value.
    QTest::addRow("double, comma") << 3 << "de_DE" << "shown" << "300,5" << QVariant(300.5);
    QTest::addRow("double, grouped") << 3 << "" << "shown" << "1,000.5" << QVariant(0.0);
    QTest::addRow("double, grouped German") << 3 << "de_DE" << "shown" << "1.000,5" << QVariant(0.0);
    QTest::addRow("integer, grouped") << 1 << "" << "shown" << "1,000" << QVariant(0);
    QTest::addRow("integer, fraction") << 1 << "de_DE" << "shown" << "300.5" << QVariant(0);
    QTest::addRow("double, letter dropped") << 3 << "" << "shown" << "1x2" << QVariant(12.0);
    QTest::addRow("date") << 2 << "" << "shown" << "05022020" << QVariant(QDate(2020, 2, 5));
    QTest::addRow("date, arrow") << 2 << "" << "Left" << "05022020" << QVariant(QDate(2020, 2, 5));
    // Up and Down step the value; Alt+Down alone is left unused.
    QTest::addRow("integer, Down") << 1 << "" << "Down" << "" << QVariant(-1);
    QTest::addRow("double, Up") << 3 << "" << "Up" << "" << QVariant(1.0);
    QTest::addRow("date, Down") << 2 << "" << "Down" << "" << QVariant(QDate::currentDate().addDays(-1));
    QTest::addRow("date, clicked") << 2 << "" << "click" << "01012021" << QVariant(QDate(2021, 1, 1));
    // A whole date typed after a click on any part of the date; one the
    // box cannot hold is refused, the box keeping its date.
    QTest::addRow("date, month clicked") << 2 << "" << "click 4" << "24052012" << QVariant(QDate(2012, 5, 24));
    QTest::addRow("date, year clicked") << 2 << "" << "click 7" << "01012013" << QVariant(QDate(2013, 1, 1));
    QTest::addRow("date, no such day") << 2 << "" << "click 4" << "31022013" << QVariant(QDate::currentDate());
    QTest::addRow("date, out of range") << 2 << "" << "click 7" << "01011000" << QVariant(QDate::currentDate());
    QTest::addRow("date, a part, then whole") << 2 << "" << "click 4" << "1-24052012" << QVariant(QDate(2012, 5, 24));
    // A whole date typed by each road into the box, as digits alone or with
    // the mask's separator or another.
    const QStringList roads = {"shown", "tab", "click", "click 4", "click 7"};
    const QStringList typed = {"15032013", "15-03-2013", "15.03.2013", "15/03/2013"};
    for (const QString &road : roads) {
        for (const QString &keys : typed) {
            QTest::addRow("date %s, %s", qPrintable(keys), qPrintable(road))
                << 2 << "" << road << keys << QVariant(QDate(2013, 3, 15));
        }
    }
    QTest::addRow("date, spaces") << 2 << "" << "click 4" << "15 03 2013" << QVariant(QDate(2013, 3, 15));
    QTest::addRow("date, German") << 2 << "de_DE" << "tab" << "01.09.2012" << QVariant(QDate(2012, 9, 1));
    // A part typed first; a key no date holds (Backspace) ends a run and
    // the next digit starts another; a separator starts none.
    QTest::addRow("date, a part, then whole with dashes") << 2 << "" << "click 4" << "1-15-03-2013" << QVariant(QDate(2013, 3, 15));
    QTest::addRow("date, typed again") << 2 << "" << "shown" << "1-3\b15032013" << QVariant(QDate(2013, 3, 15));
    QTest::addRow("date, a separator first") << 2 << "" << "shown" << "-31-02-2013" << QVariant(QDate::currentDate());
    QTest::addRow("date, one-digit parts") << 2 << "" << "click 4" << "1.9.2012" << QVariant(QDate(2012, 9, 1));
    // A key after a whole date is dropped; a date with a field for each
    // part that the box cannot hold, or whose year is cut short, is refused.
    QTest::addRow("date, ninth digit") << 2 << "" << "shown" << "150320131" << QVariant(QDate(2013, 3, 15));
    QTest::addRow("date, ninth digit, year clicked") << 2 << "" << "click 7" << "150320139" << QVariant(QDate(2013, 3, 15));
    QTest::addRow("date, fifth digit of the year") << 2 << "" << "click 4" << "15-03-20139" << QVariant(QDate(2013, 3, 15));
    QTest::addRow("date, no such month") << 2 << "" << "click 7" << "15-13-2013" << QVariant(QDate::currentDate());
    QTest::addRow("date, no such day, dashes") << 2 << "" << "shown" << "31-02-2013" << QVariant(QDate::currentDate());
    QTest::addRow("date, long day") << 2 << "" << "tab" << "150-03-2013" << QVariant(QDate::currentDate());
    QTest::addRow("date, short year") << 2 << "" << "shown" << "15-03-13" << QVariant(QDate::currentDate());
    // "\t": the box left by Tab; "|": a click into it.
    QTest::addRow("date, short year, Tab away") << 2 << "" << "shown" << "15-03-13\t" << QVariant(QDate::currentDate());
    QTest::addRow("date, short year, clicked away") << 2 << "" << "shown" << "15-03-13|" << QVariant(QDate::currentDate());
    QTest::addRow("date, day and month") << 2 << "" << "shown" << "15-03" << QVariant(QDate::currentDate());
    // Digits alone set the parts they reach.
    QTest::addRow("date, a year") << 2 << "" << "click 7" << "2012" << QVariant(QDate::currentDate().addYears(2012 - QDate::currentDate().year()));
    QTest::addRow("text, by Tab") << 0 << "" << "tab" << "valve" << QVariant("valve");
}

void tst_ZFilterDialogPopUp::typedValues()
{
    QFETCH(int, column);
    QFETCH(QString, locale);
    QFETCH(QString, reach);
    QFETCH(QString, keys);
    QFETCH(QVariant, value);

    const QLocale before;
    QLocale::setDefault(locale.isEmpty() ? before : QLocale(locale));
    std::unique_ptr<ZFilterDialogPopUp> popup(popUp(table(this), column));
    QLocale::setDefault(before);
    popup->popup(QPoint(10, 10));
    QVERIFY(QTest::qWaitForWindowExposed(popup.get()));
    // From OK, a click on the tab.
    popup->findChild<QPushButton *>()->setFocus();
    auto *tabs = popup->findChild<QTabBar *>();
    QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(1).center());
    QWidget *box = QApplication::focusWidget();
    auto *text = box->findChild<QLineEdit *>() ? box->findChild<QLineEdit *>() : qobject_cast<QLineEdit *>(box);
    if (reach.startsWith(QLatin1String("click"))) {
        // On the character the number after "click" gives.
        popup->findChild<QComboBox *>()->setFocus();
        const int x = 3 + text->fontMetrics().horizontalAdvance(text->text().left(reach.mid(6).toInt()));
        QTest::mouseClick(text, Qt::LeftButton, Qt::NoModifier, QPoint(x, text->height() / 2));
    } else if (reach == QLatin1String("tab")) {
        QTest::keyClick(box, Qt::Key_Backtab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    } else if (reach != QLatin1String("shown")) {
        QTest::keyClick(box, Qt::Key(QKeySequence::fromString(reach)[0]));
    }
    QCOMPARE(QApplication::focusWidget(), box);
    for (const QChar c : qAsConst(keys)) {
        // "|": a click at the box's end.
        if (c == QLatin1Char('|')) {
            QTest::mouseClick(text, Qt::LeftButton, Qt::NoModifier, QPoint(text->width() - 4, text->height() / 2));
            continue;
        }
        // A German keyboard gives "/" with Shift, a key press of its own.
        const bool shift = c == QLatin1Char('/');
        if (shift)
            QTest::keyPress(box, Qt::Key_Shift);
        QTest::keyClicks(box, c, shift ? Qt::ShiftModifier : Qt::NoModifier);
        if (shift)
            QTest::keyRelease(box, Qt::Key_Shift, Qt::ShiftModifier);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(popup->isAccepted());
    QCOMPARE(popup->firstConditionValue(), value);
    // The box shows the value it holds.
    QVERIFY(column == 0 || static_cast<QAbstractSpinBox *>(box)->hasAcceptableInput());
}

void tst_ZFilterDialogPopUp::tabChain_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("tabs"); // from the control focused as the tab shows
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("enter"); // the action run, "apply" or "cancel"

    QTest::addRow("value 1") << 1 << 0 << "QLineEdit" << "apply";
    QTest::addRow("AND") << 1 << 1 << "AND" << "apply";
    QTest::addRow("OR") << 1 << 2 << "OR" << "apply";
    QTest::addRow("operator 2") << 1 << 3 << "QComboBox" << "apply";
    QTest::addRow("value 2") << 1 << 4 << "QLineEdit" << "apply";
    QTest::addRow("OK") << 1 << 5 << "OK" << "apply";
    QTest::addRow("OK, value 2 hidden") << 1 << 4 << "OK" << "apply";
    QTest::addRow("Cancel") << 1 << 6 << "Cancel" << "cancel";
    QTest::addRow("Sort A to Z") << 1 << 7 << "Sort A to Z" << "Sort A to Z";
    QTest::addRow("Sort Z to A") << 1 << 8 << "Sort Z to A" << "Sort Z to A";
    QTest::addRow("Clear") << 1 << 9 << "Clear" << "Clear";
    QTest::addRow("tab bar") << 1 << 10 << "QTabBar" << "apply";
    QTest::addRow("operator 1") << 1 << 11 << "QComboBox" << "apply";
    QTest::addRow("search") << 0 << 0 << "QLineEdit" << "apply";
    QTest::addRow("value list") << 0 << 1 << "QTreeView" << "apply";
}

void tst_ZFilterDialogPopUp::tabChain()
{
    QFETCH(int, tab);
    QFETCH(int, tabs);
    QFETCH(QString, control);
    QFETCH(QString, enter);

    ZTextFilter popup(table(this), 0);
    popup.tabWidget()->setCurrentIndex(tab);
    popup.secondEditor()->setHidden(QTest::currentDataTag() == QLatin1String("OK, value 2 hidden"));
    popup.popup(QPoint(10, 10));
    QVERIFY(QTest::qWaitForWindowExposed(&popup));
    QWidget *start = QApplication::focusWidget();
    const auto press = [tabs](Qt::Key key) {
        for (int i = 0; i < tabs; ++i)
            QTest::keyClick(QApplication::focusWidget(), key);
    };
    press(Qt::Key_Tab);
    // Alt+Down opens nothing where there is no list and the control has no
    // use for Down (buttons move the focus along their row): the highlight
    // stays.
    if (!qobject_cast<QComboBox *>(QApplication::focusWidget())
        && !qobject_cast<QAbstractButton *>(QApplication::focusWidget())) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down, Qt::AltModifier);
    }
    // The highlighted action's text on the menu itself, a button's text, or
    // the control's class.
    QWidget *focus = QApplication::focusWidget();
    auto *button = qobject_cast<QAbstractButton *>(focus);
    QCOMPARE(focus == &popup ? popup.activeAction()->text()
             : button        ? button->text().remove(QLatin1Char('&'))
                             : QString::fromLatin1(focus->metaObject()->className()),
             control);
    press(Qt::Key_Backtab); // back the same way
    QCOMPARE(QApplication::focusWidget(), start);
    press(Qt::Key_Tab);
    QSignalSpy triggered(&popup, &QMenu::triggered);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(!popup.isVisible());
    const QString done = !triggered.isEmpty() ? triggered.first().first().value<QAction *>()->text()
                         : popup.isAccepted() ? QStringLiteral("apply")
                         : popup.isRejected() ? QStringLiteral("cancel") : QString();
    QCOMPARE(done, enter);
}

void tst_ZFilterDialogPopUp::operatorListKeys_data()
{
    // The column, the operator box (1 or 2) focused after a value was
    // typed, the keys that open its list, the key that closes it, and the
    // operator then shown; Down moves one item in the list.
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("box");
    QTest::addColumn<QKeySequence>("open");
    QTest::addColumn<int>("close");
    QTest::addColumn<QString>("picked");

    const QKeySequence altDown(Qt::ALT | Qt::Key_Down);
    const QKeySequence f4(Qt::Key_F4);
    QTest::addRow("Alt+Down, Return") << 0 << 1 << altDown << int(Qt::Key_Return) << "does not equal";
    QTest::addRow("F4, Return") << 0 << 1 << f4 << int(Qt::Key_Return) << "does not equal";
    QTest::addRow("F4, Enter") << 0 << 1 << f4 << int(Qt::Key_Enter) << "does not equal";
    QTest::addRow("Alt+Down, Escape") << 0 << 1 << altDown << int(Qt::Key_Escape) << "equals";
    QTest::addRow("second, Alt+Down, Return") << 0 << 2 << altDown << int(Qt::Key_Return) << "equals";
    QTest::addRow("second, F4, Return") << 0 << 2 << f4 << int(Qt::Key_Return) << "equals";
    QTest::addRow("date, Alt+Down, Return") << 2 << 1 << altDown << int(Qt::Key_Return) << "does not equal";
    QTest::addRow("integer, second, F4, Escape") << 1 << 2 << f4 << int(Qt::Key_Escape) << "";
}

void tst_ZFilterDialogPopUp::operatorListKeys()
{
    QFETCH(int, column);
    QFETCH(int, box);
    QFETCH(QKeySequence, open);
    QFETCH(int, close);
    QFETCH(QString, picked);

    std::unique_ptr<ZFilterDialogPopUp> popup(popUp(table(this), column));
    popup->tabWidget()->setCurrentIndex(1);
    popup->popup(QPoint(10, 10));
    QVERIFY(QTest::qWaitForWindowExposed(popup.get()));
    // Keys as the window system gives them: to the open list, or after it
    // has closed to the control that has the focus.
    const auto press = [](int key) {
        QWidget *active = QApplication::activePopupWidget();
        QVERIFY(active);
        QTest::keyClick(active->windowHandle(), Qt::Key(key & ~Qt::KeyboardModifierMask),
                        Qt::KeyboardModifiers(key & Qt::KeyboardModifierMask));
    };
    const auto value = [&popup, box] {
        return box == 1 ? popup->firstConditionValue() : popup->secondConditionValue();
    };
    // The value box after the operator box.
    popup->findChildren<QComboBox *>().at(box - 1)->setFocus();
    press(Qt::Key_Tab);
    QWidget *valueBox = QApplication::focusWidget();
    if (column == 0)
        press(Qt::Key_V);
    const QVariant typed = value();
    // A value box has no list: Alt+Down leaves it and the pop-up as they are.
    press(int(Qt::ALT | Qt::Key_Down));
    QCOMPARE(value(), typed);
    QCOMPARE(QApplication::focusWidget(), valueBox);
    QVERIFY(!popup->activeAction());
    press(Qt::Key_Backtab);
    auto *operators = qobject_cast<QComboBox *>(QApplication::focusWidget());
    QVERIFY(operators);
    press(open[0]);
    QVERIFY(operators->view()->isVisible());
    press(Qt::Key_Down);
    press(close);
    QTRY_VERIFY(!operators->view()->isVisible());
    // Only the list closed: the pop-up stays as it was.
    QVERIFY(popup->isVisible());
    QVERIFY(!popup->isAccepted());
    QCOMPARE(popup->tabWidget()->currentIndex(), 1);
    QCOMPARE(QApplication::focusWidget(), operators);
    QCOMPARE(operators->currentText(), picked);
    QCOMPARE(value(), typed);
    // Return then applies, with the operator picked.
    press(Qt::Key_Return);
    QVERIFY(popup->isAccepted());
    QCOMPARE(box == 1 ? popup->firstConditionOperator() : popup->secondConditionOperator(), picked);
}

QTEST_MAIN(tst_ZFilterDialogPopUp)
#include "tst_zfilterdialogpopup.moc"
