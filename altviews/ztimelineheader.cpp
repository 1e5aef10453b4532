#include "ztimelineheader.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionHeader>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kMinDragWidth = 12;
constexpr int kMaxDragWidth = 128;

int monthsBetween(const QDate &from, const QDate &to)
{
    return (to.year() - from.year()) * 12 + to.month() - from.month();
}

// Smallest k with k * divisor >= value, for any sign of value.
int ceilDiv(qint64 value, qint64 divisor)
{
    qint64 q = value / divisor;
    if (value % divisor != 0 && value > 0)
        ++q;
    return int(q);
}

} // namespace

ZTimeLineHeader::ZTimeLineHeader(QWidget *parent)
    : QWidget(parent)
{
    init();
}

void ZTimeLineHeader::init()
{
    setAttribute(Qt::WA_MouseTracking);
    m_start = QDate::currentDate();
    m_end = m_start.addMonths(6);
    m_unitWidth = 32;
    m_formats = {{TimeLineDay, 0}, {TimeLineWeek, 0}, {TimeLineMonth, 3},
                 {TimeLineQuarter, 0}, {TimeLineYear, 0}};
    for (int level : {TimeLineDay, TimeLineWeek, TimeLineMonth, TimeLineQuarter, TimeLineYear})
        m_sectionSizes.insert(level, 32);
    m_rowHeight = 24;
    m_scrollValue = 0;
    m_screenshot = false;
}

ZTimeLineFlags ZTimeLineHeader::bottomLevel() const
{
    return m_levels.isEmpty() ? TimeLineNone : m_levels.last();
}

ZTimeLineFlags ZTimeLineHeader::upperLevel() const
{
    if (m_levels.size() < 2)
        return bottomLevel();
    return m_levels.at(m_levels.size() - 2);
}

void ZTimeLineHeader::setFlags(ZTimeLineLevels flags)
{
    m_flags = flags;
    m_levels.clear();
    for (ZTimeLineFlags level :
         {TimeLineYear, TimeLineQuarter, TimeLineMonth, TimeLineWeek, TimeLineDay}) {
        if (flags & level)
            m_levels.append(level);
    }
    // Each bottom level keeps its own zoom; without a level (or a stored
    // width) the previous width stays, so it never becomes 0.
    const int stored = m_levels.isEmpty() ? 0 : m_sectionSizes.value(bottomLevel(), 0);
    if (stored >= 1)
        m_unitWidth = stored;
    invalidateUpperCache();
    fillDatesToBeMarked();
    setAttribute(Qt::WA_Resized);
    emit geometriesChanged();
    update();
}

void ZTimeLineHeader::setRange(const QDate &start, const QDate &end)
{
    if (start.isValid() && end.isValid() && start > end)
        qWarning("Start date i larger than finish date");
    if (!start.isValid() || !end.isValid()) {
        qWarning("Invalid date range");
        return;
    }
    if (start == m_start && end == m_end)
        return;
    m_start = start;
    m_end = end;
    invalidateUpperCache();
    fillDatesToBeMarked();
    update();
}

void ZTimeLineHeader::setDefaultSectionSize(int size)
{
    if (size < 1)
        return;
    m_unitWidth = size;
    if (!m_levels.isEmpty())
        m_sectionSizes.insert(bottomLevel(), size);
    invalidateUpperCache();
}

void ZTimeLineHeader::setCaptionFormat(ZTimeLineFlags level, int format)
{
    m_formats.insert(level, format);
    update();
}

void ZTimeLineHeader::scrollToDate(const QDate &date)
{
    m_scrollValue = unsigned(std::max(0, offset(date, false)));
    emit scrollbarChanged(int(m_scrollValue));
}

void ZTimeLineHeader::onScrollbarChanged(int value)
{
    const int v = std::max(0, value);
    m_scrollValue = unsigned(m_unitWidth >= 1 ? v - v % m_unitWidth : v);
    emit scrollbarChanged(int(m_scrollValue));
    update();
}

QDate ZTimeLineHeader::nextTimeUnit(const QDate &date, int level, int bottom) const
{
    if (!date.isValid())
        return {};
    if (bottom == 0)
        bottom = bottomLevel();
    switch (level) {
    case TimeLineDay:
        return date.addDays(1);
    case TimeLineWeek:
        if (bottom == TimeLineDay)
            return date.addDays(8 - date.dayOfWeek());
        return date.addDays(7);
    case TimeLineMonth:
        return QDate(date.year(), date.month(), 1).addMonths(1);
    case TimeLineQuarter: {
        const int q = (date.month() - 1) / 3;
        if (q + 1 > 3)
            return QDate(date.year() + 1, 1, 1);
        return QDate(date.year(), 3 * q + 4, 1);
    }
    case TimeLineYear:
        return QDate(date.year() + 1, 1, 1);
    default:
        return {};
    }
}

QDate ZTimeLineHeader::advanceUnits(const QDate &from, int level, int count) const
{
    switch (level) {
    case TimeLineDay:
        return from.addDays(count);
    case TimeLineWeek:
        return from.addDays(qint64(count) * 7);
    case TimeLineMonth:
        return from.addMonths(count);
    case TimeLineQuarter:
        return from.addMonths(count * 3);
    case TimeLineYear:
        return from.addYears(count);
    default:
        return {};
    }
}

int ZTimeLineHeader::stepsUntil(const QDate &from, const QDate &date, int level) const
{
    int steps = 1;
    switch (level) {
    case TimeLineDay:
        steps = int(from.daysTo(date));
        break;
    case TimeLineWeek:
        steps = ceilDiv(from.daysTo(date), 7);
        break;
    case TimeLineMonth:
        steps = monthsBetween(from, date) + (date.day() > 1 ? 1 : 0);
        break;
    case TimeLineQuarter:
        steps = ceilDiv(monthsBetween(from, date) + (date.day() > 1 ? 1 : 0), 3);
        break;
    case TimeLineYear:
        steps = date.year() - from.year() + ((date.month() > 1 || date.day() > 1) ? 1 : 0);
        break;
    default:
        break;
    }
    return std::max(1, steps);
}

int ZTimeLineHeader::rectWidth(const QDate &from, const QDate &to, int level) const
{
    const int b = bottomLevel();
    const int u = m_unitWidth;
    if (level == b)
        return u;
    if (b == TimeLineMonth)
        return u * monthCount(from, to);
    if (b == TimeLineDay)
        return int(u * from.daysTo(to));
    if (b == TimeLineWeek && level == TimeLineMonth) {
        if (from == m_start)
            return int((from.daysTo(to) + from.dayOfWeek() - 1) / 7.0 * u);
        const QDate m1 = findMonday(from, false);
        const QDate m2 = findMonday(to, true);
        return int(m1.daysTo(m2) / 7.0 * u + qRound(from.daysTo(m1) / 7.0 * u)
                   + qRound(m2.daysTo(to) / 7.0 * u));
    }
    if ((level == TimeLineQuarter || level == TimeLineYear)
        && (b == TimeLineWeek || b == TimeLineQuarter)) {
        const int sub = b == TimeLineWeek ? TimeLineMonth : TimeLineQuarter;
        int width = 0;
        for (QDate d = from; d.isValid() && d < to;) {
            const QDate next = nextTimeUnit(d, sub);
            width += rectWidth(d, next, sub);
            d = next;
        }
        return width;
    }
    return 0;
}

float ZTimeLineHeader::timeUnitWidth(int level) const
{
    const int b = bottomLevel();
    if (level >= b)
        return 1.0f;
    switch (level) {
    case TimeLineDay:
        switch (b) {
        case TimeLineWeek: return 1.0f / 7;
        case TimeLineMonth: return 1.0f / 30;
        case TimeLineQuarter: return 1.0f / 90;
        case TimeLineYear: return 1.0f / 365;
        }
        break;
    case TimeLineWeek:
        switch (b) {
        case TimeLineMonth: return 1.0f / 4;
        case TimeLineQuarter: return 1.0f / 12;
        case TimeLineYear: return 1.0f / 52;
        }
        break;
    case TimeLineMonth:
        return b == TimeLineQuarter ? 1.0f / 3 : 1.0f / 12;
    case TimeLineQuarter:
        return 1.0f / 4;
    }
    return 1.0f;
}

int ZTimeLineHeader::offset(const QDate &date, bool upper) const
{
    if (m_levels.isEmpty() || !date.isValid() || !m_start.isValid() || date == m_start)
        return 0;
    if (upper) {
        buildUpperCache();
        // The walk makes at least one step; the first boundary on or after
        // the date ends it.
        auto it = std::lower_bound(m_upperDates.cbegin(), m_upperDates.cend(), date);
        if (it != m_upperDates.cend())
            return m_upperOffsets.at(int(it - m_upperDates.cbegin()));
        const int level = upperLevel();
        QDate current = m_upperDates.last();
        int result = m_upperOffsets.last();
        while (current < date) {
            const QDate next = nextTimeUnit(current, level);
            if (!next.isValid())
                break;
            result += rectWidth(current, next, level);
            current = next;
        }
        return result;
    }

    const int b = bottomLevel();
    const int u = m_unitWidth;
    if (b == TimeLineDay)
        return u * stepsUntil(m_start, date, TimeLineDay);
    // The first, possibly partial, bottom unit counts whole; then whole units
    // up to the first boundary on or after the date, minus the part of the
    // last unit that lies beyond it.
    const QDate first = nextTimeUnit(m_start, b, TimeLineDay);
    const int steps = stepsUntil(first, date, b);
    const QDate current = advanceUnits(first, b, steps);
    const int whole = u + steps * u;
    return int(float(whole) + timeUnitWidth(TimeLineDay) * float(current.daysTo(date) * u));
}

int ZTimeLineHeader::offset(const QDateTime &dateTime) const
{
    return offset(dateTime.date(), false);
}

void ZTimeLineHeader::invalidateUpperCache()
{
    m_upperCacheValid = false;
}

void ZTimeLineHeader::buildUpperCache() const
{
    if (m_upperCacheValid)
        return;
    m_upperDates.clear();
    m_upperOffsets.clear();
    const int level = upperLevel();
    QDate current = m_start;
    int result = 0;
    do {
        const QDate next = nextTimeUnit(current, level);
        if (!next.isValid())
            break;
        result += rectWidth(current, next, level);
        current = next;
        m_upperDates.append(current);
        m_upperOffsets.append(result);
    } while (current <= m_end);
    if (m_upperDates.isEmpty()) {
        m_upperDates.append(m_start);
        m_upperOffsets.append(0);
    }
    m_upperCacheValid = true;
}

QDate ZTimeLineHeader::dateAt(unsigned int x) const
{
    if (m_levels.isEmpty())
        return {};
    const int b = bottomLevel();
    QDate origin = m_start;
    if (b == TimeLineWeek)
        origin = findMonday(origin, true);
    if (x == 0)
        return origin;
    const int u = std::max(1, m_unitWidth);
    const int steps = int((quint64(x) + quint64(u) - 1) / quint64(u));
    return advanceUnits(nextTimeUnit(origin, b), b, steps - 1);
}

int ZTimeLineHeader::levelAt(const QPoint &point) const
{
    if (m_levels.isEmpty())
        return -1;
    if (point.y() < 0)
        return 0;
    for (int i = 0; i < m_levels.size(); ++i) {
        if (point.y() < (i + 1) * m_rowHeight)
            return i;
    }
    return -1;
}

QString ZTimeLineHeader::headerText(const QDate &date, int level) const
{
    switch (level) {
    case TimeLineDay: return dayCaption(date);
    case TimeLineWeek: return weekCaption(date);
    case TimeLineMonth: return monthCaption(date);
    case TimeLineQuarter: return quarterCaption(date);
    case TimeLineYear: return yearCaption(date);
    default: return {};
    }
}

QString ZTimeLineHeader::dayCaption(const QDate &date) const
{
    switch (captionFormat(TimeLineDay)) {
    case 0: return date.toString(QStringLiteral("d"));
    case 1: return date.toString(QStringLiteral("dd"));
    case 2: return date.toString(QStringLiteral("dd-MM"));
    case 3:
        return QStringLiteral("%1 '%2").arg(date.toString(QStringLiteral("dd MM")),
                                            date.toString(QStringLiteral("yy")));
    case 4: return dayName(date.dayOfWeek(), true);
    default: return {};
    }
}

QString ZTimeLineHeader::weekCaption(const QDate &date) const
{
    const int week = date.weekNumber();
    switch (captionFormat(TimeLineWeek)) {
    case 0: return QStringLiteral("W%1").arg(week);
    case 1: return QStringLiteral("W%1").arg(week, 2, 10, QLatin1Char('0'));
    case 2: return QStringLiteral("Week %1").arg(week);
    case 3: return QStringLiteral("Week %1").arg(week, 2, 10, QLatin1Char('0'));
    case 4:
        return QStringLiteral("%1 %2 '%3")
            .arg(date.toString(QStringLiteral("dd")), monthName(date.month(), true),
                 date.toString(QStringLiteral("yy")));
    default: return {};
    }
}

QString ZTimeLineHeader::monthCaption(const QDate &date) const
{
    switch (captionFormat(TimeLineMonth)) {
    case 0: return date.toString(QStringLiteral("M"));
    case 1: return date.toString(QStringLiteral("MM"));
    case 2: return monthName(date.month(), true);
    case 3: return monthName(date.month(), false);
    default: return {};
    }
}

QString ZTimeLineHeader::quarterCaption(const QDate &date) const
{
    const int quarter = (date.month() - 1) / 3 + 1;
    switch (captionFormat(TimeLineQuarter)) {
    case 0: return QStringLiteral("Q%1").arg(quarter);
    case 1: return QStringLiteral("%1 %2").arg(ordinal(quarter), QStringLiteral("Quarter"));
    case 2: return QStringLiteral("Q%1 %2").arg(quarter).arg(date.toString(QStringLiteral("yyyy")));
    default: return {};
    }
}

QString ZTimeLineHeader::yearCaption(const QDate &date) const
{
    switch (captionFormat(TimeLineYear)) {
    case 0: return date.toString(QStringLiteral("yyyy"));
    case 1: return date.toString(QStringLiteral("yy"));
    case 2: return QStringLiteral("'%1").arg(date.toString(QStringLiteral("yy")));
    default: return {};
    }
}

int ZTimeLineHeader::monthCount(const QDate &from, const QDate &to)
{
    // Stepping a month at a time never meets an earlier month: count none.
    return std::max(0, monthsBetween(from, to));
}

QDate ZTimeLineHeader::findMonday(const QDate &date, bool backwards)
{
    if (!date.isValid())
        return date;
    const int dow = date.dayOfWeek();
    if (dow == 1)
        return date;
    return backwards ? date.addDays(1 - dow) : date.addDays(8 - dow);
}

QString ZTimeLineHeader::dayName(int day, bool shortName)
{
    static const char *const names[] = {"Monday", "Tuesday", "Wednesday", "Thursday",
                                        "Friday", "Saturday", "Sunday"};
    if (day < 1 || day > 7)
        return {};
    const QString name = QString::fromLatin1(names[day - 1]);
    return shortName ? name.left(1) : name;
}

QString ZTimeLineHeader::monthName(int month, bool shortName)
{
    static const char *const names[] = {"January", "February", "March", "April",
                                        "May", "June", "July", "August",
                                        "September", "October", "November", "December"};
    if (month < 1 || month > 12)
        return {};
    const QString name = QString::fromLatin1(names[month - 1]);
    return shortName ? name.left(3) : name;
}

QString ZTimeLineHeader::ordinal(int number)
{
    static const char *const names[] = {"First", "Second", "Third", "Fourth"};
    if (number < 1 || number > 4)
        return {};
    return QString::fromLatin1(names[number - 1]);
}

void ZTimeLineHeader::fillDatesToBeMarked()
{
    m_markedDates.clear();
    if (m_levels.size() < 2)
        return;
    const int total = offset(m_end, false);
    const int level = upperLevel();
    QDate d = m_start;
    int sum = 0;
    do {
        if (d != m_start)
            m_markedDates.append(d);
        const QDate next = nextTimeUnit(d, level);
        if (!next.isValid())
            break;
        sum += rectWidth(d, next, level);
        d = next;
        if (d > m_end && sum <= 0)
            break; // only zero-width units left: nothing more to mark
    } while (sum < total);
}

QSize ZTimeLineHeader::sizeHint() const
{
    return {offset(m_end, false), m_levels.size() * m_rowHeight};
}

void ZTimeLineHeader::paint(const QDate &start, int level, int y, QPainter *painter)
{
    if (!painter || !start.isValid())
        return;
    int total = offset(m_end, false);
    if (!m_screenshot)
        total = std::min(total, width());
    if (total < 1)
        return;
    const bool bottom = level == bottomLevel();
    int x = 0;
    QDate d = start;
    while (x < total) {
        const QDate next = nextTimeUnit(d, level);
        if (!next.isValid())
            break;
        const int w = rectWidth(d, next, level);
        if (w > 0) {
            QStyleOptionHeader option;
            option.initFrom(this);
            option.rect = QRect(QPoint(x, y), QPoint(x + w - 1, y + m_rowHeight - 1));
            option.text = headerText(d, level);
            option.textAlignment = bottom ? Qt::AlignHCenter | Qt::AlignVCenter
                                          : Qt::AlignLeft | Qt::AlignVCenter;
            style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);
            style()->drawControl(QStyle::CE_HeaderLabel, &option, painter, this);
        } else if (d > m_end) {
            break;
        }
        d = next;
        x += w;
    }
}

void ZTimeLineHeader::paintFromDate(const QDate &start, QPainter *painter)
{
    for (int i = 0; i < m_levels.size(); ++i)
        paint(start, m_levels.at(i), i * m_rowHeight, painter);
}

void ZTimeLineHeader::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QPainter painter(this);
    paintFromDate(dateAt(m_scrollValue), &painter);
}

void ZTimeLineHeader::mousePressEvent(QMouseEvent *event)
{
    const int level = levelAt(QPoint(qRound(event->localPos().x()), qRound(event->localPos().y())));
    m_pressed = level >= 0 && level == m_levels.size() - 1 && event->button() == Qt::LeftButton;
    if (m_pressed) {
        m_pressDate = dateAt(m_scrollValue);
        m_pressX = qRound(event->localPos().x());
        m_pressWidth = m_unitWidth;
    }
}

void ZTimeLineHeader::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos(qRound(event->localPos().x()), qRound(event->localPos().y()));
    const int level = levelAt(pos);
    if (level < 0 || level != m_levels.size() - 1) {
        setCursor(Qt::ArrowCursor);
        return;
    }
    setCursor(Qt::SizeHorCursor);
    // Only a drag that began on the bottom row has an anchor to work from.
    if (!(event->buttons() & Qt::LeftButton) || !m_pressed)
        return;
    const int width = qBound(kMinDragWidth, m_pressWidth + (pos.x() - m_pressX), kMaxDragWidth);
    m_unitWidth = width;
    m_sectionSizes.insert(bottomLevel(), width);
    invalidateUpperCache();
    m_scrollValue = unsigned(std::max(0, offset(m_pressDate, false)));
    emit scrollbarChanged(int(m_scrollValue));
    update();
    emit geometriesChanged();
    emit sectionResized();
}
