#include "dateutils.h"
#include "localtimecache.h"
#include "qganttchart.h"
#include "qgcdateaxis.h"

#include <QPainter>
#include <QStandardItemModel>
#include <QSignalSpy>
#include <QtTest>

#include <ctime>

using namespace mygc;

namespace {

QDateTime dt(int y, int m, int d, int h = 0, int min = 0, int s = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, min, s));
}

// Runs the body with the process in another time zone.
class TimeZoneScope
{
public:
    explicit TimeZoneScope(const char *zone)
        : old_(qgetenv("TZ"))
    {
        qputenv("TZ", zone);
        tzset();
    }
    ~TimeZoneScope()
    {
        qputenv("TZ", old_);
        tzset();
    }

private:
    QByteArray old_;
};

void moveMouse(QWidget *widget, const QPoint &pos, Qt::MouseButtons buttons)
{
    QMouseEvent event(QEvent::MouseMove, pos, widget->mapToGlobal(pos), Qt::NoButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

} // namespace

class tst_DateAxis : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("sv.gantt.debug=false")); }
    void floorAndNext_data();
    void floorAndNext();
    void unitsBetween_data();
    void unitsBetween();
    void unknownUnit();
    void daylightSavingDays();
    void midnightGap();
    void localTimeCache_data();
    void localTimeCache();

    void newAxis();
    void setLevels();
    void levelsBeforeDates();
    void setDatesReversed();
    void setEndDateOnBoundary();
    void setStartDateWidens();
    void conversionsAtBothEnds();
    void conversionsWithoutRange();
    void captions_data();
    void captions();
    void quarterCaptionsOfAYear();
    void captionsFitTheirCells_data();
    void captionsFitTheirCells();
    void noTaskNoAxis();
    void dragColumnBorder();
    void paintsCaptions();
    void centuriesApart();
    void finerUpperLevelDoesNotFreeze();
};

void tst_DateAxis::floorAndNext_data()
{
    QTest::addColumn<int>("unit");
    QTest::addColumn<QDateTime>("date");
    QTest::addColumn<QDateTime>("floor");
    QTest::addColumn<QDateTime>("next");

    const QDateTime d = QDateTime(QDate(2017, 5, 17), QTime(13, 45, 30, 250)); // a Wednesday
    QTest::addRow("second") << 0 << d << dt(2017, 5, 17, 13, 45, 30) << dt(2017, 5, 17, 13, 45, 31);
    QTest::addRow("minute") << 1 << d << dt(2017, 5, 17, 13, 45) << dt(2017, 5, 17, 13, 46);
    QTest::addRow("hour") << 2 << d << dt(2017, 5, 17, 13) << dt(2017, 5, 17, 14);
    QTest::addRow("day") << 3 << d << dt(2017, 5, 17) << dt(2017, 5, 18);
    QTest::addRow("week") << 4 << d << dt(2017, 5, 15) << dt(2017, 5, 22);
    QTest::addRow("ten days") << 5 << d << dt(2017, 5, 10) << dt(2017, 5, 20); // day of year 137 -> 130
    QTest::addRow("ten days early january") << 5 << dt(2017, 1, 5) << dt(2016, 12, 31) << dt(2017, 1, 10);
    QTest::addRow("month") << 6 << d << dt(2017, 5, 1) << dt(2017, 6, 1);
    QTest::addRow("quarter") << 7 << d << dt(2017, 4, 1) << dt(2017, 7, 1);
    QTest::addRow("half year") << 8 << d << dt(2017, 1, 1) << dt(2017, 7, 1);
    QTest::addRow("year") << 9 << d << dt(2017, 1, 1) << dt(2018, 1, 1);
    QTest::addRow("week of a sunday") << 4 << dt(2017, 1, 8, 23) << dt(2017, 1, 2) << dt(2017, 1, 9);
}

void tst_DateAxis::floorAndNext()
{
    QFETCH(int, unit);
    QFETCH(QDateTime, date);
    QFETCH(QDateTime, floor);
    QFETCH(QDateTime, next);
    const auto u = static_cast<TimeUnit>(unit);
    QCOMPARE(date_utils::floor_date(u, date), floor);
    QCOMPARE(date_utils::next_date(u, floor), next);
    // The ten-day floor of the first days of a year is the last day of the
    // year before, which itself floors to an earlier date.
    if (QByteArray(QTest::currentDataTag()) != "ten days early january")
        QCOMPARE(date_utils::floor_date(u, floor), floor);
}

void tst_DateAxis::unitsBetween_data()
{
    QTest::addColumn<int>("unit");
    QTest::addColumn<QDateTime>("a");
    QTest::addColumn<QDateTime>("b");
    QTest::addColumn<qint64>("count");
    QTest::addRow("seconds") << 0 << dt(2017, 1, 1) << dt(2017, 1, 1, 1) << qint64(3600);
    QTest::addRow("minutes") << 1 << dt(2017, 1, 1) << dt(2017, 1, 1, 1, 0, 59) << qint64(60);
    QTest::addRow("hours") << 2 << dt(2017, 1, 1) << dt(2017, 1, 2) << qint64(24);
    QTest::addRow("days") << 3 << dt(2017, 1, 1) << dt(2018, 1, 1) << qint64(365);
    QTest::addRow("weeks") << 4 << dt(2017, 1, 2) << dt(2017, 1, 22) << qint64(2);
    QTest::addRow("months ignore day") << 6 << dt(2017, 1, 31) << dt(2017, 2, 1) << qint64(1);
    QTest::addRow("quarters") << 7 << dt(2017, 1, 1) << dt(2018, 4, 1) << qint64(5);
    QTest::addRow("half years") << 8 << dt(2017, 1, 1) << dt(2018, 1, 1) << qint64(2);
    QTest::addRow("years") << 9 << dt(1700, 1, 1) << dt(2100, 1, 1) << qint64(400);
    QTest::addRow("backwards") << 3 << dt(2017, 1, 10) << dt(2017, 1, 1) << qint64(-9);
}

void tst_DateAxis::unitsBetween()
{
    QFETCH(int, unit);
    QFETCH(QDateTime, a);
    QFETCH(QDateTime, b);
    QFETCH(qint64, count);
    QCOMPARE(date_utils::units_between(a, b, static_cast<TimeUnit>(unit)), count);
}

void tst_DateAxis::unknownUnit()
{
    const auto bad = static_cast<TimeUnit>(42);
    QVERIFY(date_utils::floor_date(bad, dt(2017, 1, 1)).isNull());
    QCOMPARE(date_utils::next_date(bad, dt(2017, 1, 1)), dt(2017, 1, 1));
    QCOMPARE(date_utils::units_between(dt(2017, 1, 1), dt(2017, 2, 1), bad), qint64(-1));
    QVERIFY(date_utils::advance(bad, dt(2017, 1, 1)).isNull());
}

void tst_DateAxis::daylightSavingDays()
{
    TimeZoneScope zone("Europe/Berlin");
    // March 2017 holds a day of 23 hours, October one of 25.
    for (int month : {3, 10}) {
        QDateTime d = date_utils::floor_date(Day, dt(2017, month, 1, 12));
        const QDateTime end = dt(2017, month + 1, 1);
        int days = 0;
        while (d < end) {
            const QDateTime n = date_utils::advance(Day, d);
            QVERIFY(n > d);
            QCOMPARE(n.time(), QTime(0, 0));
            d = n;
            ++days;
            QVERIFY(days <= 31);
        }
        QCOMPARE(days, 31);
        QCOMPARE(date_utils::units_between(dt(2017, month, 1), end, Day), qint64(31));
    }
    // Hours across the spring change: 23 periods in that day.
    QCOMPARE(date_utils::units_between(dt(2017, 3, 26), dt(2017, 3, 27), Hour), qint64(23));
}

void tst_DateAxis::midnightGap()
{
    // Brazil moved its clocks at midnight: 2018-11-04 00:00 did not exist.
    TimeZoneScope zone("America/Sao_Paulo");
    const QDateTime start = date_utils::floor_date(Day, QDateTime(QDate(2018, 11, 4), QTime(12, 0)));
    QVERIFY(start.isValid());
    QCOMPARE(start.date(), QDate(2018, 11, 4));
    QVERIFY(start <= QDateTime(QDate(2018, 11, 4), QTime(12, 0)));

    QDateTime d = date_utils::floor_date(Day, dt(2018, 1, 1));
    const QDateTime end = dt(2019, 1, 1);
    int days = 0;
    while (d.isValid() && d < end && days < 400) {
        d = date_utils::advance(Day, d);
        ++days;
    }
    QCOMPARE(days, 365);

    // The axis over that day works as anywhere else.
    DateAxis axis;
    axis.setDates(dt(2018, 11, 3, 10), dt(2018, 11, 5, 10));
    QCOMPARE(axis.columnsCount(), 3);
    QCOMPARE(axis.dateToPoint(axis.max()), axis.axisWidth());
    QImage image(300, 28, QImage::Format_ARGB32);
    axis.resize(300, 28);
    axis.render(&image);
}

void tst_DateAxis::localTimeCache_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addRow("UTC") << QByteArray("UTC");
    QTest::addRow("Berlin") << QByteArray("Europe/Berlin");
    QTest::addRow("Sao Paulo") << QByteArray("America/Sao_Paulo");
    QTest::addRow("Lord Howe") << QByteArray("Australia/Lord_Howe"); // half-hour changes
}

void tst_DateAxis::localTimeCache()
{
    QFETCH(QByteArray, zone);
    TimeZoneScope scope(zone.constData());
    LocalTimeCache cache;
    // Every quarter of an hour of two years, the changes of offset included,
    // plus dates far apart.
    int checked = 0;
    for (QDateTime d = dt(2017, 1, 1); d < dt(2019, 1, 1); d = d.addSecs(15 * 60 + 7)) {
        const QDateTime local(d.date(), d.time(), Qt::LocalTime);
        if (!local.isValid())
            continue;
        QCOMPARE(cache.toMSecs(local), local.toMSecsSinceEpoch());
        ++checked;
    }
    QVERIFY(checked > 60000);
    for (const QDateTime &d : {dt(1700, 3, 1), dt(2400, 10, 30, 2, 30), QDateTime(QDate(2017, 3, 26), QTime(1, 0), Qt::UTC)})
        QCOMPARE(cache.toMSecs(d), d.toMSecsSinceEpoch());
}

void tst_DateAxis::newAxis()
{
    DateAxis axis;
    QCOMPARE(axis.levelCount(), 1);
    QCOMPARE(axis.levelTimeUnit(0), Day);
    QCOMPARE(axis.height(), 28);
    QCOMPARE(axis.columnWidth(), 25);
    QCOMPARE(axis.min(), QDate::currentDate().startOfDay());
    QCOMPARE(axis.max(), QDate::currentDate().addDays(1).startOfDay());
    QCOMPARE(axis.columnsCount(), 1);
    QCOMPARE(axis.axisWidth(), 25);
    QCOMPARE(axis.empty(), false);
    QCOMPARE(axis.levelTimeUnit(5), Second);
}

void tst_DateAxis::setLevels()
{
    DateAxis axis;
    QSignalSpy height(&axis, &DateAxis::heightChanged);
    axis.setDates(dt(2017, 1, 2), dt(2017, 1, 20));
    axis.setLevels({Day, Week, Month});
    QCOMPARE(axis.height(), 84);
    QCOMPARE(axis.levelCount(), 3);
    QCOMPARE(axis.levelTimeUnit(0), Day);
    QCOMPARE(height.count(), 1);
    QCOMPARE(height.first().first().toInt(), 84);

    axis.setLevels({});
    QCOMPARE(axis.levelCount(), 1);
    QCOMPARE(axis.levelTimeUnit(0), Day);
    QCOMPARE(axis.height(), 28);

    // A new level 0 re-floors the range.
    axis.setLevels({Month});
    QCOMPARE(axis.min(), dt(2017, 1, 1));
    QCOMPARE(axis.max(), dt(2017, 2, 1));
    QCOMPARE(axis.columnsCount(), 1);
}

void tst_DateAxis::levelsBeforeDates()
{
    DateAxis axis;
    axis.setLevels({Week});
    QVERIFY(axis.min().isNull());
    QVERIFY(axis.max().isNull());
    QCOMPARE(axis.columnsCount(), 0);
    QCOMPARE(axis.axisWidth(), 0);
    QImage image(100, 28, QImage::Format_ARGB32);
    axis.resize(100, 28);
    axis.render(&image); // background only, no failure
}

void tst_DateAxis::setDatesReversed()
{
    DateAxis axis;
    axis.setDates(dt(2017, 1, 4, 10), dt(2017, 1, 4, 9));
    QCOMPARE(axis.min(), dt(2017, 1, 4));
    QCOMPARE(axis.max(), dt(2017, 1, 5));
    QCOMPARE(axis.columnsCount(), 1);
}

void tst_DateAxis::setEndDateOnBoundary()
{
    DateAxis axis;
    axis.setDates(dt(2017, 1, 2), dt(2017, 1, 2));
    QSignalSpy width(&axis, &DateAxis::axisWidthChanged);
    QSignalSpy columns(&axis, &DateAxis::columnsChanged);
    axis.setEndDate(dt(2017, 1, 10));
    QCOMPARE(axis.max(), dt(2017, 1, 11));
    QCOMPARE(axis.columnsCount(), 9);
    QCOMPARE(width.count(), 1);
    QCOMPARE(width.first().at(0).toInt(), 25);
    QCOMPARE(width.first().at(1).toInt(), 225);
    QCOMPARE(columns.count(), 1);
}

void tst_DateAxis::setStartDateWidens()
{
    DateAxis axis;
    axis.setDates(dt(2017, 1, 10), dt(2017, 1, 12));
    axis.setStartDate(dt(2017, 1, 1, 15));
    QCOMPARE(axis.min(), dt(2017, 1, 1));
    QCOMPARE(axis.max(), dt(2017, 1, 13));
    QCOMPARE(axis.columnsCount(), 12);
}

void tst_DateAxis::conversionsAtBothEnds()
{
    DateAxis axis;
    axis.setDates(dt(2017, 1, 2), dt(2017, 1, 11));
    QCOMPARE(axis.axisWidth(), 250);
    QCOMPARE(axis.dateToPoint(axis.min()), 0);
    QCOMPARE(axis.dateToPoint(axis.max()), axis.axisWidth());
    QCOMPARE(axis.pointToDate(axis.axisWidth()), axis.max());
    QCOMPARE(axis.pointToDate(0), axis.min());
    QCOMPARE(axis.dateToPoint(dt(2017, 1, 3, 12)), 37);
    QCOMPARE(axis.pointToDate(50), dt(2017, 1, 4));
    QCOMPARE(axis.dateToPoint(dt(2017, 1, 1)), -1);
    QCOMPARE(axis.dateToPoint(dt(2017, 1, 12, 1)), -1);
    QCOMPARE(axis.dateToPoint(QDateTime()), -1);
    QVERIFY(axis.pointToDate(-1).isNull());
}

void tst_DateAxis::conversionsWithoutRange()
{
    DateAxis axis;
    axis.setLevels({Day}); // no dates requested: a null range
    QCOMPARE(axis.dateToPoint(dt(2017, 1, 1)), -1);
    QVERIFY(axis.pointToDate(10).isNull());
    QVERIFY(axis.pointToDate(0).isNull());
}

void tst_DateAxis::captions_data()
{
    QTest::addColumn<int>("unit");
    QTest::addColumn<int>("format");
    QTest::addColumn<QDateTime>("date");
    QTest::addColumn<QString>("caption");
    const QDateTime d = dt(2017, 1, 2);
    QTest::addRow("day 0") << 3 << 0 << d << "2";
    QTest::addRow("day 1") << 3 << 1 << d << "02";
    QTest::addRow("day 2") << 3 << 2 << d << "02-01";
    QTest::addRow("day 3") << 3 << 3 << d << "02 01'17";
    QTest::addRow("day 4") << 3 << 4 << d << "M";
    QTest::addRow("day bad") << 3 << 9 << d << "";
    QTest::addRow("week 0") << 4 << 0 << d << "W 1";
    QTest::addRow("week 1") << 4 << 1 << d << "W 01";
    QTest::addRow("week 1 two digits") << 4 << 1 << dt(2017, 3, 13) << "W 11";
    QTest::addRow("week 2") << 4 << 2 << d << "Week 1";
    QTest::addRow("week 3") << 4 << 3 << d << "Week 01";
    QTest::addRow("week 4") << 4 << 4 << d << "02 Jan '17";
    QTest::addRow("month 0") << 6 << 0 << d << "1";
    QTest::addRow("month 1") << 6 << 1 << d << "01";
    QTest::addRow("month 2") << 6 << 2 << d << "Jan";
    QTest::addRow("month 3") << 6 << 3 << d << "January";
    QTest::addRow("quarter 0") << 7 << 0 << d << "Q1";
    QTest::addRow("quarter 1") << 7 << 1 << dt(2017, 10, 1) << "Fourth Quarter";
    QTest::addRow("quarter 2") << 7 << 2 << d << "Q1 2017";
    QTest::addRow("year 0") << 9 << 0 << d << "2017";
    QTest::addRow("year 1") << 9 << 1 << d << "17";
    QTest::addRow("year 2") << 9 << 2 << d << "'17";
    QTest::addRow("hour has none") << 2 << 0 << d << "";
    QTest::addRow("half year has none") << 8 << 0 << d << "";
}

void tst_DateAxis::captions()
{
    QFETCH(int, unit);
    QFETCH(int, format);
    QFETCH(QDateTime, date);
    QFETCH(QString, caption);
    GanttChart chart;
    chart.setBarStyles(chart.barStyles(), true, false, false, static_cast<YearFormat>(format),
                       static_cast<QuarterFormat>(format), static_cast<MonthFormat>(format),
                       static_cast<WeekFormat>(format), static_cast<DayFormat>(format), QString(), QString(),
                       QString(), QString(), QString());
    QCOMPARE(chart.dateAxis()->caption(static_cast<TimeUnit>(unit), date), caption);
}

void tst_DateAxis::captionsFitTheirCells_data()
{
    QTest::addColumn<int>("unit");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("fullWidthOf"); // the cell is as wide as this text
    QTest::addColumn<QString>("drawn");
    QTest::addRow("year fits") << 9 << "2017" << "2017" << "2017";
    QTest::addRow("year shortened") << 9 << "2017" << "'17" << "'17";
    QTest::addRow("year left out") << 9 << "2017" << "" << "";
    QTest::addRow("quarter") << 7 << "Q3 2017" << "3" << "3";
    QTest::addRow("month number") << 6 << "July" << "7" << "7";
    QTest::addRow("week") << 4 << "W 28" << "28" << "28";
    QTest::addRow("day") << 3 << "Fri 14" << "14" << "14";
}

void tst_DateAxis::captionsFitTheirCells()
{
    QFETCH(int, unit);
    QFETCH(QString, caption);
    QFETCH(QString, fullWidthOf);
    QFETCH(QString, drawn);
    const QFontMetrics metrics{QFont()};
    const int width = metrics.horizontalAdvance(fullWidthOf);
    const QString text = DateAxis::fitCaption(static_cast<TimeUnit>(unit), dt(2017, 7, 14), caption,
                                              metrics, width);
    QCOMPARE(text, drawn);
    QVERIFY(metrics.horizontalAdvance(text) <= width);
}

void tst_DateAxis::noTaskNoAxis()
{
    // A chart whose rows all went (a closed project) keeps no date range.
    QStandardItemModel tasks(1, 2);
    tasks.setData(tasks.index(0, 0), dt(2017, 1, 2));
    tasks.setData(tasks.index(0, 1), dt(2017, 1, 9));
    GanttChart chart;
    chart.setModel(&tasks, 0, 1, -1, -1, nullptr, 0, 1, 3, 4, -1, -1, -1, -1, nullptr);
    chart.resetModels();
    chart.flushPendingRebuild();
    QVERIFY(chart.dateAxis()->hasRange());
    QVERIFY(!chart.dateAxis()->empty());
    tasks.removeRows(0, 1);
    chart.resetModels();
    chart.flushPendingRebuild();
    QVERIFY(!chart.dateAxis()->hasRange());
    QVERIFY(chart.dateAxis()->empty());
    QCOMPARE(chart.dateAxis()->axisWidth(), 0);
}

void tst_DateAxis::quarterCaptionsOfAYear()
{
    DateAxis axis;
    QStringList captions;
    QDateTime d = dt(2017, 1, 1);
    while (d < dt(2018, 1, 1)) {
        captions << axis.caption(Quarter, d);
        d = date_utils::next_date(Quarter, d);
    }
    QCOMPARE(captions, (QStringList{"Q1", "Q2", "Q3", "Q4"}));
}

void tst_DateAxis::dragColumnBorder()
{
    DateAxis axis;
    axis.setDates(dt(2017, 1, 1), dt(2017, 1, 20));
    axis.resize(500, axis.height());
    QSignalSpy width(&axis, &DateAxis::axisWidthChanged);
    // The border between columns 0 and 1 lies at x = 25; a press at x = 24
    // takes the column whose right border is nearest (column 0, from x = 0).
    QTest::mousePress(&axis, Qt::LeftButton, {}, QPoint(24, 14));
    moveMouse(&axis, QPoint(30, 14), Qt::LeftButton);
    QTest::mouseRelease(&axis, Qt::LeftButton, {}, QPoint(30, 14));
    QCOMPARE(axis.columnWidth(), 30);
    axis.setDates(dt(2017, 1, 1), dt(2017, 1, 20));
    // The border between columns 1 and 2 lies at x = 60; column 1 starts at 30.
    QTest::mousePress(&axis, Qt::LeftButton, {}, QPoint(60, 14));
    moveMouse(&axis, QPoint(33, 14), Qt::LeftButton);
    QTest::mouseRelease(&axis, Qt::LeftButton, {}, QPoint(33, 14));
    // Dragged to 3 pixels from the column start: the minimum of 10.
    QCOMPARE(axis.columnWidth(), 10);
    QCOMPARE(axis.axisWidth(), 10 * axis.columnsCount());
    QCOMPARE(width.count(), 2);

    // A press away from a border does nothing.
    QTest::mousePress(&axis, Qt::LeftButton, {}, QPoint(15, 14));
    QTest::mouseRelease(&axis, Qt::LeftButton, {}, QPoint(40, 14));
    QCOMPARE(axis.columnWidth(), 10);

    // Widening works too.
    QTest::mousePress(&axis, Qt::LeftButton, {}, QPoint(20, 14));
    moveMouse(&axis, QPoint(45, 14), Qt::LeftButton);
    QTest::mouseRelease(&axis, Qt::LeftButton, {}, QPoint(45, 14));
    QCOMPARE(axis.columnWidth(), 35);

    // A reset gives what a new axis gives, also where narrow columns took
    // more periods to keep the room at the ends.
    axis.setEdgeRoom(20);
    QTest::mousePress(&axis, Qt::LeftButton, {}, QPoint(35, 14));
    moveMouse(&axis, QPoint(10, 14), Qt::LeftButton);
    QTest::mouseRelease(&axis, Qt::LeftButton, {}, QPoint(10, 14));
    QCOMPARE(axis.columnWidth(), 10);
    axis.resetColumnWidth();
    DateAxis fresh;
    fresh.setEdgeRoom(20);
    fresh.setDates(dt(2017, 1, 1), dt(2017, 1, 20));
    QCOMPARE(axis.columnWidth(), fresh.columnWidth());
    QCOMPARE(axis.min(), fresh.min());
    QCOMPARE(axis.max(), fresh.max());
    QCOMPARE(axis.axisWidth(), fresh.axisWidth());
}

void tst_DateAxis::paintsCaptions()
{
    DateAxis axis;
    axis.setDates(dt(2017, 1, 2), dt(2017, 1, 8));
    axis.resize(axis.axisWidth(), axis.height());
    QImage image(axis.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    axis.render(&image);
    const QColor background = QPalette().color(QPalette::Window);
    // Separator of the second period at x = 25, caption text in the middle.
    QVERIFY(image.pixelColor(25, 14) != background);
    bool textFound = false;
    for (int x = 5; x < 20 && !textFound; ++x)
        for (int y = 5; y < 23 && !textFound; ++y)
            textFound = image.pixelColor(x, y) != background;
    QVERIFY(textFound);

    axis.setEmpty(true);
    image.fill(Qt::transparent);
    axis.render(&image);
    QCOMPARE(image.pixelColor(25, 14), background);

    // Every day of a month shows its caption at the default width in the
    // default font (a 12-point font here: "10" is 22 pixels wide).
    DateAxis month;
    month.setDates(dt(2017, 1, 1), dt(2017, 1, 31));
    month.resize(month.axisWidth(), month.height());
    QCOMPARE(month.columnWidth(), 25);
    QImage days(month.size(), QImage::Format_ARGB32);
    days.fill(Qt::transparent);
    month.render(&days);
    for (int day = 0; day < 31; ++day) {
        bool drawn = false;
        for (int x = day * 25 + 2; x < day * 25 + 25 && !drawn; ++x)
            for (int y = 5; y < 23 && !drawn; ++y)
                drawn = days.pixelColor(x, y) != background;
        QVERIFY2(drawn, qPrintable(QStringLiteral("day %1").arg(day + 1)));
    }
}

void tst_DateAxis::centuriesApart()
{
    DateAxis axis;
    axis.setDates(dt(100, 1, 1), dt(9000, 1, 1));
    QVERIFY(axis.axisWidth() <= DateAxis::kMaxAxisWidth);
    QVERIFY(axis.columnWidth() >= 1);
    QCOMPARE(axis.axisWidth(), axis.columnWidth() * axis.columnsCount());
    QCOMPARE(axis.dateToPoint(axis.max()), axis.axisWidth());
    QCOMPARE(axis.pointToDate(axis.axisWidth()), axis.max());
    QCOMPARE(axis.dateToPoint(axis.min()), 0);
    QVERIFY(axis.dateToPoint(dt(5000, 6, 1)) > 0);

    // Seconds over centuries: more periods than pixels; the range is cut.
    axis.setLevels({Second});
    QCOMPARE(axis.columnsCount(), DateAxis::kMaxAxisWidth);
    QCOMPARE(axis.columnWidth(), 1);
    QCOMPARE(axis.axisWidth(), DateAxis::kMaxAxisWidth);
    QCOMPARE(axis.min(), dt(100, 1, 1));

    // Painting a window of it touches only the visible periods.
    axis.setLevels({Day, Month, Year});
    axis.resize(1600, axis.height());
    QImage image(axis.size(), QImage::Format_ARGB32);
    axis.render(&image);
}

void tst_DateAxis::finerUpperLevelDoesNotFreeze()
{
    DateAxis axis;
    axis.setDates(dt(1900, 1, 1), dt(2100, 1, 1));
    axis.setLevels({Year, Second});
    axis.resize(1600, axis.height());
    QImage image(axis.size(), QImage::Format_ARGB32);
    axis.render(&image); // the seconds band is far too dense: left empty
    QCOMPARE(axis.columnsCount(), 201);
}

QTEST_MAIN(tst_DateAxis)
#include "tst_dateaxis.moc"
