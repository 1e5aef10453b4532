#include "mpprcompobj.h"

#include "cfbstream.h"

#include <QtEndian>

#include <algorithm>

namespace mppr {

namespace {

constexpr int HeaderSize = 28;
constexpr quint32 UnicodeMarker = 0x71B239F4;
constexpr quint32 MaxClipboardFormatLength = 400;
constexpr quint32 MaxProgIdLength = 40;
constexpr quint64 ReadChunk = 64 * 1024;
// No string of a CompObj stream comes near this; a longer one is malformed.
constexpr quint64 MaxStringBytes = 1 << 30;

bool isFormatNumberMarker(quint32 value)
{
    return value == 0xFFFFFFFE || value == 0xFFFFFFFF;
}

} // namespace

CompObj::CompObj(cfb::Stream *stream)
    : m_stream(stream)
{
}

QString CompObj::clipboardFormatName(quint32 number)
{
    switch (number) {
    case 2:
        return QStringLiteral("0x00000002 (CF_BITMAP)");
    case 3:
        return QStringLiteral("0x00000003 (CF_METAFILEPICT)");
    case 8:
        return QStringLiteral("0x00000008 (CF_DIB)");
    case 14:
        return QStringLiteral("0x0000000E (CF_ENHMETAFILE)");
    }
    return QStringLiteral("0x") + QString::number(number, 16);
}

quint64 CompObj::remaining() const
{
    const quint64 size = m_stream->size();
    const quint64 pos = m_stream->tell();
    return size > pos ? size - pos : 0;
}

bool CompObj::readU32(quint32 *value)
{
    uchar buf[4];
    if (m_stream->read(buf, 4) != 4)
        return false;
    *value = qFromLittleEndian<quint32>(buf);
    return true;
}

bool CompObj::readBytes(quint64 count, QByteArray *bytes)
{
    bytes->clear();
    if (count > MaxStringBytes)
        return false;
    while (quint64(bytes->size()) < count) {
        const quint64 want = std::min(ReadChunk, count - quint64(bytes->size()));
        const int before = bytes->size();
        bytes->resize(before + int(want));
        const quint64 got = m_stream->read(reinterpret_cast<uchar *>(bytes->data()) + before, want);
        if (got < want) {
            bytes->resize(before + int(got));
            return false;
        }
    }
    return true;
}

bool CompObj::readLatin1(quint64 count, QString *text)
{
    QByteArray bytes;
    const bool ok = readBytes(count, &bytes);
    if (ok) {
        const int nul = bytes.indexOf('\0');
        *text = QString::fromLatin1(nul < 0 ? bytes : bytes.left(nul));
    }
    return ok;
}

bool CompObj::readUtf16(quint64 units, QString *text)
{
    QByteArray bytes;
    if (!readBytes(2 * units, &bytes))
        return false;
    QString s;
    s.reserve(bytes.size() / 2);
    for (int i = 0; i + 1 < bytes.size(); i += 2) {
        const ushort unit = qFromLittleEndian<quint16>(bytes.constData() + i);
        if (unit == 0)
            break;
        s.append(QChar(unit));
    }
    *text = s;
    return true;
}

bool CompObj::readCountedUtf16(QString *text)
{
    quint32 units = 0;
    if (!readU32(&units) || 2 * quint64(units) > remaining())
        return false;
    return units == 0 || readUtf16(units, text);
}

bool CompObj::readClipboardFormat(bool unicode, QString *text)
{
    quint32 value = 0;
    if (!readU32(&value))
        return false;
    if (isFormatNumberMarker(value)) {
        quint32 number = 0;
        if (!readU32(&number))
            return false;
        *text = clipboardFormatName(number);
        return true;
    }
    const quint64 bytes = unicode ? 2 * quint64(value) : quint64(value);
    if (value > MaxClipboardFormatLength || bytes > remaining())
        return false;
    return unicode ? readUtf16(value, text) : readLatin1(value, text);
}

int CompObj::read()
{
    if (!m_stream || m_stream->size() < quint64(HeaderSize))
        return Malformed;
    if (!readBytes(HeaderSize, &m_header))
        return Malformed;

    // ANSI user type; a length that does not fit means there is none.
    quint32 length = 0;
    if (!readU32(&length))
        return Malformed;
    if (length > 0 && length < remaining() && !readLatin1(length, &m_userType))
        return Malformed;

    // ANSI clipboard format.
    if (!readClipboardFormat(false, &m_clipboardFormat))
        return Malformed;

    // ProgID: older streams end before it.
    if (remaining() < 4)
        return Ok;
    if (!readU32(&length))
        return Malformed;
    if (length == 0 || length > MaxProgIdLength || length > remaining())
        return Ok;
    if (!readLatin1(length, &m_progId))
        return Malformed;

    if (remaining() < 4)
        return Ok;
    quint32 marker = 0;
    if (!readU32(&marker))
        return Malformed;
    if (marker != UnicodeMarker)
        return Ok;

    if (remaining() < 4)
        return Ok;
    if (!readCountedUtf16(&m_unicodeUserType))
        return Malformed;

    if (remaining() < 4)
        return Ok;
    if (!readClipboardFormat(true, &m_unicodeClipboardFormat))
        return Malformed;

    if (remaining() < 4)
        return Malformed;
    if (!readCountedUtf16(&m_unicodeProgId))
        return Malformed;
    return Ok;
}

} // namespace mppr
