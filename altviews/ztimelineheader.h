#pragma once

#include "ztimelineflags.h"

#include <QDate>
#include <QList>
#include <QMap>
#include <QVector>
#include <QWidget>

class QPainter;

// The horizontal time scale above the rows of ZGanttView: one to five stacked
// levels (year, quarter, month, week, day), the mapping between dates and
// pixel offsets from the range start, and a scroll value that is always a
// whole number of bottom-level units. Dragging on the bottom row widens or
// narrows the unit (12 .. 128 pixels); each bottom level keeps its own width.
//
// The unit width never drops below one pixel. Dates before the range start
// are not placed left of 0. Not a QHeaderView: it has no sections or model.
class ZTimeLineHeader : public QWidget
{
    Q_OBJECT
public:
    explicit ZTimeLineHeader(QWidget *parent = nullptr);

    void setFlags(ZTimeLineLevels flags);
    ZTimeLineLevels flags() const { return m_flags; }
    QList<ZTimeLineFlags> levels() const { return m_levels; }
    // The bottom level, or TimeLineNone without levels.
    ZTimeLineFlags bottomLevel() const;
    // The level above the bottom one; the bottom level when there is one.
    ZTimeLineFlags upperLevel() const;

    void setRange(const QDate &start, const QDate &end);
    QDate rangeStart() const { return m_start; }
    QDate rangeEnd() const { return m_end; }

    // Width of one bottom-level unit; sizes below 1 are ignored.
    void setDefaultSectionSize(int size);
    int defaultSectionSize() const { return m_unitWidth; }
    int rowHeight() const { return m_rowHeight; }

    // Caption format of a level (an index into the level's caption table).
    void setCaptionFormat(ZTimeLineFlags level, int format);
    int captionFormat(ZTimeLineFlags level) const { return m_formats.value(level, 0); }

    void scrollToDate(const QDate &date);
    unsigned int scrollValue() const { return m_scrollValue; }

    int offset(const QDate &date, bool upper) const;
    int offset(const QDateTime &dateTime) const;
    QDate dateAt(unsigned int x) const;
    int levelAt(const QPoint &point) const;
    QDate nextTimeUnit(const QDate &date, int level, int bottom = 0) const;
    int rectWidth(const QDate &from, const QDate &to, int level) const;
    float timeUnitWidth(int level) const;
    QString headerText(const QDate &date, int level) const;

    void paint(const QDate &start, int level, int y, QPainter *painter);
    void paintFromDate(const QDate &start, QPainter *painter);
    void fillDatesToBeMarked();
    QList<QDate> datesToBeMarked() const { return m_markedDates; }

    void setScreenshotMode(bool on) { m_screenshot = on; }
    bool screenshotMode() const { return m_screenshot; }

    QSize sizeHint() const override;

    static int monthCount(const QDate &from, const QDate &to);
    static QDate findMonday(const QDate &date, bool backwards);
    static QString dayName(int day, bool shortName);
    static QString monthName(int month, bool shortName);
    static QString ordinal(int number);

    QString dayCaption(const QDate &date) const;
    QString weekCaption(const QDate &date) const;
    QString monthCaption(const QDate &date) const;
    QString quarterCaption(const QDate &date) const;
    QString yearCaption(const QDate &date) const;

signals:
    void geometriesChanged();
    void sectionResized();
    void scrollbarChanged(int value);

public slots:
    void onScrollbarChanged(int value);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void init();
    // Start of the n-th bottom unit after the range start, without stepping
    // through the units one by one.
    QDate advanceUnits(const QDate &from, int level, int count) const;
    // Steps of the bottom level needed from `from` until a unit start is on or
    // after `date` (at least one).
    int stepsUntil(const QDate &from, const QDate &date, int level) const;
    void invalidateUpperCache();
    void buildUpperCache() const;

    QList<ZTimeLineFlags> m_levels;
    ZTimeLineLevels m_flags = 0;
    QDate m_start;
    QDate m_end;
    int m_unitWidth = 32;
    QMap<int, int> m_formats;
    QMap<int, int> m_sectionSizes;
    int m_rowHeight = 24;
    int m_pressX = 0;
    int m_pressWidth = 0;
    QDate m_pressDate;
    bool m_pressed = false;
    unsigned int m_scrollValue = 0;
    QList<QDate> m_markedDates;
    bool m_screenshot = false;

    // Boundaries of the upper level from the range start with their offsets,
    // so that placing a marked date needs no walk from the start.
    mutable QVector<QDate> m_upperDates;
    mutable QVector<int> m_upperOffsets;
    mutable bool m_upperCacheValid = false;
};
