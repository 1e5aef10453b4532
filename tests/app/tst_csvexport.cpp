#include "csvexport.h"
#include "ownallocationfailure.h"
#include "syncs.h"

#include <QDateTime>
#include <QFile>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {

QList<QStandardItem *> row(const QVariantList &values)
{
    QList<QStandardItem *> items;
    for (const QVariant &v : values) {
        auto *item = new QStandardItem;
        if (v.isValid())
            item->setData(v, Qt::DisplayRole);
        items << item;
    }
    return items;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

} // namespace

class tst_CsvExport : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void quoteField_data();
    void quoteField();
    void matchesExpectedFile();
    void hiddenAndMovedColumns();
    void noTreeColumn();
    void emptyModelGivesHeaderOnly();
    void failedWriteIsReported_data();
    void failedWriteIsReported();

private:
    QStandardItemModel *m_model = nullptr;
    QTreeView *m_view = nullptr;
};

void tst_CsvExport::init()
{
    // Columns: Activity ID, Activity Name, Start Date, Note, Group.
    m_model = new QStandardItemModel;
    m_model->setHorizontalHeaderLabels({QStringLiteral("Activity ID"),
                                        QStringLiteral("Activity Name"),
                                        QStringLiteral("Start Date"), QStringLiteral("Note"),
                                        QStringLiteral("Group")});
    const QDateTime start(QDate(2021, 3, 7), QTime(9, 0));
    // A group band with a title, two activities below, one of them with a
    // child three levels deep in all.
    QList<QStandardItem *> band = row({QVariant(), QVariant(), start, QVariant(),
                                       QStringLiteral("WBS 1 Design")});
    QList<QStandardItem *> a1 = row({QStringLiteral("A1000"), QStringLiteral("Plain"), start,
                                     QStringLiteral("A;B"), QVariant()});
    QList<QStandardItem *> a2 = row({QStringLiteral("A1010"), QStringLiteral("Say \"hi\""),
                                     QDateTime(QDate(2021, 12, 31), QTime(23, 59)),
                                     QStringLiteral("two\nlines"), QVariant()});
    QList<QStandardItem *> sub = row({QVariant(), QVariant(), QVariant(), QVariant(),
                                      QStringLiteral("Sub band")});
    QList<QStandardItem *> a3 = row({QStringLiteral("A1020"), QStringLiteral("Café 5€ – ok"),
                                     QVariant(), QStringLiteral("r\rend"), QVariant()});
    sub.first()->appendRow(a3);
    a2.first()->appendRow(sub);
    band.first()->appendRow(a1);
    band.first()->appendRow(a2);
    m_model->appendRow(band);
    m_model->appendRow(row({QStringLiteral("A2000"), QStringLiteral("Top"), 42, 3.5, QVariant()}));

    m_view = new QTreeView;
    m_view->setModel(m_model);
    m_view->setColumnHidden(4, true); // the Group column is never shown
}

void tst_CsvExport::cleanup()
{
    delete m_view;
    delete m_model;
}

void tst_CsvExport::quoteField_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::addRow("plain") << QStringLiteral("abc") << QStringLiteral("abc");
    QTest::addRow("empty") << QString() << QString();
    QTest::addRow("separator") << QStringLiteral("a;b") << QStringLiteral("\"a;b\"");
    QTest::addRow("quote") << QStringLiteral("a\"b") << QStringLiteral("\"a\"\"b\"");
    QTest::addRow("only quote") << QStringLiteral("\"") << QStringLiteral("\"\"\"\"");
    QTest::addRow("line feed") << QStringLiteral("a\nb") << QStringLiteral("\"a\nb\"");
    QTest::addRow("carriage return") << QStringLiteral("a\rb") << QStringLiteral("\"a\rb\"");
    QTest::addRow("comma untouched") << QStringLiteral("a,b") << QStringLiteral("a,b");
    QTest::addRow("blanks kept") << QStringLiteral("  a ") << QStringLiteral("  a ");
}

void tst_CsvExport::quoteField()
{
    QFETCH(QString, in);
    QFETCH(QString, out);
    QCOMPARE(CsvExport::quoteField(in), out);
}

void tst_CsvExport::matchesExpectedFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Export.csv"));
    m_view->collapseAll(); // collapsed rows are written all the same
    QCOMPARE(CsvExport::saveViewData(m_view, path), CsvExport::Ok);
    const QByteArray expected = readAll(QStringLiteral(TESTDATA_DIR "/app/export_expected.csv"));
    QVERIFY(!expected.isEmpty());
    QCOMPARE(readAll(path), expected);

    // Saving again replaces the file.
    QCOMPARE(CsvExport::saveViewData(m_view, path), CsvExport::Ok);
    QCOMPARE(readAll(path), expected);
}

void tst_CsvExport::hiddenAndMovedColumns()
{
    m_view->setColumnHidden(1, true);
    m_view->header()->moveSection(m_view->header()->visualIndex(3), 0);
    QCOMPARE(CsvExport::headerLine(m_view), QStringLiteral("Note;Activity ID;Start Date\n"));
    const QString lines = CsvExport::saveViewDataHelper(m_view, QModelIndex());
    QCOMPARE(lines.section(QLatin1Char('\n'), 0, 0), QStringLiteral(";WBS 1 Design;07-03-2021"));
    QCOMPARE(lines.section(QLatin1Char('\n'), 1, 1), QStringLiteral("\"A;B\"; A1000;07-03-2021"));
    // Tree column follows its logical index, not its place on screen.
    m_view->setTreePosition(3);
    const QString moved = CsvExport::saveViewDataHelper(m_view, QModelIndex());
    QCOMPARE(moved.section(QLatin1Char('\n'), 0, 0), QStringLiteral("WBS 1 Design;;07-03-2021"));
    QCOMPARE(moved.section(QLatin1Char('\n'), 1, 1), QStringLiteral("\" A;B\";A1000;07-03-2021"));
}

void tst_CsvExport::noTreeColumn()
{
    m_view->setTreePosition(-1);
    QVERIFY(m_view->treePosition() == -1 || m_view->treePosition() == 0);
    if (m_view->treePosition() != -1)
        QSKIP("this Qt reports tree position 0 for an unset tree column");
    const QString lines = CsvExport::saveViewDataHelper(m_view, QModelIndex());
    QCOMPARE(lines.section(QLatin1Char('\n'), 0, 0), QStringLiteral(";;07-03-2021;"));
    QCOMPARE(lines.section(QLatin1Char('\n'), 1, 1), QStringLiteral("A1000;Plain;07-03-2021;\"A;B\""));
}

void tst_CsvExport::emptyModelGivesHeaderOnly()
{
    m_model->removeRows(0, m_model->rowCount());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("empty.csv"));
    QCOMPARE(CsvExport::saveViewData(m_view, path), CsvExport::Ok);
    QCOMPARE(readAll(path), QByteArray("Activity ID;Activity Name;Start Date;Note\n"));
}

void tst_CsvExport::failedWriteIsReported_data()
{
    QTest::addColumn<QString>("name"); // in a fresh folder holding "earlier.csv"
    QTest::addColumn<qint64>("ceiling"); // -1: no bound but the system's
    QTest::addColumn<bool>("runsOut");
    QTest::addColumn<int>("result");
    // 32 MiB: pieces of 1M characters, twice while they grow, as UTF-8 and
    // buffered, with 16 MiB for the walk.
    const qint64 room = qint64(32) << 20;
    QTest::addRow("no folder") << "no/such/x.csv" << qint64(-1) << false << int(CsvExport::CannotOpen);
    // A folder in the file's place is not overwritten.
    QTest::addRow("a folder in its place") << "" << qint64(-1) << false << int(CsvExport::CannotOpen);
    QTest::addRow("no room") << "earlier.csv" << room - 1 << false << int(CsvExport::NoMemory);
    QTest::addRow("room enough") << "earlier.csv" << room << false << int(CsvExport::Ok);
    QTest::addRow("disk full") << "earlier.csv" << qint64(-1) << false << int(CsvExport::CannotWrite);
    QTest::addRow("disk failing once flushed") << "earlier.csv" << qint64(-1) << false << int(CsvExport::CannotWrite);
    QTest::addRow("runs out while writing") << "earlier.csv" << qint64(-1) << true << int(CsvExport::NoMemory);
}

void tst_CsvExport::failedWriteIsReported()
{
    QFETCH(QString, name);
    QFETCH(qint64, ceiling);
    QFETCH(bool, runsOut);
    QFETCH(int, result);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QFile earlier(dir.filePath(QStringLiteral("earlier.csv")));
    QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("before\n") == 7);
    earlier.close();
    const ownallocationfailure::Shortage shortage(ceiling, runsOut);
    QString error;
    rlimit disk{};
    getrlimit(RLIMIT_FSIZE, &disk);
    const rlimit full{10, disk.rlim_max}; // files end there, as on a full disk: the system says why
    signal(SIGXFSZ, SIG_IGN);
    const bool flushed = QByteArray(QTest::currentDataTag()).contains("flushed");
    setrlimit(RLIMIT_FSIZE, result == CsvExport::CannotWrite && !flushed ? &full : &disk);
    syncs::failWith = flushed ? EIO : 0;
    const auto restore = qScopeGuard([disk] {
        setrlimit(RLIMIT_FSIZE, &disk);
        syncs::failWith = 0;
    });
    QCOMPARE(int(CsvExport::saveViewData(m_view, path, &error)), result);
    QCOMPARE(ownallocationfailure::thrown.load(), runsOut ? 1 : 0);
    QCOMPARE(error.isEmpty(), result != CsvExport::CannotOpen && result != CsvExport::CannotWrite);
    if (result == CsvExport::CannotWrite)
        QCOMPARE(error, QString::fromLocal8Bit(strerror(flushed ? EIO : EFBIG)));
    QVERIFY(QFileInfo(dir.path()).isDir());
    // Only a whole file replaces the one there was.
    QCOMPARE(readAll(earlier.fileName()) == "before\n", result != CsvExport::Ok);
}

QTEST_MAIN(tst_CsvExport)
#include "tst_csvexport.moc"
