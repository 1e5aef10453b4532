#pragma once

#include "groupstyle.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QList>
#include <QString>
#include <QVariant>

// One grouping level: the caption of the column it groups by (empty: the
// level is inactive), its rule text ("All", "To level 3", "Month", ...) and
// the paint style of its group rows.
struct Group
{
    Group();

    QString field;
    QString title;
    QBrush brush;
    QFont font;
    QColor color;
};

// The ordered group-by levels of the activity tree, outermost first, with a
// one-string form for layouts:
//   field;title;font;textcolour;background   per level, levels joined by ","
// Captions, rule texts and font families holding "," or ";" do not survive
// the string form. Reading never fails: missing or malformed pieces keep the
// level's defaults.
class ZGrouping
{
public:
    static Group createGroup(const QBrush &brush, const QFont &font, const QColor &color,
                             const QString &field, const QString &title);

    void addGroup(const Group &group);
    void addGroup(const QString &field, const QString &title, const QFont &font,
                  const QColor &color, const QBrush &brush);
    // An inactive level with the given background.
    void addGroup(const QColor &background);

    // Makes every level inactive; the levels keep their titles and styles.
    void clear();

    bool anyActive() const;
    int size(bool activeOnly = false) const;
    Group group(int i) const;
    // The levels that group, in order; inactive levels are skipped, so a
    // gap before an active level does not shift or break the grouping.
    QList<Group> activeGroups() const;

    // Styles by band depth: the active levels' styles in level order, then
    // those of the inactive levels (used by structures nested deeper than
    // the active levels, such as a WBS grouped to all its levels).
    QList<GroupStyle> createPalette() const;

    QVariant toVariant() const;
    // Appends the levels of the one-string form; present levels stay.
    void fromVariant(const QVariant &value);

private:
    QList<Group> m_groups;
};
