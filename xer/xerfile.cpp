#include "xerfile.h"

#include "xerfield.h"
#include "xerheader.h"
#include "xerlogging.h"
#include "xerrecord.h"
#include "xertable.h"

#include "memoryroom.h"
#include "parallel.h"

#include <QFile>
#include <QScopeGuard>
#include <QTextCodec>
#include <QThread>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

#include <algorithm>
#include <limits>
#include <new>
#include <optional>

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
        // Runs of ASCII, the bulk of any export, are passed a word at a time.
        quint64 word;
        if (e - p >= 8) {
            std::memcpy(&word, p, 8);
            if ((word & 0x8080808080808080ULL) == 0) {
                p += 8;
                continue;
            }
        }
        if (*p < 0x80) {
            ++p;
            continue;
        }
        const int n = utf8SequenceLength(p, e);
        if (n == 0)
            return false;
        p += n;
    }
    return true;
}

// Field 0 of a line, its marker, decides its kind.
LineKind kindOf(const char *begin, const char *end)
{
    const char *tab = static_cast<const char *>(std::memchr(begin, '\t', size_t(end - begin)));
    const qint64 size = (tab ? tab : end) - begin;
    if (size == 2 && begin[0] == '%') {
        switch (begin[1]) {
        // A table's or field list's marker in lower case, or with blanks
        // around it (below), is that line all the same: a whole table hangs
        // on it.
        case 'T':
        case 't':
            return LineKind::Table;
        case 'F':
        case 'f':
            return LineKind::Fields;
        case 'R':
            return LineKind::Record;
        case 'E':
            return LineKind::End;
        default:
            break;
        }
    }
    if (size == 6 && std::memcmp(begin, "ERMHDR", 6) == 0)
        return LineKind::Header;
    const char *first = begin;
    const char *last = begin + size;
    while (first < last && *first == ' ')
        ++first;
    while (last > first && last[-1] == ' ')
        --last;
    // Blanks in place of the tab between a table's marker and its name.
    if (last - first > 2 && first[0] == '%' && (first[1] == 'T' || first[1] == 't') && first[2] == ' ')
        return LineKind::Table;
    if (first != begin || last != begin + size) {
        const LineKind kind = kindOf(first, last);
        if (kind == LineKind::Table || kind == LineKind::Fields)
            return kind;
    }
    return LineKind::Other;
}

// A table's name as it is read: in upper case, without blanks.
QString nameReadAs(const QString &name)
{
    QString readAs = name.toUpper();
    readAs.truncate(int(std::remove_if(readAs.begin(), readAs.end(), [](QChar c) { return c.isSpace(); })
                        - readAs.begin()));
    return readAs;
}

// A field line's names, its marker left out and trailing blanks cut: a
// field list repeated but for those is the same list.
QLatin1String fieldsAfterMarker(const char *begin, qint64 size)
{
    const char *end = begin + size;
    const char *tab = static_cast<const char *>(std::memchr(begin, '\t', size_t(size)));
    const char *first = tab ? tab : end;
    while (end > first && (end[-1] == ' ' || end[-1] == '\t'))
        --end;
    return QLatin1String(first, int(end - first));
}

// Whether a name of a field line has blanks before or after it (they are no
// part of it).
bool blanksAroundNames(const char *begin, qint64 size)
{
    const char *const end = begin + size;
    const char *p = static_cast<const char *>(std::memchr(begin, '\t', size_t(size)));
    while (p) {
        const char *name = p + 1;
        p = static_cast<const char *>(std::memchr(name, '\t', size_t(end - name)));
        const char *nameEnd = p ? p : end;
        if (nameEnd > name && (name[0] == ' ' || nameEnd[-1] == ' '))
            return true;
    }
    return false;
}

// Whether two field lines give the same names, but for their case, blanks
// around them and the marker's case.
bool sameFieldNames(const char *a, qint64 aSize, const char *b, qint64 bSize)
{
    const QLatin1String x = fieldsAfterMarker(a, aSize);
    const QLatin1String y = fieldsAfterMarker(b, bSize);
    const auto trimmed = [](const char *begin, const char *end) {
        while (begin < end && *begin == ' ')
            ++begin;
        while (end > begin && end[-1] == ' ')
            --end;
        return QLatin1String(begin, int(end - begin));
    };
    const char *p = x.data(), *pEnd = p + x.size();
    const char *q = y.data(), *qEnd = q + y.size();
    while (true) {
        const char *pTab = static_cast<const char *>(std::memchr(p, '\t', size_t(pEnd - p)));
        const char *qTab = static_cast<const char *>(std::memchr(q, '\t', size_t(qEnd - q)));
        if (trimmed(p, pTab ? pTab : pEnd).compare(trimmed(q, qTab ? qTab : qEnd), Qt::CaseInsensitive) != 0)
            return false;
        if (!pTab || !qTab)
            return !pTab && !qTab;
        p = pTab + 1;
        q = qTab + 1;
    }
}

// Where the line being read begins once [from, to) of the buffer is in:
// after the last CR or LF there, else where it began before.
qint64 lineStartAfter(const char *data, qint64 from, qint64 to, qint64 lineStart)
{
    for (qint64 i = to; i > from; --i) {
        if (data[i - 1] == '\n' || data[i - 1] == '\r')
            return i;
    }
    return lineStart;
}

// What may follow an export's end line: blank lines, and NUL or Ctrl-Z bytes
// (the old end-of-file mark, or a file padded out by a copy).
bool isTrailer(const char *begin, int size)
{
    return std::all_of(begin, begin + size,
                       [](char c) { return c == ' ' || c == '\t' || c == '\0' || c == '\x1A'; });
}

// The end line "%E", also with blanks, tabs, NUL or Ctrl-Z bytes after its
// marker on its line.
bool isEndLine(const ScannedLine &line, const char *data)
{
    return line.kind == LineKind::End
           || (line.size >= 2 && std::memcmp(data + line.begin, "%E", 2) == 0
               && isTrailer(data + line.begin + 2, line.size - 2));
}

// A line that counts as one after the end line: no blank line, end-of-file
// mark or end line, nor "%E" with text after it (said as the file's end).
bool isOtherLine(const ScannedLine &line, const char *data)
{
    const char *text = data + line.begin;
    return !isTrailer(text, line.size) && !(line.size >= 2 && std::memcmp(text, "%E", 2) == 0);
}

// A UTF-8 byte-order mark before the header is skipped.
const char *afterByteOrderMark(const char *p, const char *end)
{
    return end - p >= 3 && std::memcmp(p, "\xEF\xBB\xBF", 3) == 0 ? p + 3 : p;
}

// Whether the first bytes of a file are those of an XER export: the header
// marker and a TAB, after an optional byte-order mark.
bool startsAsXer(const char *p, const char *end)
{
    p = afterByteOrderMark(p, end);
    return end - p >= 7 && std::memcmp(p, "ERMHDR\t", 7) == 0;
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

void XERFile::clearObjects() const
{
    qDeleteAll(m_owned);
    m_owned.clear();
    m_tables.clear();
    m_objectCount = 0;
    m_objectsMade = false;
}

void XERFile::clear()
{
    clearObjects();
    if (m_dataSize >= 1024 * 1024) {
        // A large file's buffer and spans go back to the system on a worker:
        // the caller goes on meanwhile. Short of memory even for that, they
        // go here.
        struct Held
        {
            std::unique_ptr<char[]> data;
            std::vector<TableLines> tableLines;
            std::vector<LineSpan> otherLines;
        };
        try {
            auto held = std::make_shared<Held>();
            held->data = std::move(m_data);
            held->tableLines = std::move(m_tableLines);
            held->otherLines = std::move(m_otherLines);
            parallel::start([held = std::move(held)]() mutable { held.reset(); });
        } catch (const std::bad_alloc &) {
        }
    }
    m_data.reset();
    m_tableLines = std::vector<TableLines>();
    m_otherLines = std::vector<LineSpan>();
    m_lostLines = std::vector<LostLines>();
    m_dataSize = 0;
    m_lineCounter = 0;
    m_inKeptTable = false;
    m_lostIndex = -1;
    m_afterTableLine = false;
    m_ownFields = LineSpan();
    m_afterEnd = false;
    m_notUnderstood = LineSpan();
    m_hasEndLine = false;
    m_linesAfterEndLine = false;
    m_endLineBegin = -1;
    m_firstEndLine = -1;
    m_endLineFollowed = -1;
}

int XERFile::read()
{
    try {
        QFile file(m_fileName);
        if (!file.open(QIODevice::ReadOnly)) {
            clear();
            return CannotOpen;
        }
        return read(&file);
    } catch (const std::bad_alloc &) {
        clear();
        return OutOfMemory;
    }
}

int XERFile::read(QIODevice *device)
{
    clear();
    initLegacyTable();
    m_utf8 = true;
    int result = Ok;
    std::optional<memoryroom::Growth> ownGrowth;
    m_growth = m_givenGrowth;
    const auto noGrowth = qScopeGuard([this] { m_growth = nullptr; });
    try {
        if (!m_growth)
            m_growth = &ownGrowth.emplace();
        qint64 size = 0;
        result = readBuffer(device, &size);
        if (result == Ok) {
            const char *end = m_data.get() + size;
            result = scanLines(afterByteOrderMark(m_data.get(), end), end);
        }
    } catch (const std::bad_alloc &) {
        result = OutOfMemory;
    }
    if (result == OutOfMemory)
        warnOutOfMemory("XERFile::read", m_fileName);
    if (result != Ok)
        clear();
    return result;
}

int XERFile::readBuffer(QIODevice *device, qint64 *size)
{
    *size = 0;
    // The size the system gives is only a hint: a pipe gives 0, a file under
    // /proc less than it holds, and a file may grow while being read. The
    // file is read to its end, the buffer growing as needed.
    const qint64 expected = device->size();
    // Past the limit of its control group the process is ended, not told:
    // a file whose read and models would not fit in what the machine has
    // free is refused before its first block.
    constexpr qint64 LoadBytesPerFileByte = 3;
    if (!memoryroom::machineHolds(qMin(expected, std::numeric_limits<qint64>::max() / LoadBytesPerFileByte)
                                  * LoadBytesPerFileByte))
        return OutOfMemory;
    qint64 capacity = qMax(expected, qint64(0)) + 1;
    if (!m_growth->holds(capacity))
        return OutOfMemory;
    m_data.reset(new (std::nothrow) char[size_t(capacity)]);
    if (!m_data)
        return OutOfMemory;
    // The header is checked once its bytes are in, or at the end of a
    // shorter file.
    constexpr qint64 HeaderBytes = 10; // byte-order mark, "ERMHDR", TAB
    qint64 filled = 0;
    // Where the line being read begins: reading stops as soon as that line
    // is longer than the reader takes, so an endless line is never held.
    qint64 lineStart = 0;
    bool checked = false;
    bool triedSideBySide = false;
    auto *file = qobject_cast<QFile *>(device);
    while (true) {
        if (checked && !triedSideBySide && file) {
            triedSideBySide = true;
            filled = readSideBySide(file, filled, expected, &lineStart);
        }
        if (filled - lineStart > m_maxLineBytes)
            return lineTooLong();
        if (filled == capacity) {
            const qint64 grown = qMax(capacity * 2, ChunkSize);
            if (!m_growth->holds(grown))
                return OutOfMemory;
            std::unique_ptr<char[]> larger(new (std::nothrow) char[size_t(grown)]);
            if (!larger)
                return OutOfMemory;
            std::memcpy(larger.get(), m_data.get(), size_t(filled));
            m_data = std::move(larger);
            capacity = grown;
        }
        const qint64 got = device->read(m_data.get() + filled, qMin(ChunkSize, capacity - filled));
        if (got < 0) {
            // Part of a file is no project: nothing read so far is kept.
            qCWarning(lcXer).noquote() << QStringLiteral("XERFile::read %1: reading failed after %2 bytes: %3")
                                              .arg(m_fileName)
                                              .arg(filled)
                                              .arg(device->errorString());
            return ReadFailed;
        }
        if (got == 0)
            break;
        filled += got;
        if (!checked && filled >= HeaderBytes) {
            if (!startsAsXer(m_data.get(), m_data.get() + filled))
                return NotXer;
            checked = true;
            lineStart = afterByteOrderMark(m_data.get(), m_data.get() + filled) - m_data.get();
        }
        lineStart = lineStartAfter(m_data.get(), filled - got, filled, lineStart);
        // The quotient comes first, so only the last chunk reports 10. A
        // file is not reported on before it is known to be an XER file.
        if (checked)
            emit progress(expected > 0 ? int(device->pos() / expected) * 10 : 10,
                          QStringLiteral("Read project from file"));
    }
    // A file shorter than the header's bytes may still be a header alone;
    // an empty file is not an XER file.
    if (!checked) {
        if (!startsAsXer(m_data.get(), m_data.get() + filled))
            return NotXer;
        emit progress(10, QStringLiteral("Read project from file"));
    }
    *size = filled;
    m_dataSize = filled;
    return Ok;
}

qint64 XERFile::readSideBySide(QFile *file, qint64 from, qint64 expected, qint64 *lineStart)
{
#if defined(Q_OS_UNIX)
    // The rest of a large file is read in chunks side by side: copying it and
    // bringing in the buffer's pages is then spread over the cores. It is
    // read a window at a time, so that a line longer than the reader takes
    // stops the reading within a window of its limit. Should a chunk come
    // short (the file changed meanwhile), the plain reading goes on where the
    // last whole window ended.
    const int handle = file->handle();
    if (expected - from <= ChunkSize || handle < 0)
        return from;
    const qint64 window = qBound(2 * ChunkSize, m_maxLineBytes, 64 * ChunkSize);
    const qint64 startLine = *lineStart;
    char *const data = m_data.get();
    qint64 at = from;
    while (at < expected && at - *lineStart <= m_maxLineBytes) {
        const qint64 windowEnd = qMin(expected, at + window);
        const int chunks = int((windowEnd - at + ChunkSize - 1) / ChunkSize);
        std::vector<std::uint8_t> complete(size_t(chunks), 0);
        parallelFor(chunks, [&](int c) {
            const qint64 begin = at + qint64(c) * ChunkSize;
            const qint64 size = qMin(ChunkSize, windowEnd - begin);
            qint64 done = 0;
            while (done < size) {
                const ssize_t got = ::pread(handle, data + begin + done, size_t(size - done), off_t(begin + done));
                if (got <= 0)
                    return;
                done += got;
            }
            complete[size_t(c)] = 1;
        });
        if (std::find(complete.cbegin(), complete.cend(), 0) != complete.cend())
            break;
        *lineStart = lineStartAfter(data, at, windowEnd, *lineStart);
        for (int c = 0; c < chunks; ++c) {
            const qint64 end = qMin(windowEnd, at + qint64(c + 1) * ChunkSize);
            emit progress(int(end / expected) * 10, QStringLiteral("Read project from file"));
        }
        at = windowEnd;
    }
    if (at == from || !file->seek(at)) {
        *lineStart = startLine;
        return from;
    }
    return at;
#else
    Q_UNUSED(file)
    Q_UNUSED(expected)
    Q_UNUSED(lineStart)
    return from;
#endif
}

int XERFile::lineTooLong() const
{
    qCWarning(lcXer).noquote() << QStringLiteral("XERFile::read %1: a line longer than %2 bytes")
                                      .arg(m_fileName)
                                      .arg(m_maxLineBytes);
    return TooLarge;
}

int XERFile::scanLines(const char *begin, const char *end)
{
    // Pieces of the buffer, each ending after a line feed, are split into
    // lines and checked for UTF-8 side by side; the lines are then taken in
    // file order. A line never spans two pieces, nor does a UTF-8 sequence
    // (it holds no line feed).
    const qint64 total = end - begin;
    const int wanted = total >= ChunkSize ? 4 * qMax(1, QThread::idealThreadCount()) : 1;
    std::vector<const char *> bounds{begin};
    for (int i = 1; i < wanted; ++i) {
        const char *from = qMax(bounds.back(), begin + total * i / wanted);
        const char *lineFeed = static_cast<const char *>(std::memchr(from, '\n', size_t(end - from)));
        if (!lineFeed)
            break;
        if (lineFeed + 1 < end)
            bounds.push_back(lineFeed + 1);
    }
    bounds.push_back(end);
    const int pieces = int(bounds.size()) - 1;
    std::vector<std::vector<ScannedLine>> lines(static_cast<size_t>(pieces));
    std::vector<std::uint8_t> valid(static_cast<size_t>(pieces), 1);
    std::vector<std::uint8_t> tooLong(static_cast<size_t>(pieces), 0);
    const qint64 maxLine = m_maxLineBytes;
    const char *const data = m_data.get();
    memoryroom::Growth *const growth = m_growth;
    // The pieces hold a ScannedLine for every 64 bytes at first, and
    // grow as their lines come shorter.
    growth->take(total / 64 * qint64(sizeof(ScannedLine)));
    parallelFor(pieces, [&](int i) {
        const char *p = bounds[size_t(i)];
        const char *const stop = bounds[size_t(i) + 1];
        valid[size_t(i)] = isValidUtf8(p, stop) ? 1 : 0;
        std::vector<ScannedLine> &found = lines[size_t(i)];
        found.reserve(size_t((stop - p) / 64));
        // A run of CR and LF bytes is one line end; empty lines are no lines.
        while (p < stop) {
            const char *lineFeed = static_cast<const char *>(std::memchr(p, '\n', size_t(stop - p)));
            if (!lineFeed)
                lineFeed = stop;
            while (p < lineFeed) {
                const char *cr = static_cast<const char *>(std::memchr(p, '\r', size_t(lineFeed - p)));
                const char *lineEnd = cr ? cr : lineFeed;
                LineKind kind = kindOf(p, lineEnd);
                // A CR inside a table line, not before a line end or another
                // line's marker, is part of its name: the line is said whole
                // rather than cut into a table and a line of no table.
                if (kind == LineKind::Table && cr) {
                    while (cr && cr + 1 < lineFeed && cr[1] != '\r' && cr[1] != '%')
                        cr = static_cast<const char *>(std::memchr(cr + 1, '\r', size_t(lineFeed - cr - 1)));
                    if ((cr ? cr : lineFeed) != lineEnd) {
                        lineEnd = cr ? cr : lineFeed;
                        kind = kindOf(p, lineEnd);
                    }
                }
                if (lineEnd - p > maxLine) {
                    tooLong[size_t(i)] = 1;
                    return;
                }
                if (lineEnd > p) {
                    if (found.size() == found.capacity())
                        growth->take(qint64(found.capacity()) * 2 * qint64(sizeof(ScannedLine)));
                    found.push_back({p - data, int(lineEnd - p), kind});
                }
                if (!cr)
                    break;
                p = cr + 1;
            }
            if (lineFeed == stop)
                break;
            p = lineFeed + 1;
        }
    });
    if (std::find(tooLong.cbegin(), tooLong.cend(), 1) != tooLong.cend())
        return lineTooLong();
    // One decision for the whole file, made before any text is decoded.
    m_utf8 = std::find(valid.cbegin(), valid.cend(), 0) == valid.cend();
    // An export closes with its end line; a file whose last line (blank
    // ones and end-of-file marks aside) is another was cut short, or goes on
    // after an end line met before.
    for (auto piece = lines.crbegin(); piece != lines.crend(); ++piece) {
        const auto last = std::find_if(piece->crbegin(), piece->crend(), [data](const ScannedLine &line) {
            return !isTrailer(data + line.begin, line.size);
        });
        if (last != piece->crend()) {
            m_hasEndLine = isEndLine(*last, data);
            break;
        }
    }
    // Where the last end line begins when other lines follow it, so that
    // what is read after it is told from what is left out.
    qint64 lastEndLine = -1;
    for (auto piece = lines.crbegin(); !m_hasEndLine && lastEndLine < 0 && piece != lines.crend(); ++piece) {
        const auto found = std::find_if(piece->crbegin(), piece->crend(),
                                        [data](const ScannedLine &line) { return isEndLine(line, data); });
        if (found != piece->crend())
            lastEndLine = found->begin;
    }
    m_linesAfterEndLine = lastEndLine >= 0;
    // Where the file's last line begins when the file ends inside it: no
    // line end follows. A record there (so no end line after it) was cut.
    qint64 cutBegin = -1;
    const auto lastPiece = std::find_if(lines.crbegin(), lines.crend(),
                                        [](const std::vector<ScannedLine> &piece) { return !piece.empty(); });
    if (lastPiece != lines.crend() && lastPiece->back().begin + lastPiece->back().size == end - data)
        cutBegin = lastPiece->back().begin;
    // Every line may be a kept table's; a piece's lines go as they are
    // taken.
    qint64 lineCount = 0;
    for (const std::vector<ScannedLine> &piece : lines)
        lineCount += qint64(piece.size());
    m_growth->take(lineCount * qint64(sizeof(LineSpan)));
    for (std::vector<ScannedLine> &piece : lines) {
        for (const ScannedLine &line : piece) {
            // Line numbers and spans count in int.
            if (m_lineCounter == std::numeric_limits<int>::max())
                return TooLarge;
            collect(line);
        }
        piece = std::vector<ScannedLine>();
    }
    // A file that closes with its end line may hold another before other
    // lines (collect() finds the first such): where the lines after it begin.
    m_endLineBegin = hasEndLineBeforeLines() ? m_endLineFollowed : lastEndLine;
    // Its fields, the last one too, may be short: it is left out and counted.
    if (!m_tableLines.empty()) {
        TableLines &table = m_tableLines.back();
        if (!table.records.empty() && table.records.back().begin == cutBegin) {
            table.records.pop_back();
            ++table.recordsCut;
        }
    }
    return Ok;
}

void XERFile::startLost(const ScannedLine &scanned)
{
    const LineSpan line{scanned.begin, scanned.size, 0};
    m_lostLines.push_back({line, 1, scanned.kind == LineKind::Fields ? line : LineSpan()});
    m_lostIndex = int(m_lostLines.size()) - 1;
}

void XERFile::collect(const ScannedLine &scanned)
{
    const bool tableLine = scanned.kind == LineKind::Table;
    const char *const text = m_data.get() + scanned.begin;
    // The first end line another line follows; most files meet their only
    // end line last.
    if (m_firstEndLine >= 0 && m_endLineFollowed < 0 && isOtherLine(scanned, m_data.get()))
        m_endLineFollowed = m_firstEndLine;
    // A field list is the table's only right after its table line.
    const bool afterTableLine = m_afterTableLine;
    m_afterTableLine = false;
    if (scanned.kind == LineKind::Record && m_lostIndex < 0) {
        // Most lines: a record of the table read last.
        m_notUnderstood.size = -1;
        if (!m_inKeptTable)
            return;
    } else if (!tableLine) {
        // Blank lines and end-of-file marks are no lines; the end line with
        // something after its marker is said as the file's end.
        const auto isLine = [&] { return isOtherLine(scanned, m_data.get()); };
        const bool endLine = isEndLine(scanned, m_data.get());
        if (endLine && m_firstEndLine < 0)
            m_firstEndLine = scanned.begin;
        if (m_lostIndex >= 0 && scanned.kind != LineKind::Header && !endLine) {
            LostLines &lost = m_lostLines[size_t(m_lostIndex)];
            if (isLine())
                ++lost.lines;
            if (scanned.kind == LineKind::Fields && lost.fields.size < 0)
                lost.fields = {scanned.begin, scanned.size, 0};
            lost.records += scanned.kind == LineKind::Record ? 1 : 0;
            return;
        }
        m_lostIndex = -1;
        if (scanned.kind == LineKind::Header)
            m_ownFields.size = -1;
        if (scanned.kind == LineKind::Header || endLine)
            m_afterEnd = endLine;
        if (m_afterEnd && scanned.kind == LineKind::Other) {
            // After the end line a line not understood is no table's: said
            // by itself, with the lines after it.
            if (isLine())
                startLost(scanned);
            return;
        }
        if (scanned.kind == LineKind::Other) {
            if (isLine()) {
                m_notUnderstood = {scanned.begin, scanned.size, 0};
                m_notUnderstoodCounted = m_inKeptTable;
                if (m_inKeptTable)
                    ++m_tableLines.back().linesNotUnderstood;
            }
            return;
        }
        if (scanned.kind == LineKind::Fields && m_notUnderstood.size >= 0) {
            // The line before a field list is its table's line: one not
            // understood leaves the field list and its records to no table,
            // whatever table was read before.
            if (m_notUnderstoodCounted)
                --m_tableLines.back().linesNotUnderstood;
            m_lostLines.push_back({m_notUnderstood, 2, {scanned.begin, scanned.size, 0}});
            m_lostIndex = int(m_lostLines.size()) - 1;
            m_notUnderstood.size = -1;
            return;
        }
        m_notUnderstood.size = -1;
        if (scanned.kind == LineKind::Fields && !afterTableLine) {
            // After records, another field list or a blank line, a field
            // list is no table's: most often the next table's, whose table
            // line is lost. It is left out with its records, said by itself;
            // the table's own list repeated changes nothing.
            if (m_ownFields.size < 0 || !sameFieldNames(text, scanned.size, lineBegin(m_ownFields), m_ownFields.size))
                startLost(scanned);
            return;
        }
        if (scanned.kind == LineKind::Fields)
            m_ownFields = {scanned.begin, scanned.size, 0};
        if (!m_inKeptTable)
            return;
    }
    LineSpan line;
    line.begin = scanned.begin;
    line.size = scanned.size;
    line.lineNumber = m_lineCounter++;
    const char *begin = text;
    const char *end = begin + scanned.size;
    if (tableLine) {
        m_lostIndex = -1;
        m_notUnderstood.size = -1;
        m_ownFields.size = -1;
        m_afterEnd = false;
        // The name follows the marker and the blanks after it; the marker
        // may have blanks before it.
        const char *nameBegin = begin;
        while (nameBegin < end && *nameBegin == ' ')
            ++nameBegin;
        nameBegin = qMin(nameBegin + 2, end);
        while (nameBegin < end && (*nameBegin == ' ' || *nameBegin == '\t'))
            ++nameBegin;
        const char *nameEnd = nameBegin;
        while (nameEnd < end && *nameEnd != '\t')
            ++nameEnd;
        const QString name = decode(nameBegin, nameEnd);
        const QString readAs = nameReadAs(name);
        if (readAs.isEmpty()
            || std::any_of(name.cbegin(), name.cend(), [](QChar c) { return c.unicode() < 0x20; })) {
            // No name to read the table by: its lines are no table's.
            m_inKeptTable = false;
            m_otherLines.push_back(line);
            m_lostLines.push_back({line, 1});
            m_lostIndex = int(m_lostLines.size()) - 1;
            return;
        }
        m_afterTableLine = true;
        m_inKeptTable = m_wanted.isEmpty() || m_wanted.contains(readAs);
        if (m_inKeptTable) {
            TableLines table;
            table.name = name;
            table.readAs = readAs;
            table.writtenOtherwise = name != readAs || nameBegin != begin + 3 || std::memcmp(begin, "%T\t", 3) != 0
                                     || nameEnd != end;
            table.table = line;
            m_tableLines.push_back(std::move(table));
        } else {
            m_otherLines.push_back(line);
        }
        return;
    }
    TableLines &table = m_tableLines.back();
    switch (scanned.kind) {
    case LineKind::Header:
        // A header line inside a kept table ends it.
        m_inKeptTable = false;
        m_otherLines.push_back(line);
        break;
    case LineKind::Fields:
        // Blanks around a name are no part of it: the names are read
        // without them (the last one here, the others when read), and said.
        table.fields = line;
        while (table.fields.size > 2 && text[table.fields.size - 1] == ' ')
            --table.fields.size;
        table.fieldsWrittenOtherwise = std::memcmp(text, "%F", 2) != 0 || (scanned.size > 2 && text[2] != '\t')
                                       || table.fields.size != scanned.size
                                       || blanksAroundNames(text, table.fields.size);
        break;
    case LineKind::Record:
        // A record before its table's field list has no column names to
        // read it by; it is dropped rather than guessed at, and counted.
        if (table.fields.size >= 0)
            table.records.push_back(line);
        else
            ++table.recordsBeforeFields;
        break;
    default:
        break;
    }
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

QString XERFile::decode(const char *begin, const char *end) const
{
    const int n = int(end - begin);
    if (m_utf8) {
        // Qt drops one byte-order mark that begins the text; only the file's
        // first bytes are one (skipped before), in a field it is text.
        QString text = QString::fromUtf8(begin, n);
        if (n >= 3 && std::memcmp(begin, "\xEF\xBB\xBF", 3) == 0)
            text.prepend(QChar(QChar::ByteOrderMark));
        return text;
    }
    QString text(n, Qt::Uninitialized);
    QChar *out = text.data();
    const QChar *table = m_legacyTable.constData();
    for (int i = 0; i < n; ++i)
        out[i] = table[uchar(begin[i])];
    return text;
}

const QList<XERTable *> &XERFile::tables() const
{
    if (!m_objectsMade)
        makeObjects();
    return m_tables;
}

void XERFile::makeObjects() const
{
    clearObjects();
    m_objectsMade = true;
    if (!m_data)
        return;
    const auto text = [this](const LineSpan &line) {
        const char *begin = lineBegin(line);
        return new QString(decode(begin, begin + line.size));
    };
    for (const LineSpan &line : m_otherLines) {
        QString *t = text(line);
        if (XERObject *object = XERObject::parse(t, line.lineNumber, 0, XERObject::split(t))) {
            m_owned.append(object);
            ++m_objectCount;
        }
    }
    for (const TableLines &lines : m_tableLines) {
        QString *t = text(lines.table);
        auto *table = new XERTable(t, lines.table.lineNumber, 0, XERObject::split(t));
        m_owned.append(table);
        m_tables.append(table);
        ++m_objectCount;
        if (lines.fields.size >= 0) {
            QString *f = text(lines.fields);
            table->setFields(new XERField(f, lines.fields.lineNumber, 0, XERObject::split(f)));
            ++m_objectCount;
        }
        for (const LineSpan &line : lines.records) {
            QString *r = text(line);
            table->appendRecord(new XERRecord(r, line.lineNumber, 0, XERObject::split(r)));
            ++m_objectCount;
        }
    }
}

} // namespace xer
