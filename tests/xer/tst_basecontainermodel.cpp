#include "basecontainermodel.h"
#include "modelhelpers.h"
#include "taskcontainer.h"
#include "wbscontainer.h"

#include <QAbstractItemModelTester>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QtTest>

namespace {

QVariantList schemaColumns(const QString &table)
{
    const QJsonDocument doc = QJsonDocument::fromJson(readFile(QStringLiteral(":/files/schema.json")).toUtf8());
    const QJsonArray tables = doc.object().value(QStringLiteral("tables")).toArray();
    for (const QJsonValue &t : tables) {
        if (t.toObject().value(QStringLiteral("name")).toString() == table)
            return t.toObject().value(QStringLiteral("columns")).toArray().toVariantList();
    }
    return {};
}

} // namespace

// The table schema, the containers over it and the table models with their
// header roles.
class tst_BaseContainerModel : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void schema();
    void containerColumns();
    void containerRows_data();
    void containerRows();
    void containerBounds();
    void sharedColumns();
    void modelIndexes();
    void modelData();
    void headerRoles();
    void emptyModel();
};

void tst_BaseContainerModel::initTestCase()
{
    // The column statics are filled once per run, as the loader does.
    TaskContainer task;
    if (task.fieldCount() == 0)
        task.setFields(schemaColumns(QStringLiteral("TASK")));
    WBSContainer wbs;
    if (wbs.fieldCount() == 0)
        wbs.setFields(schemaColumns(QStringLiteral("PROJWBS")));
}

void tst_BaseContainerModel::schema()
{
    const QJsonDocument doc = QJsonDocument::fromJson(readFile(QStringLiteral(":/files/schema.json")).toUtf8());
    const QJsonArray tables = doc.object().value(QStringLiteral("tables")).toArray();
    QStringList names;
    int columns = 0;
    for (const QJsonValue &t : tables) {
        names << t.toObject().value(QStringLiteral("name")).toString();
        columns += t.toObject().value(QStringLiteral("columns")).toArray().size();
    }
    QCOMPARE(names, QStringList({QStringLiteral("PROJWBS"), QStringLiteral("TASK"), QStringLiteral("TASKPRED"),
                                 QStringLiteral("RSRC"), QStringLiteral("TASKRSRC"), QStringLiteral("ACTVTYPE"),
                                 QStringLiteral("ACTVCODE"), QStringLiteral("TASKACTV"), QStringLiteral("UDFTYPE"),
                                 QStringLiteral("UDFVALUE")}));
    QCOMPARE(columns, 145);
    const QVariantMap late = schemaColumns(QStringLiteral("TASK")).at(45).toMap();
    QCOMPARE(late.value(QStringLiteral("id")).toString(), QStringLiteral("external_late_end_date"));
    QCOMPARE(late.value(QStringLiteral("display")).toString(), QStringLiteral("External Late Finish"));
    const QVariantMap number = schemaColumns(QStringLiteral("UDFVALUE")).at(5).toMap();
    QCOMPARE(number.value(QStringLiteral("id")).toString(), QStringLiteral("udf_number"));
    QCOMPARE(number.value(QStringLiteral("datatype")).toString(), QStringLiteral("double"));
    int calculated = 0;
    for (const QVariant &c : schemaColumns(QStringLiteral("TASK")))
        calculated += c.toMap().value(QStringLiteral("calculated")).toString() == QLatin1String("true");
    QCOMPARE(calculated, 7);
}

void tst_BaseContainerModel::containerColumns()
{
    TaskContainer task;
    QCOMPARE(task.fieldCount(), 60);
    QCOMPARE(task.indexOfCode(QStringLiteral("task_code")), 5);
    QCOMPARE(task.indexOfName(QStringLiteral("Activity ID")), 5);
    QCOMPARE(task.indexOfCode(QStringLiteral("%f")), -1);
    QCOMPARE(task.indexOfName(QStringLiteral("activity id")), -1);
    QCOMPARE(task.fieldDisplay(5).toString(), QStringLiteral("Activity ID"));
    QCOMPARE(task.fieldId(5).toString(), QStringLiteral("task_code"));
    QCOMPARE(task.fieldDataType(5).toString(), QStringLiteral("string"));
    QCOMPARE(task.fieldGroup(5).toString(), QStringLiteral("General"));
    QVERIFY(!task.fieldDisplay(-1).isValid());
    QVERIFY(!task.fieldDisplay(60).isValid());
    QVERIFY(!task.fieldDescriptor(60).isValid());
    QCOMPARE(task.fieldDescriptor(52).toMap().value(QStringLiteral("calculated")).toString(),
             QStringLiteral("true"));
}

void tst_BaseContainerModel::containerRows_data()
{
    QTest::addColumn<int>("cells");
    QTest::addColumn<int>("valid");
    QTest::addRow("short row padded") << 3 << 3;
    QTest::addRow("exact row") << 7 << 7;
    QTest::addRow("long row cut") << 9 << 7;
    QTest::addRow("empty row") << 0 << 0;
}

void tst_BaseContainerModel::containerRows()
{
    QFETCH(int, cells);
    QFETCH(int, valid);
    WBSContainer wbs;
    ContainerRow row;
    for (int i = 0; i < cells; ++i)
        row.push_back(i + 1);
    wbs.addRow(row);
    QCOMPARE(wbs.rowCount(), 1);
    for (int c = 0; c < 7; ++c)
        QCOMPARE(wbs.value(0, c).isValid(), c < valid);
    QVERIFY(!wbs.value(0, 7).isValid());
}

void tst_BaseContainerModel::containerBounds()
{
    WBSContainer wbs;
    wbs.addRow(ContainerRow{QVariant(1)});
    QVERIFY(!wbs.value(1, 0).isValid());
    QVERIFY(!wbs.value(-1, 0).isValid());
    QVERIFY(!wbs.setValue(1, 0, 5));
    QVERIFY(!wbs.setValue(0, 7, 5));
    QVERIFY(!wbs.setValue(0, -1, 5));
    QVERIFY(wbs.setValue(0, 6, 5));
    QCOMPARE(wbs.value(0, 6).toInt(), 5);
}

void tst_BaseContainerModel::sharedColumns()
{
    // A second container of the type sees the columns without setFields.
    WBSContainer first;
    WBSContainer second;
    QCOMPARE(second.fieldCount(), 7);
    QCOMPARE(second.indexOfName(QStringLiteral("WBS Name")), 3);
    QCOMPARE(second.fieldDescriptor(2).toMap().value(QStringLiteral("structure")).toString(),
             QStringLiteral("true"));
}

void tst_BaseContainerModel::modelIndexes()
{
    auto container = std::make_shared<WBSContainer>();
    container->addRow(ContainerRow{QVariant(1), QVariant(2)});
    container->addRow(ContainerRow{QVariant(3)});
    BaseContainerModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    model.setContainer(container);
    QCOMPARE(reset.count(), 1);
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.columnCount(), 7);
    QVERIFY(model.index(1, 6).isValid());
    QVERIFY(!model.index(2, 0).isValid());
    QVERIFY(!model.index(0, 7).isValid());
    QVERIFY(!model.index(-1, 0).isValid());
    QVERIFY(!model.index(0, 0, model.index(0, 0)).isValid());
    QCOMPARE(model.rowCount(model.index(0, 0)), 0);
    QVERIFY(!model.parent(model.index(0, 0)).isValid());
}

void tst_BaseContainerModel::modelData()
{
    auto container = std::make_shared<WBSContainer>();
    container->addRow(ContainerRow{QVariant(1), QVariant(2)});
    BaseContainerModel model;
    model.setContainer(container);
    QCOMPARE(model.index(0, 1).data().toInt(), 2);
    QVERIFY(!model.index(0, 1).data(Qt::EditRole).isValid());
    QVERIFY(!model.index(0, 3).data().isValid());
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QVERIFY(model.setData(model.index(0, 3), QStringLiteral("Name"), Qt::DisplayRole));
    QCOMPARE(container->value(0, 3).toString(), QStringLiteral("Name"));
    QCOMPARE(changed.count(), 0);
    QVERIFY(!model.setData(model.index(0, 3), QStringLiteral("x"), Qt::EditRole));
    QVERIFY(!model.setData(model.index(1, 3), QStringLiteral("x"), Qt::DisplayRole));
    // The container is shared: the model keeps it alive.
    std::weak_ptr<IContainer> weak = container;
    container.reset();
    QVERIFY(!weak.expired());
    model.setContainer(nullptr);
    QVERIFY(weak.expired());
}

void tst_BaseContainerModel::headerRoles()
{
    BaseContainerModel model;
    model.setContainer(std::make_shared<TaskContainer>());
    QCOMPARE(model.headerData(5, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Activity ID"));
    QCOMPARE(model.headerData(5, Qt::Horizontal, FieldIdRole).toString(), QStringLiteral("task_code"));
    QCOMPARE(model.headerData(5, Qt::Horizontal, FieldGroupRole).toString(), QStringLiteral("General"));
    const QVariantMap expected{{QStringLiteral("id"), QStringLiteral("task_code")},
                               {QStringLiteral("display"), QStringLiteral("Activity ID")},
                               {QStringLiteral("datatype"), QStringLiteral("string")},
                               {QStringLiteral("group"), QStringLiteral("General")}};
    QCOMPARE(model.headerData(5, Qt::Horizontal, FieldDescriptorRole).toMap(), expected);
    QCOMPARE(int(FieldIdRole), 256);
    QCOMPARE(int(FieldGroupRole), 257);
    QCOMPARE(int(FieldDescriptorRole), 258);
    QVERIFY(!model.headerData(5, Qt::Vertical, Qt::DisplayRole).isValid());
    QVERIFY(!model.headerData(60, Qt::Horizontal, Qt::DisplayRole).isValid());
    QVERIFY(!model.headerData(5, Qt::Horizontal, Qt::ToolTipRole).isValid());
    QCOMPARE(columnIndex(&model, QStringLiteral("External Late Finish")), 45);
}

void tst_BaseContainerModel::emptyModel()
{
    BaseContainerModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.columnCount(), 0);
    QVERIFY(!model.index(0, 0).isValid());
    QVERIFY(!model.headerData(0, Qt::Horizontal).isValid());
    QVERIFY(!model.setData(QModelIndex(), 1, Qt::DisplayRole));
}

QTEST_GUILESS_MAIN(tst_BaseContainerModel)
#include "tst_basecontainermodel.moc"
