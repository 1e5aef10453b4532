#include "modelio.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

QString writeFile(const QTemporaryDir &dir, const QByteArray &content)
{
    const QString path = dir.filePath(QStringLiteral("table.csv"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    file.write(content);
    return path;
}

// Captions (a section without one shows its number), then one line per row;
// "-" for a cell without an item.
QString dump(const QStandardItemModel &model)
{
    QStringList lines;
    QStringList captions;
    for (int c = 0; c < model.columnCount(); ++c)
        captions << model.headerData(c, Qt::Horizontal).toString();
    lines << captions.join(QLatin1Char('|'));
    for (int r = 0; r < model.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model.columnCount(); ++c)
            cells << (model.item(r, c) ? model.item(r, c)->text() : QStringLiteral("-"));
        lines << cells.join(QLatin1Char('|'));
    }
    return lines.join(QLatin1Char('\n'));
}

QString dump(const QList<QVariant> &recordSet)
{
    QStringList lines;
    if (recordSet.isEmpty())
        return QStringLiteral("<none>");
    const QStringList captions = recordSet.first().toStringList();
    lines << captions.join(QLatin1Char('|'));
    for (int i = 1; i < recordSet.size(); ++i) {
        const QVariantMap map = recordSet.at(i).toMap();
        QStringList entries;
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            entries << it.key() + QLatin1Char('=') + it.value().toString();
        lines << entries.join(QLatin1Char(','));
    }
    return lines.join(QLatin1Char('\n'));
}

// Rows 0 .. 3 at the top; row 2 has children 0 and 1, child 0 has children
// 0 .. 2.
std::unique_ptr<QStandardItemModel> makeTree()
{
    auto model = std::make_unique<QStandardItemModel>();
    for (int r = 0; r < 4; ++r)
        model->appendRow(new QStandardItem(QStringLiteral("top %1").arg(r)));
    QStandardItem *two = model->item(2);
    for (int r = 0; r < 2; ++r)
        two->appendRow(new QStandardItem(QStringLiteral("child %1").arg(r)));
    for (int r = 0; r < 3; ++r)
        two->child(0)->appendRow(new QStandardItem(QStringLiteral("grandchild %1").arg(r)));
    return model;
}

} // namespace

class tst_ModelIO : public QObject
{
    Q_OBJECT
private slots:
    void readers_data();
    void readers();
    void unreadableFile_data();
    void unreadableFile();
    void clipboard_data();
    void clipboard();
    void convertModelData_data();
    void convertModelData();
    void convertModelDataWalksTheTree();
    void dataFromIndex();
    void positionFromIndex();
    void positionToIndex_data();
    void positionToIndex();
    void positionRoundTrip();
};

void tst_ModelIO::readers_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("records");

    QTest::addRow("final line break")
        << QByteArray("A;B\n1;2\n3\n") << "A|B\n1|2\n3|-\n|-" << "A|B\nA=1,B=2\nA=3,B=\nA=,B=";
    QTest::addRow("no final line break")
        << QByteArray("A;B\n1;2") << "A|B\n1|2" << "A|B\nA=1,B=2";
    QTest::addRow("line longer than captions")
        << QByteArray("A;B\n1;2;3") << "A|B|3\n1|2|3" << "A|B\nA=1,B=2";
    QTest::addRow("captions longer than lines")
        << QByteArray("A;B;C\n1") << "A|B|C\n1|-|-" << "A|B|C\nA=1,B=,C=";
    QTest::addRow("empty fields kept")
        << QByteArray("A;B;C\n;;x") << "A|B|C\n||x" << "A|B|C\nA=,B=,C=x";
    QTest::addRow("no trimming")
        << QByteArray("A; B\n 1 ;2") << "A| B\n 1 |2" << "A| B\n B=2,A= 1 ";
    QTest::addRow("repeated caption")
        << QByteArray("A;A\n1;2") << "A|A\n1|2" << "A|A\nA=2";
    QTest::addRow("windows line ends")
        << QByteArray("A;B\r\n1;2\r\n") << "A|B\n1|2\n|-" << "A|B\nA=1,B=2\nA=,B=";
    QTest::addRow("captions only") << QByteArray("A;B") << "A|B" << "A|B";
    QTest::addRow("empty file") << QByteArray() << "" << "";
    QTest::addRow("line break only") << QByteArray("\n") << "\n" << "\n=";
    QTest::addRow("quotes are text")
        << QByteArray("\"A;B\"\n\"1;2\"") << "\"A|B\"\n\"1|2\"" << "\"A|B\"\n\"A=\"1,B\"=2\"";
    QTest::addRow("truncated mid line")
        << QByteArray("A;B;C\n1;2;3\n4;") << "A|B|C\n1|2|3\n4||-" << "A|B|C\nA=1,B=2,C=3\nA=4,B=,C=";
    QTest::addRow("binary bytes")
        << QByteArray("A\n\x01\x02;\x7f") << "A|2\n\x01\x02|\x7f" << "A\nA=\x01\x02";
}

void tst_ModelIO::readers()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, model);
    QFETCH(QString, records);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = writeFile(dir, content);
    QVERIFY(!path.isEmpty());

    std::unique_ptr<QStandardItemModel> read(csvFileToQStandardItemModel(path));
    QVERIFY(read);
    QAbstractItemModelTester tester(read.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(dump(*read), model);
    QCOMPARE(dump(csvFileToRecordSet(path)), records);

    // The file is only read.
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), content);
}

void tst_ModelIO::unreadableFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addRow("missing") << "missing.csv";
    QTest::addRow("folder") << "folder";
    QTest::addRow("empty name") << "";
}

void tst_ModelIO::unreadableFile()
{
    QFETCH(QString, name);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    const QString path = name.isEmpty() ? QString() : dir.filePath(name);
    QCOMPARE(csvFileToQStandardItemModel(path), nullptr);
    QCOMPARE(csvFileToRecordSet(path), QList<QVariant>());
}

void tst_ModelIO::clipboard_data()
{
    QTest::addColumn<QVector<QPoint>>("cells"); // (column, row)
    QTest::addColumn<QString>("text");

    QTest::addRow("rows and columns out of order")
        << QVector<QPoint>{{0, 5}, {1, 4}, {0, 4}} << "r4c0\tr4c1\nr5c0\n";
    QTest::addRow("one row and one below")
        << QVector<QPoint>{{0, 4}, {1, 4}, {2, 4}, {0, 5}} << "r4c0\tr4c1\tr4c2\nr5c0\n";
    QTest::addRow("single cell") << QVector<QPoint>{{2, 1}} << "r1c2\n";
    QTest::addRow("nothing selected") << QVector<QPoint>{} << "";
}

void tst_ModelIO::clipboard()
{
    QFETCH(QVector<QPoint>, cells);
    QFETCH(QString, text);

    QStandardItemModel model(6, 3);
    for (int r = 0; r < 6; ++r) {
        for (int c = 0; c < 3; ++c)
            model.setItem(r, c, new QStandardItem(QStringLiteral("r%1c%2").arg(r).arg(c)));
    }
    QTableView view;
    view.setModel(&model);
    for (const QPoint &cell : cells)
        view.selectionModel()->select(model.index(cell.y(), cell.x()), QItemSelectionModel::Select);
    QCOMPARE(itemViewToClipboard(&view), text);
}

void tst_ModelIO::convertModelData_data()
{
    QTest::addColumn<QString>("typeName");
    QTest::addColumn<QVariant>("before");
    QTest::addColumn<QVariant>("after");

    QTest::addRow("date") << "QDate" << QVariant(QStringLiteral("31-12-2019"))
                          << QVariant(QDate(2019, 12, 31));
    QTest::addRow("date in other form") << "QDate" << QVariant(QStringLiteral("2019-12-31"))
                                        << QVariant(QDate());
    QTest::addRow("date truncated") << "QDate" << QVariant(QStringLiteral("31-12-"))
                                    << QVariant(QDate());
    QTest::addRow("date-time") << "QDateTime" << QVariant(QStringLiteral("2019-12-31T08:30:00"))
                               << QVariant(QDateTime(QDate(2019, 12, 31), QTime(8, 30)));
    QTest::addRow("date-time garbage") << "QDateTime" << QVariant(QStringLiteral("soon"))
                                       << QVariant(QDateTime());
    QTest::addRow("string") << "QString" << QVariant(12) << QVariant(QStringLiteral("12"));
    QTest::addRow("int") << "int" << QVariant(QStringLiteral("42")) << QVariant(42);
    QTest::addRow("int garbage") << "int" << QVariant(QStringLiteral("4x2")) << QVariant(0);
    QTest::addRow("double") << "double" << QVariant(QStringLiteral("2.5")) << QVariant(2.5);
    QTest::addRow("unknown type") << "date" << QVariant(QStringLiteral("31-12-2019"))
                                  << QVariant(QStringLiteral("31-12-2019"));
    QTest::addRow("type name case") << "qdate" << QVariant(QStringLiteral("31-12-2019"))
                                    << QVariant(QStringLiteral("31-12-2019"));
}

void tst_ModelIO::convertModelData()
{
    QFETCH(QString, typeName);
    QFETCH(QVariant, before);
    QFETCH(QVariant, after);

    QStandardItemModel model(2, 2);
    for (int r = 0; r < 2; ++r) {
        model.setData(model.index(r, 0), QStringLiteral("keep"));
        model.setData(model.index(r, 1), before);
    }
    ::convertModelData(&model, 1, typeName);
    for (int r = 0; r < 2; ++r) {
        const QVariant got = model.index(r, 1).data();
        QCOMPARE(got.userType(), after.userType());
        QCOMPARE(got, after);
        QCOMPARE(model.index(r, 0).data(), QVariant(QStringLiteral("keep")));
    }
}

void tst_ModelIO::convertModelDataWalksTheTree()
{
    auto model = makeTree();
    model->setColumnCount(2);
    model->item(2)->setChild(1, 1, new QStandardItem(QStringLiteral("7")));
    model->item(2)->child(0)->setChild(2, 1, new QStandardItem(QStringLiteral("9")));
    model->setItem(0, 1, new QStandardItem(QStringLiteral("1")));

    ::convertModelData(model.get(), 1, QStringLiteral("int"));
    QCOMPARE(model->item(0, 1)->data(Qt::DisplayRole), QVariant(1));
    QCOMPARE(model->item(2)->child(1, 1)->data(Qt::DisplayRole), QVariant(7));
    QCOMPARE(model->item(2)->child(0)->child(2, 1)->data(Qt::DisplayRole), QVariant(9));

    // Bad arguments leave the model alone.
    ::convertModelData(nullptr, 1, QStringLiteral("int"));
    ::convertModelData(model.get(), 5, QStringLiteral("QString"));
    ::convertModelData(model.get(), -1, QStringLiteral("QString"));
    QCOMPARE(model->item(0, 1)->data(Qt::DisplayRole), QVariant(1));
}

void tst_ModelIO::dataFromIndex()
{
    QStandardItemModel model(2, 4);
    model.setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("SQL"),
                                     QStringLiteral("Note"), QStringLiteral("NOTE")});
    model.setItem(1, 0, new QStandardItem(QStringLiteral("report")));
    model.setItem(1, 1, new QStandardItem(QStringLiteral("select 1")));
    model.setItem(1, 2, new QStandardItem(QStringLiteral("first")));
    model.setItem(1, 3, new QStandardItem(QStringLiteral("second")));

    const QHash<QString, QString> row = ::dataFromIndex(model.index(1, 2));
    QHash<QString, QString> expected;
    expected.insert(QStringLiteral("name"), QStringLiteral("report"));
    expected.insert(QStringLiteral("content"), QStringLiteral("select 1"));
    expected.insert(QStringLiteral("note"), QStringLiteral("second"));
    QCOMPARE(row, expected);
    QVERIFY(::dataFromIndex(QModelIndex()).isEmpty());
}

void tst_ModelIO::positionFromIndex()
{
    auto model = makeTree();
    QCOMPARE(::positionFromIndex(model->index(3, 0)), QStringLiteral("3"));
    QCOMPARE(::positionFromIndex(model->item(2)->child(0)->child(2)->index()), QStringLiteral("2.0.2"));
    QCOMPARE(::positionFromIndex(QModelIndex()), QStringLiteral("-1"));
}

void tst_ModelIO::positionToIndex_data()
{
    QTest::addColumn<QString>("position");
    QTest::addColumn<QString>("item"); // text of the item reached; empty: invalid

    QTest::addRow("top level") << "3" << "top 3";
    QTest::addRow("grandchild") << "2.0.2" << "grandchild 2";
    QTest::addRow("other separator") << "2/1" << "child 1";
    QTest::addRow("empty part reads 0") << "2..1" << "grandchild 1";
    QTest::addRow("empty") << "" << "";
    QTest::addRow("invalid index text") << "-1" << "";
    QTest::addRow("missing top row") << "9" << "";
    QTest::addRow("missing child") << "2.5" << "";
    QTest::addRow("child of a leaf") << "1.0" << "";
    QTest::addRow("missing below existing") << "2.0.2.0" << "";
    QTest::addRow("trailing separator") << "2.0." << "grandchild 0";
    QTest::addRow("number too large") << "99999999999" << "";
}

void tst_ModelIO::positionToIndex()
{
    QFETCH(QString, position);
    QFETCH(QString, item);

    auto model = makeTree();
    const QModelIndex index = ::positionToIndex(model.get(), position);
    QCOMPARE(index.isValid(), !item.isEmpty());
    QCOMPARE(index.data().toString(), item);
    if (index.isValid())
        QCOMPARE(index.column(), 0);
    QCOMPARE(::positionToIndex(nullptr, position), QModelIndex());
}

void tst_ModelIO::positionRoundTrip()
{
    auto model = makeTree();
    std::function<void(const QModelIndex &)> walk = [&](const QModelIndex &parent) {
        for (int r = 0; r < model->rowCount(parent); ++r) {
            const QModelIndex index = model->index(r, 0, parent);
            QCOMPARE(::positionToIndex(model.get(), ::positionFromIndex(index)), index);
            walk(index);
        }
    };
    walk(QModelIndex());
}

QTEST_MAIN(tst_ModelIO)
#include "tst_modelio.moc"
