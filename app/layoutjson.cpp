#include "layoutjson.h"

#include "layouttarget.h"
#include "modelhelpers.h"

#include <QAction>
#include <QAbstractItemModel>
#include <QHeaderView>
#include <QJsonDocument>

namespace {

const int kColumnDescriptorRole = 258;

} // namespace

LayoutJson::ApplyResult LayoutJson::apply(const QString &layout, LayoutTarget &target)
{
    if (layout.isEmpty())
        return EmptyText;
    QHeaderView *header = target.header();
    if (!header)
        return NoHeader;

    const QVariantMap map = QJsonDocument::fromJson(layout.toUtf8()).toVariant().toMap();

    headerFromVariant(header, map.value(QStringLiteral("columns")));

    const QStringList sortBy = map.value(QStringLiteral("sortby")).toStringList();
    if (sortBy.isEmpty()) {
        target.clearFilterSort();
    } else {
        const QStringList parts = sortBy.first().split(QLatin1Char(';'));
        // Without an order letter the sort is ascending.
        const Qt::SortOrder order = parts.size() < 2 || parts.at(1) == QLatin1String("A")
                                        ? Qt::AscendingOrder
                                        : Qt::DescendingOrder;
        target.setSortBy(parts.at(0), order);
    }

    const QVariantMap filters = map.value(QStringLiteral("filters")).toMap();
    target.setFilterState(filters);
    target.clearFilterMarks();
    const QVariantMap patterns = filters.value(QStringLiteral("patterns")).toMap();
    for (auto it = patterns.cbegin(); it != patterns.cend(); ++it)
        target.markFiltered(it.key().toInt());
    const QVariantMap expressions = filters.value(QStringLiteral("expressions")).toMap();
    for (auto it = expressions.cbegin(); it != expressions.cend(); ++it)
        target.markFiltered(it.key().toInt());

    const QString group = map.value(QStringLiteral("group")).toString();
    if (!group.isEmpty())
        target.setGrouping(group);

    // Only outline commands are looked at: an action elsewhere that happens
    // to carry the same text must not run.
    const QString outline = map.value(QStringLiteral("outline")).toString();
    if (!outline.isEmpty()) {
        const QList<QAction *> actions = target.outlineActions();
        for (QAction *action : actions) {
            if (action && action->text() == outline)
                action->activate(QAction::Trigger);
        }
    }

    target.setBarStyles(map.value(QStringLiteral("barStyles")).toList());

    target.setTreePosition(firstVisibleColumn(header));
    target.updateMergeColumns();
    return Applied;
}

QString LayoutJson::build(const LayoutTarget &target)
{
    QVariantMap map;
    QHeaderView *header = target.header();
    map.insert(QStringLiteral("columns"), headerToVariant(header));

    QString caption;
    const int sortColumn = target.sortColumn();
    if (header && header->model() && sortColumn >= 0) {
        caption = header->model()
                      ->headerData(sortColumn, Qt::Horizontal, kColumnDescriptorRole)
                      .toMap()
                      .value(QStringLiteral("display"))
                      .toString();
    }
    map.insert(QStringLiteral("sortby"),
               caption + QLatin1Char(';')
                   + (target.sortOrder() == Qt::AscendingOrder ? QLatin1Char('A')
                                                                : QLatin1Char('D')));
    map.insert(QStringLiteral("filters"), target.filterState());
    map.insert(QStringLiteral("group"), target.grouping());
    map.insert(QStringLiteral("outline"), target.outlineLevel());
    map.insert(QStringLiteral("bars"), QVariant());
    map.insert(QStringLiteral("barStyles"), target.barStyles());
    return QString::fromUtf8(QJsonDocument::fromVariant(map).toJson(QJsonDocument::Compact));
}
