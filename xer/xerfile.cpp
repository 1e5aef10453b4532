#include "xerfile.h"

#include "xerfield.h"
#include "xerheader.h"
#include "xerlogging.h"
#include "xerrecord.h"
#include "xertable.h"

#include <QFile>
#include <QTextCodec>

#include <algorithm>
#include <limits>

#include <cstring>

namespace xer {

namespace {

constexpr qint64 ChunkSize = 1024 * 1024;

// Length of the valid UTF-8 sequence starting at p (at most end), or 0 when
// the bytes there are not valid UTF-8 (overlong forms and surrogates count as
// invalid).
int utf8SequenceLength(const uchar *p, const uchar *end)
{
    const uchar c = p[0];
    int n;
    uint min;
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        min = 0x10000;
    } else {
        return 0;
    }
    if (end - p < n)
        return 0;
    uint cp = c & (0x7F >> n);
    for (int i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

bool isValidUtf8(const char *begin, const char *end)
{
    auto *p = reinterpret_cast<const uchar *>(begin);
    auto *e = reinterpret_cast<const uchar *>(end);
    while (p < e) {
        const int n = utf8SequenceLength(p, e);
        if (n == 0)
            return false;
        p += n;
    }
    return true;
}

} // namespace

XERFile::XERFile(const QString &fileName, LineSeparator separator, const QStringList &wantedTables,
                 QObject *parent)
    : QObject(parent)
    , m_fileName(fileName)
    , m_separator(separator)
    , m_wanted(wantedTables)
{
}

XERFile::~XERFile()
{
    clear();
}

void XERFile::clear()
{
    qDeleteAll(m_owned);
    m_owned.clear();
    m_tables.clear();
    m_objectCount = 0;
    m_lineCounter = 0;
    m_inKeptTable = false;
    m_decodedNonAscii = false;
}

int XERFile::read()
{
    m_tooLarge = false;
    initLegacyTable();
    m_utf8 = true;
    bool restart = false;
    int result = readPass(false, &restart);
    if (restart) {
        // Bytes that are not UTF-8 appeared after lines with non-ASCII text
        // had been decoded as UTF-8: decode the whole file again.
        clear();
        m_utf8 = false;
        result = readPass(true, &restart);
    }
    return result;
}

void XERFile::initLegacyTable()
{
    if (!m_legacyTable.isEmpty())
        return;
    // One character per byte, decoded once; lines are then decoded by table
    // lookup, which is thread-safe and fast. Bytes the code page leaves
    // undefined keep their Latin-1 meaning rather than becoming replacement
    // characters.
    QByteArray bytes(256, Qt::Uninitialized);
    for (int i = 0; i < 256; ++i)
        bytes[i] = char(i);
    QTextCodec *codec = QTextCodec::codecForName("Windows-1252");
    QString table = codec ? codec->toUnicode(bytes) : QString();
    if (table.size() != 256)
        table = QString::fromLatin1(bytes);
    for (int i = 0; i < 256; ++i) {
        if (table.at(i) == QChar::ReplacementCharacter)
            table[i] = QChar(ushort(i));
    }
    m_legacyTable = table;
}

int XERFile::readPass(bool legacy, bool *restart)
{
    *restart = false;
    clear();
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly))
        return CannotOpen;
    const qint64 size = file.size();

    QByteArray buffer;
    // The unfinished line at the front of the buffer: its bytes were scanned
    // already (carry of them), and high holds what the scan saw of them, so
    // each byte of the file is looked at once however long its line is.
    qint64 carry = 0;
    uchar high = 0;
    bool first = true;
    QVector<PendingLine> pending;
    while (true) {
        if (carry > m_maxLineBytes) {
            qCWarning(lcXer).noquote() << QStringLiteral("XERFile::read %1: a line longer than %2 bytes")
                                              .arg(m_fileName)
                                              .arg(m_maxLineBytes);
            clear();
            return TooLarge;
        }
        buffer.resize(int(carry + ChunkSize));
        const qint64 got = file.read(buffer.data() + carry, ChunkSize);
        if (got < 0) {
            qCWarning(lcXer) << "XERFile::read cannot read" << m_fileName << file.errorString();
            break;
        }
        if (got == 0)
            break;
        const char *data = buffer.constData();
        const char *end = data + carry + got;
        const char *p = data;
        const char *scan = data + carry;
        if (first) {
            first = false;
            // A UTF-8 byte-order mark before the header is skipped.
            if (end - p >= 3 && std::memcmp(p, "\xEF\xBB\xBF", 3) == 0)
                p += 3;
            if (end - p < 7 || std::memcmp(p, "ERMHDR\t", 7) != 0) {
                file.close();
                clear();
                return NotXer;
            }
            scan = p;
        }
        // Whole lines of this chunk; a run of CR and LF bytes is one line end.
        pending.clear();
        while (true) {
            const char *lineEnd = scan;
            while (lineEnd < end && *lineEnd != '\n' && *lineEnd != '\r') {
                high |= uchar(*lineEnd);
                ++lineEnd;
            }
            if (lineEnd == end)
                break; // unfinished: carried over to the next chunk
            if (lineEnd - p > m_maxLineBytes) {
                file.close();
                clear();
                return TooLarge;
            }
            if (lineEnd > p && !scanLine(p, lineEnd, high >= 0x80, legacy, &pending)) {
                file.close();
                *restart = !m_tooLarge;
                return m_tooLarge ? TooLarge : Ok;
            }
            p = lineEnd;
            while (p < end && (*p == '\n' || *p == '\r'))
                ++p;
            scan = p;
            high = 0;
        }
        carry = end - p;
        // A last line without a line end is kept.
        if (carry > 0 && file.atEnd()) {
            if (carry > m_maxLineBytes) {
                file.close();
                clear();
                return TooLarge;
            }
            if (!scanLine(p, end, high >= 0x80, legacy, &pending)) {
                file.close();
                *restart = !m_tooLarge;
                return m_tooLarge ? TooLarge : Ok;
            }
            carry = 0;
        }
        makeObjects(&pending, legacy || !m_utf8);
        if (carry > 0 && p != data)
            std::memmove(buffer.data(), p, size_t(carry));
        const qint64 pos = file.pos();
        // The quotient comes first, so only the last chunk reports 10.
        emit progress(size > 0 ? int(pos / size) * 10 : 10, QStringLiteral("Read project from file"));
    }
    file.close();
    // Not even a header line: a file without one is not an XER file.
    if (first) {
        clear();
        return NotXer;
    }
    return Ok;
}

bool XERFile::scanLine(const char *begin, const char *end, bool nonAscii, bool legacy,
                       QVector<PendingLine> *pending)
{
    if (!legacy && nonAscii && m_utf8 && !isValidUtf8(begin, end)) {
        m_utf8 = false;
        if (m_decodedNonAscii)
            return false;
    }
    // Field 0 decides the kind; only table lines and the lines of kept
    // tables are collected.
    const char *tab = static_cast<const char *>(std::memchr(begin, '\t', size_t(end - begin)));
    const char *markerEnd = tab ? tab : end;
    const int markerSize = int(markerEnd - begin);
    const bool tableLine = markerSize == 2 && begin[0] == '%' && begin[1] == 'T';
    if (!tableLine && !m_inKeptTable)
        return true;
    // Line numbers and object lists count in int.
    if (m_lineCounter == std::numeric_limits<int>::max()) {
        m_tooLarge = true;
        clear();
        return false;
    }

    PendingLine line;
    line.begin = begin;
    line.end = end;
    line.lineNumber = m_lineCounter++;
    line.nonAscii = nonAscii;
    if (tableLine) {
        const char *nameBegin = tab ? tab + 1 : end;
        const char *nameEnd = nameBegin;
        while (nameEnd < end && *nameEnd != '\t')
            ++nameEnd;
        const QString name = decode(nameBegin, nameEnd, legacy || !m_utf8).toUpper();
        line.kept = m_wanted.isEmpty() || m_wanted.contains(name);
        m_inKeptTable = line.kept;
    } else if (markerSize == 6 && std::memcmp(begin, "ERMHDR", 6) == 0) {
        // A header line inside a kept table ends it.
        m_inKeptTable = false;
    }
    pending->append(line);
    return true;
}

QString XERFile::decode(const char *begin, const char *end, bool legacy) const
{
    const int n = int(end - begin);
    if (!legacy)
        return QString::fromUtf8(begin, n);
    QString text(n, Qt::Uninitialized);
    QChar *out = text.data();
    const QChar *table = m_legacyTable.constData();
    for (int i = 0; i < n; ++i)
        out[i] = table[uchar(begin[i])];
    return text;
}

void XERFile::makeObjects(QVector<PendingLine> *pending, bool legacy)
{
    if (pending->isEmpty())
        return;
    if (!legacy) {
        for (const PendingLine &line : qAsConst(*pending))
            m_decodedNonAscii = m_decodedNonAscii || line.nonAscii;
    }
    auto make = [this, legacy](PendingLine &line) {
        QString *text = new QString(line.nonAscii ? decode(line.begin, line.end, legacy)
                                                  : QString::fromLatin1(line.begin, int(line.end - line.begin)));
        line.object = XERObject::parse(text, line.lineNumber, 0, XERObject::split(text));
    };
    // Made on the reading thread: spreading the allocations over other
    // threads' heaps was measured to slow down the model building that
    // follows more than it speeds up the reading.
    std::for_each(pending->begin(), pending->end(), make);
    for (const PendingLine &line : qAsConst(*pending)) {
        if (line.object)
            addObject(line.object, line.kept);
    }
}

void XERFile::addObject(XERObject *object, bool kept)
{
    ++m_objectCount;
    switch (object->type()) {
    case TableObject: {
        auto *table = static_cast<XERTable *>(object);
        m_owned.append(table);
        if (kept)
            m_tables.append(table);
        break;
    }
    case FieldObject:
        if (!m_tables.isEmpty()) {
            m_tables.last()->setFields(static_cast<XERField *>(object));
        } else {
            delete object;
            --m_objectCount;
        }
        break;
    case HeaderObject:
        m_owned.append(object);
        break;
    case RecordObject:
        // A record before its table's field list has no column names to
        // read it by; it is dropped rather than guessed at.
        if (!m_tables.isEmpty() && m_tables.last()->fields()) {
            m_tables.last()->appendRecord(static_cast<XERRecord *>(object));
        } else {
            delete object;
            --m_objectCount;
        }
        break;
    }
}

} // namespace xer
