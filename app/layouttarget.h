#pragma once

#include <QList>
#include <QString>
#include <QVariant>

class QAction;
class QHeaderView;

// What a layout document is applied to and built from: the activity tree's
// header, its sort and filter state, the grouping, the outline commands and
// the chart's bar styles. The main window implements it over its panes;
// tests implement it over plain views.
class LayoutTarget
{
public:
    virtual ~LayoutTarget() = default;

    // The activity tree's header; null when it is not the sort-and-filter
    // header, in which case nothing is applied.
    virtual QHeaderView *header() const = 0;

    // Sort column (-1 for none) and order recorded by the header.
    virtual int sortColumn() const = 0;
    virtual Qt::SortOrder sortOrder() const = 0;
    // Sorts by the column of that caption; a caption that names no column
    // does nothing.
    virtual void setSortBy(const QString &caption, Qt::SortOrder order) = 0;
    // Removes the sort and every column filter.
    virtual void clearFilterSort() = 0;

    // The filter proxy's state: {"patterns": {...}, "expressions": {...}}.
    virtual QVariantMap filterState() const = 0;
    // Replaces every filter of the proxy with those of the state.
    virtual void setFilterState(const QVariantMap &state) = 0;
    // The header's filter marks.
    virtual void clearFilterMarks() = 0;
    virtual void markFiltered(int column) = 0;

    // The grouping in its one-string form.
    virtual QString grouping() const = 0;
    virtual void setGrouping(const QString &grouping) = 0;

    // Text of the last outline command, and the commands a layout's
    // "outline" may trigger: only those of the Outline menu.
    virtual QString outlineLevel() const = 0;
    virtual QList<QAction *> outlineActions() const = 0;

    // The chart's bar styles, one variant map per style, in chart order.
    virtual QVariantList barStyles() const = 0;
    // Gives the chart these styles with the fixed display options of a
    // layout (links shown, no alternating rows, no vertical lines, caption
    // formats 0, 0, 1, 1, 1, no label columns).
    virtual void setBarStyles(const QVariantList &styles) = 0;

    virtual void setTreePosition(int column) = 0;
    virtual void updateMergeColumns() = 0;
};
