#include "qgcdateaxis.h"

#include "dateutils.h"
#include "paintguard.h"
#include "qgcdateaxis_p.h"
#include "qganttchart.h"
#include "zganttchart2logging.h"

#include <QFontMetrics>
#include <QLocale>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QScrollArea>
#include <QScrollBar>

namespace mygc {

const int DateAxis::kMaxAxisWidth = QWIDGETSIZE_MAX;

namespace {

constexpr int kLevelHeight = DateAxisLevel::kHeight;

bool validRange(const QDateTime &start, const QDateTime &end)
{
    return start.isValid() && end.isValid() && start < end;
}

// (a * b) / c without overflow for the sizes the axis deals with.
qint64 mulDiv(qint64 a, qint64 b, qint64 c)
{
    return static_cast<qint64>((static_cast<__int128>(a) * b) / c);
}

QString number(int n)
{
    return QString::number(n);
}

} // namespace

DateAxis::DateAxis(QWidget *parent)
    : QWidget(parent)
    , d(new DateAxisPrivate)
{
    d->axis_ = this;
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(10);
    d->axis_start_dt_ = QDate::currentDate().startOfDay(Qt::LocalTime);
    d->axis_end_dt_ = date_utils::next_date(Day, d->axis_start_dt_);
    syncRange();
    addLevel(Day);
}

DateAxis::DateAxis(const DateAxisPrivate &data)
    : QWidget(data.axis_ ? data.axis_->parentWidget() : nullptr)
    , d(new DateAxisPrivate(data))
{
    d->axis_ = this;
    syncRange();
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // Levels are QObject children of their axis, which deletes them with
    // itself: the new axis gets levels of its own with the same units.
    const auto shared = d->levels_;
    d->levels_.clear();
    for (const auto &old : shared) {
        auto level = QSharedPointer<DateAxisLevel>::create(this);
        level->setTimeUnit(old->timeUnit());
        level->setDateAxis(this);
        d->levels_.append(level);
    }
    if (d->levels_.isEmpty()) {
        auto level = QSharedPointer<DateAxisLevel>::create(this);
        level->setDateAxis(this);
        d->levels_.append(level);
    }
    updateHeight();
}

DateAxis::~DateAxis() = default;

void DateAxis::syncRange()
{
    // Local date-times convert to instants through the C library on every
    // comparison; the ends are converted once here instead.
    d->rangeValid_ = validRange(d->axis_start_dt_, d->axis_end_dt_);
    d->startMs_ = d->rangeValid_ ? d->axis_start_dt_.toMSecsSinceEpoch() : 0;
    d->endMs_ = d->rangeValid_ ? d->axis_end_dt_.toMSecsSinceEpoch() : 0;
}

QDateTime DateAxis::pointToDate(int x) const
{
    if (x < 0 || !d->rangeValid_ || d->axisWidth_ <= 0)
        return QDateTime();
    const qint64 secs = (d->endMs_ - d->startMs_) / 1000;
    if (secs <= 0)
        return QDateTime();
    return d->axis_start_dt_.addSecs(mulDiv(secs, x, d->axisWidth_));
}

int DateAxis::dateToPoint(const QDateTime &date) const
{
    if (!date.isValid())
        return -1;
    return msecsToPoint(date.toMSecsSinceEpoch());
}

int DateAxis::msecsToPoint(qint64 msecs) const
{
    if (!d->rangeValid_ || d->axisWidth_ <= 0)
        return -1;
    if (msecs < d->startMs_ || msecs > d->endMs_)
        return -1;
    const qint64 secs = (d->endMs_ - d->startMs_) / 1000;
    if (secs <= 0)
        return -1;
    return static_cast<int>(mulDiv((msecs - d->startMs_) / 1000, d->axisWidth_, secs));
}

qint64 DateAxis::minMSecs() const
{
    return d->startMs_;
}

qint64 DateAxis::maxMSecs() const
{
    return d->endMs_;
}

bool DateAxis::hasRange() const
{
    return d->rangeValid_;
}

QDateTime DateAxis::min() const
{
    return d->axis_start_dt_;
}

QDateTime DateAxis::max() const
{
    return d->axis_end_dt_;
}

int DateAxis::columnWidth() const
{
    return d->columnWidth_;
}

int DateAxis::columnsCount() const
{
    return d->columns_;
}

int DateAxis::axisWidth() const
{
    return d->axisWidth_;
}

void DateAxis::updateHeight()
{
    int height = 0;
    for (const auto &level : qAsConst(d->levels_))
        height += level->height();
    setFixedHeight(height);
}

void DateAxis::addLevel(TimeUnit unit)
{
    auto level = QSharedPointer<DateAxisLevel>::create(this);
    level->setTimeUnit(unit);
    level->setDateAxis(this);
    d->levels_.append(level);
    updateHeight();
    if (d->levels_.size() == 1)
        recalc_scale();
    emit heightChanged(height());
}

void DateAxis::refloorRange()
{
    const TimeUnit u = levelTimeUnit(0);
    if (d->requestedStart_.isNull() || d->requestedEnd_.isNull()) {
        d->axis_start_dt_ = QDateTime();
        d->axis_end_dt_ = QDateTime();
        syncRange();
        return;
    }
    d->axis_start_dt_ = rangeStart(u, d->requestedStart_);
    d->axis_end_dt_ = rangeEnd(u, d->requestedEnd_);
    if (d->axis_start_dt_.isValid() && !(d->axis_start_dt_ < d->axis_end_dt_))
        d->axis_end_dt_ = date_utils::advance(u, d->axis_start_dt_);
    syncRange();
}

void DateAxis::setLevels(const QVector<TimeUnit> &units)
{
    d->levels_.clear();
    for (TimeUnit unit : units) {
        auto level = QSharedPointer<DateAxisLevel>::create(this);
        level->setTimeUnit(unit);
        level->setDateAxis(this);
        d->levels_.append(level);
    }
    if (d->levels_.isEmpty()) {
        auto level = QSharedPointer<DateAxisLevel>::create(this);
        level->setDateAxis(this);
        d->levels_.append(level);
    }
    updateHeight();
    refloorRange();
    recalc_scale();
    update();
    emit heightChanged(height());
}

void DateAxis::setLevelUnit(int level, TimeUnit unit)
{
    if (level < 0 || level >= d->levels_.size())
        return;
    d->levels_[level]->setTimeUnit(unit);
    if (level == 0)
        recalc_scale();
}

int DateAxis::levelCount() const
{
    return d->levels_.size();
}

TimeUnit DateAxis::levelTimeUnit(int level) const
{
    if (level < 0 || level >= d->levels_.size())
        return Second;
    return d->levels_.at(level)->timeUnit();
}

void DateAxis::setRequested(const QDateTime &start, const QDateTime &end)
{
    d->requestedStart_ = start;
    d->requestedEnd_ = end;
    d->requestedStartMs_ = start.isValid() ? start.toMSecsSinceEpoch() : 0;
    d->requestedEndMs_ = end.isValid() ? end.toMSecsSinceEpoch() : 0;
}

qint64 DateAxis::requestedStartMSecs() const
{
    return d->requestedStartMs_;
}

qint64 DateAxis::requestedEndMSecs() const
{
    return d->requestedEndMs_;
}

void DateAxis::setEdgeRoom(int pixels)
{
    pixels = qMax(0, pixels);
    if (pixels == d->edgeRoom_)
        return;
    d->edgeRoom_ = pixels;
    if (d->requestedStart_.isNull() || d->requestedEnd_.isNull())
        return;
    refloorRange();
    recalc_scale();
}

int DateAxis::edgeRoom() const
{
    return d->edgeRoom_;
}

QDateTime DateAxis::rangeStart(TimeUnit u, const QDateTime &start) const
{
    QDateTime s = date_utils::floor_date(u, start);
    if (d->edgeRoom_ <= 0 || !s.isValid())
        return s;
    // The pixels between the period's start and the date, at the chosen
    // column width; short of the room, whole periods are added before.
    const int width = qMax(1, d->preferredColumnWidth_);
    const qint64 periodMs = s.msecsTo(date_utils::next_date(u, s));
    const qint64 offset = periodMs > 0 ? mulDiv(s.msecsTo(start), width, periodMs) : 0;
    for (qint64 missing = d->edgeRoom_ - offset; missing > 0 && s.isValid(); missing -= width) {
        const QDateTime before = date_utils::floor_date(u, s.addMSecs(-1));
        if (!before.isValid() || !(before < s))
            break;
        s = before;
    }
    return s;
}

QDateTime DateAxis::rangeEnd(TimeUnit u, const QDateTime &end) const
{
    const QDateTime last = date_utils::floor_date(u, end);
    QDateTime e = date_utils::next_date(u, last);
    if (d->edgeRoom_ <= 0 || !last.isValid() || !e.isValid())
        return e;
    const int width = qMax(1, d->preferredColumnWidth_);
    const qint64 periodMs = last.msecsTo(e);
    const qint64 offset = periodMs > 0 ? mulDiv(end.msecsTo(e), width, periodMs) : 0;
    for (qint64 missing = d->edgeRoom_ - offset; missing > 0; missing -= width) {
        const QDateTime after = date_utils::next_date(u, e);
        if (!after.isValid() || !(e < after))
            break;
        e = after;
    }
    return e;
}

void DateAxis::setStartDate(const QDateTime &date)
{
    if (date == d->requestedStart_)
        return;
    setRequested(date, d->requestedEnd_);
    const TimeUnit u = levelTimeUnit(0);
    const QDateTime f = rangeStart(u, date);
    if (f == d->axis_start_dt_)
        return;
    d->axis_start_dt_ = f;
    if (!(d->axis_start_dt_ < d->axis_end_dt_))
        d->axis_end_dt_ = date_utils::advance(u, d->axis_start_dt_);
    syncRange();
    recalc_scale();
}

void DateAxis::setEndDate(const QDateTime &date)
{
    if (date == d->requestedEnd_)
        return;
    setRequested(d->requestedStart_, date);
    const TimeUnit u = levelTimeUnit(0);
    const QDateTime e = rangeEnd(u, date);
    if (e == d->axis_end_dt_)
        return;
    d->axis_end_dt_ = e;
    syncRange();
    if (d->axis_start_dt_ < d->axis_end_dt_)
        recalc_scale();
}

void DateAxis::setDates(const QDateTime &start, const QDateTime &end)
{
    if (start == d->requestedStart_ && end == d->requestedEnd_)
        return;
    setRequested(start, end);
    const TimeUnit u = levelTimeUnit(0);
    const QDateTime s = rangeStart(u, start);
    const QDateTime e = rangeEnd(u, end);
    if (s == d->axis_start_dt_ && e == d->axis_end_dt_)
        return;
    d->axis_start_dt_ = s;
    d->axis_end_dt_ = e;
    if (!(s < e))
        d->axis_end_dt_ = date_utils::advance(u, s);
    syncRange();
    recalc_scale();
}

void DateAxis::clearDates()
{
    setRequested(QDateTime(), QDateTime());
    d->axis_start_dt_ = QDateTime();
    d->axis_end_dt_ = QDateTime();
    syncRange();
    recalc_scale();
    setEmpty(true);
}

void DateAxis::resetColumnWidth()
{
    d->preferredColumnWidth_ = DateAxisPrivate::kColumnWidth;
    // Wider columns may need a period less of room at an end.
    if (d->edgeRoom_ > 0 && !d->requestedStart_.isNull() && !d->requestedEnd_.isNull())
        refloorRange();
    recalc_scale();
}

void DateAxis::setEmpty(bool empty)
{
    if (d->empty_ == empty)
        return;
    d->empty_ = empty;
    update();
}

bool DateAxis::empty() const
{
    return d->empty_;
}

void DateAxis::setChart(GanttChart *chart)
{
    d->chart_ = chart;
}

void DateAxis::recalc_scale()
{
    Q_ASSERT(!d->levels_.isEmpty());
    if (d->levels_.isEmpty())
        return;
    const TimeUnit u = levelTimeUnit(0);
    qint64 columns = 0;
    if (validRange(d->axis_start_dt_, d->axis_end_dt_)) {
        columns = qMax<qint64>(0, date_utils::units_between(d->axis_start_dt_, d->axis_end_dt_, u));
        if (columns > kMaxAxisWidth) {
            // More periods than pixels the widget may have: keep the start
            // and cut the range so that every column is at least one pixel.
            const QDateTime cut = date_utils::add_units(u, d->axis_start_dt_, kMaxAxisWidth);
            qCWarning(lcGantt) << "DateAxis::recalc_scale range cut from" << columns << "to"
                               << kMaxAxisWidth << "columns";
            columns = kMaxAxisWidth;
            if (cut.isValid() && d->axis_start_dt_ < cut) {
                d->axis_end_dt_ = cut;
                syncRange();
            }
        }
    } else if (d->axis_start_dt_.isValid() || d->axis_end_dt_.isValid()) {
        qCDebug(lcGantt) << "DateAxis::recalc_scale invalid range" << d->axis_start_dt_
                         << d->axis_end_dt_;
    }

    int width = qMax(1, d->preferredColumnWidth_);
    if (columns > 0 && columns * width > kMaxAxisWidth)
        width = static_cast<int>(qMax<qint64>(1, kMaxAxisWidth / columns));

    const int oldColumns = d->columns_;
    const int oldWidth = d->axisWidth_;
    d->columnWidth_ = width;
    d->columns_ = static_cast<int>(columns);
    d->axisWidth_ = static_cast<int>(columns * width);
    if (oldWidth != d->axisWidth_)
        emit axisWidthChanged(oldWidth, d->axisWidth_);
    if (oldColumns != d->columns_)
        emit columnsChanged(oldColumns, d->columns_);
    update();
}

int DateAxis::scrollOffset() const
{
    if (auto *area = qobject_cast<QScrollArea *>(parentWidget()))
        return area->horizontalScrollBar()->value();
    return 0;
}

bool DateAxis::isCloseToBorder(int x, int y) const
{
    if (y < height() - kLevelHeight || y >= height() || x < 2)
        return false;
    const int w = d->columnWidth_;
    if (w <= 0)
        return false;
    const int m = (x + scrollOffset()) % w;
    return m == 0 || m == 1 || m == w - 1;
}

void DateAxis::mousePressEvent(QMouseEvent *event)
{
    const int x = qRound(event->localPos().x());
    const int y = qRound(event->localPos().y());
    if (!isCloseToBorder(x, y))
        return;
    const int w = d->columnWidth_;
    const int scroll = scrollOffset();
    const int col = (x + scroll + 1) / w - 1;
    dragging_ = true;
    dragStartX_ = qMax(0, col * w) - scroll;
    dragCurrentX_ = x;
    update();
}

void DateAxis::mouseReleaseEvent(QMouseEvent *event)
{
    Q_UNUSED(event)
    if (!dragging_)
        return;
    dragging_ = false;
    const int width = qMax(10, dragCurrentX_ - dragStartX_);
    if (width != d->columnWidth_) {
        d->preferredColumnWidth_ = width;
        // Narrower columns may need another period of room at an end.
        if (d->edgeRoom_ > 0 && !d->requestedStart_.isNull() && !d->requestedEnd_.isNull())
            refloorRange();
        recalc_scale();
    }
    dragStartX_ = 0;
    dragCurrentX_ = 0;
    update();
}

void DateAxis::mouseMoveEvent(QMouseEvent *event)
{
    const int x = qRound(event->localPos().x());
    const int y = qRound(event->localPos().y());
    if (dragging_) {
        dragCurrentX_ = x;
        update();
        return;
    }
    const Qt::CursorShape shape = isCloseToBorder(x, y) ? Qt::SizeHorCursor : Qt::ArrowCursor;
    if (cursor().shape() != shape)
        setCursor(shape);
}

QString DateAxis::caption(TimeUnit unit, const QDateTime &date) const
{
    const QDate day = date.date();
    switch (unit) {
    case Day:
        switch (d->chart_ ? d->chart_->dayFormat() : DayNumberPadded) {
        case DayNumber:
            return date.toString(QStringLiteral("d"));
        case DayNumberPadded:
            return date.toString(QStringLiteral("dd"));
        case DayMonth:
            return date.toString(QStringLiteral("dd-MM"));
        case DayMonthYear:
            return date.toString(QStringLiteral("dd MM")) + QLatin1Char('\'')
                + date.toString(QStringLiteral("yy"));
        case DayWeekdayLetter:
            return date.toString(QStringLiteral("ddd")).left(1);
        }
        return QString();
    case Week: {
        const int week = day.weekNumber();
        switch (d->chart_ ? d->chart_->weekFormat() : WeekLong) {
        case WeekShort:
            return QStringLiteral("W ") + number(week);
        case WeekShortPadded:
            return (week < 10 ? QStringLiteral("W 0") : QStringLiteral("W ")) + number(week);
        case WeekLong:
            return QStringLiteral("Week ") + number(week);
        case WeekLongPadded:
            return (week < 10 ? QStringLiteral("Week 0") : QStringLiteral("Week ")) + number(week);
        case WeekDate:
            return date.toString(QStringLiteral("dd MMM ''yy"));
        }
        return QString();
    }
    case Month:
        switch (d->chart_ ? d->chart_->monthFormat() : MonthNumberPadded) {
        case MonthNumber:
            return date.toString(QStringLiteral("M"));
        case MonthNumberPadded:
            return date.toString(QStringLiteral("MM"));
        case MonthShortName:
            return date.toString(QStringLiteral("MMM"));
        case MonthLongName:
            return date.toString(QStringLiteral("MMMM"));
        }
        return QString();
    case Quarter: {
        const int quarter = (day.month() - 1) / 3 + 1;
        switch (d->chart_ ? d->chart_->quarterFormat() : QuarterShort) {
        case QuarterShort:
            return QStringLiteral("Q") + number(quarter);
        case QuarterName: {
            static const char *const names[] = {"First Quarter", "Second Quarter", "Third Quarter",
                                                "Fourth Quarter"};
            return QString::fromLatin1(names[qBound(1, quarter, 4) - 1]);
        }
        case QuarterWithYear:
            return QStringLiteral("Q") + number(quarter) + QLatin1Char(' ')
                + date.toString(QStringLiteral("yyyy"));
        }
        return QString();
    }
    case Year:
        switch (d->chart_ ? d->chart_->yearFormat() : YearFourDigits) {
        case YearFourDigits:
            return date.toString(QStringLiteral("yyyy"));
        case YearTwoDigits:
            return date.toString(QStringLiteral("yy"));
        case YearApostrophe:
            return QLatin1Char('\'') + date.toString(QStringLiteral("yy"));
        }
        return QString();
    default:
        return QString();
    }
}

QString DateAxis::fitCaption(TimeUnit unit, const QDateTime &d, const QString &caption,
                             const QFontMetrics &metrics, int width)
{
    if (metrics.horizontalAdvance(caption) <= width)
        return caption;
    const QDate date = d.date();
    QStringList shorter;
    switch (unit) {
    case Year:
        shorter << QStringLiteral("'%1").arg(date.year() % 100, 2, 10, QLatin1Char('0'));
        break;
    case HalfYear:
    case Quarter:
        shorter << QString::number((date.month() - 1) / 3 + 1);
        break;
    case Month:
        shorter << QString::number(date.month())
                << QLocale::c().monthName(date.month(), QLocale::NarrowFormat);
        break;
    case Week:
        shorter << QString::number(date.weekNumber());
        break;
    case Day:
    case TenDays:
        shorter << QString::number(date.day());
        break;
    default:
        break;
    }
    for (const QString &text : qAsConst(shorter)) {
        if (metrics.horizontalAdvance(text) <= width)
            return text;
    }
    return QString();
}

void DateAxis::paintEvent(QPaintEvent *event)
{
    // Qt's painting cannot unwind: memory running out stops here.
    paintguard::run([&] { paintAxis(event); });
}

void DateAxis::paintAxis(QPaintEvent *event)
{
    QPainter painter(this);
    const QRect r = event->rect();
    const QPalette palette;
    painter.fillRect(r, palette.color(QPalette::Window));

    if (!d->empty_ && validRange(d->axis_start_dt_, d->axis_end_dt_) && d->axisWidth_ > 0) {
        const int scroll = scrollOffset();
        // Only the part of the exposed rectangle that lies on the axis.
        const int ax0 = qBound(0, r.left() + scroll, d->axisWidth_);
        const int ax1 = qBound(0, r.right() + scroll, d->axisWidth_);
        const QDateTime first = pointToDate(ax0);
        const QDateTime last = pointToDate(ax1);
        const qint64 span = qint64(ax1) - ax0 + 1;

        int bottom = height();
        for (int level = 0; level < d->levels_.size(); ++level) {
            const int top = bottom - d->levels_.at(level)->height();
            const int bandBottom = bottom;
            bottom = top;
            if (!(top < r.y() + r.height() && bandBottom > r.y()))
                continue;
            const TimeUnit u = d->levels_.at(level)->timeUnit();
            QDateTime date = date_utils::floor_date(u, first);
            const QDateTime stop = date_utils::next_date(u, date_utils::floor_date(u, last));
            // A level finer than a pixel shows nothing readable: skip it
            // rather than walk more periods than there are pixels.
            if (!date.isValid() || date_utils::units_between(date, stop, u) > span + 2)
                continue;

            const Qt::Alignment align = Qt::AlignVCenter | (level == 0 ? Qt::AlignHCenter : Qt::AlignLeft);
            QVector<QLine> firstLines;
            QVector<QLine> secondLines;
            painter.setPen(palette.color(QPalette::WindowText));
            while (date.isValid() && date < stop) {
                const QDateTime next = date_utils::advance(u, date);
                if (!next.isValid())
                    break;
                // Periods that run past an end of the axis are cut at that end.
                const int x1 = date < d->axis_start_dt_ ? 0 : dateToPoint(date);
                const int x2 = next > d->axis_end_dt_ ? d->axisWidth_ : dateToPoint(next);
                const int xs = x1 - scroll;
                firstLines.append(QLine(xs, top, xs, bandBottom));
                secondLines.append(QLine(xs + 1, top, xs + 1, bandBottom));
                // A caption may take the whole period but its two separator
                // lines: two digits of a day fit the default 25 pixels even
                // in a 12-point font.
                const int left = qMax(xs, r.left());
                const int room = (x2 - scroll) - left - 2;
                if (room > 0) {
                    // A caption never runs over its neighbours: shortened
                    // to fit, or left out.
                    const QString text = fitCaption(u, date, caption(u, date), painter.fontMetrics(),
                                                    room);
                    // Left-aligned captions keep a pixel off the separator
                    // where they can.
                    const int indent =
                        level > 0 && painter.fontMetrics().horizontalAdvance(text) < room ? 1 : 0;
                    if (!text.isEmpty())
                        painter.drawText(QRect(left + 2 + indent, top, room - indent, kLevelHeight),
                                         int(align), text);
                }
                date = next;
            }
            painter.setPen(palette.color(QPalette::Midlight));
            painter.drawLines(firstLines);
            painter.setPen(palette.color(QPalette::Light));
            painter.drawLines(secondLines);
        }
    }

    if (dragging_) {
        painter.setPen(QColor(200, 200, 255));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(QPoint(dragStartX_, height() - kLevelHeight),
                               QPoint(dragCurrentX_ - 1, height() - 2)));
    }
}

} // namespace mygc
