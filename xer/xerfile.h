#pragma once

#include "xerobject.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QVector>

#include <memory>
#include <vector>

class QFile;
class QIODevice;

namespace memoryroom {
class Growth;
}

namespace xer {

class XERTable;

// A line of the file's buffer, line end excluded. lineNumber counts the lines
// the reader collected (table lines and the lines of kept tables).
struct LineSpan
{
    qint64 begin = 0;
    int size = -1; // -1: no such line
    int lineNumber = 0;
};

// A kept table as the reader found it: spans of its lines in the buffer.
struct TableLines
{
    QString name;     // as written in the "%T" line, after its marker and blanks
    // The name it is read by: in upper case, without blanks. True when its
    // line is not "%T", TAB and that name: its marker or name differ in case
    // or blanks ("%t", "PROJWBS ", "%T PROJWBS", a tab after the name).
    QString readAs;
    bool writtenOtherwise = false;
    LineSpan table;   // the "%T" line
    // Its "%F" line, the one right after the table line (one repeated later
    // but for case and blanks changes nothing), blanks after its last name
    // left out; size -1 when none. True when its marker is not "%F" and a
    // tab ("%f"), or blanks stood around a name.
    LineSpan fields;
    bool fieldsWrittenOtherwise = false;
    std::vector<LineSpan> records;
    int recordsBeforeFields = 0; // records met before any "%F" line: dropped
    int recordsCut = 0;          // the file's last record, cut by its end: dropped
    // Lines inside the table the reader does not understand: dropped. A line
    // whose marker is none of the file's ("%X", "R", " %R").
    int linesNotUnderstood = 0;
};

// Lines left out after a line that is no readable table line: a table line
// without a name to read it by ("%T", blanks, a control character), a line
// not understood right before a field list ("%TT TASKPRED", a tab before the
// marker), a field list not right after its table line (after records,
// another field list or a blank line: the next table's line is lost), or a
// line not understood after the end line. A field list belongs to the table
// line right before it, so neither the field list nor its records are any
// table's; they are counted under that line, the line itself included.
struct LostLines
{
    LineSpan line;
    int lines = 0;
    // The first field list among them (size -1 when none) and the records
    // among them: what table the lines were can be told from it.
    LineSpan fields;
    int records = 0;
};

// A line met by the reader's scan, with the kind its marker gives.
enum class LineKind : quint8 { Table, Fields, Record, End, Header, Other };
struct ScannedLine
{
    qint64 begin;
    int size;
    LineKind kind;
};

// Reads a Primavera P6 XER export into one buffer and finds the lines of the
// wanted tables (all of them when none is named): their field list and
// records, as spans of the buffer. Lines of other tables are passed over.
// A table line whose marker or name differs from a wanted one only in case or
// blanks opens that table, and says so (TableLines::writtenOtherwise); so
// does a field line's marker (TableLines::fieldsWrittenOtherwise). A field
// list belongs to the table line right before it: after a line that is no
// readable table line it is no table's, and is left out with its records
// (lostLines()).
// Line objects are made from the spans only when tables() is asked for.
//
// Text encoding: a UTF-8 byte-order mark that begins the file is skipped; a
// file whose bytes are valid UTF-8 is decoded as UTF-8, any other as
// Windows-1252 (what P6 writes on most installations). A last record with
// neither a line end nor the end line after it was cut by the file's end: it
// is left out and counted. The file is read to its end whatever size the system
// gives for it, so a pipe or a file under /proc reads as any other; reading
// stops as soon as a line is longer than the reader takes.
class XERFile : public QObject
{
    Q_OBJECT
public:
    // TooLarge: a line longer than MaxLineBytes or more lines than can be
    // counted. OutOfMemory: the memory to hold the file ran out. ReadFailed:
    // reading stopped with an error before the end of the file. Nothing of a
    // file that fails is kept.
    enum ReadResult { Ok = 0, NotXer = 1, CannotOpen = 2, TooLarge = 3, OutOfMemory = 4, ReadFailed = 5 };
    Q_ENUM(ReadResult)

    // The longest line the reader takes: a decoded line takes twice its
    // bytes, and a line of a real export is a few kilobytes at most.
    static constexpr qint64 MaxLineBytes = qint64(512) * 1024 * 1024;

    XERFile(const QString &fileName, LineSeparator separator, const QStringList &wantedTables,
            QObject *parent = nullptr);
    ~XERFile() override;

    // Reads the whole file; a ReadResult.
    int read();
    // The same from an open device in its place (a test gives one that fails
    // or never ends); a QFile is read side by side where it can be.
    int read(QIODevice *device);
    // The room the reads hold what they take against, as they take it; by
    // default each read has one of its own. Not owned.
    void setGrowth(memoryroom::Growth *growth) { m_givenGrowth = growth; }
    // Lowers the longest line taken, MaxLineBytes by default.
    void setMaxLineBytes(qint64 bytes) { m_maxLineBytes = qBound(qint64(0), bytes, MaxLineBytes); }

    QString fileName() const { return m_fileName; }
    LineSeparator lineSeparator() const { return m_separator; }
    // The kept tables as line objects, made on the first call after a read.
    const QList<XERTable *> &tables() const;
    // Number of line objects made (kept tables with their lines, headers met
    // inside kept tables and the opening lines of passed-over tables).
    int objectCount() const { return m_objectCount; }
    // Drops the buffer, the spans and every line object of the last read.
    void release() { clear(); }
    // True when the text was decoded as UTF-8 rather than Windows-1252.
    bool isUtf8() const { return m_utf8; }
    // True when the last line is the end line "%E" that closes every export
    // (blanks, tabs, NUL or Ctrl-Z bytes after its marker or on lines after
    // it aside): a file without it may have been cut short.
    bool hasEndLine() const { return m_hasEndLine; }
    // True when the last line is not the end line but an end line stands
    // before it: the file goes on after its end line.
    bool hasLinesAfterEndLine() const { return m_linesAfterEndLine; }
    // True when the last line is the end line but another stands before
    // other lines (blank lines, end-of-file marks and end lines aside): two
    // exports joined, or an end line moved up by hand.
    bool hasEndLineBeforeLines() const { return m_hasEndLine && m_endLineFollowed >= 0; }
    // Where the end line begins that other lines follow: the last one when
    // the file goes on after it, else the first; -1 when none does. A
    // record beginning past it stands after it.
    qint64 endLineBegin() const { return m_endLineBegin; }

    // The kept tables as spans of the buffer, in file order.
    const std::vector<TableLines> &tableLines() const { return m_tableLines; }
    // The lines left out after a line that is no readable table line, in
    // file order.
    const std::vector<LostLines> &lostLines() const { return m_lostLines; }
    const char *data() const { return m_data.get(); }
    const char *lineBegin(const LineSpan &line) const { return m_data.get() + line.begin; }
    // The bytes of a line or field as text, by the file's encoding.
    QString decode(const char *begin, const char *end) const;

signals:
    void progress(int percent, const QString &text);

private:
    void clear();
    void clearObjects() const;
    void initLegacyTable();
    int readBuffer(QIODevice *device, qint64 *size);
    // Reads [from, expected) of the file side by side when that is worth it,
    // moving lineStart on; gives how far the buffer is filled.
    qint64 readSideBySide(QFile *file, qint64 from, qint64 expected, qint64 *lineStart);
    int lineTooLong() const;
    // Splits the text into lines, decides its encoding and keeps the lines
    // of the wanted tables; a ReadResult.
    int scanLines(const char *begin, const char *end);
    void collect(const ScannedLine &line);
    // Starts lines left out, said by this one.
    void startLost(const ScannedLine &line);
    void makeObjects() const;

    QString m_fileName;
    LineSeparator m_separator;
    QStringList m_wanted;
    std::unique_ptr<char[]> m_data;
    qint64 m_dataSize = 0;
    std::vector<TableLines> m_tableLines;
    std::vector<LineSpan> m_otherLines; // other tables' "%T" lines; headers in kept tables
    int m_lineCounter = 0;
    bool m_inKeptTable = false;
    // Set after a field list of no table, or a table line without a name
    // (the next table line or a header line ends it): its lines count in
    // m_lostLines[m_lostIndex]. -1 otherwise.
    int m_lostIndex = -1;
    std::vector<LostLines> m_lostLines;
    // True right after a table line with a name, the only place its field
    // list may stand.
    bool m_afterTableLine = false;
    // The current table's field line (kept or passed over); size -1 when
    // none.
    LineSpan m_ownFields;
    // After the end line, up to the next table or header line.
    bool m_afterEnd = false;
    // The last line met when it was not understood (blank lines aside);
    // size -1 when another line came after it. Whether it counted with the
    // kept table it stood in.
    LineSpan m_notUnderstood;
    bool m_notUnderstoodCounted = false;
    qint64 m_maxLineBytes = MaxLineBytes;
    memoryroom::Growth *m_givenGrowth = nullptr;
    memoryroom::Growth *m_growth = nullptr; // while a read runs
    bool m_utf8 = true;
    bool m_hasEndLine = false;
    bool m_linesAfterEndLine = false;
    qint64 m_endLineBegin = -1;
    qint64 m_firstEndLine = -1; // met by collect()
    qint64 m_endLineFollowed = -1; // the first end line another line follows
    QString m_legacyTable; // Windows-1252: the character of each byte
    // Line objects, made on demand.
    mutable bool m_objectsMade = false;
    mutable QList<XERTable *> m_tables;     // Not owned (in m_owned).
    mutable QVector<XERObject *> m_owned;   // Owned: tables and headers.
    mutable int m_objectCount = 0;
};

} // namespace xer
