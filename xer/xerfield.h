#pragma once

#include "xerobject.h"

namespace xer {

class XERTable;

// The "%F" line of a table: its column names in fields 1 onward.
class XERField : public XERObject
{
public:
    XERField(QString *text, int lineNumber, unsigned long offset, const QVector<QStringRef> &fields)
        : XERObject(text, lineNumber, offset, FieldObject, fields)
    {
    }

    XERTable *table() const { return m_table; }
    void setTable(XERTable *table) { m_table = table; }

private:
    XERTable *m_table = nullptr; // Not owned.
};

} // namespace xer
