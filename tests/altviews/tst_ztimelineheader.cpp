#include "ztimelineheader.h"

#include <QMouseEvent>
#include <QSignalSpy>
#include <QtTest>

namespace {

void sendMouse(QWidget *w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent event(type, pos, w->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

} // namespace

class tst_ZTimeLineHeader : public QObject
{
    Q_OBJECT
private slots:
    void positions_data();
    void positions();
    void dateAtRoundTrip();
    void captions_data();
    void captions();
    void upperLevelGeometry();
    void snapping();
    void unitWidthNeverZero();
    void rangeWarnings();
    void dragBottomRow();
    void paintsLevels();
};

// Dates placed on the timeline (offset rows) and the date found at a scroll
// position (dateAt rows), for each bottom level.
void tst_ZTimeLineHeader::positions_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<bool>("upper");
    QTest::addColumn<bool>("toDate");
    QTest::addColumn<int>("x");
    const auto offset = [](const char *name, int flags, QDate start, QDate date, bool upper,
                           int x) {
        QTest::addRow("offset: %s", name) << flags << start << date << upper << false << x;
    };
    const auto dateAt = [](const char *name, int flags, QDate start, int x, QDate date) {
        QTest::addRow("dateAt: %s", name) << flags << start << date << false << true << x;
    };
    const QDate mon(2017, 1, 2);
    offset("start is 0", 16 + 4, mon, mon, false, 0);
    offset("day bottom, 10 days", 4, mon, mon.addDays(10), false, 320);
    offset("day bottom, before start", 4, mon, mon.addDays(-3), false, 32);
    offset("week bottom, Thursday", 8, mon, QDate(2017, 1, 5), false, 13);
    offset("week bottom, next Monday", 8, mon, QDate(2017, 1, 9), false, 32);
    offset("week bottom, far Monday", 8, mon, mon.addDays(7 * 40), false, 32 * 40);
    offset("month bottom, mid range", 16, QDate(2017, 1, 15), QDate(2017, 3, 1), false, 64);
    offset("month bottom, 20 Jan", 16, QDate(2017, 1, 15), QDate(2017, 1, 20), false, 21);
    offset("quarter bottom", 32, QDate(2017, 2, 1), QDate(2017, 7, 1), false, 64);
    offset("year bottom", 64, QDate(2017, 6, 1), QDate(2019, 1, 1), false, 64);
    offset("upper month over days", 16 + 4, QDate(2017, 1, 15), QDate(2017, 2, 1), true, 32 * 17);
    offset("upper month, first boundary after", 16 + 4, QDate(2017, 1, 15), QDate(2017, 2, 10),
           true, 32 * 45);
    offset("upper single level", 4, mon, mon.addDays(5), true, 160);
    offset("upper quarter over months", 32 + 16, QDate(2017, 1, 15), QDate(2017, 5, 3), true,
           32 * 6);
    const QDate wed(2017, 1, 4);
    dateAt("week origin is Monday", 8, wed, 0, QDate(2017, 1, 2));
    dateAt("week, one unit", 8, wed, 32, QDate(2017, 1, 9));
    dateAt("week, partial unit rounds up", 8, wed, 33, QDate(2017, 1, 16));
    dateAt("day, 5 units", 4, wed, 160, QDate(2017, 1, 9));
    dateAt("month, first step to the 1st", 16, wed, 32, QDate(2017, 2, 1));
    dateAt("month, 3 units", 16, wed, 96, QDate(2017, 4, 1));
    dateAt("quarter, 2 units", 32, wed, 64, QDate(2017, 7, 1));
    dateAt("year, huge x stays quick", 64, wed, 32 * 100, QDate(2117, 1, 1));
}

void tst_ZTimeLineHeader::positions()
{
    QFETCH(int, flags);
    QFETCH(QDate, start);
    QFETCH(QDate, date);
    QFETCH(bool, upper);
    QFETCH(bool, toDate);
    QFETCH(int, x);
    ZTimeLineHeader header;
    header.setRange(start, start.addYears(3));
    header.setFlags(ZTimeLineLevels(flags));
    if (toDate)
        QCOMPARE(header.dateAt(uint(x)), date);
    else
        QCOMPARE(header.offset(date, upper), x);
}

void tst_ZTimeLineHeader::dateAtRoundTrip()
{
    // The date at a whole-unit scroll position is placed back at that position
    // (for day and week bottoms; month and longer units count 30, 90 and 365
    // days per unit in their fraction).
    for (int flags : {4, 8}) {
        ZTimeLineHeader header;
        header.setRange(QDate(2017, 1, 4), QDate(2025, 1, 1));
        header.setFlags(ZTimeLineLevels(flags));
        for (uint n = 1; n < 20; ++n)
            QCOMPARE(header.offset(header.dateAt(n * 32), false), int(n * 32));
    }
    ZTimeLineHeader empty;
    QVERIFY(!empty.dateAt(10).isValid());
    QCOMPARE(empty.offset(QDate(2030, 1, 1), false), 0);
}

void tst_ZTimeLineHeader::captions_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("format");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("expected");
    const QDate d(2017, 1, 2);
    const QStringList day = {"2", "02", "02-01", "02 01 '17", "M", ""};
    for (int i = 0; i < day.size(); ++i)
        QTest::addRow("day %d", i) << 4 << i << d << day.at(i);
    const QStringList week = {"W1", "W01", "Week 1", "Week 01", "02 Jan '17", ""};
    for (int i = 0; i < week.size(); ++i)
        QTest::addRow("week %d", i) << 8 << i << d << week.at(i);
    const QStringList month = {"1", "01", "Jan", "January", ""};
    for (int i = 0; i < month.size(); ++i)
        QTest::addRow("month %d", i) << 16 << i << d << month.at(i);
    const QStringList quarter = {"Q1", "First Quarter", "Q1 2017", ""};
    for (int i = 0; i < quarter.size(); ++i)
        QTest::addRow("quarter %d", i) << 32 << i << d << quarter.at(i);
    QTest::addRow("quarter of 1 Oct") << 32 << 0 << QDate(2017, 10, 1) << "Q4";
    QTest::addRow("quarter of 31 Mar") << 32 << 0 << QDate(2017, 3, 31) << "Q1";
    QTest::addRow("fourth quarter word") << 32 << 1 << QDate(2017, 12, 31) << "Fourth Quarter";
    const QStringList year = {"2017", "17", "'17", ""};
    for (int i = 0; i < year.size(); ++i)
        QTest::addRow("year %d", i) << 64 << i << d << year.at(i);
    QTest::addRow("no such level") << 3 << 0 << d << "";
}

void tst_ZTimeLineHeader::captions()
{
    QFETCH(int, level);
    QFETCH(int, format);
    QFETCH(QDate, date);
    QFETCH(QString, expected);
    ZTimeLineHeader header;
    header.setCaptionFormat(ZTimeLineFlags(level), format);
    QCOMPARE(header.headerText(date, level), expected);
}

void tst_ZTimeLineHeader::upperLevelGeometry()
{
    ZTimeLineHeader header;
    // Month over week: the first month counts from the range start's Monday.
    header.setRange(QDate(2017, 1, 4), QDate(2017, 4, 30));
    header.setFlags(TimeLineMonth | TimeLineWeek);
    QCOMPARE(header.rectWidth(QDate(2017, 1, 4), QDate(2017, 2, 1), TimeLineMonth),
             int((28 + 3 - 1) / 7.0 * 32));
    QCOMPARE(header.datesToBeMarked().first(), QDate(2017, 2, 1));
    QCOMPARE(header.datesToBeMarked().size(), 3); // Feb, Mar, Apr
    // Marked dates stand where the upper row's sections begin.
    int x = 0;
    QDate d = header.rangeStart();
    for (const QDate &marked : header.datesToBeMarked()) {
        x += header.rectWidth(d, marked, TimeLineMonth);
        d = marked;
        QCOMPARE(header.offset(marked, true), x);
    }
    QCOMPARE(header.sizeHint(), QSize(header.offset(QDate(2017, 4, 30), false), 48));
    // A level with only one selected level marks nothing.
    header.setFlags(TimeLineDay);
    QVERIFY(header.datesToBeMarked().isEmpty());
    QCOMPARE(header.timeUnitWidth(TimeLineDay), 1.0f);
    header.setFlags(TimeLineMonth);
    QCOMPARE(header.timeUnitWidth(TimeLineDay), 1.0f / 30);
}

void tst_ZTimeLineHeader::snapping()
{
    ZTimeLineHeader header;
    header.setFlags(TimeLineDay);
    QSignalSpy spy(&header, &ZTimeLineHeader::scrollbarChanged);
    header.onScrollbarChanged(70);
    QCOMPARE(header.scrollValue(), 64u);
    QCOMPARE(spy.takeFirst().at(0).toInt(), 64);
    header.scrollToDate(header.rangeStart().addDays(3));
    QCOMPARE(spy.takeFirst().at(0).toInt(), 96);
}

void tst_ZTimeLineHeader::unitWidthNeverZero()
{
    ZTimeLineHeader header;
    header.setRange(QDate(2020, 1, 1), QDate(2020, 12, 31));
    header.setFlags(TimeLineDay);
    header.setDefaultSectionSize(20);
    header.setFlags(0);
    QCOMPARE(header.defaultSectionSize(), 20);
    header.setDefaultSectionSize(0);
    header.setDefaultSectionSize(-5);
    QCOMPARE(header.defaultSectionSize(), 20);
    header.onScrollbarChanged(45);
    QCOMPARE(header.scrollValue(), 40u);
    // Each bottom level keeps its own width.
    header.setFlags(TimeLineWeek);
    QCOMPARE(header.defaultSectionSize(), 32);
    header.setFlags(TimeLineDay);
    QCOMPARE(header.defaultSectionSize(), 20);
    QCOMPARE(header.dateAt(100), QDate(2020, 1, 6));
}

void tst_ZTimeLineHeader::rangeWarnings()
{
    ZTimeLineHeader header;
    const QDate start = header.rangeStart();
    QTest::ignoreMessage(QtWarningMsg, "Invalid date range");
    header.setRange(QDate(), QDate(2020, 1, 1));
    QCOMPARE(header.rangeStart(), start);
    header.setFlags(TimeLineMonth | TimeLineDay);
    header.setRange(QDate(2020, 1, 1), QDate(2020, 3, 1));
    const QList<QDate> marked = header.datesToBeMarked();
    QCOMPARE(marked, QList<QDate>{QDate(2020, 2, 1)});
    header.setRange(QDate(2020, 1, 1), QDate(2020, 3, 1));
    QTest::ignoreMessage(QtWarningMsg, "Start date i larger than finish date");
    header.setRange(QDate(2020, 3, 1), QDate(2020, 1, 1));
    QCOMPARE(header.rangeStart(), QDate(2020, 3, 1));
    QCOMPARE(header.sizeHint().width(), 32); // one step, never left of 0
}

void tst_ZTimeLineHeader::dragBottomRow()
{
    ZTimeLineHeader header;
    header.resize(600, 48);
    header.setRange(QDate(2020, 1, 1), QDate(2020, 12, 31));
    header.setFlags(TimeLineMonth | TimeLineDay);
    header.onScrollbarChanged(32 * 10);
    const QDate left = header.dateAt(header.scrollValue());
    QSignalSpy resized(&header, &ZTimeLineHeader::sectionResized);

    // A drag that starts on the upper row does nothing.
    sendMouse(&header, QEvent::MouseButtonPress, {100, 10}, Qt::LeftButton, Qt::LeftButton);
    sendMouse(&header, QEvent::MouseMove, {150, 30}, Qt::NoButton, Qt::LeftButton);
    QCOMPARE(header.defaultSectionSize(), 32);
    QCOMPARE(header.cursor().shape(), Qt::SizeHorCursor);

    sendMouse(&header, QEvent::MouseButtonPress, {100, 30}, Qt::LeftButton, Qt::LeftButton);
    sendMouse(&header, QEvent::MouseMove, {110, 30}, Qt::NoButton, Qt::LeftButton);
    QCOMPARE(header.defaultSectionSize(), 42);
    QCOMPARE(resized.count(), 1);
    QCOMPARE(header.dateAt(header.scrollValue()), left);
    sendMouse(&header, QEvent::MouseMove, {500, 30}, Qt::NoButton, Qt::LeftButton);
    QCOMPARE(header.defaultSectionSize(), 128);
    sendMouse(&header, QEvent::MouseMove, {0, 30}, Qt::NoButton, Qt::LeftButton);
    QCOMPARE(header.defaultSectionSize(), 12);
    QCOMPARE(header.dateAt(header.scrollValue()), left);
    sendMouse(&header, QEvent::MouseMove, {0, 5}, Qt::NoButton, Qt::LeftButton);
    QCOMPARE(header.cursor().shape(), Qt::ArrowCursor);
}

void tst_ZTimeLineHeader::paintsLevels()
{
    ZTimeLineHeader header;
    header.setRange(QDate(2020, 1, 1), QDate(2020, 3, 31));
    header.setFlags(TimeLineMonth | TimeLineDay);
    header.resize(header.sizeHint().width(), header.sizeHint().height());
    QImage image(header.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    header.render(&image);
    // Section edges at the day units of the bottom row differ from their inside.
    int edges = 0;
    for (int x = 1; x < 32 * 5; ++x) {
        if (image.pixel(x, 36) != image.pixel(x - 1, 36))
            ++edges;
    }
    QVERIFY(edges >= 4);
}

QTEST_MAIN(tst_ZTimeLineHeader)
#include "tst_ztimelineheader.moc"
