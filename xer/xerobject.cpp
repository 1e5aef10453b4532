#include "xerobject.h"

#include "xerfield.h"
#include "xerheader.h"
#include "xerrecord.h"
#include "xertable.h"

namespace xer {

const QStringRef XERObject::EMPTY_STRING;

XERObject::XERObject(QString *text, int lineNumber, unsigned long offset, XERObjectType type,
                     const QVector<QStringRef> &fields)
    : m_text(text)
    , m_fields(fields)
    , m_lineNumber(lineNumber)
    , m_offset(offset)
    , m_type(type)
{
    Q_ASSERT(text);
    if (!m_text)
        m_text.reset(new QString);
}

XERObject::~XERObject() = default;

const QStringRef &XERObject::value(int i) const
{
    Q_ASSERT(i >= 0);
    if (i < 0 || i >= m_fields.size())
        return EMPTY_STRING;
    return m_fields.at(i);
}

void XERObject::updateField(int i, const QString &text)
{
    if (i < 0 || i >= m_fields.size())
        return;
    const QStringRef &field = m_fields.at(i);
    auto *newText = new QString(m_text->left(field.position()) + text
                                + m_text->mid(field.position() + field.size()));
    m_text.reset(newText);
    m_fields = split(newText);
}

XERObject *XERObject::parse(QString *text, int lineNumber, unsigned long offset,
                            const QVector<QStringRef> &fields)
{
    if (fields.isEmpty()) {
        delete text;
        return nullptr;
    }
    const QStringRef &marker = fields.at(0);
    if (marker == QLatin1String("ERMHDR"))
        return new XERHeader(text, lineNumber, offset, fields);
    if (marker == QLatin1String("%T"))
        return new XERTable(text, lineNumber, offset, fields);
    if (marker == QLatin1String("%F"))
        return new XERField(text, lineNumber, offset, fields);
    if (marker == QLatin1String("%R"))
        return new XERRecord(text, lineNumber, offset, fields);
    delete text;
    return nullptr;
}

QVector<QStringRef> XERObject::split(const QString *text)
{
    QVector<QStringRef> fields;
    if (!text)
        return fields;
    const QChar *data = text->constData();
    const int size = text->size();
    int start = 0;
    int i = 0;
    for (; i < size; ++i) {
        const ushort c = data[i].unicode();
        if (c == '\t') {
            fields.append(QStringRef(text, start, i - start));
            start = i + 1;
        } else if (c == '\r' || c == '\n') {
            break;
        }
    }
    // The last field runs to the line end, or to the end of a text that has
    // none (the last line of a file without a final line end).
    fields.append(QStringRef(text, start, i - start));
    return fields;
}

} // namespace xer
