#pragma once

#include <QMetaType>

// Time-scale levels of a date axis. A single level is a 4-byte enumeration
// value (it keys maps from level to caption format); a set of levels is the
// sum of its flags and travels as one unsigned char (ZTimeLineLevels).
enum ZTimeLineFlags : int {
    TimeLineNone = 0,
    TimeLineDay = 4,
    TimeLineWeek = 8,
    TimeLineMonth = 16,
    TimeLineQuarter = 32,
    TimeLineYear = 64
};

using ZTimeLineLevels = unsigned char;

Q_DECLARE_METATYPE(ZTimeLineFlags)
