#include "fieldroles.h"
#include "pivotmodel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

class tst_PivotModel : public QObject
{
    Q_OBJECT
private slots:
    void cellsAndRoles();
    void headerRoles();
    void writesAreSignalled();
};

void tst_PivotModel::cellsAndRoles()
{
    PivotModel model(3, 2);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.fillValue(0, 0, 10);
    model.fill(2, 1, QStringLiteral("code"), 77);
    model.fill(5, 1, 1, 1); // out of range: ignored
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.columnCount(), 2);
    QCOMPARE(model.index(0, 0).data(), QVariant(10));
    QVERIFY(!model.index(0, 0).data(FieldIdRole).isValid());
    QCOMPARE(model.index(2, 1).data(), QVariant(QStringLiteral("code")));
    QCOMPARE(model.index(2, 1).data(Qt::EditRole), QVariant(QStringLiteral("code")));
    QCOMPARE(model.index(2, 1).data(FieldIdRole), QVariant(77));
    QVERIFY(!model.index(1, 1).data().isValid());
    QVERIFY(!model.index(1, 1).data(FieldIdRole).isValid());
    QVERIFY(!model.index(2, 1).data(Qt::ToolTipRole).isValid());
    QVERIFY(model.flags(model.index(0, 0)) & Qt::ItemIsSelectable);
    QCOMPARE(model.flags(QModelIndex()), Qt::NoItemFlags);
}

void tst_PivotModel::headerRoles()
{
    PivotModel model(1, 2);
    QSignalSpy spy(&model, &QAbstractItemModel::headerDataChanged);
    QVERIFY(model.setHeaderData(1, Qt::Horizontal, QStringLiteral("Phase")));
    QVERIFY(model.setHeaderData(1, Qt::Horizontal, QStringLiteral("Activity Codes"), FieldGroupRole));
    QVERIFY(!model.setHeaderData(2, Qt::Horizontal, QStringLiteral("x")));
    QVERIFY(!model.setHeaderData(0, Qt::Vertical, QStringLiteral("x")));
    QCOMPARE(spy.count(), 2);
    QCOMPARE(model.headerData(1, Qt::Horizontal), QVariant(QStringLiteral("Phase")));
    QCOMPARE(model.headerData(1, Qt::Horizontal, Qt::EditRole), QVariant(QStringLiteral("Phase")));
    QCOMPARE(model.headerData(1, Qt::Horizontal, FieldGroupRole), QVariant(QStringLiteral("Activity Codes")));
    // Sections without a caption answer as any table model does.
    QCOMPARE(model.headerData(0, Qt::Horizontal), QVariant(1));
    QCOMPARE(model.headerData(0, Qt::Vertical), QVariant(1));
}

void tst_PivotModel::writesAreSignalled()
{
    PivotModel model(2, 1);
    QSignalSpy spy(&model, &QAbstractItemModel::dataChanged);
    QVERIFY(model.setData(model.index(1, 0), QStringLiteral("a")));
    QVERIFY(model.setData(model.index(1, 0), 5, FieldIdRole));
    QVERIFY(!model.setData(model.index(1, 0), 5, Qt::ToolTipRole));
    QVERIFY(!model.setData(QModelIndex(), 5));
    QCOMPARE(spy.count(), 2);
    QCOMPARE(model.index(1, 0).data(), QVariant(QStringLiteral("a")));
    QCOMPARE(model.index(1, 0).data(FieldIdRole), QVariant(5));
}

QTEST_GUILESS_MAIN(tst_PivotModel)
#include "tst_pivotmodel.moc"
