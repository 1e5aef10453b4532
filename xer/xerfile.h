#pragma once

#include "xerobject.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QVector>

namespace xer {

class XERTable;

// Reads a Primavera P6 XER export into line objects: the kept tables with
// their field lists and records. Only the wanted tables are kept (all of them
// when none is named); the lines of other tables are passed over unsplit.
//
// Text encoding: a UTF-8 byte-order mark is skipped; a file whose bytes are
// valid UTF-8 is decoded as UTF-8, any other as Windows-1252 (what P6 writes
// on most installations). A last line without a line end is kept.
class XERFile : public QObject
{
    Q_OBJECT
public:
    // TooLarge: a line longer than MaxLineBytes, or more lines than can be
    // counted; nothing of such a file is kept.
    enum ReadResult { Ok = 0, NotXer = 1, CannotOpen = 2, TooLarge = 3 };
    Q_ENUM(ReadResult)

    // The longest line the reader takes: a decoded line takes twice its
    // bytes, and a line of a real export is a few kilobytes at most.
    static constexpr qint64 MaxLineBytes = qint64(512) * 1024 * 1024;

    XERFile(const QString &fileName, LineSeparator separator, const QStringList &wantedTables,
            QObject *parent = nullptr);
    ~XERFile() override;

    // Reads the whole file; a ReadResult.
    int read();
    // Lowers the longest line taken, MaxLineBytes by default (a line must
    // also fit a byte array with a chunk after it).
    void setMaxLineBytes(qint64 bytes) { m_maxLineBytes = qBound(qint64(0), bytes, MaxLineBytes); }

    QString fileName() const { return m_fileName; }
    LineSeparator lineSeparator() const { return m_separator; }
    const QList<XERTable *> &tables() const { return m_tables; }
    // Number of line objects made (kept tables with their lines, headers and
    // the opening lines of passed-over tables).
    int objectCount() const { return m_objectCount; }
    // Destroys every line object made by the last read.
    void release() { clear(); }
    // True when the text was decoded as UTF-8 rather than Windows-1252.
    bool isUtf8() const { return m_utf8; }

signals:
    void progress(int percent, const QString &text);

private:
    // A line met by the byte scan, made into an object afterwards.
    struct PendingLine
    {
        const char *begin = nullptr;
        const char *end = nullptr;
        int lineNumber = 0;
        bool nonAscii = false;
        bool kept = false; // a table line of a wanted table
        XERObject *object = nullptr;
    };
    void clear();
    void initLegacyTable();
    int readPass(bool legacy, bool *restart);
    // Collects a line when it is a table line or belongs to a kept table;
    // false when the file must be decoded again as Windows-1252.
    bool scanLine(const char *begin, const char *end, bool nonAscii, bool legacy,
                  QVector<PendingLine> *pending);
    QString decode(const char *begin, const char *end, bool legacy) const;
    void makeObjects(QVector<PendingLine> *pending, bool legacy);
    void addObject(XERObject *object, bool kept);

    QString m_fileName;
    LineSeparator m_separator;
    QStringList m_wanted;
    QList<XERTable *> m_tables; // Not owned (in m_owned).
    QVector<XERObject *> m_owned; // Owned: tables and headers; records and
                                  // field lists belong to their tables.
    int m_objectCount = 0;
    int m_lineCounter = 0;
    bool m_inKeptTable = false;
    bool m_tooLarge = false; // the read was refused
    qint64 m_maxLineBytes = MaxLineBytes;
    bool m_utf8 = true;
    bool m_decodedNonAscii = false; // a kept line with bytes >= 0x80 was decoded
    QString m_legacyTable; // Windows-1252: the character of each byte
};

} // namespace xer
