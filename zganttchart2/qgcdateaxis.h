#pragma once

#include "qgcenums.h"

#include <QDateTime>
#include <QVector>
#include <QWidget>
#include <memory>

class QFontMetrics;

namespace mygc {

class DateAxisPrivate;
class GanttChart;

// The time scale above the chart: stacked bands (levels), each cut into the
// periods of one time unit with a caption per period. Level 0, the finest and
// the bottom band, fixes the columns: one per level-0 period, all of one width,
// which the user changes by dragging a column border in the bottom band.
// The axis owns the mapping between dates and x positions (axis coordinates,
// not shifted by scrolling).
//
// However far apart the range ends lie, the axis stays within the widget size
// limit: when the columns at their chosen width would be wider than that, the
// columns narrow (down to one pixel), and a range with more periods than that
// is cut at its end.
class DateAxis : public QWidget
{
    Q_OBJECT
public:
    // The widest axis (and so chart body) in pixels: Qt's widget size limit.
    static const int kMaxAxisWidth;

    explicit DateAxis(QWidget *parent = nullptr);
    ~DateAxis() override;

    // x in axis coordinates to a date; a null date-time for x < 0 or when the
    // range or the width is empty.
    virtual QDateTime pointToDate(int x) const;
    // A date to x in axis coordinates; -1 outside the range (or when the range
    // or the width is empty). The range end maps to axisWidth().
    virtual int dateToPoint(const QDateTime &d) const;
    virtual QDateTime min() const;
    virtual QDateTime max() const;
    virtual int columnWidth() const;
    virtual int columnsCount() const;
    virtual int axisWidth() const;

    // dateToPoint of an instant in milliseconds since the epoch.
    int msecsToPoint(qint64 msecs) const;
    // The range ends as milliseconds since the epoch (0 without a range).
    qint64 minMSecs() const;
    qint64 maxMSecs() const;
    bool hasRange() const;
    // The dates the range was asked to hold, as milliseconds since the
    // epoch (0 when none was asked for).
    qint64 requestedStartMSecs() const;
    qint64 requestedEndMSecs() const;

    // Pixels kept between the asked-for dates and the ends of the range, so
    // that a shape drawn at such a date shows whole: the range then starts
    // and ends as many periods further out as that takes. 0 (the default)
    // keeps the range on the periods that hold the dates.
    void setEdgeRoom(int pixels);
    int edgeRoom() const;

    void addLevel(TimeUnit unit);
    void setLevels(const QVector<TimeUnit> &units);
    void setLevelUnit(int level, TimeUnit unit);
    int levelCount() const;
    TimeUnit levelTimeUnit(int level) const;

    void setStartDate(const QDateTime &d);
    void setEndDate(const QDateTime &d);
    void setDates(const QDateTime &start, const QDateTime &end);

    // No range and nothing drawn: the chart has no task with dates.
    void clearDates();
    // The column width of a new axis again, in place of a dragged one.
    void resetColumnWidth();
    void setEmpty(bool empty);
    bool empty() const;
    void setChart(GanttChart *chart);

    // The caption of the period of the unit starting at d, in the chart's
    // caption formats (defaults when there is no chart).
    QString caption(TimeUnit unit, const QDateTime &d) const;
    // The caption as drawn in a cell of the given width: itself when it
    // fits, else a shorter form of the period that fits ('17 for 2017, 3
    // for Q3, J for January, the week or day number alone), else nothing.
    static QString fitCaption(TimeUnit unit, const QDateTime &d, const QString &caption,
                              const QFontMetrics &metrics, int width);

signals:
    void columnsChanged(int oldColumns, int newColumns);
    void axisWidthChanged(int oldWidth, int newWidth);
    void heightChanged(int height);

protected:
    explicit DateAxis(const DateAxisPrivate &data);

    void recalc_scale();
    bool isCloseToBorder(int x, int y) const;

    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void paintAxis(QPaintEvent *event);

private:
    int scrollOffset() const;
    void syncRange();
    void updateHeight();
    void refloorRange();
    void setRequested(const QDateTime &start, const QDateTime &end);
    // The range ends for the asked-for dates with the level-0 unit u.
    QDateTime rangeStart(TimeUnit u, const QDateTime &start) const;
    QDateTime rangeEnd(TimeUnit u, const QDateTime &end) const;

    std::unique_ptr<DateAxisPrivate> d;

    bool dragging_ = false;
    int dragStartX_ = 0;
    int dragCurrentX_ = 0;
};

} // namespace mygc
