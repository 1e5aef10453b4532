#include "zgrouping.h"

#include "textforms.h"

#include <QStringList>

namespace {

const QString kDefaultFamily = QStringLiteral("MS Shell Dlg 2");

} // namespace

Group::Group()
    : font(kDefaultFamily), color(Qt::white)
{
    font.setWeight(QFont::Bold);
}

Group ZGrouping::createGroup(const QBrush &brush, const QFont &font, const QColor &color,
                             const QString &field, const QString &title)
{
    Group g;
    if (!field.isEmpty())
        g.field = field;
    if (!title.isEmpty())
        g.title = title;
    if (font != QFont())
        g.font = font;
    if (color.isValid())
        g.color = color;
    g.brush = brush;
    return g;
}

void ZGrouping::addGroup(const Group &group)
{
    m_groups.append(group);
}

void ZGrouping::addGroup(const QString &field, const QString &title, const QFont &font,
                         const QColor &color, const QBrush &brush)
{
    m_groups.append(createGroup(brush, font, color, field, title));
}

void ZGrouping::addGroup(const QColor &background)
{
    m_groups.append(createGroup(QBrush(background), QFont(), QColor(), QString(), QString()));
}

void ZGrouping::clear()
{
    for (Group &g : m_groups)
        g.field.clear();
}

bool ZGrouping::anyActive() const
{
    for (const Group &g : m_groups) {
        if (!g.field.isEmpty())
            return true;
    }
    return false;
}

int ZGrouping::size(bool activeOnly) const
{
    if (!activeOnly)
        return m_groups.size();
    int n = 0;
    for (const Group &g : m_groups) {
        if (!g.field.isEmpty())
            ++n;
    }
    return n;
}

Group ZGrouping::group(int i) const
{
    Q_ASSERT(i >= 0 && i < m_groups.size());
    if (i < 0 || i >= m_groups.size())
        return Group();
    return m_groups.at(i);
}

QList<Group> ZGrouping::activeGroups() const
{
    QList<Group> active;
    for (const Group &g : m_groups) {
        if (!g.field.isEmpty())
            active.append(g);
    }
    return active;
}

QList<GroupStyle> ZGrouping::createPalette() const
{
    QList<GroupStyle> palette;
    palette.reserve(m_groups.size());
    for (const Group &g : m_groups) {
        if (!g.field.isEmpty())
            palette.append(GroupStyle(g.brush, g.font, g.color));
    }
    for (const Group &g : m_groups) {
        if (g.field.isEmpty())
            palette.append(GroupStyle(g.brush, g.font, g.color));
    }
    return palette;
}

QVariant ZGrouping::toVariant() const
{
    QStringList levels;
    levels.reserve(m_groups.size());
    for (const Group &g : m_groups) {
        const QStringList pieces = { g.field, g.title, fontToString(g.font),
                                     brushToString(QBrush(g.color)), brushToString(g.brush) };
        levels.append(pieces.join(QLatin1Char(';')));
    }
    return QVariant(levels.join(QLatin1Char(',')));
}

void ZGrouping::fromVariant(const QVariant &value)
{
    const QStringList levels = value.toString().split(QLatin1Char(','));
    for (const QString &level : levels) {
        Group g;
        const QStringList pieces = level.split(QLatin1Char(';'));
        const int n = pieces.size();
        if (n >= 1)
            g.field = pieces.at(0);
        if (n >= 2)
            g.title = pieces.at(1);
        // The texts may come from a user's layout: a piece that does not
        // read (no colon in a font, no four numbers in a colour) keeps the
        // level's default.
        if (n >= 3 && pieces.at(2).contains(QLatin1Char(':')))
            g.font = fontFromString(pieces.at(2));
        if (n >= 4) {
            const QBrush color = brushFromString(pieces.at(3));
            if (color.style() != Qt::NoBrush)
                g.color = color.color();
        }
        if (n >= 5) {
            const QBrush background = brushFromString(pieces.at(4));
            if (background.style() != Qt::NoBrush)
                g.brush = background;
        }
        m_groups.append(g);
    }
}
