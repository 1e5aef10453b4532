#include "xertable.h"

#include "xerfield.h"
#include "xerrecord.h"

#include <limits>

namespace xer {

XERTable::XERTable(QString *text, int lineNumber, unsigned long offset,
                   const QVector<QStringRef> &fields)
    : XERObject(text, lineNumber, offset, TableObject, fields)
{
}

XERTable::~XERTable()
{
    qDeleteAll(m_records);
    delete m_fields;
}

void XERTable::setFields(XERField *fields)
{
    if (fields == m_fields)
        return;
    delete m_fields;
    m_fields = fields;
    if (m_fields)
        m_fields->setTable(this);
}

void XERTable::appendRecord(XERRecord *record)
{
    Q_ASSERT(record);
    if (record)
        m_records.append(record);
}

void XERTable::addRow(int i)
{
    Q_ASSERT(m_fields);
    if (!m_fields || i < 0 || i > m_records.size())
        return;
    auto *text = new QString(QStringLiteral("%R"));
    text->append(QString(qMax(0, m_fields->fieldCount() - 1), QLatin1Char('\t')));
    text->append(QLatin1String("\r\n"));
    auto *record = new XERRecord(text, -1, std::numeric_limits<unsigned long>::max(),
                                 XERObject::split(text));
    m_records.insert(i, record);
}

void XERTable::delRow(int i)
{
    Q_ASSERT(i >= 0 && i < m_records.size());
    if (i < 0 || i >= m_records.size())
        return;
    delete m_records.takeAt(i);
}

} // namespace xer
