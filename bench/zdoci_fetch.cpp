// Fetch speed of the ZDOCI driver over the stand-in client beside this
// program (oradrv/linux64/oci.so), against Qt's QSQLITE driver reading the
// same SQLite file: a 100,000-row, 8-column select, every value read.

#include "benchenv.h"
#include "zdocidriver.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlDriverCreator>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>

#include <cstdio>

namespace {

constexpr int Rows = 100000;
const char *const Select =
        "select id, name, qty, start_date, finish_date, code, flag, note from activity";

bool seed(const QString &file)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("seed"));
    db.setDatabaseName(file);
    if (!db.open())
        return false;
    QSqlQuery q(db);
    q.exec(QStringLiteral("create table activity (id NUMBER(10), name VARCHAR2(60), "
                          "qty NUMBER(12,2), start_date DATE, finish_date DATE, "
                          "code VARCHAR2(20), flag NUMBER(1), note VARCHAR2(100))"));
    db.transaction();
    q.prepare(QStringLiteral("insert into activity values (?, ?, ?, ?, ?, ?, ?, ?)"));
    const QDateTime base(QDate(2024, 1, 1), QTime(8, 0));
    for (int i = 0; i < Rows; ++i) {
        q.addBindValue(i);
        q.addBindValue(QStringLiteral("Activity number %1").arg(i));
        q.addBindValue(i * 0.25);
        // Schedule dates: working days over about three years, 08:00 to 17:00.
        const QDateTime start = base.addDays(i % 1000);
        q.addBindValue(start.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        q.addBindValue(start.addDays(i % 20).addSecs(9 * 3600)
                               .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        q.addBindValue(QStringLiteral("A%1").arg(i % 977));
        q.addBindValue(i % 2);
        q.addBindValue(QStringLiteral("note %1").arg(i % 13));
        if (!q.exec())
            return false;
    }
    return db.commit();
}

// Milliseconds to run the select and read every value; rows counted into *rows.
qint64 fetchAll(QSqlDatabase db, int *rows)
{
    QElapsedTimer timer;
    timer.start();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QLatin1String(Select))) {
        std::fprintf(stderr, "%s\n", qPrintable(q.lastError().text()));
        return -1;
    }
    int n = 0;
    qint64 checksum = 0;
    while (q.next()) {
        for (int c = 0; c < 8; ++c)
            checksum += q.value(c).isValid();
        ++n;
    }
    *rows = checksum == qint64(n) * 8 ? n : -1;
    return timer.elapsed();
}

} // namespace

int main(int argc, char **argv)
{
    disableUpdateCheck();
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("fetch.sqlite"));
    if (!seed(file)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(file));
        return 1;
    }
    QSqlDatabase::removeDatabase(QStringLiteral("seed"));

    QSqlDatabase::registerSqlDriver(QStringLiteral("ZDOCI"), new QSqlDriverCreator<ZDOCIDriver>);
    QSqlDatabase oci = QSqlDatabase::addDatabase(QStringLiteral("ZDOCI"), QStringLiteral("oci"));
    oci.setDatabaseName(file); // the stand-in client opens an absolute path as it is
    oci.setConnectOptions(QStringLiteral("OCI_ATTR_PREFETCH_ROWS=750"));
    if (!oci.open(QStringLiteral("bench"), QStringLiteral("bench"))) {
        std::fprintf(stderr, "%s\n", qPrintable(oci.lastError().text()));
        return 1;
    }
    QSqlDatabase lite = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("lite"));
    lite.setDatabaseName(file);
    if (!lite.open())
        return 1;

    int rows = 0, liteRows = 0;
    fetchAll(oci, &rows); // warm both caches once
    fetchAll(lite, &liteRows);
    const qint64 ms = fetchAll(oci, &rows);
    const qint64 liteMs = fetchAll(lite, &liteRows);
    if (rows != Rows || liteRows != Rows) {
        std::fprintf(stderr, "row count mismatch: %d, %d\n", rows, liteRows);
        return 1;
    }
    std::printf("rows %d\n", rows);
    std::printf("fetch_ms %lld\n", static_cast<long long>(ms));
    std::printf("rows_per_s %lld\n", static_cast<long long>(ms > 0 ? rows * 1000LL / ms : rows * 1000LL));
    std::printf("sqlite_fetch_ms %lld\n", static_cast<long long>(liteMs));
    return 0;
}
