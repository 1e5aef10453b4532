#include "zgrouping.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

const QString kDefaultFamily = QStringLiteral("MS Shell Dlg 2");

// "r%1g%2b%3a%4": the colour only; the brush style does not travel.
QString colorText(const QColor &c)
{
    return QStringLiteral("r%1g%2b%3a%4").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alpha());
}

// Reads a colour text; false (and nothing set) unless it holds four numbers.
// The texts may come from a user's layout, so nothing beyond the parts is
// read and components are clamped to what a colour can hold.
bool colorFromText(const QString &text, QColor *color)
{
    static const QRegularExpression letters(QStringLiteral("[a-z]"));
    const QStringList parts = text.split(letters, Qt::SkipEmptyParts);
    if (parts.size() < 4)
        return false;
    int v[4];
    for (int i = 0; i < 4; ++i)
        v[i] = qBound(0, parts.at(i).toInt(nullptr, 10), 255);
    color->setRgb(v[0], v[1], v[2], v[3]);
    return true;
}

// Family, ":", then "i", "u", "b" for italic, underlined, bold.
QString fontText(const QFont &font)
{
    QString text = QStringLiteral("%1:").arg(font.family());
    if (font.style() != QFont::StyleNormal)
        text += QLatin1Char('i');
    if (font.underline())
        text += QLatin1Char('u');
    if (font.weight() > QFont::Medium)
        text += QLatin1Char('b');
    return text;
}

// A text without a colon is taken whole as the family.
QFont fontFromText(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    const QString flags = parts.value(1);
    QFont font(parts.value(0));
    font.setStyle(flags.contains(QLatin1Char('i')) ? QFont::StyleItalic : QFont::StyleNormal);
    font.setUnderline(flags.contains(QLatin1Char('u')));
    font.setWeight(flags.contains(QLatin1Char('b')) ? QFont::Bold : QFont::Normal);
    return font;
}

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
        const QStringList pieces = { g.field, g.title, fontText(g.font), colorText(g.color),
                                     colorText(g.brush.color()) };
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
        if (n >= 3)
            g.font = fontFromText(pieces.at(2));
        QColor c;
        if (n >= 4 && colorFromText(pieces.at(3), &c))
            g.color = c;
        if (n >= 5 && colorFromText(pieces.at(4), &c))
            g.brush = QBrush(c, Qt::SolidPattern);
        m_groups.append(g);
    }
}
