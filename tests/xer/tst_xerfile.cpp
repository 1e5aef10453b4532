#include "xerfield.h"
#include "xerfile.h"
#include "xerrecord.h"
#include "xertable.h"
#include "xertestfiles.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QSignalSpy>
#include <QtTest>

#include <cstring>
#include <limits>

using namespace xertest;

namespace {

constexpr int Chunk = 1024 * 1024;

QString fieldText(const QStringRef &ref)
{
    return ref.size() > 100 ? QStringLiteral("<len:%1>").arg(ref.size()) : ref.toString();
}

// Kept tables as text: name[fields]{record;record} with the fields after the
// marker joined by ','.
QString dump(const xer::XERFile &reader)
{
    QStringList tables;
    for (const xer::XERTable *t : reader.tables()) {
        QStringList fields;
        if (t->fields()) {
            for (int i = 1; i < t->fields()->fieldCount(); ++i)
                fields << fieldText(t->fields()->value(i));
        }
        QStringList records;
        for (const xer::XERRecord *r : t->records()) {
            QStringList cells;
            for (int i = 1; i < r->fieldCount(); ++i)
                cells << fieldText(r->value(i));
            records << cells.join(QLatin1Char(','));
        }
        tables << QStringLiteral("%1[%2]{%3}")
                          .arg(t->value(1).toString(), fields.join(QLatin1Char(',')),
                               records.join(QLatin1Char(';')));
    }
    return tables.join(QLatin1Char(' '));
}

// The same from the line spans the loader reads, made before any object.
QString dumpSpans(const xer::XERFile &reader)
{
    const auto fieldsOf = [&reader](const xer::LineSpan &line) {
        const QString text = reader.decode(reader.lineBegin(line), reader.lineBegin(line) + line.size);
        QStringList fields;
        const QStringList all = text.split(QLatin1Char('\t'));
        for (int i = 1; i < all.size(); ++i)
            fields << (all.at(i).size() > 100 ? QStringLiteral("<len:%1>").arg(all.at(i).size()) : all.at(i));
        return fields;
    };
    QStringList tables;
    for (const xer::TableLines &t : reader.tableLines()) {
        QStringList records;
        for (const xer::LineSpan &r : t.records)
            records << fieldsOf(r).join(QLatin1Char(','));
        const QStringList fields = t.fields.size < 0 ? QStringList() : fieldsOf(t.fields);
        tables << QStringLiteral("%1[%2]{%3}").arg(t.name, fields.join(QLatin1Char(',')), records.join(QLatin1Char(';')));
    }
    return tables.join(QLatin1Char(' '));
}

// A file whose record "1\t2" of TASK starts `before` bytes ahead of the first
// chunk boundary, so that it crosses it.
QByteArray acrossBoundary(int before, const QByteArray &eol)
{
    QByteArray head = header(eol) + "%T\tTASK" + eol + "%F\ta\tb" + eol;
    const QByteArray pre = "%R\t";
    const QByteArray post = "\tend" + eol;
    const int fill = Chunk - before - head.size() - pre.size() - post.size();
    return head + pre + QByteArray(fill, 'x') + post + "%R\t1\t2" + eol + "%E" + eol;
}

// A "%T" line whose "%" is the last byte of the first chunk.
QByteArray tableMarkerAtBoundary()
{
    QByteArray head = header() + "%T\tCALENDAR\r\n%F\tdata\r\n%R\t";
    const QByteArray post = "\r\n";
    const int fill = Chunk - 1 - head.size() - post.size();
    return head + QByteArray(fill, 'c') + post + "%T\tTASK\r\n%F\ta\r\n%R\t7\r\n%E\r\n";
}

// A TASK table whose records end at the given offsets of the file: the first
// byte of each line end is there. With a size beyond the last, a record
// without a line end fills the file up to it.
QByteArray recordsEndingAt(const QList<qint64> &ends, const QByteArray &eol, qint64 size = 0)
{
    QByteArray content = header(eol) + "%T\tTASK" + eol + "%F\ta" + eol;
    for (qint64 end : ends)
        content += "%R\t" + QByteArray(int(end - content.size() - 3), 'x') + eol;
    if (size > content.size())
        content += "%R\t" + QByteArray(int(size - content.size() - 3), 'y');
    return content;
}

// A file that says it is longer than it is, as one that shrinks while it is
// read does.
class ShrinkingFile : public QFile
{
public:
    ShrinkingFile(const QString &path, qint64 missing)
        : QFile(path)
        , m_missing(missing)
    {
    }
    qint64 size() const override { return QFile::size() + m_missing; }

private:
    qint64 m_missing;
};

// A sequential device, as a pipe is to the reader, over the given bytes: it
// counts the bytes it hands out and fails once failAt of them are out.
class StreamDevice : public QIODevice
{
public:
    explicit StreamDevice(const QByteArray &bytes, qint64 failAt = -1)
        : m_bytes(bytes)
        , m_failAt(failAt)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }
    qint64 given() const { return m_at; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (m_failAt >= 0 && m_at >= m_failAt) {
            setErrorString(QStringLiteral("device failed"));
            return -1;
        }
        const qint64 n = qMin(maxSize, m_bytes.size() - m_at);
        std::memcpy(data, m_bytes.constData() + m_at, size_t(n));
        m_at += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_failAt;
    qint64 m_at = 0;
};

} // namespace

class tst_XERFile : public QObject
{
    Q_OBJECT
private slots:
    void read_data();
    void read();
    void cannotOpen();
    void encoding_data();
    void encoding();
    void lineLimit_data();
    void lineLimit();
    void progress_data();
    void progress();
    void inputNeverWritten();
    void objectModel();
    void splitAndParse();
};

void tst_XERFile::read_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("wanted");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("expected");

    const QStringList task = {QStringLiteral("TASK")};
    const QByteArray simple = header() + table("TASK", "task_id\tname", {"1\tA", "2\tB"}) + "%E\r\n";

    // Without even a header line a file is no XER file.
    QTest::addRow("empty") << QByteArray() << task << 1 << QString();
    QTest::addRow("binary") << QByteArray("\x00\x01\x02\xFF\xFE\x89PNG\r\n", 10) << task << 1 << QString();
    QTest::addRow("header only") << header() << task << 0 << QString();
    QTest::addRow("header without tab") << QByteArray("ERMHDR\r\n%T\tTASK\r\n") << task << 1 << QString();
    QTest::addRow("header word only") << QByteArray("ERMHDR") << task << 1 << QString();
    QTest::addRow("utf-8 byte-order mark")
            << QByteArray("\xEF\xBB\xBF") + simple << task << 0 << QStringLiteral("TASK[task_id,name]{1,A;2,B}");
    QTest::addRow("no table line") << header() + "%F\ta\r\n%R\t1\r\n%E\r\n" << task << 0 << QString();
    // A field list belongs to the table line right before it.
    QTest::addRow("field list after a record: no table's")
            << header() + "%T\tTASK\r\n%R\t1\t2\r\n%F\ta\tb\r\n%R\t3\t4\r\n" << task << 0
            << QStringLiteral("TASK[]{}");
    QTest::addRow("a table twice")
            << header() + table("TASK", "a", {"1"}) + table("TASK", "a", {"2", "3"}) << task << 0
            << QStringLiteral("TASK[a]{1} TASK[a]{2;3}");
    QTest::addRow("unknown table skipped")
            << header() + table("CALENDAR", "x\ty", {"1\t2"}) + table("TASK", "a", {"9"}) << task << 0
            << QStringLiteral("TASK[a]{9}");
    QTest::addRow("every table without a wanted list")
            << header() + table("CALENDAR", "x", {"1"}) + table("TASK", "a", {"9"}) << QStringList() << 0
            << QStringLiteral("CALENDAR[x]{1} TASK[a]{9}");
    QTest::addRow("lower-case table name kept")
            << header() + table("task", "a", {"5"}) << task << 0 << QStringLiteral("task[a]{5}");
    QTest::addRow("CRLF") << simple << task << 0 << QStringLiteral("TASK[task_id,name]{1,A;2,B}");
    QTest::addRow("LF")
            << header("\n") + table("TASK", "task_id\tname", {"1\tA", "2\tB"}, "\n") + "%E\n" << task << 0
            << QStringLiteral("TASK[task_id,name]{1,A;2,B}");
    QTest::addRow("CR only and empty lines")
            << header("\r") + "\r\n\r\n" + table("TASK", "task_id\tname", {"1\tA", "2\tB"}, "\r\r\n") << task
            << 0 << QStringLiteral("TASK[task_id,name]{1,A;2,B}");
    QTest::addRow("empty and trailing fields")
            << header() + table("TASK", "a\tb\tc", {"\t\t", "1\t\t3", "1\t2\t"}) << task << 0
            << QStringLiteral("TASK[a,b,c]{,,;1,,3;1,2,}");
    QTest::addRow("short and long records")
            << header() + table("TASK", "a\tb\tc", {"1", "1\t2\t3\t4\t5"}) << task << 0
            << QStringLiteral("TASK[a,b,c]{1;1,2,3,4,5}");
    QTest::addRow("missing end line")
            << header() + table("TASK", "a", {"1", "2"}) << task << 0 << QStringLiteral("TASK[a]{1;2}");
    {
        // One line over several chunks is read whole, each byte once.
        const QByteArray field(3 * Chunk + 123, 'L');
        QTest::addRow("line over four chunks")
                << header() + table("TASK", "a\tb", {"1\t" + field, "2\tx"}) << task << 0
                << QStringLiteral("TASK[a,b]{1,<len:%1>;2,x}").arg(field.size());
    }
    // With neither a line end nor the end line after it, the file's end cut it.
    QTest::addRow("last record without line end: cut, left out")
            << header() + "%T\tTASK\r\n%F\ta\tb\r\n%R\t1\t2\r\n%R\t3\t4" << task << 0
            << QStringLiteral("TASK[a,b]{1,2}");
    QTest::addRow("header line inside a kept table ends it")
            << header() + "%T\tTASK\r\n%F\ta\r\n%R\t1\r\n" + header() + "%R\t2\r\n" << task << 0
            << QStringLiteral("TASK[a]{1}");
    QTest::addRow("other markers ignored")
            << header() + "%T\tTASK\r\n%F\ta\r\n%X\tq\r\n%R\t1\r\nnonsense\r\n%E\r\n" << task << 0
            << QStringLiteral("TASK[a]{1}");
    QTest::addRow("very long line")
            << header() + table("CALENDAR", "d", {QByteArray(3 * Chunk, 'z')})
                       + table("TASK", "a\tb", {QByteArray(2 * Chunk + 5, 'y') + "\tlast"})
            << task << 0 << QStringLiteral("TASK[a,b]{<len:2097157>,last}");
    const QString crossing = QStringLiteral("TASK[a,b]{<len:%1>,end;1,2}");
    for (int before : {1, 2, 3, 5}) {
        const QByteArray content = acrossBoundary(before, "\r\n");
        const int fill = content.indexOf("\tend") - content.indexOf("%R\t") - 3;
        QTest::addRow("record across the chunk boundary, %d bytes before", before)
                << content << task << 0 << crossing.arg(fill);
    }
    {
        // CR as the last byte of the first chunk, LF as the first of the next.
        const QByteArray content = acrossBoundary(-1, "\r\n");
        QCOMPARE(content.at(Chunk - 1), '\r');
        const int fill = content.indexOf("\tend") - content.indexOf("%R\t") - 3;
        QTest::addRow("CR LF split by the chunk boundary") << content << task << 0 << crossing.arg(fill);
    }
    {
        const QByteArray content = tableMarkerAtBoundary();
        QCOMPARE(content.at(Chunk - 1), '%');
        QTest::addRow("table marker split by the chunk boundary") << content << task << 0 << QStringLiteral("TASK[a]{7}");
    }
    // Files large enough to be split into pieces read side by side: a kept
    // table whose records run across pieces, CR-only line ends and a header
    // that ends the table far into the file.
    {
        QList<QByteArray> many;
        for (int i = 0; i < 150000; ++i)
            many << QByteArray::number(i) + '\t' + QByteArray(60, 'w');
        const QByteArray content = header() + table("TASK", "a\tb", many, "\r") + header()
                                   + table("TASK", "a", {"late"}, "\n") + "%R\tafter\n";
        QVERIFY(content.size() > 10 * Chunk);
        QStringList records;
        for (int i = 0; i < 150000; ++i)
            records << QStringLiteral("%1,%2").arg(i).arg(QString(60, QLatin1Char('w')));
        QTest::addRow("many pieces") << content << task << 0
                                     << QStringLiteral("TASK[a,b]{%1} TASK[a]{late;after}").arg(records.join(QLatin1Char(';')));
    }
}

void tst_XERFile::read()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, wanted);
    QFETCH(int, result);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString path = writeFile(dir, QStringLiteral("in.xer"), content);
    xer::XERFile reader(path, xer::CarriageReturnLineFeed, wanted);
    QCOMPARE(reader.read(), result);
    QCOMPARE(dumpSpans(reader), expected);
    QCOMPARE(dump(reader), expected);
    if (result != xer::XERFile::Ok)
        QCOMPARE(reader.objectCount(), 0);
}

void tst_XERFile::cannotOpen()
{
    QTemporaryDir dir;
    xer::XERFile reader(dir.filePath(QStringLiteral("missing.xer")), xer::CarriageReturnLineFeed, {});
    QSignalSpy progress(&reader, &xer::XERFile::progress);
    QCOMPARE(reader.read(), int(xer::XERFile::CannotOpen));
    QCOMPARE(progress.count(), 0);
    QVERIFY(reader.tables().isEmpty());

    xer::XERFile folder(dir.path(), xer::CarriageReturnLineFeed, {});
    QVERIFY(folder.read() != xer::XERFile::Ok);

    // Reading that fails part-way keeps nothing of the file, nor what the
    // read before found.
    StreamDevice afterEnd(header() + "%E\r\n" + table("TASK", "a", {"1"}));
    QCOMPARE(reader.read(&afterEnd), int(xer::XERFile::Ok));
    QVERIFY(reader.hasLinesAfterEndLine());
    StreamDevice failing(header() + table("TASK", "a", {QByteArray(3 * Chunk, 'f')}), 2 * Chunk);
    QCOMPARE(reader.read(&failing), int(xer::XERFile::ReadFailed));
    QVERIFY(reader.tables().isEmpty());
    QVERIFY(!reader.hasLinesAfterEndLine());
}

void tst_XERFile::encoding_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("utf8");

    const QString german = QString::fromUtf8("Gr\xC3\xBC\xC3\x9F" "e \xE2\x80\x93 \xE2\x82\xAC" "5");
    QTest::addRow("utf-8") << header() + table("TASK", "n", {"Gr\xC3\xBC\xC3\x9F" "e \xE2\x80\x93 \xE2\x82\xAC" "5"})
                           << german << true;
    QTest::addRow("utf-8 after a byte-order mark")
            << QByteArray("\xEF\xBB\xBF") + header() + table("TASK", "n", {"Gr\xC3\xBC\xC3\x9F" "e \xE2\x80\x93 \xE2\x82\xAC" "5"})
            << german << true;
    // Windows-1252: u-umlaut, sharp s, en dash, euro sign.
    QTest::addRow("windows-1252") << header() + table("TASK", "n", {"Gr\xFC\xDF" "e \x96 \x80" "5"}) << german
                                  << false;
    // Bytes that are not UTF-8 late in the file, in a table that is not even
    // kept, decide for the whole file.
    QTest::addRow("windows-1252 decided late")
            << header() + table("TASK", "n", {"Gr\xFC\xDF" "e \x96 \x80" "5"})
                       + table("CALENDAR", "x", {"caf\xE9"})
            << german << false;
    QTest::addRow("utf-8 text before a windows-1252 byte")
            << header() + table("TASK", "n", {"\xC3\xA9"}) + table("CALENDAR", "x", {"\xE9"})
            << QString::fromUtf8("\xC3\x83\xC2\xA9") << false;
    QTest::addRow("byte undefined in windows-1252")
            << header() + table("TASK", "n", {"a\x81" "b"}) << QStringLiteral("a\u0081b") << false;
    // The same, with the byte that is not UTF-8 a chunk later: the text read
    // so far is decoded again.
    QTest::addRow("windows-1252 decided a chunk later")
            << header() + table("TASK", "n", {"\xC3\xA9"})
                       + table("CALENDAR", "x", {QByteArray(Chunk + 100, 'f'), "\xE9"})
            << QString::fromUtf8("\xC3\x83\xC2\xA9") << false;
    QTest::addRow("ascii") << header() + table("TASK", "n", {"plain"}) << QStringLiteral("plain") << true;
    QTest::addRow("windows-1252 decided in the last piece of a large file")
            << header() + table("TASK", "n", {"\xC3\xA9"})
                       + table("CALENDAR", "x", QVector<QByteArray>(80000, QByteArray(70, 'c')).toList() << "\xE9")
            << QString::fromUtf8("\xC3\x83\xC2\xA9") << false;
}

void tst_XERFile::encoding()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    QFETCH(bool, utf8);
    QTemporaryDir dir;
    const QString path = writeFile(dir, QStringLiteral("in.xer"), content);
    xer::XERFile reader(path, xer::CarriageReturnLineFeed, {QStringLiteral("TASK")});
    QCOMPARE(reader.read(), int(xer::XERFile::Ok));
    QCOMPARE(reader.tables().size(), 1);
    QCOMPARE(reader.tables().first()->records().size(), 1);
    const QString text = reader.tables().first()->records().first()->value(1).toString();
    QCOMPARE(text, expected);
    QVERIFY(!text.contains(QChar::ReplacementCharacter));
    QCOMPARE(reader.isUtf8(), utf8);
}

void tst_XERFile::lineLimit_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("result");
    QTest::addColumn<qint64>("mostRead"); // bytes of the file or the stream
    QTest::addColumn<qint64>("missing");  // bytes the file says it has and has not
    QTest::addColumn<int>("records");     // of TASK, read whole
    QTest::addColumn<int>("lastSize");    // of the last record's field
    const QByteArray line(2 * Chunk + 5, 'z');
    const QByteArray atLimit(2 * Chunk - 3, 'z'); // "%R\t" and the field make the limit
    const qint64 all = std::numeric_limits<qint64>::max();
    const int ok = xer::XERFile::Ok;
    const int tooLarge = xer::XERFile::TooLarge;
    QTest::addRow("kept table") << header() + table("TASK", "a", {line}) << tooLarge << all << qint64(0) << 0 << 0;
    QTest::addRow("passed-over table") << header() + table("CALENDAR", "a", {line}) + table("TASK", "a", {"1"})
                                       << tooLarge << all << qint64(0) << 0 << 0;
    QTest::addRow("last line without line end")
            << header() + "%T\tTASK\r\n%F\ta\r\n%R\t" + line << tooLarge << all << qint64(0) << 0 << 0;
    QTest::addRow("at the limit") << header() + table("TASK", "a", {atLimit}) << ok << all << qint64(0) << 1
                                  << 2 * Chunk - 3;
    QTest::addRow("too long far into a large file")
            << header() + table("TASK", "a", QVector<QByteArray>(80000, QByteArray(70, 'r')).toList() << line)
            << tooLarge << all << qint64(0) << 0 << 0;
    // Reading stops soon after the line passes the limit, not at the end.
    QTest::addRow("line far over the limit")
            << header() + "%T\tTASK\r\n%F\ta\r\n%R\t" + QByteArray(16 * Chunk, '\0') << tooLarge
            << qint64(4 * Chunk) << qint64(0) << 0 << 0;
    // At the edges of what is read at a time: the file's first chunk, then
    // windows of twice the limit's chunks ([1, 3), [3, 5) ... MiB); a stream
    // a chunk at a time.
    QTest::addRow("line ends of CR alone")
            << header("\r") + table("TASK", "a", QVector<QByteArray>(8 * Chunk / 64, QByteArray(60, 'c')).toList(), "\r")
            << ok << all << qint64(0) << 8 * Chunk / 64 << 60;
    QTest::addRow("CR LF split across a window edge")
            << recordsEndingAt({3 * Chunk / 2, 3 * Chunk - 1, 5 * Chunk - 1}, "\r\n") << ok << all << qint64(0)
            << 3 << 2 * Chunk - 5;
    QTest::addRow("lone LF as a window's first byte")
            << recordsEndingAt({3 * Chunk / 2, 3 * Chunk, 5 * Chunk}, "\n") << ok << all << qint64(0) << 3
            << 2 * Chunk - 4;
    QTest::addRow("at the limit across a window edge")
            << recordsEndingAt({2 * Chunk - 2, 4 * Chunk}, "\r\n") << ok << all << qint64(0) << 2 << 2 * Chunk - 3;
    QTest::addRow("one past the limit across a window edge")
            << recordsEndingAt({2 * Chunk - 2, 4 * Chunk + 1}, "\r\n") << tooLarge << all << qint64(0) << 0 << 0;
    // A last line ending the file is read, then left out as cut: the field
    // of the record before it is the last.
    const int beforeField = header().size() + 18; // the table's lines and "%R\t"
    QTest::addRow("at the limit ending the file")
            << recordsEndingAt({2 * Chunk - 2}, "\r\n", 4 * Chunk) << ok << all << qint64(0) << 1
            << 2 * Chunk - 2 - beforeField;
    QTest::addRow("one past the limit ending the file")
            << recordsEndingAt({2 * Chunk - 2}, "\r\n", 4 * Chunk + 1) << tooLarge << all << qint64(0) << 0 << 0;
    // The file ends within the second window: what it holds is read, no more.
    QTest::addRow("file shorter than it said")
            << recordsEndingAt({3 * Chunk / 2}, "\r\n", 7 * Chunk / 2) << ok << all << qint64(3 * Chunk) << 1
            << 3 * Chunk / 2 - beforeField;
}

void tst_XERFile::lineLimit()
{
    // A line longer than the reader takes is refused, with nothing kept,
    // never read into a buffer too small for it.
    QFETCH(QByteArray, content);
    QFETCH(int, result);
    QFETCH(qint64, mostRead);
    QFETCH(qint64, missing);
    QFETCH(int, records);
    QFETCH(int, lastSize);
    QTemporaryDir dir;
    const QString path = writeFile(dir, QStringLiteral("long.xer"), content);
    xer::XERFile reader(path, xer::CarriageReturnLineFeed, {QStringLiteral("TASK")});
    reader.setMaxLineBytes(2 * Chunk);
    const auto check = [&] {
        if (result == xer::XERFile::Ok) {
            QCOMPARE(reader.tables().size(), 1);
            QCOMPARE(reader.tables().first()->records().size(), records);
            QCOMPARE(reader.tables().first()->records().last()->value(1).size(), lastSize);
        } else {
            QVERIFY(reader.tables().isEmpty());
            QCOMPARE(reader.objectCount(), 0);
        }
    };
    // A file, read side by side with a report per chunk, and the same bytes
    // as a stream.
    QSignalSpy progress(&reader, &xer::XERFile::progress);
    ShrinkingFile file(path, missing);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(reader.read(&file), result);
    QVERIFY2(qint64(progress.count() - 1) * Chunk <= mostRead, qPrintable(QString::number(progress.count())));
    check();
    if (QTest::currentTestFailed())
        return;
    StreamDevice stream(content);
    QCOMPARE(reader.read(&stream), result);
    QVERIFY2(stream.given() <= mostRead, qPrintable(QString::number(stream.given())));
    check();
}

void tst_XERFile::progress_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QList<int>>("expected");
    QTest::addRow("small file") << header() + table("TASK", "a", {"1"}) << QList<int>{10};
    QTest::addRow("three chunks") << header() + table("CALENDAR", "d", {QByteArray(2 * Chunk + 10, 'q')})
                                  << QList<int>{0, 0, 10};
    QTest::addRow("eleven chunks, read side by side")
            << header() + table("CALENDAR", "d", {QByteArray(10 * Chunk + 10, 'q')}) + table("TASK", "a", {"1"})
            << QList<int>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 10};
}

void tst_XERFile::progress()
{
    QFETCH(QByteArray, content);
    QFETCH(QList<int>, expected);
    QTemporaryDir dir;
    xer::XERFile reader(writeFile(dir, QStringLiteral("p.xer"), content), xer::CarriageReturnLineFeed,
                        {QStringLiteral("TASK")});
    QSignalSpy spy(&reader, &xer::XERFile::progress);
    QCOMPARE(reader.read(), 0);
    QList<int> got;
    for (const QList<QVariant> &args : qAsConst(spy)) {
        got << args.at(0).toInt();
        QCOMPARE(args.at(1).toString(), QStringLiteral("Read project from file"));
    }
    QCOMPARE(got, expected);
}

void tst_XERFile::inputNeverWritten()
{
    QTemporaryDir dir;
    const QByteArray content = header() + table("TASK", "a", {"1", "2"});
    const QString path = writeFile(dir, QStringLiteral("ro.xer"), content);
    const QDateTime modified = QFileInfo(path).lastModified();
    {
        xer::XERFile reader(path, xer::CarriageReturnLineFeed, {});
        QCOMPARE(reader.read(), 0);
        // Editing the objects changes memory only.
        reader.tables().first()->records().first()->setCell(0, QStringLiteral("changed"));
        reader.tables().first()->addRow(0);
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), content);
    QCOMPARE(QFileInfo(path).lastModified(), modified);
}

void tst_XERFile::objectModel()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, QStringLiteral("o.xer"),
                                   header() + table("TASK", "a\tb\tc\td", {"1\t2\t3\t4"}));
    xer::XERFile reader(path, xer::CarriageReturnLineFeed, {QStringLiteral("TASK")});
    QCOMPARE(reader.read(), 0);
    xer::XERTable *t = reader.tables().first();
    QCOMPARE(t->fields()->table(), t);
    QCOMPARE(t->type(), xer::TableObject);
    QCOMPARE(t->fields()->type(), xer::FieldObject);

    xer::XERRecord *r = t->records().first();
    QCOMPARE(r->type(), xer::RecordObject);
    QCOMPARE(r->fieldCount(), 5);
    QVERIFY(r->value(5).isEmpty());
    QCOMPARE(r->value(5), xer::XERObject::EMPTY_STRING);

    r->setCell(1, QStringLiteral("two\xC3\xA4"));
    QCOMPARE(r->value(2).toString(), QStringLiteral("two\xC3\xA4"));
    QCOMPARE(r->value(3).toString(), QStringLiteral("3"));
    r->updateField(9, QStringLiteral("ignored"));
    QCOMPARE(r->fieldCount(), 5);

    t->addRow(0);
    QCOMPARE(t->records().size(), 2);
    xer::XERRecord *added = t->records().first();
    QCOMPARE(added->fieldCount(), 5);
    QCOMPARE(added->lineNumber(), -1);
    QCOMPARE(added->offset(), ~0UL);
    for (int i = 1; i < 5; ++i)
        QVERIFY(added->value(i).isEmpty());
    t->delRow(0);
    QCOMPARE(t->records().size(), 1);
    QCOMPARE(t->records().first(), r);
}

void tst_XERFile::splitAndParse()
{
    auto *text = new QString(QStringLiteral("%R\ta\t\tb\r\n"));
    const QVector<QStringRef> fields = xer::XERObject::split(text);
    QCOMPARE(fields.size(), 4);
    QCOMPARE(fields.at(3).toString(), QStringLiteral("b"));
    xer::XERObject *object = xer::XERObject::parse(text, 3, 0, fields);
    QVERIFY(object);
    QCOMPARE(object->type(), xer::RecordObject);
    QCOMPARE(object->lineNumber(), 3);
    delete object;

    auto *end = new QString(QStringLiteral("%E"));
    QCOMPARE(xer::XERObject::parse(end, 0, 0, xer::XERObject::split(end)), nullptr);
    auto *nothing = new QString;
    QCOMPARE(xer::XERObject::parse(nothing, 0, 0, {}), nullptr);
}

QTEST_GUILESS_MAIN(tst_XERFile)
#include "tst_xerfile.moc"
