#include "p6layout.h"

#include "modelhelpers.h"
#include "p6confignode.h"

#include <QAbstractItemModel>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace P6Layouts {

QHash<QString, QString> captionMap(const QString &schemaText)
{
    QHash<QString, QString> captions;
    const QJsonArray tables =
        QJsonDocument::fromJson(schemaText.toUtf8()).object().value(QLatin1String("tables")).toArray();
    for (const QJsonValue &table : tables) {
        const QJsonArray columns = table.toObject().value(QLatin1String("columns")).toArray();
        for (const QJsonValue &column : columns) {
            const QJsonObject object = column.toObject();
            const QString id = object.value(QLatin1String("id")).toVariant().toString();
            const QString display = object.value(QLatin1String("display")).toVariant().toString();
            if (!captions.contains(id) && !display.isEmpty())
                captions.insert(id, display);
        }
    }
    captions.insert(QStringLiteral("start_date"), QStringLiteral("Start Date"));
    captions.insert(QStringLiteral("end_date"), QStringLiteral("Finish Date"));
    return captions;
}

QVector<P6Layout> convert(const QList<QVariant> &rows, const QHash<QString, QString> &captions)
{
    const QString taskView = QStringLiteral("TaskView");
    const QString groupSortBy = QStringLiteral("GroupSortBy");
    QVector<P6Layout> layouts;
    for (const QVariant &value : rows) {
        const QVariantMap row = value.toMap();
        const P6ConfigNode root = parseP6ViewData(row.value(QStringLiteral("VIEW_DATA")).toString());

        P6Layout layout;
        const P6ConfigNode columns = p6NodeAtPath(root, {taskView, QStringLiteral("Columns")});
        for (const P6ConfigNode::Handle &node : columns.children) {
            if (!node)
                continue;
            P6LayoutColumn column;
            column.field = node->name;
            column.title = node->attributes.value(QStringLiteral("column_title"));
            column.caption = captions.value(column.field);
            column.width = node->attributes.value(QStringLiteral("width")).toInt();
            layout.columns.append(column);
        }
        if (layout.columns.isEmpty())
            continue;

        const P6ConfigNode group = p6NodeAtPath(
            root, {taskView, groupSortBy, QStringLiteral("GroupBys"), QStringLiteral("Item1")});
        if (group.attributes.value(QStringLiteral("join_path")) == QLatin1String("PROJWBS")) {
            const QString level = group.attributes.value(QStringLiteral("max_level"));
            layout.groupBy << QString(QStringLiteral("WBS Code;")
                                      + (level.isEmpty() || level == QLatin1String("0")
                                             ? QStringLiteral("All")
                                             : level));
        }

        const P6ConfigNode sorts = p6NodeAtPath(root, {taskView, groupSortBy, QStringLiteral("SortBys")});
        for (const P6ConfigNode::Handle &node : sorts.children) {
            if (!node)
                continue;
            const QString field = node->attributes.value(QStringLiteral("source_field"));
            if (field.isEmpty() || !captions.contains(field))
                continue;
            const bool descending = node->attributes.value(QStringLiteral("sort_type"))
                                        .compare(QLatin1String("DESC"), Qt::CaseInsensitive)
                == 0;
            layout.sortBy << QStringLiteral("%1;%2").arg(captions.value(field),
                                                         descending ? QStringLiteral("D")
                                                                    : QStringLiteral("A"));
        }

        layout.id = row.value(QStringLiteral("VIEW_ID")).toInt();
        layout.name = row.value(QStringLiteral("VIEW_NAME")).toString();
        layouts.append(layout);
    }
    return layouts;
}

QString toJson(const P6Layout &layout, const QVariantMap &base)
{
    QVariantMap map = base;
    QStringList columns;
    for (const P6LayoutColumn &column : layout.columns)
        columns << column.caption + QLatin1Char(':') + QString::number(column.width);
    map.insert(QStringLiteral("columns"), columns);
    // The applier reads "group" as one text in the grouping's one-string
    // form: levels joined by ",".
    QStringList levels;
    for (const QVariant &level : layout.groupBy)
        levels << level.toString();
    map.insert(QStringLiteral("group"), levels.join(QLatin1Char(',')));
    map.insert(QStringLiteral("sortby"), layout.sortBy);
    return QString::fromUtf8(QJsonDocument::fromVariant(map).toJson(QJsonDocument::Compact));
}

QString forApplying(const QString &layoutJson, const QVariantList &barStyles,
                    const QAbstractItemModel *model)
{
    QVariantMap map = QJsonDocument::fromJson(layoutJson.toUtf8()).toVariant().toMap();
    if (!map.contains(QStringLiteral("barStyles")))
        map.insert(QStringLiteral("barStyles"), barStyles);
    bool anyColumn = false;
    const QVariantList columns = map.value(QStringLiteral("columns")).toList();
    for (const QVariant &entry : columns) {
        const QStringList parts = entry.toString().split(QLatin1Char(':'));
        if (parts.size() == 2 && columnIndex(model, parts.at(0)) >= 0) {
            anyColumn = true;
            break;
        }
    }
    if (!anyColumn)
        map.remove(QStringLiteral("columns"));
    return QString::fromUtf8(QJsonDocument::fromVariant(map).toJson(QJsonDocument::Compact));
}

QString readPlfFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QByteArray bytes = file.readAll();
    file.close();
    const int zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);
    return QString::fromUtf8(bytes);
}

} // namespace P6Layouts
