#include "resources.h"
#include "zfilterdialogproxymodel.h"
#include "zsortfilterheader.h"
#include "zsortfilterwidget.h"

#include <QAbstractItemModelTester>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

class tst_Resources : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { ZSortFilterWidget::installAsHeaderFilterBox(); }
    void form();
    void noModel();
    void setModel();
    void oneFilterBoxPerProject();
    void modelGoneIsHarmless();

private:
    static QStandardItemModel *resourceModel(QObject *parent, int rows);
};

QStandardItemModel *tst_Resources::resourceModel(QObject *parent, int rows)
{
    auto *model = new QStandardItemModel(rows, 3, parent);
    model->setHorizontalHeaderLabels({ "task_id", "rsrc_id", "Resource Name" });
    for (int r = 0; r < rows; ++r) {
        model->setData(model->index(r, 0), 10 + r);
        model->setData(model->index(r, 1), r % 2);
        model->setData(model->index(r, 2), r % 2 ? QStringLiteral("Crane") : QStringLiteral("Welder"));
    }
    return model;
}

void tst_Resources::form()
{
    Resources page;
    QCOMPARE(page.objectName(), QStringLiteral("Resources"));
    QCOMPARE(page.windowTitle(), QStringLiteral("Form"));
    QCOMPARE(page.size(), QSize(400, 300));
    QVERIFY(page.findChild<QHBoxLayout *>(QStringLiteral("horizontalLayout")));
    QTableView *table = page.tableView();
    QCOMPARE(table->objectName(), QStringLiteral("tableView"));
    QVERIFY(!table->showGrid());
    QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(table->verticalHeader()->isHidden());
    QCOMPARE(table->selectionBehavior(), QAbstractItemView::SelectRows);
    QVERIFY(qobject_cast<ZSortFilterHeader *>(table->horizontalHeader()));

    Resources named;
    named.setObjectName(QStringLiteral("page1"));
    QCOMPARE(named.objectName(), QStringLiteral("page1"));
}

void tst_Resources::noModel()
{
    Resources page;
    QCOMPARE(page.model(), nullptr);
    QCOMPARE(page.filterModel(), nullptr);
    page.setModel(nullptr);
    QCOMPARE(page.tableView()->model(), nullptr);

    QStandardItemModel *model = resourceModel(&page, 3);
    page.setModel(model);
    QAbstractItemModel *shown = page.tableView()->model();
    page.setModel(nullptr);
    QCOMPARE(page.tableView()->model(), shown);
}

void tst_Resources::setModel()
{
    Resources page;
    QStandardItemModel *model = resourceModel(&page, 6);
    page.setModel(model);
    ZFilterDialogProxyModel *proxy = page.filterModel();
    QVERIFY(proxy);
    QAbstractItemModelTester tester(proxy, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(page.model(), static_cast<QAbstractItemModel *>(model));
    QCOMPARE(proxy->parent(), &page);
    auto *header = qobject_cast<ZSortFilterHeader *>(page.tableView()->horizontalHeader());
    auto *widget = qobject_cast<ZSortFilterWidget *>(header->sortFilterWidget());
    QVERIFY(widget);
    QCOMPARE(widget->proxy(), proxy);
    QCOMPARE(widget->model(), static_cast<QAbstractItemModel *>(model));
    QCOMPARE(widget->header(), header);

    // A filter set on the proxy and recorded in the header marks the header.
    proxy->setFilter(2, { QStringLiteral("Crane") });
    header->setFilter(2);
    QVERIFY(header->hasAnyFilter());
    QCOMPARE(proxy->rowCount(), 3);
    QCOMPARE(widget->flags(2), 3);

    // Presses reach the filter box (outside its button box: no effect).
    page.resize(500, 200);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QCOMPARE(proxy->rowCount(), 3);
}

void tst_Resources::oneFilterBoxPerProject()
{
    Resources page;
    auto *header = qobject_cast<ZSortFilterHeader *>(page.tableView()->horizontalHeader());
    for (int i = 0; i < 5; ++i) {
        QStandardItemModel *model = resourceModel(nullptr, 4 + i);
        page.setModel(model);
        header->setFilter(1);
        header->sortByColumn(2, Qt::DescendingOrder);
        QCOMPARE(page.findChildren<ZSortFilterWidget *>().size(), 1);
        QCOMPARE(page.findChildren<ZFilterDialogProxyModel *>().size(), 1);
        QCOMPARE(page.filterModel()->rowCount(), 4 + i);
        // The loader deletes the previous project's models.
        delete model;
        QCOMPARE(page.model(), nullptr);
    }
    // A new project starts without the old filters in the header.
    QStandardItemModel *model = resourceModel(&page, 2);
    page.setModel(model);
    QVERIFY(!header->hasAnyFilter());
    QCOMPARE(header->sortColumn(), -1);
}

void tst_Resources::modelGoneIsHarmless()
{
    Resources page;
    QStandardItemModel *model = resourceModel(nullptr, 3);
    page.setModel(model);
    auto *header = qobject_cast<ZSortFilterHeader *>(page.tableView()->horizontalHeader());
    delete model;
    page.resize(500, 200);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    // Clicks into the button box of the first section while nothing is open.
    const int width = header->sectionSize(0) > 0 ? header->sectionSize(0) : 100;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(width - 8, header->height() - 8));
    header->sortFilterWidget()->clearAllFilters();
    page.grab();
    QCOMPARE(page.filterModel()->rowCount(), 0);
}

QTEST_MAIN(tst_Resources)
#include "tst_resources.moc"
