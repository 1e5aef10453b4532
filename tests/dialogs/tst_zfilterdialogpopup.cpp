#include "captions.h"
#include "modelhelpers.h"
#include "zfilterdialogpopup.h"
#include "zfilterproxymodel.h"
#include "zexpression.h"
#include "ztypedfilters.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QLineEdit>
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
    // itself when it ends; each test lets it end.
    void cleanup() { QTest::qWait(300); }
    void dateTreeChecks();
    void searchKeepsSelectAll();
    void preloadedValues();
    void expressionTabs_data();
    void expressionTabs();
    void typedValues_data();
    void typedValues();
    void tabChain_data();
    void tabChain();

private:
    // Columns: name (text), count (integer), start (date-time), Group.
    static QStandardItemModel *table(QObject *parent);
    static QStringList listed(const QAbstractItemModel *model);
    static void click(ZFilterDialogPopUp &popup, const QModelIndex &proxyIndex, Qt::CheckState state);
    static ZFilterDialogPopUp *popUp(QAbstractItemModel *model, int column);
    // The focused control as the user sees it: an action's or a button's
    // text, or the kind of control.
    static QString focused(ZFilterDialogPopUp &popup);
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

QString tst_ZFilterDialogPopUp::focused(ZFilterDialogPopUp &popup)
{
    QWidget *focus = QApplication::focusWidget();
    if (focus == &popup)
        return popup.activeAction() ? popup.activeAction()->text() : QString();
    if (auto *button = qobject_cast<QAbstractButton *>(focus))
        return button->text().remove(QLatin1Char('&'));
    if (qobject_cast<QTabBar *>(focus))
        return QStringLiteral("tab bar");
    if (focus == popup.searchField())
        return QStringLiteral("search");
    if (focus == popup.valueView())
        return QStringLiteral("value list");
    const QList<QComboBox *> combos = popup.findChildren<QComboBox *>();
    if (auto *combo = qobject_cast<QComboBox *>(focus))
        return QStringLiteral("operator %1").arg(combos.indexOf(combo) + 1);
    QList<QWidget *> boxes;
    if (auto *text = qobject_cast<ZTextFilter *>(&popup))
        boxes = {text->firstEditor(), text->secondEditor()};
    else if (auto *integer = qobject_cast<ZIntegerFilter *>(&popup))
        boxes = {integer->firstEditor(), integer->secondEditor()};
    else if (auto *real = qobject_cast<ZDoubleFilter *>(&popup))
        boxes = {real->firstEditor(), real->secondEditor()};
    else if (auto *date = qobject_cast<ZDateFilter *>(&popup))
        boxes = {date->firstEditor(), date->secondEditor()};
    if (boxes.contains(focus))
        return QStringLiteral("value %1").arg(boxes.indexOf(focus) + 1);
    return focus ? QString::fromLatin1(focus->metaObject()->className()) : QString();
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

void tst_ZFilterDialogPopUp::typedValues_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("locale");
    // How the value box gets the focus: the Expression tab shown, a click,
    // Tab from the operator box; or the cursor moved by an arrow.
    QTest::addColumn<QString>("reach");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QStringList>("names");

    const QString c;
    QTest::addRow("integer") << 1 << c << "shown" << "3" << QVariant(3) << QStringList{"pump", "pump"};
    QTest::addRow("integer, clicked") << 1 << c << "click" << "12" << QVariant(12) << QStringList{"Pipe"};
    QTest::addRow("double") << 3 << c << "shown" << "4" << QVariant(4.0) << QStringList{"valve"};
    QTest::addRow("double, by Tab") << 3 << c << "tab" << "12" << QVariant(12.0) << QStringList{"Pipe"};
    // The table shows numbers with a point under any locale.
    QTest::addRow("double, German") << 3 << "de_DE" << "shown" << "3.5" << QVariant(3.5) << QStringList();
    QTest::addRow("date") << 2 << c << "shown" << "05022020" << QVariant(QDate(2020, 2, 5))
                          << QStringList{"valve", "pump"};
    QTest::addRow("date, after an arrow") << 2 << c << "Left" << "05022020"
                                          << QVariant(QDate(2020, 2, 5)) << QStringList{"valve", "pump"};
    QTest::addRow("date, clicked") << 2 << c << "click" << "01012021" << QVariant(QDate(2021, 1, 1))
                                   << QStringList{"Pipe"};
    QTest::addRow("text, by Tab") << 0 << c << "tab" << "valve" << QVariant("valve") << QStringList{"valve"};
}

void tst_ZFilterDialogPopUp::typedValues()
{
    QFETCH(int, column);
    QFETCH(QString, locale);
    QFETCH(QString, reach);
    QFETCH(QString, keys);
    QFETCH(QVariant, value);
    QFETCH(QStringList, names);

    QStandardItemModel *model = table(this);
    const QLocale before;
    if (!locale.isEmpty())
        QLocale::setDefault(QLocale(locale));
    std::unique_ptr<ZFilterDialogPopUp> popup(popUp(model, column));
    QLocale::setDefault(before);
    popup->popup(QPoint(10, 10));
    QVERIFY(QTest::qWaitForWindowExposed(popup.get()));
    // From OK, a click on the tab.
    popup->findChild<QPushButton *>()->setFocus();
    auto *tabs = popup->findChild<QTabBar *>();
    QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(1).center());
    QWidget *box = QApplication::focusWidget();
    QCOMPARE(focused(*popup), QStringLiteral("value 1"));
    if (reach == QLatin1String("click")) {
        // Away and back by a click on the box's text.
        popup->findChildren<QComboBox *>().at(0)->setFocus();
        QWidget *text = box;
        for (QLineEdit *edit : box->findChildren<QLineEdit *>())
            text = edit;
        QTest::mouseClick(text, Qt::LeftButton, Qt::NoModifier, QPoint(3, text->height() / 2));
    } else if (reach == QLatin1String("tab")) {
        QTest::keyClick(box, Qt::Key_Backtab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    } else if (reach == QLatin1String("Left")) {
        QTest::keyClick(box, Qt::Key_Left);
    }
    QCOMPARE(QApplication::focusWidget(), box);
    QTest::keyClicks(box, keys);
    QTest::keyClick(box, Qt::Key_Return);
    QVERIFY(popup->isAccepted());
    QCOMPARE(popup->firstConditionValue(), value);
    std::unique_ptr<ZExpression> filter(
        ZExpression::buildExpression(popup->firstConditionOperator(), popup->firstConditionValue()));
    QStringList matched;
    for (int r = 0; r < model->rowCount() - 1; ++r) {
        // The view's filter compares a date column by the day.
        const QVariant cell = model->index(r, column == 3 ? 1 : column).data();
        if (filter->acceptValue(column == 2 ? QVariant(cell.toDate()) : cell))
            matched << model->index(r, 0).data().toString();
    }
    QCOMPARE(matched, names);
}

void tst_ZFilterDialogPopUp::tabChain_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("control");
    // Tab presses from the control that has the focus as the tab shows.
    QTest::addColumn<int>("tabs");
    // What Enter on the control does: the action run, "apply" or "cancel".
    QTest::addColumn<QString>("enter");

    QTest::addRow("value 1") << 1 << "value 1" << 0 << "apply";
    QTest::addRow("AND") << 1 << "AND" << 1 << "apply";
    QTest::addRow("OR") << 1 << "OR" << 2 << "apply";
    QTest::addRow("operator 2") << 1 << "operator 2" << 3 << "apply";
    QTest::addRow("value 2") << 1 << "value 2" << 4 << "apply";
    QTest::addRow("OK") << 1 << "OK" << 5 << "apply";
    QTest::addRow("Cancel") << 1 << "Cancel" << 6 << "cancel";
    QTest::addRow("Sort A to Z") << 1 << "Sort A to Z" << 7 << "Sort A to Z";
    QTest::addRow("Sort Z to A") << 1 << "Sort Z to A" << 8 << "Sort Z to A";
    QTest::addRow("Clear") << 1 << "Clear" << 9 << "Clear";
    QTest::addRow("tab bar") << 1 << "tab bar" << 10 << "apply";
    QTest::addRow("operator 1") << 1 << "operator 1" << 11 << "apply";
    QTest::addRow("value 1 again") << 1 << "value 1" << 12 << "apply";
    QTest::addRow("search") << 0 << "search" << 0 << "apply";
    QTest::addRow("value list") << 0 << "value list" << 1 << "apply";
    QTest::addRow("list: OK") << 0 << "OK" << 2 << "apply";
    QTest::addRow("list: tab bar") << 0 << "tab bar" << 7 << "apply";
}

void tst_ZFilterDialogPopUp::tabChain()
{
    QFETCH(int, tab);
    QFETCH(QString, control);
    QFETCH(int, tabs);
    QFETCH(QString, enter);

    QStandardItemModel *model = table(this);
    ZTextFilter popup(model, 0);
    popup.tabWidget()->setCurrentIndex(tab);
    popup.popup(QPoint(10, 10));
    QVERIFY(QTest::qWaitForWindowExposed(&popup));
    const QString start = focused(popup);
    for (int i = 0; i < tabs; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(focused(popup), control);
    // Shift+Tab goes back the same way.
    for (int i = 0; i < tabs; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(focused(popup), start);
    for (int i = 0; i < tabs; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);

    QSignalSpy triggered(&popup, &QMenu::triggered);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(!popup.isVisible());
    QString done = popup.isAccepted() ? QStringLiteral("apply")
                   : popup.isRejected() ? QStringLiteral("cancel") : QString();
    if (!triggered.isEmpty())
        done += triggered.first().first().value<QAction *>()->text();
    QCOMPARE(done, enter);
}

QTEST_MAIN(tst_ZFilterDialogPopUp)
#include "tst_zfilterdialogpopup.moc"
