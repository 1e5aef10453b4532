#pragma once

#include <QSqlQuery>
#include <QVariant>
#include <QVariantList>

// The rows of an executed query as a table list: element 0 the column names
// (a QStringList), then one map from column name to value per row, fetched
// from the query's current position on. Of two columns with one name the
// later one's value stands in the row map.
QVariant queryToVariant(QSqlQuery query);

// Appends the same table list to `list`, without the intermediate copy.
void appendQueryToTableList(QSqlQuery &query, QVariantList &list);
