#pragma once

#include <QString>
#include <QStringRef>
#include <QVector>

#include <memory>

namespace xer {

enum XERObjectType { TableObject = 0, FieldObject = 1, HeaderObject = 2, RecordObject = 3 };

// How lines end in a file written by the object model; reading ignores it.
enum LineSeparator { LineFeed = 0, CarriageReturnLineFeed = 1 };

// One parsed line of an XER file: its text (owned) and references to its
// TAB-separated fields. Field 0 is the line's marker ("%T", "%F", "%R").
class XERObject
{
public:
    XERObject(QString *text, int lineNumber, unsigned long offset, XERObjectType type,
              const QVector<QStringRef> &fields);
    virtual ~XERObject();
    XERObject(const XERObject &) = delete;
    XERObject &operator=(const XERObject &) = delete;

    // Field i of the line; the empty reference for a field the line lacks.
    virtual const QStringRef &value(int i) const;

    int fieldCount() const { return m_fields.size(); }
    int lineNumber() const { return m_lineNumber; }
    unsigned long offset() const { return m_offset; }
    XERObjectType type() const { return m_type; }
    const QString &text() const { return *m_text; }

    // Replaces field i with the text, keeping the other fields.
    void updateField(int i, const QString &text);

    // Makes the object for a split line by its marker, taking ownership of
    // the text (deleted when no object is made: no fields, "%E" or another
    // marker).
    static XERObject *parse(QString *text, int lineNumber, unsigned long offset,
                            const QVector<QStringRef> &fields);
    // References to the TAB-separated fields of a line, up to its first CR or
    // LF or its end.
    static QVector<QStringRef> split(const QString *text);

    static const QStringRef EMPTY_STRING;

private:
    std::unique_ptr<QString> m_text;
    QVector<QStringRef> m_fields;
    int m_lineNumber = 0;
    unsigned long m_offset = 0;
    XERObjectType m_type;
};

} // namespace xer
