#include "chartlayout.h"

#include "qganttchart.h"
#include "zganttviewbarstyle.h"

QVariantList ChartLayout::barStyles(const mygc::GanttChart &chart)
{
    QVariantList list;
    const QList<ZGanttViewBarStyle> styles = chart.barStyles();
    for (const ZGanttViewBarStyle &style : styles)
        list << barStyleToVariant(style);
    return list;
}

void ChartLayout::setBarStyles(mygc::GanttChart &chart, const QVariantList &styles)
{
    QList<ZGanttViewBarStyle> list;
    for (const QVariant &value : styles) {
        ZGanttViewBarStyle style;
        barStyleFromVariant(style, value);
        list << style;
    }
    chart.setBarStyles(list, true, false, false, mygc::YearFourDigits, mygc::QuarterShort,
                       mygc::MonthNumberPadded, mygc::WeekShortPadded, mygc::DayNumberPadded,
                       QString(), QString(), QString(), QString(), QString());
}

void ChartLayout::setDateLevels(mygc::GanttChart &chart, const QVector<int> &units)
{
    QVector<mygc::TimeUnit> levels;
    levels.reserve(units.size());
    for (const int unit : units)
        levels << static_cast<mygc::TimeUnit>(unit);
    chart.setDateLevels(levels);
}
