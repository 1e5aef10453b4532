#pragma once

#include "xerobject.h"

namespace xer {

class XERField;
class XERRecord;

// A "%T" line with its field list and records, both owned.
class XERTable : public XERObject
{
public:
    XERTable(QString *text, int lineNumber, unsigned long offset, const QVector<QStringRef> &fields);
    ~XERTable() override;

    QString name() const { return value(1).toString(); }
    XERField *fields() const { return m_fields; }
    // Takes ownership; a field list given before is deleted.
    void setFields(XERField *fields);
    const QVector<XERRecord *> &records() const { return m_records; }
    // Takes ownership.
    void appendRecord(XERRecord *record);

    // An empty record (one empty field per column) at index i.
    void addRow(int i);
    void delRow(int i);

private:
    XERField *m_fields = nullptr; // Owned.
    QVector<XERRecord *> m_records; // Owned.
};

} // namespace xer
