#include "proxytesthelpers.h"
#include "zcomboboxdelegate.h"
#include "zdataitemdelegate.h"
#include "zindexlistmodel.h"
#include "zrelationaldelegate.h"
#include "zsortfilterproxymodel.h"
#include "ztablerelation.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QDateEdit>
#include <QPainter>
#include <QStandardItemModel>
#include <QTreeView>
#include <QtTest>

namespace {

QStandardItemModel *table(QObject *parent = nullptr)
{
    return testhelpers::makeTable({"Key", "Name"},
                                  {{1, "one"}, {2, "two"}, {3, "three"}, {2, "deux"}}, parent);
}

// Number of non-white pixels.
int ink(const QImage &image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                ++n;
    return n;
}

QImage paintCell(QAbstractItemDelegate *delegate, const QModelIndex &index,
                 QWidget *widget = nullptr)
{
    QImage image(120, 22, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QStyleOptionViewItem option;
    option.rect = image.rect();
    option.widget = widget;
    option.state = QStyle::State_Enabled;
    option.palette.setColor(QPalette::Text, Qt::black);
    delegate->paint(&painter, option, index);
    return image;
}

} // namespace

class tst_SmallModels : public QObject
{
    Q_OBJECT
private slots:
    void indexList();
    void indexListFollowsSource();
    void valueFilter();
    void relation();
    void relationalPaint();
    void dataDisplayText_data();
    void dataDisplayText();
    void dataEditorsAndSize();
    void dataPaintsParentsWhite();
    void comboEditor();
};

void tst_SmallModels::indexList()
{
    std::unique_ptr<QStandardItemModel> source(table());
    ZIndexListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model.columnCount(), 0);
    model.setIndexList({source->index(2, 0), source->index(0, 1)});
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.columnCount(), 2);
    QCOMPARE(model.index(0, 1).data().toString(), QStringLiteral("three"));
    QCOMPARE(model.index(1, 1).data(Qt::EditRole).toString(), QStringLiteral("one"));
    source->item(0, 1)->setToolTip(QStringLiteral("tip"));
    QVERIFY(!model.index(1, 1).data(Qt::ToolTipRole).isValid());
    QCOMPARE(model.mapToSource(model.index(1, 0)), source->index(0, 0));
    QVERIFY(!model.mapToSource(QModelIndex()).isValid());
    QVERIFY(!model.sibling(5, 0, model.index(0, 0)).isValid());
    QCOMPARE(model.sibling(1, 1, model.index(0, 0)), model.index(1, 1));
    // An invalid first index: no columns, whatever follows.
    model.setIndexList({QModelIndex(), source->index(0, 0)});
    QCOMPARE(model.columnCount(), 0);
    QCOMPARE(model.indexList().size(), 2);
}

void tst_SmallModels::indexListFollowsSource()
{
    std::unique_ptr<QStandardItemModel> source(table());
    ZIndexListModel model({source->index(2, 0)});
    source->insertRow(0, new QStandardItem(QStringLiteral("new")));
    QCOMPARE(model.index(0, 1).data().toString(), QStringLiteral("three"));
    QCOMPARE(model.indexList().first(), source->index(3, 0));
    source->removeRow(3);
    QVERIFY(!model.index(0, 1).data().isValid());
}

void tst_SmallModels::valueFilter()
{
    QStandardItemModel source;
    source.setColumnCount(2);
    auto add = [](QStandardItem *parent, const QString &a, const QString &b) {
        QList<QStandardItem *> row{new QStandardItem(a), new QStandardItem(b)};
        parent->appendRow(row);
        return row.first();
    };
    QStandardItem *p = add(source.invisibleRootItem(), "p", "B");
    add(p, "c1", "A");
    add(p, "c2", "C");
    QStandardItem *q = add(source.invisibleRootItem(), "q", "B");
    add(q, "c3", "C");
    add(source.invisibleRootItem(), "r", "A");

    ZSortFilterProxyModel proxy;
    QAbstractItemModelTester tester(&proxy, QAbstractItemModelTester::FailureReportingMode::QtTest);
    proxy.setSourceModel(&source);
    QCOMPARE(testhelpers::treeString(&proxy), QStringLiteral("p[c1,c2],q[c3],r"));
    proxy.setFilter(1, {"A"});
    // p passes through its child c1 although its own text is B.
    QCOMPARE(testhelpers::treeString(&proxy), QStringLiteral("p[c1],r"));
    proxy.setFilter(1, {"A", "C"});
    QCOMPARE(testhelpers::treeString(&proxy), QStringLiteral("p[c1,c2],q[c3],r"));
    proxy.setFilter(0, {"r", "c3", "q"});
    QCOMPARE(testhelpers::treeString(&proxy), QStringLiteral("q[c3],r"));
    proxy.setFilterFixedString(QStringLiteral("r"));
    QCOMPARE(testhelpers::treeString(&proxy), QStringLiteral("r")); // the regular expression still applies
    proxy.setFilterFixedString(QString());
    proxy.clearFilter(0);
    proxy.clearFilter(1);
    QCOMPARE(testhelpers::treeString(&proxy), QStringLiteral("p[c1,c2],q[c3],r"));
    QCOMPARE(testhelpers::checkRoundTrip(&proxy), 12);
}

void tst_SmallModels::relation()
{
    std::unique_ptr<QStandardItemModel> lookup(table());
    ZTableRelation relation(lookup.get(), 0, 1);
    QVERIFY(!relation.isPopulated());
    relation.populateDictionary();
    QVERIFY(relation.isPopulated());
    QCOMPARE(relation.value(2).toString(), QStringLiteral("deux")); // the later row wins
    QVERIFY(!relation.hasKey(9));
    QVERIFY(relation.filterAcceptsRow(0));
    relation.setFilter(-1, QStringLiteral("one"));
    QVERIFY(relation.filterAcceptsRow(1)); // no column: every row
    relation.setFilter(1, QStringLiteral("one"));
    QVERIFY(relation.filterAcceptsRow(0));
    QVERIFY(!relation.filterAcceptsRow(1));
    ZTableRelation none;
    none.populateDictionary();
    QVERIFY(!none.isPopulated());
    QVERIFY(!none.filterAcceptsRow(0));
}

void tst_SmallModels::relationalPaint()
{
    std::unique_ptr<QStandardItemModel> lookup(table());
    ZTableRelation relation(lookup.get(), 0, 1);
    std::unique_ptr<QStandardItemModel> data(
        testhelpers::makeTable({"Ref"}, {{3}, {7}}));
    ZRelationalDelegate delegate;
    delegate.setRelation(0, &relation);
    QCOMPARE(delegate.relationModel(0), lookup.get());
    const QImage found = paintCell(&delegate, data->index(0, 0));
    const QImage missing = paintCell(&delegate, data->index(1, 0));
    QCOMPARE(ink(missing), 0); // a key not in the dictionary shows nothing
    // "three" needs more ink than the key "3" alone.
    delegate.setRelation(0, nullptr);
    const QImage plain = paintCell(&delegate, data->index(0, 0));
    QVERIFY(ink(found) > ink(plain));
    QVERIFY(ink(plain) > 0);
}

void tst_SmallModels::dataDisplayText_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("expected");
    QTest::addRow("date") << QVariant(QDate(2019, 3, 7)) << "07-03-2019";
    QTest::addRow("date time") << QVariant(QDateTime(QDate(2019, 3, 7), QTime(8, 0)))
                               << "07-03-2019";
    QTest::addRow("prefix") << QVariant("TT_Task") << "Task";
    QTest::addRow("underscore second") << QVariant("T_Task") << "T_Task";
    QTest::addRow("underscore fourth") << QVariant("TTT_Task") << "TTT_Task";
    QTest::addRow("plain") << QVariant("word") << "word";
    QTest::addRow("number") << QVariant(42) << "42";
}

void tst_SmallModels::dataDisplayText()
{
    QFETCH(QVariant, value);
    QFETCH(QString, expected);
    ZDataItemDelegate delegate;
    QCOMPARE(delegate.displayText(value, QLocale::c()), expected);
}

void tst_SmallModels::dataEditorsAndSize()
{
    std::unique_ptr<QStandardItemModel> model(
        testhelpers::makeTable({"When", "What"}, {{QDate(2020, 5, 4), "word"}}));
    QTreeView view;
    view.setModel(model.get());
    auto *delegate = new ZDataItemDelegate(&view);
    QStyleOptionViewItem option;
    option.rect = QRect(5, 6, 70, 20);
    std::unique_ptr<QWidget> dateEditor(delegate->createEditor(&view, option, model->index(0, 0)));
    auto *dateEdit = qobject_cast<QDateEdit *>(dateEditor.get());
    QVERIFY(dateEdit);
    QCOMPARE(dateEdit->displayFormat(), QStringLiteral("yyyy-MM-dd"));
    delegate->setEditorData(dateEdit, model->index(0, 0));
    QCOMPARE(dateEdit->date(), QDate(2020, 5, 4));
    delegate->updateEditorGeometry(dateEdit, option, model->index(0, 0));
    QCOMPARE(dateEdit->geometry(), option.rect);
    std::unique_ptr<QWidget> textEditor(delegate->createEditor(&view, option, model->index(0, 1)));
    QVERIFY(!qobject_cast<QDateEdit *>(textEditor.get()));
    QFont big;
    big.setPointSize(40);
    option.font = big;
    QCOMPARE(delegate->sizeHint(option, model->index(0, 1)).height(), 22);
    QVERIFY(delegate->isFirstColumn(0));
    QVERIFY(!delegate->isFirstColumn(1));
}

void tst_SmallModels::dataPaintsParentsWhite()
{
    QStandardItemModel model;
    auto *parent = new QStandardItem(QStringLiteral("Parent"));
    parent->appendRow(new QStandardItem(QStringLiteral("Leaf")));
    model.appendRow(parent);
    ZDataItemDelegate delegate;
    // White text on white: nothing shows for the parent; the leaf is dark.
    QCOMPARE(ink(paintCell(&delegate, model.index(0, 0))), 0);
    QVERIFY(ink(paintCell(&delegate, model.index(0, 0, model.index(0, 0)))) > 0);
}

void tst_SmallModels::comboEditor()
{
    std::unique_ptr<QStandardItemModel> model(
        testhelpers::makeTable({"Type"}, {{"Milestone"}, {"Other"}}));
    ZComboBoxDelegate delegate({"Task", "Milestone", "Summary"});
    QWidget parent;
    std::unique_ptr<QWidget> editor(delegate.createEditor(&parent, {}, model->index(0, 0)));
    auto *combo = qobject_cast<QComboBox *>(editor.get());
    QVERIFY(combo);
    QCOMPARE(combo->count(), 0);
    delegate.setEditorData(combo, model->index(0, 0));
    delegate.setEditorData(combo, model->index(0, 0));
    QCOMPARE(combo->count(), 3); // filled once
    QCOMPARE(combo->currentText(), QStringLiteral("Milestone"));
    delegate.setEditorData(combo, model->index(1, 0));
    QCOMPARE(combo->currentIndex(), 0);
}

QTEST_MAIN(tst_SmallModels)
#include "tst_smallmodels.moc"
