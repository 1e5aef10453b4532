#include "zganttviewbarstyle.h"

#include <QCoreApplication>
#include <QtMath>
#include <QVariantList>
#include <QVariantMap>

namespace {

const QString kStyleName = QStringLiteral("styleName");
const QString kStartPointShape = QStringLiteral("startPointShape");
const QString kStartPointColor = QStringLiteral("startPointColor");
const QString kBodyShapeHeight = QStringLiteral("bodyShapeHeight");
const QString kBodyShapeOffset = QStringLiteral("bodyShapeOffset");
const QString kBodyColor = QStringLiteral("bodyColor");
const QString kEndPointShape = QStringLiteral("endPointShape");
const QString kEndPointColor = QStringLiteral("endPointColor");
const QString kDisplayColumns = QStringLiteral("displayColumns");
const QString kStartDate = QStringLiteral("startDate");
const QString kFinishDate = QStringLiteral("finishDate");
const QString kVisible = QStringLiteral("visible");
const QString kKey = QStringLiteral("key");
const QString kValue = QStringLiteral("value");

bool isFloatingPoint(const QVariant &v)
{
    const int t = v.userType();
    return t == QMetaType::Double || t == QMetaType::Float;
}

// JSON numbers arrive as doubles: round them; text holding a decimal integer
// gives that integer; anything else 0.
int readInt(const QVariant &v)
{
    if (isFloatingPoint(v)) {
        const double d = v.toDouble();
        if (!qIsFinite(d) || d >= 2147483647.5 || d <= -2147483648.5)
            return 0;
        return qRound(d);
    }
    bool ok = false;
    const int i = v.toInt(&ok);
    return ok ? i : 0;
}

bool readBool(const QVariant &v)
{
    if (isFloatingPoint(v)) {
        const double d = v.toDouble();
        return qIsFinite(d) && qRound64(d) != 0;
    }
    return v.toBool();
}

QColor readColor(const QVariant &v)
{
    if (v.userType() == QMetaType::QColor)
        return v.value<QColor>();
    if (v.userType() == QMetaType::QString) {
        const QString name = v.toString();
        if (QColor::isValidColor(name))
            return QColor(name);
    }
    return QColor();
}

} // namespace

bool ZGanttViewBarStyle::operator==(const ZGanttViewBarStyle &other) const
{
    return styleName == other.styleName && startPointShape == other.startPointShape
        && startPointColor == other.startPointColor && bodyShapeHeight == other.bodyShapeHeight
        && bodyShapeOffset == other.bodyShapeOffset && bodyColor == other.bodyColor
        && endPointShape == other.endPointShape && endPointColor == other.endPointColor
        && displayColumns == other.displayColumns && startDate == other.startDate
        && finishDate == other.finishDate && visible == other.visible;
}

ZGanttViewBarStyle makeBarStyle(const char *name, const char *startShape, const QColor &startColor,
                                int height, int offset, const QColor &bodyColor,
                                const char *endShape, const QColor &endColor,
                                const char *startDate, const char *finishDate)
{
    ZGanttViewBarStyle style;
    style.styleName = QString::fromLatin1(name);
    style.startPointShape = QString::fromLatin1(startShape);
    style.startPointColor = startColor;
    style.bodyShapeHeight = height;
    style.bodyShapeOffset = offset;
    style.bodyColor = bodyColor;
    style.endPointShape = QString::fromLatin1(endShape);
    style.endPointColor = endColor;
    style.startDate = QString::fromLatin1(startDate);
    style.finishDate = QString::fromLatin1(finishDate);
    style.visible = true;
    return style;
}

void registerBarStyleMetaType()
{
    // Once: a second comparator registration is refused with a warning.
    static const bool registered = [] {
        qRegisterMetaType<ZGanttViewBarStyle>("ZGanttViewBarStyle");
        qRegisterMetaType<QList<ZGanttViewBarStyle>>("QList<ZGanttViewBarStyle>");
        // Without it a variant compares the bytes of the record, padding and
        // text pointers included, so a model's "has it changed" is chance.
        return QMetaType::registerEqualsComparator<ZGanttViewBarStyle>();
    }();
    Q_UNUSED(registered)
}

// Styles travel in queued signals and variants looked up by type name.
Q_COREAPP_STARTUP_FUNCTION(registerBarStyleMetaType)

BarDateCaptions barDateCaptions(const QList<ZGanttViewBarStyle> &styles)
{
    const QString start = QStringLiteral("Start Date");
    const QString finish = QStringLiteral("Finish Date");
    BarDateCaptions c{start, finish, start, finish, start, finish};
    if (styles.size() >= 1) {
        c.start = styles.at(0).startDate;
        c.finish = styles.at(0).finishDate;
    }
    if (styles.size() >= 4) {
        c.baselineStart = styles.at(3).startDate;
        c.baselineFinish = styles.at(3).finishDate;
    }
    if (styles.size() >= 5) {
        c.actualStart = styles.at(4).startDate;
        c.actualFinish = styles.at(4).finishDate;
    }
    return c;
}

QVariant barStyleToVariant(const ZGanttViewBarStyle &style)
{
    QVariantMap map;
    map.insert(kStyleName, style.styleName);
    map.insert(kStartPointShape, style.startPointShape);
    map.insert(kStartPointColor, style.startPointColor);
    map.insert(kBodyShapeHeight, style.bodyShapeHeight);
    map.insert(kBodyShapeOffset, style.bodyShapeOffset);
    map.insert(kBodyColor, style.bodyColor);
    map.insert(kEndPointShape, style.endPointShape);
    map.insert(kEndPointColor, style.endPointColor);
    QVariantList columns;
    for (auto it = style.displayColumns.cbegin(); it != style.displayColumns.cend(); ++it) {
        QVariantMap entry;
        entry.insert(kKey, it.key());
        entry.insert(kValue, it.value());
        columns.append(entry);
    }
    map.insert(kDisplayColumns, columns);
    map.insert(kStartDate, style.startDate);
    map.insert(kFinishDate, style.finishDate);
    map.insert(kVisible, style.visible);
    return map;
}

void barStyleFromVariant(ZGanttViewBarStyle &style, const QVariant &value)
{
    const QVariantMap map = value.toMap();
    style.styleName = map.value(kStyleName).toString();
    style.startPointShape = map.value(kStartPointShape).toString();
    style.startPointColor = readColor(map.value(kStartPointColor));
    style.bodyShapeHeight = readInt(map.value(kBodyShapeHeight));
    style.bodyShapeOffset = readInt(map.value(kBodyShapeOffset));
    style.bodyColor = readColor(map.value(kBodyColor));
    style.endPointShape = map.value(kEndPointShape).toString();
    style.endPointColor = readColor(map.value(kEndPointColor));
    const QVariantList columns = map.value(kDisplayColumns).toList();
    for (const QVariant &element : columns) {
        const QVariantMap entry = element.toMap();
        style.displayColumns.insert(readInt(entry.value(kKey)), entry.value(kValue).toString());
    }
    style.startDate = map.value(kStartDate).toString();
    style.finishDate = map.value(kFinishDate).toString();
    style.visible = readBool(map.value(kVisible));
}

ZGanttViewBarStyle barStyleFromVariant(const QVariant &value)
{
    ZGanttViewBarStyle style;
    barStyleFromVariant(style, value);
    return style;
}
