#include "chartlayout.h"
#include "qganttchart.h"
#include "zganttviewbarstyle.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace {

QVariantList defaultLayoutStyles()
{
    QFile f(QStringLiteral(":/files/xer_style.json"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(f.readAll()).object().toVariantMap().value(QStringLiteral("barStyles")).toList();
}

} // namespace

class tst_ChartLayout : public QObject
{
    Q_OBJECT

private slots:
    void defaultStylesWithFixedOptions();
    void stylesRoundTrip();
    void oddElementsBecomeDefaultStyles();
    void dateLevels();
};

void tst_ChartLayout::defaultStylesWithFixedOptions()
{
    mygc::GanttChart chart;
    ChartLayout::setBarStyles(chart, defaultLayoutStyles());
    const QList<ZGanttViewBarStyle> styles = chart.barStyles();
    QCOMPARE(styles.size(), 6);
    QCOMPARE(styles.at(0).styleName, QStringLiteral("Task"));
    QCOMPARE(styles.at(0).bodyColor, QColor(0x00, 0x68, 0xb6));
    QCOMPARE(styles.at(0).bodyShapeHeight, 11);
    QCOMPARE(styles.at(0).startDate, QStringLiteral("Start Date"));
    QCOMPARE(styles.at(1).startPointShape, QStringLiteral("Diamond"));
    QCOMPARE(styles.at(2).endPointShape, QStringLiteral("SouthPenta"));
    QCOMPARE(styles.at(3).startDate, QString());
    QVERIFY(!styles.at(3).visible);
    QVERIFY(styles.at(2).visible);
    QVERIFY(chart.isLinksVisible());
    QVERIFY(!chart.alternatingRowColors());
    QVERIFY(!chart.verticalLines());
    QCOMPARE(int(chart.yearFormat()), 0);
    QCOMPARE(int(chart.quarterFormat()), 0);
    QCOMPARE(int(chart.monthFormat()), 1);
    QCOMPARE(int(chart.weekFormat()), 1);
    QCOMPARE(int(chart.dayFormat()), 1);
}

void tst_ChartLayout::stylesRoundTrip()
{
    mygc::GanttChart chart;
    ChartLayout::setBarStyles(chart, defaultLayoutStyles());
    const QVariantList written = ChartLayout::barStyles(chart);
    QCOMPARE(written.size(), 6);
    // Through JSON text, as a built layout travels.
    const QByteArray json = QJsonDocument::fromVariant(QVariantMap{{QStringLiteral("barStyles"), written}})
                                .toJson(QJsonDocument::Compact);
    QVERIFY(json.contains("\"bodyColor\":\"#0068b6\""));
    const QVariantList read =
        QJsonDocument::fromJson(json).object().toVariantMap().value(QStringLiteral("barStyles")).toList();
    mygc::GanttChart other;
    ChartLayout::setBarStyles(other, read);
    QCOMPARE(other.barStyles(), chart.barStyles());
}

void tst_ChartLayout::oddElementsBecomeDefaultStyles()
{
    mygc::GanttChart chart;
    ChartLayout::setBarStyles(chart, QVariantList{42, QStringLiteral("x"), QVariant()});
    QCOMPARE(chart.barStyles().size(), 3);
    QCOMPARE(chart.barStyles().at(0), ZGanttViewBarStyle());
    ChartLayout::setBarStyles(chart, QVariantList());
    QVERIFY(chart.barStyles().isEmpty());
}

void tst_ChartLayout::dateLevels()
{
    mygc::GanttChart chart;
    ChartLayout::setDateLevels(chart, {3, 6});
    ChartLayout::setDateLevels(chart, {});
    ChartLayout::setDateLevels(chart, {3, 4, 6, 7, 9});
}

QTEST_MAIN(tst_ChartLayout)
#include "tst_chartlayout.moc"
