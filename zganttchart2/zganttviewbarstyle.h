#pragma once

#include <QColor>
#include <QList>
#include <QMap>
#include <QMetaType>
#include <QString>
#include <QVariant>

// How one kind of Gantt bar looks: a start-point shape, a body band and an
// end-point shape with their colours, label columns placed around the bar,
// the two date columns the bar spans and whether it is drawn at all.
// A plain value; the chart picks styles by their position in its list.
class ZGanttViewBarStyle
{
public:
    // Keys of displayColumns: where a column's text stands beside the bar.
    // The values are Qt alignment flags.
    enum TextPosition {
        TextLeft = 1,
        TextRight = 2,
        TextTop = 32,
        TextBottom = 64,
        TextInside = 132
    };

    QString styleName;
    QString startPointShape;
    QColor startPointColor;
    int bodyShapeHeight = 0;
    int bodyShapeOffset = 0;
    QColor bodyColor;
    QString endPointShape;
    QColor endPointColor;
    QMap<int, QString> displayColumns;
    QString startDate;
    QString finishDate;
    bool visible = false;

    bool operator==(const ZGanttViewBarStyle &other) const;
    bool operator!=(const ZGanttViewBarStyle &other) const { return !(*this == other); }
};

Q_DECLARE_METATYPE(ZGanttViewBarStyle)

// A drawn style without label columns, from the parts the built-in style
// lists spell out.
ZGanttViewBarStyle makeBarStyle(const char *name, const char *startShape, const QColor &startColor,
                                int height, int offset, const QColor &bodyColor,
                                const char *endShape, const QColor &endColor,
                                const char *startDate, const char *finishDate);

// Registers the record under its own name so that it travels in variants
// and queued signals. Safe to call more than once.
void registerBarStyleMetaType();

// The layout form of one style: a variant map with the twelve keys
// "styleName" ... "visible"; colours go in as QColor values.
QVariant barStyleToVariant(const ZGanttViewBarStyle &style);

// Reads one layout object into a style. Anything that is not a map reads as
// an empty map; a missing or unreadable key gives the field's empty value
// (empty text, 0, invalid colour, false). displayColumns only receives
// entries, so pass a default-constructed style to get exactly the object.
void barStyleFromVariant(ZGanttViewBarStyle &style, const QVariant &value);

// The same, returning a fresh style.
ZGanttViewBarStyle barStyleFromVariant(const QVariant &value);

// The captions of the date columns a style list draws from: style 0 gives the
// bar dates, style 3 the baseline dates and style 4 the actual dates; a
// style the list lacks falls back to "Start Date" and "Finish Date".
struct BarDateCaptions
{
    QString start;
    QString finish;
    QString baselineStart;
    QString baselineFinish;
    QString actualStart;
    QString actualFinish;
};
BarDateCaptions barDateCaptions(const QList<ZGanttViewBarStyle> &styles);
