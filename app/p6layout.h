#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>
#include <QVector>

class QAbstractItemModel;

// One column of a converted P6 layout.
struct P6LayoutColumn
{
    QString field;   // P6 field id (the column node's name)
    QString title;   // its "column_title"
    QString caption; // this program's caption for the field; empty when unknown
    qint32 width = 0;
};

// A P6 layout converted from a VIEWPROP row or a ".plf" file: visible
// columns with widths, at most one grouping level (WBS) and sort keys.
struct P6Layout
{
    int id = 0;
    QString name;
    QVector<P6LayoutColumn> columns;
    QVariantList groupBy; // empty, or one "WBS Code;<level>"
    QVariantList sortBy;  // "<caption>;A" or "<caption>;D"
};

namespace P6Layouts {

// P6 field id to caption: the first non-empty "display" of each column "id"
// in the table schema, then "start_date" and "end_date" as "Start Date" and
// "Finish Date". An unreadable schema leaves only those two.
QHash<QString, QString> captionMap(const QString &schemaText);

// Converts rows {"VIEW_ID", "VIEW_NAME", "VIEW_DATA"} in order; a row whose
// layout has no column (or whose text does not parse) is dropped.
QVector<P6Layout> convert(const QList<QVariant> &rows, const QHash<QString, QString> &captions);

// The layout document of a converted layout: the base map with "columns"
// ("caption:width" texts), "group" (the grouping's one-string form, so the
// layout applier takes it) and "sortby"; compact JSON.
QString toJson(const P6Layout &layout, const QVariantMap &base = QVariantMap());

// Readies a converted layout's document for applying to a chart that shows
// barStyles: a P6 layout carries no bar styles, so the current ones are kept,
// and a column list of which no caption names a column of the model is
// dropped, so the columns stay as they are instead of all being hidden.
QString forApplying(const QString &layoutJson, const QVariantList &barStyles,
                    const QAbstractItemModel *model);

// A ".plf" file's text: the bytes before the first zero byte as UTF-8; an
// unreadable file gives an empty text.
QString readPlfFile(const QString &path);

} // namespace P6Layouts
