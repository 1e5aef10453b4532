#include "querytovariant.h"

#include <QSqlRecord>
#include <QStringList>

void appendQueryToTableList(QSqlQuery &query, QVariantList &list)
{
    const QSqlRecord record = query.record();
    QStringList names;
    names.reserve(record.count());
    for (int i = 0; i < record.count(); ++i)
        names << record.fieldName(i);
    list.append(QVariant(names));

    while (query.next()) {
        QVariantMap row;
        for (int i = 0; i < names.size(); ++i)
            row.insert(names.at(i), query.value(i));
        list.append(QVariant(row));
    }
}

QVariant queryToVariant(QSqlQuery query)
{
    QVariantList list;
    appendQueryToTableList(query, list);
    return list;
}
