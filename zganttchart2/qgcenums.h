#pragma once

#include <QMetaType>

namespace mygc {

// The enumerations have int as their underlying type: values outside the
// listed ones (from a layout or a dialog) are well defined and show nothing.

// Units of the date axis, finest first.
enum TimeUnit : int {
    Second = 0,
    Minute = 1,
    Hour = 2,
    Day = 3,
    Week = 4,
    TenDays = 5,
    Month = 6,
    Quarter = 7,
    HalfYear = 8,
    Year = 9
};

// How the date axis words the caption of a period of each unit.
enum YearFormat : int {
    YearFourDigits = 0, // 2017
    YearTwoDigits = 1,  // 17
    YearApostrophe = 2  // '17
};

enum QuarterFormat : int {
    QuarterShort = 0,   // Q1
    QuarterName = 1,    // First Quarter
    QuarterWithYear = 2 // Q1 2017
};

enum MonthFormat : int {
    MonthNumber = 0,       // 1
    MonthNumberPadded = 1, // 01
    MonthShortName = 2,    // Jan
    MonthLongName = 3      // January
};

enum WeekFormat : int {
    WeekShort = 0,       // W 1
    WeekShortPadded = 1, // W 01
    WeekLong = 2,        // Week 1
    WeekLongPadded = 3,  // Week 01
    WeekDate = 4         // 02 Jan '17
};

enum DayFormat : int {
    DayNumber = 0,       // 2
    DayNumberPadded = 1, // 02
    DayMonth = 2,        // 02-01
    DayMonthYear = 3,    // 02 01 '17
    DayWeekdayLetter = 4 // M
};

// Link types of the chart, read from the relation model's type text.
enum RelationType : int {
    StartToStart = 0,
    FinishToStart = 1,
    StartToFinish = 2,
    FinishToFinish = 3
};

} // namespace mygc

Q_DECLARE_METATYPE(mygc::TimeUnit)
