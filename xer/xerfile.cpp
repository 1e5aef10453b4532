#include "xerfile.h"

#include "xerfield.h"
#include "xerheader.h"
#include "xerlogging.h"
#include "xerrecord.h"
#include "xertable.h"

#include <QFile>
#include <QTextCodec>

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
    m_legacyCodec = QTextCodec::codecForName("Windows-1252");
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

int XERFile::readPass(bool legacy, bool *restart)
{
    *restart = false;
    clear();
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly))
        return CannotOpen;
    const qint64 size = file.size();

    QByteArray buffer;
    int carry = 0; // bytes of an unfinished line at the front of the buffer
    bool first = true;
    bool any = false;
    while (true) {
        buffer.resize(int(carry + ChunkSize));
        const qint64 got = file.read(buffer.data() + carry, ChunkSize);
        if (got < 0) {
            qCWarning(lcXer) << "XERFile::read cannot read" << m_fileName << file.errorString();
            break;
        }
        if (got == 0)
            break;
        any = true;
        const char *data = buffer.constData();
        const char *end = data + carry + got;
        const char *p = data;
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
        }
        // Whole lines of this chunk; a run of CR and LF bytes is one line end.
        while (p < end) {
            const char *lineEnd = p;
            while (lineEnd < end && *lineEnd != '\n' && *lineEnd != '\r')
                ++lineEnd;
            if (lineEnd == end)
                break; // unfinished: carried over to the next chunk
            if (lineEnd > p && handleLine(p, lineEnd, legacy) == RestartAsLegacy) {
                file.close();
                *restart = true;
                return Ok;
            }
            p = lineEnd;
            while (p < end && (*p == '\n' || *p == '\r'))
                ++p;
        }
        carry = int(end - p);
        if (carry > 0 && p != data)
            std::memmove(buffer.data(), p, size_t(carry));
        const qint64 pos = file.pos();
        // The quotient comes first, so only the last chunk reports 10.
        emit progress(size > 0 ? int(pos / size) * 10 : 10, QStringLiteral("Read project from file"));
    }
    // A last line without a line end is kept.
    if (carry > 0) {
        if (handleLine(buffer.constData(), buffer.constData() + carry, legacy) == RestartAsLegacy) {
            file.close();
            *restart = true;
            return Ok;
        }
    }
    file.close();
    if (!any)
        emit progress(10, QStringLiteral("Read project from file"));
    return Ok;
}

XERFile::LineResult XERFile::handleLine(const char *begin, const char *end, bool legacy)
{
    const bool tableLine = end - begin >= 2 && begin[0] == '%' && begin[1] == 'T';
    const bool collect = tableLine || m_inKeptTable;

    bool ascii = true;
    if (!legacy) {
        for (const char *q = begin; q < end; ++q) {
            if (uchar(*q) >= 0x80) {
                ascii = false;
                break;
            }
        }
        if (!ascii && m_utf8 && !isValidUtf8(begin, end)) {
            m_utf8 = false;
            if (m_decodedNonAscii)
                return RestartAsLegacy;
        }
    }
    if (!collect)
        return LineDone;

    QString *text;
    if (legacy || !m_utf8)
        text = new QString(m_legacyCodec ? m_legacyCodec->toUnicode(begin, int(end - begin))
                                         : QString::fromLatin1(begin, int(end - begin)));
    else if (ascii)
        text = new QString(QString::fromLatin1(begin, int(end - begin)));
    else {
        text = new QString(QString::fromUtf8(begin, int(end - begin)));
        m_decodedNonAscii = true;
    }
    const QVector<QStringRef> fields = XERObject::split(text);
    XERObject *object = XERObject::parse(text, m_lineCounter, 0, fields);
    ++m_lineCounter;
    if (object)
        addObject(object);
    return LineDone;
}

void XERFile::addObject(XERObject *object)
{
    ++m_objectCount;
    switch (object->type()) {
    case TableObject: {
        auto *table = static_cast<XERTable *>(object);
        m_owned.append(table);
        const QString name = table->name().toUpper();
        if (m_wanted.isEmpty() || m_wanted.contains(name)) {
            m_tables.append(table);
            m_inKeptTable = true;
        } else {
            m_inKeptTable = false;
        }
        break;
    }
    case FieldObject:
        if (m_inKeptTable && !m_tables.isEmpty()) {
            m_tables.last()->setFields(static_cast<XERField *>(object));
        } else {
            delete object;
            --m_objectCount;
        }
        break;
    case HeaderObject:
        m_owned.append(object);
        m_inKeptTable = false;
        break;
    case RecordObject:
        if (m_inKeptTable && !m_tables.isEmpty()) {
            m_tables.last()->appendRecord(static_cast<XERRecord *>(object));
        } else {
            delete object;
            --m_objectCount;
        }
        break;
    }
}

} // namespace xer
