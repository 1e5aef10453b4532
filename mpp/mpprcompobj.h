#pragma once

#include <QByteArray>
#include <QString>

namespace cfb {
class Stream;
}

namespace mppr {

// Parser of an OLE CompObj stream: the file type's user type, clipboard
// format and ProgID, in their ANSI and Unicode forms. Every length in the
// stream is checked against the bytes the stream really holds, so a hostile
// stream gives a result code and the strings read so far, never a large
// allocation.
class CompObj
{
public:
    enum ReadResult { Ok = 0, Malformed = 1 };

    explicit CompObj(cfb::Stream *stream); // Not owned.

    // Parses from the stream's current position; 0 when complete or stopped
    // early without fault, 1 when malformed.
    int read();

    QByteArray header() const { return m_header; }
    QString userType() const { return m_userType; }
    QString clipboardFormat() const { return m_clipboardFormat; }
    QString progId() const { return m_progId; }
    QString unicodeUserType() const { return m_unicodeUserType; }
    QString unicodeClipboardFormat() const { return m_unicodeClipboardFormat; }
    QString unicodeProgId() const { return m_unicodeProgId; }

    // The name of a standard clipboard format number.
    static QString clipboardFormatName(quint32 number);

private:
    quint64 remaining() const;
    bool readU32(quint32 *value);
    // Up to count bytes, in chunks, so that a declared length never sizes an
    // allocation beyond what the stream holds; false when fewer were read.
    bool readBytes(quint64 count, QByteArray *bytes);
    bool readLatin1(quint64 count, QString *text);
    bool readUtf16(quint64 units, QString *text);
    // A UTF-16 string after its length in units; an empty one leaves text.
    bool readCountedUtf16(QString *text);
    // A clipboard format: a marker word and a format number, or the length
    // of a name and the name.
    bool readClipboardFormat(bool unicode, QString *text);

    cfb::Stream *m_stream; // Not owned.
    QByteArray m_header;
    QString m_userType;
    QString m_clipboardFormat;
    QString m_progId;
    QString m_unicodeUserType;
    QString m_unicodeClipboardFormat;
    QString m_unicodeProgId;
};

} // namespace mppr
