#include "captions.h"
#include "chainmodel.h"
#include "chartarea.h"
#include "ganttfixture.h"
#include "qganttchart.h"
#include "qgcdateaxis.h"
#include "qgcvaxis.h"

#include <QPaintEngine>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTreeView>
#include <QtTest>

#include <limits>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

using namespace mygc;
using namespace ganttfixture;

namespace {

bool isLink(const QColor &c)
{
    // Links are (38, 124, 211) at alpha 200 over a white row.
    return c.blue() > c.red() + 60 && c.blue() > 150 && c.green() < 200;
}

const QColor kTaskBody(150, 50, 50);

// A paint device that keeps the texts painted on it and draws nothing.
class TextRecorder : public QPaintDevice
{
public:
    explicit TextRecorder(const QSize &size) : m_size(size) {}
    QPaintEngine *paintEngine() const override { return &m_engine; }
    QString texts() const { return m_engine.texts; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth: return m_size.width();
        case PdmHeight: return m_size.height();
        case PdmDpiX: case PdmDpiY: case PdmPhysicalDpiX: case PdmPhysicalDpiY: return 96;
        case PdmDepth: return 32;
        case PdmNumColors: return std::numeric_limits<int>::max();
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
        default: return 0;
        }
    }

private:
    struct Engine : QPaintEngine
    {
        Engine() : QPaintEngine(AllFeatures) {}
        bool begin(QPaintDevice *) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState &) override {}
        void drawPath(const QPainterPath &) override {}
        void drawPolygon(const QPointF *, int, PolygonDrawMode) override {}
        void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
        void drawImage(const QRectF &, const QImage &, const QRectF &, Qt::ImageConversionFlags) override {}
        void drawTextItem(const QPointF &, const QTextItem &item) override { texts += item.text(); }
        Type type() const override { return User; }
        QString texts;
    };
    mutable Engine m_engine;
    QSize m_size;
};

} // namespace

class tst_GanttChart : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void construction();
    void tasksFromExpandedRows();
    void tasksFromDeepTree();
    void typesFromText();
    void keyedRowsKeepWhatWasRead();
    void linksBetweenShownRows();
    void linkTypesAndDuplicates();
    void linksFollowRelationEdits();
    void addRelationshipBounds();
    void linkRouting_data();
    void linkRouting();
    void linkFromBelowTheView();
    void nestedLinkRuns_data();
    void nestedLinkRuns();
    void paintsTheSameInStrips_data();
    void paintsTheSameInStrips();
    void barAndMilestonePixels();
    void alternatingRows();
    void selectionInStepWithTree();
    void selectionEdges();
    void keysAndWheel();
    void rowAxis();
    void axisGeometry();
    void cellsCount();
    void everyTimeScale_data();
    void everyTimeScale();
    void toImageTiles();
    void toImageWithoutTasks();
    void burstGivesOneDeferredRebuild();
    void heldRebuildsRunOnceAtRelease();
    void linksAmongManyTasks_data();
    void linksAmongManyTasks();
    void insertedRowsInTreeOrder();
    void verticalPositionAfterExpandAndScroll();
    void sortRebuilds();
    void modelsDestroyed();
    void barStyleColumns();
    void labelTexts();
    void viewportResizeUpdatesScrollRange();
    void centuriesApart();
    void shapesAtRangeEndsShowWhole_data();
    void shapesAtRangeEndsShowWhole();

private:
    void bind();
    QImage area() const { return chart->chartArea()->grab().toImage(); }
    void flush() { QCoreApplication::sendPostedEvents(); }

    QStandardItemModel *tasks = nullptr;
    QStandardItemModel *relations = nullptr;
    QTreeView *tree = nullptr;
    GanttChart *chart = nullptr;
};

void tst_GanttChart::initTestCase()
{
    QLoggingCategory::setFilterRules(QStringLiteral("sv.gantt.debug=false"));
}

void tst_GanttChart::init()
{
    tasks = makeTasks(nullptr);
    relations = makeRelations(nullptr);
    tree = new QTreeView;
    tree->setModel(tasks);
    chart = new GanttChart;
    chart->resize(420, 260);
    // The positions below are those of a range without room at its ends
    // (shapesAtRangeEndsShowWhole looks at the room).
    chart->dateAxis()->setEdgeRoom(0);
    bind();
}

void tst_GanttChart::cleanup()
{
    delete chart;
    delete tree;
    delete tasks;
    delete relations;
}

void tst_GanttChart::bind()
{
    chart->setModel(tasks, StartColumn, FinishColumn, TypeColumn, IdColumn, relations, SuccessorColumn,
                    PredecessorColumn, RelTypeColumn, LagColumn, ActualStartColumn, ActualFinishColumn, -1, -1,
                    tree);
}

void tst_GanttChart::construction()
{
    GanttChart fresh;
    const auto styles = fresh.barStyles();
    QCOMPARE(styles.size(), 5);
    QCOMPARE(styles.at(0).styleName, QStringLiteral("Normal"));
    QCOMPARE(styles.at(0).bodyColor, QColor(150, 50, 50));
    QCOMPARE(styles.at(0).bodyShapeHeight, 11);
    QCOMPARE(styles.at(0).bodyShapeOffset, 6);
    QVERIFY(!styles.at(0).startPointColor.isValid());
    QCOMPARE(styles.at(1).styleName, QStringLiteral("Summary"));
    QCOMPARE(styles.at(1).startPointShape, QStringLiteral("SouthCone"));
    QCOMPARE(styles.at(2).styleName, QStringLiteral("Milestone"));
    QCOMPARE(styles.at(2).finishDate, QStringLiteral("Start Date"));
    QCOMPARE(styles.at(3).styleName, QStringLiteral("Baseline"));
    QCOMPARE(styles.at(4).startDate, QStringLiteral("Actual Start"));
    for (const auto &style : styles)
        QVERIFY(style.visible);
    QCOMPARE(fresh.rowHeight(), 25);
    QCOMPARE(int(fresh.yearFormat()), 0);
    QCOMPARE(int(fresh.quarterFormat()), 0);
    QCOMPARE(int(fresh.monthFormat()), 1);
    QCOMPARE(int(fresh.weekFormat()), 2);
    QCOMPARE(int(fresh.dayFormat()), 1);
    QCOMPARE(fresh.dateAxisHeight(), 28);
    QCOMPARE(fresh.viewport()->geometry().top(), fresh.frameWidth() + fresh.dateAxisHeight());
    QVERIFY(fresh.dateAxis()->empty());
    QVERIFY(fresh.model() == nullptr);
    QCOMPARE(fresh.taskCount(), 0);
}

void tst_GanttChart::tasksFromExpandedRows()
{
    auto ids = [this] {
        QList<int> list;
        for (const auto &task : chart->tasks())
            list << task->taskId();
        return list;
    };
    QCOMPARE(ids(), (QList<int>{1, 4, 5}));
    QCOMPARE(chart->tasks().at(0)->type(), int(TaskItem::Summary)); // a row with children
    QCOMPARE(chart->tasks().at(0)->index(), tasks->index(0, 0));
    QCOMPARE(chart->rowAxis()->rowCount(), 3);
    QCOMPARE(chart->chartArea()->taskCount(), 3);

    tree->expand(tasks->index(0, 0));
    flush();
    QCOMPARE(ids(), (QList<int>{1, 2, 3, 4, 5}));
    QCOMPARE(chart->tasks().at(1)->start(), day(2));
    QCOMPARE(chart->tasks().at(1)->finish(), day(5));
    QCOMPARE(chart->tasks().at(2)->type(), int(TaskItem::Milestone));
    QCOMPARE(chart->chartArea()->height(), 5 * 25);

    tree->collapse(tasks->index(0, 0));
    flush();
    QCOMPARE(ids(), (QList<int>{1, 4, 5}));
}

void tst_GanttChart::typesFromText()
{
    tree->expandAll();
    tasks->item(0)->child(1, TypeColumn)->setData(QStringLiteral("milestone"), Qt::DisplayRole);
    tasks->item(2, TypeColumn)->setData(QStringLiteral("Summary"), Qt::DisplayRole);
    flush();
    QCOMPARE(chart->tasks().at(2)->type(), int(TaskItem::Normal));
    QCOMPARE(chart->tasks().at(4)->type(), int(TaskItem::Summary));
}

void tst_GanttChart::keyedRowsKeepWhatWasRead()
{
    // Every row keyed by its id, except B (id 4).
    chart->setRowKey([](const QModelIndex &index) {
        const int id = index.sibling(index.row(), IdColumn).data().toInt();
        return id == 4 ? -1 : id;
    });
    tree->expandAll();
    chart->resetModels();
    const auto startOf = [this](int id) {
        for (int i = 0; i < chart->tasks().size(); ++i) {
            if (chart->tasks().at(i)->taskId() == id) {
                // The area's instants go with the task's dates.
                const QDateTime start = chart->tasks().at(i)->start();
                if (chart->chartArea()->items().at(i)->startMs != start.toMSecsSinceEpoch())
                    return QDateTime();
                return start;
            }
        }
        return QDateTime();
    };
    QCOMPARE(startOf(2), day(2));

    // A change the model announces reaches the chart.
    QStandardItem *a1 = tasks->item(0)->child(0);
    tasks->itemFromIndex(a1->index().siblingAtColumn(StartColumn))->setData(day(3), Qt::DisplayRole);
    flush();
    QCOMPARE(startOf(2), day(3));
    QCOMPARE(chart->tasks().at(0)->type(), int(TaskItem::Summary));

    // Changes no signal announces: a kept row shows what was read, a row
    // without a key is read again, and a kept row's type still follows
    // its children.
    {
        const QSignalBlocker quiet(tasks);
        tasks->itemFromIndex(a1->index().siblingAtColumn(StartColumn))->setData(day(4), Qt::DisplayRole);
        tasks->item(1, StartColumn)->setData(day(10), Qt::DisplayRole);
    }
    tree->collapseAll();
    chart->resetModels();
    QCOMPARE(chart->taskCount(), 3);
    QCOMPARE(chart->tasks().at(0)->type(), int(TaskItem::Summary));
    tree->expandAll();
    chart->resetModels();
    QCOMPARE(startOf(2), day(3));
    QCOMPARE(startOf(4), day(10));
    QCOMPARE(chart->tasks().at(2)->type(), int(TaskItem::Milestone));

    // Dropped, or with the model bound again, everything is read anew.
    chart->dropTaskCache();
    chart->resetModels();
    QCOMPARE(startOf(2), day(4));
    {
        const QSignalBlocker quiet(tasks);
        tasks->itemFromIndex(a1->index().siblingAtColumn(StartColumn))->setData(day(5), Qt::DisplayRole);
    }
    bind();
    QCOMPARE(startOf(2), day(5));
}

void tst_GanttChart::linksBetweenShownRows()
{
    relations->appendRow(relationRow(4, 3, QStringLiteral("PR_FS"), 8)); // A2 -> B
    chart->resetModels();
    QCOMPARE(chart->relations().size(), 0); // A2 hides in collapsed A

    tree->expand(tasks->index(0, 0));
    flush();
    QCOMPARE(chart->relations().size(), 1);
    const TaskRelationship &link = *chart->relations().first();
    QCOMPARE(link.from, 2);
    QCOMPARE(link.to, 3);
    QCOMPARE(link.type, FinishToStart);
    QCOMPARE(link.lag, 8LL);

    // A relation model reset rebuilds the links.
    relations->appendRow(relationRow(5, 4, QStringLiteral("PR_FF")));
    QCOMPARE(chart->relations().size(), 1); // rows added without a reset
    chart->rmodelReset();
    QCOMPARE(chart->relations().size(), 2);
    relations->clear(); // a reset of the relation model
    flush();
    QCOMPARE(chart->relations().size(), 0);
    QCOMPARE(chart->taskCount(), 5);
}

void tst_GanttChart::linksFollowRelationEdits()
{
    tree->expandAll();
    relations->appendRow(relationRow(4, 3, QStringLiteral("PR_FS"), 8));
    flush();
    chart->rmodelReset();
    QCOMPARE(chart->relations().size(), 1);
    // Expanding or collapsing maps the same relations again.
    tree->collapse(tasks->index(0, 0));
    flush();
    QCOMPARE(chart->relations().size(), 0);
    tree->expand(tasks->index(0, 0));
    flush();
    QCOMPARE(chart->relations().size(), 1);
    // An edited relation is read again at the next link rebuild.
    relations->setData(relations->index(0, LagColumn), 16);
    relations->setData(relations->index(0, RelTypeColumn), QStringLiteral("PR_SS"));
    chart->rmodelReset();
    QCOMPARE(chart->relations().size(), 1);
    QCOMPARE(chart->relations().first()->lag, 16LL);
    QCOMPARE(chart->relations().first()->type, StartToStart);
    relations->removeRow(0);
    chart->rmodelReset();
    QCOMPARE(chart->relations().size(), 0);
}

void tst_GanttChart::linkTypesAndDuplicates()
{
    tree->expandAll();
    relations->appendRow(relationRow(4, 2, QStringLiteral("PR_SS")));
    relations->appendRow(relationRow(4, 2, QString()));
    relations->appendRow(relationRow(4, 2, QStringLiteral("PR_SF")));
    relations->appendRow(relationRow(4, 2, QStringLiteral("PR_FF")));
    relations->appendRow(relationRow(4, 99, QStringLiteral("PR_FS"))); // unknown task
    // Two rows with id 5: links name the later one.
    tasks->appendRow(taskRow(5, QStringLiteral("C2"), QStringLiteral("Task"), day(10), day(11)));
    relations->appendRow(relationRow(5, 4, QStringLiteral("PR_FS")));
    flush();
    chart->rmodelReset();
    const auto &links = chart->relations();
    QCOMPARE(links.size(), 5);
    QCOMPARE(links.at(0)->type, StartToStart);
    QCOMPARE(links.at(1)->type, StartToStart);
    QCOMPARE(links.at(2)->type, StartToFinish);
    QCOMPARE(links.at(3)->type, FinishToFinish);
    QCOMPARE(links.at(4)->from, 3);
    QCOMPARE(links.at(4)->to, 5);
}

void tst_GanttChart::addRelationshipBounds()
{
    chart->addRelationship(0, chart->taskCount(), FinishToStart, 0);
    chart->addRelationship(-1, 0, FinishToStart, 0);
    QCOMPARE(chart->relations().size(), 0);
    chart->addRelationship(0, 1, FinishToStart, 0);
    QCOMPARE(chart->relations().size(), 1);
}

void tst_GanttChart::linkRouting_data()
{
    QTest::addColumn<int>("successor");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QList<QPoint>>("onLink");
    QTest::addColumn<QList<QPoint>>("offLink");

    // A1 (row 1, 2..5 Jan, x 0..75, middle y 37) is the predecessor;
    // B (row 3, 9..12 Jan, x 175..250, middle y 87), C (row 4, 3..4 Jan,
    // x 25..50, middle y 112).
    QTest::addRow("FS direct") << 4 << "PR_FS"
                               << QList<QPoint>{{120, 37}, {165, 60}, {172, 87}}
                               << QList<QPoint>{{120, 45}, {182, 60}};
    QTest::addRow("FS turn-back") << 5 << "PR_FS"
                                  << QList<QPoint>{{80, 37}, {85, 41}, {50, 45}, {15, 80}, {22, 112}}
                                  << QList<QPoint>{{100, 37}, {20, 37}};
    // From A1's start (x 0) the link leaves to the left, out of view, and
    // comes back below the row.
    QTest::addRow("SS") << 4 << "PR_SS"
                        << QList<QPoint>{{0, 45}, {100, 45}, {165, 60}, {172, 87}}
                        << QList<QPoint>{{100, 37}, {120, 41}};
    QTest::addRow("FF") << 4 << "PR_FF"
                        << QList<QPoint>{{200, 37}, {260, 60}, {253, 87}}
                        << QList<QPoint>{{200, 45}, {165, 60}};
    QTest::addRow("SF") << 4 << "PR_SF"
                        << QList<QPoint>{{0, 45}, {200, 45}, {260, 60}, {253, 87}}
                        << QList<QPoint>{{200, 37}, {165, 60}};
}

void tst_GanttChart::linkRouting()
{
    QFETCH(int, successor);
    QFETCH(QString, type);
    QFETCH(QList<QPoint>, onLink);
    QFETCH(QList<QPoint>, offLink);

    tree->expandAll();
    relations->appendRow(relationRow(successor, 2, type));
    flush();
    chart->rmodelReset();
    QCOMPARE(chart->relations().size(), 1);
    QCOMPARE(chart->dateAxis()->dateToPoint(day(5)), 75);

    const QImage image = area();
    if (qEnvironmentVariableIsSet("DUMP_LINKS")) {
        for (int y = 30; y < 50; ++y) {
            QString line;
            for (int x = 0; x < 40; ++x)
                line += isLink(image.pixelColor(x, y)) ? QLatin1Char('#') : (image.pixelColor(x, y) == QColor(Qt::white) ? QLatin1Char('.') : QLatin1Char('o'));
            qDebug().noquote() << y << line;
        }
    }
    for (const QPoint &p : onLink)
        QVERIFY2(isLink(image.pixelColor(p)), qPrintable(QStringLiteral("no link at %1,%2").arg(p.x()).arg(p.y())));
    for (const QPoint &p : offLink)
        QVERIFY2(!isLink(image.pixelColor(p)), qPrintable(QStringLiteral("link at %1,%2").arg(p.x()).arg(p.y())));

    // Hidden links draw nothing.
    chart->setBarStyles(chart->barStyles(), false, false, false, YearFourDigits, QuarterShort,
                        MonthNumberPadded, WeekLong, DayNumberPadded, QString(), QString(), QString(), QString(),
                        QString());
    const QImage hidden = area();
    for (const QPoint &p : onLink)
        QVERIFY(!isLink(hidden.pixelColor(p)));
}

void tst_GanttChart::linkFromBelowTheView()
{
    // A link whose predecessor lies below the rows being painted still
    // brings its arrow into a painted row.
    tree->expandAll();
    tasks->appendRow(taskRow(6, QStringLiteral("D"), QStringLiteral("Task"), day(3), day(4)));
    relations->appendRow(relationRow(2, 6, QStringLiteral("PR_FF"))); // D (row 5) -> A1 (row 1)
    flush();
    chart->rmodelReset();
    QCOMPARE(chart->chartArea()->relationsInRows(0, 2), QVector<int>{0});
    QCOMPARE(chart->chartArea()->relationsInRows(0, 0), QVector<int>());
    QCOMPARE(chart->chartArea()->relationsInRows(5, 9), QVector<int>{0});
    // Painting only rows 0..1 (and the row below): the arrowhead into A1's
    // finish (x 75, y 37), pointing left.
    QImage image(chart->chartArea()->width(), 50, QImage::Format_ARGB32);
    image.fill(Qt::white);
    chart->chartArea()->render(&image, QPoint(), QRegion(0, 0, chart->chartArea()->width(), 50));
    QVERIFY(isLink(image.pixelColor(78, 37)));
    QVERIFY(isLink(image.pixelColor(85, 45)));
}

void tst_GanttChart::nestedLinkRuns_data()
{
    QTest::addColumn<bool>("innerFirst");
    QTest::addRow("outer first") << false;
    QTest::addRow("inner first") << true;
}

// Two links run down one column (x 110, after A's and A2's finish), one
// wholly inside the other: the outer one is painted whole.
void tst_GanttChart::nestedLinkRuns()
{
    QFETCH(bool, innerFirst);
    tree->expandAll();
    const QList<QStandardItem *> outer = relationRow(1, 5, QStringLiteral("PR_FF")); // C (row 4) -> A (row 0)
    const QList<QStandardItem *> inner = relationRow(3, 2, QStringLiteral("PR_FF")); // A1 (row 1) -> A2 (row 2)
    relations->appendRow(innerFirst ? inner : outer);
    relations->appendRow(innerFirst ? outer : inner);
    flush();
    chart->rmodelReset();
    QCOMPARE(chart->relations().size(), 2);
    const QImage image = area();
    for (int y = 12; y <= 115; ++y)
        QVERIFY2(isLink(image.pixelColor(110, y)), qPrintable(QStringLiteral("no link at 110,%1").arg(y)));
}

void tst_GanttChart::paintsTheSameInStrips_data()
{
    QTest::addColumn<int>("stripHeight");
    QTest::addColumn<bool>("picture"); // the strips painted as a picture's
    QTest::addColumn<int>("rowHeight");
    QTest::addRow("one row") << 25 << false << 25;
    QTest::addRow("two rows") << 50 << false << 25;
    QTest::addRow("three rows") << 75 << false << 25;
    QTest::addRow("across rows") << 40 << false << 25;
    QTest::addRow("picture, one row") << 25 << true << 25;
    QTest::addRow("picture, across rows") << 40 << true << 25;
    QTest::addRow("picture, one pixel") << 1 << true << 25;
    // A link's turn and head reach into the next rows.
    QTest::addRow("picture, low rows") << 1 << true << 16;
}

// A picture of the chart is painted strip by strip. Links running past a
// strip, and captions reaching into the next row, come out as when the
// chart is painted whole.
void tst_GanttChart::paintsTheSameInStrips()
{
    QFETCH(int, stripHeight);
    QFETCH(bool, picture);
    QFETCH(int, rowHeight);
    chart->setRowHeight(rowHeight);
    // Tasks of one kind: captions take the pen of the last bar painted.
    tasks->setRowCount(0);
    for (int i = 0; i < 12; ++i) {
        tasks->appendRow(taskRow(10 + i, QStringLiteral("T%1").arg(i), QStringLiteral("Task"), day(2 + i % 8),
                                 day(3 + i % 8 + i % 3)));
    }
    // A picture made before the links come leaves the screen's paint as
    // it was: it finds the links made after.
    if (picture)
        chart->toImage();
    relations->appendRow(relationRow(21, 10, QStringLiteral("PR_FS"))); // long, downwards
    relations->appendRow(relationRow(10, 20, QStringLiteral("PR_FS"))); // long, upwards
    relations->appendRow(relationRow(13, 12, QStringLiteral("PR_SS")));
    relations->appendRow(relationRow(16, 14, QStringLiteral("PR_FF"))); // turns back
    relations->appendRow(relationRow(12, 17, QStringLiteral("PR_SF")));
    relations->appendRow(relationRow(19, 16, QStringLiteral("PR_FS")));
    // Runs in one column: overlapping, and touching end to end.
    relations->appendRow(relationRow(21, 12, QStringLiteral("PR_FS")));
    relations->appendRow(relationRow(21, 18, QStringLiteral("PR_FS")));
    relations->appendRow(relationRow(18, 11, QStringLiteral("PR_SS")));
    tree->expandAll();
    const QString name = QStringLiteral("Activity Name");
    chart->setBarStyles(chart->barStyles(), true, true, true, YearFourDigits, QuarterShort, MonthNumberPadded,
                        WeekLong, DayNumberPadded, name, name, name, name, QString());
    flush();
    chart->rmodelReset();
    QCOMPARE(chart->relations().size(), 9);
    QCOMPARE(chart->taskCount(), 12);

    ChartArea *area = chart->chartArea();
    QImage whole(area->size(), QImage::Format_ARGB32_Premultiplied);
    whole.fill(Qt::transparent);
    area->render(&whole);
    QImage strips(area->size(), QImage::Format_ARGB32_Premultiplied);
    strips.fill(Qt::transparent);
    if (picture)
        area->beginPicture();
    for (int y = 0; y < area->height(); y += stripHeight) {
        const QRect strip(0, y, area->width(), qMin(stripHeight, area->height() - y));
        area->render(&strips, strip.topLeft(), QRegion(strip));
    }
    area->endPicture();
    // Where runs overlap the overlap is filled once: no column shows the
    // link's colour laid twice over a white row for more than a crossing.
    QImage twice(1, 1, QImage::Format_ARGB32_Premultiplied);
    twice.fill(Qt::white);
    {
        QPainter painter(&twice);
        painter.fillRect(0, 0, 1, 1, QColor(38, 124, 211, 200));
        painter.fillRect(0, 0, 1, 1, QColor(38, 124, 211, 200));
    }
    for (int x = 0; x < whole.width(); ++x) {
        int doubled = 0;
        for (int y = 0; y < whole.height(); ++y) {
            if (whole.pixel(x, y) != strips.pixel(x, y))
                QFAIL(qPrintable(QStringLiteral("differs at %1,%2").arg(x).arg(y)));
            doubled = whole.pixel(x, y) == twice.pixel(0, 0) ? doubled + 1 : 0;
            if (doubled > 2)
                QFAIL(qPrintable(QStringLiteral("overlap filled twice at %1,%2").arg(x).arg(y)));
        }
    }
}

void tst_GanttChart::barAndMilestonePixels()
{
    tree->expandAll();
    flush();
    const QImage image = area();
    // A1: body rows top + 5 .. top + 15, from its start to its finish.
    QCOMPARE(image.pixelColor(50, 35), kTaskBody);
    QCOMPARE(image.pixelColor(26, 30), kTaskBody);
    QCOMPARE(image.pixelColor(50, 28), QColor(Qt::white));
    QCOMPARE(image.pixelColor(50, 42), QColor(Qt::white));
    QCOMPARE(image.pixelColor(100, 35), QColor(Qt::white));
    // B from x 175.
    QCOMPARE(image.pixelColor(200, 85), kTaskBody);
    QCOMPARE(image.pixelColor(170, 85), QColor(Qt::white));
    // A2, a milestone on 6 Jan (x 100), drawn with style 1's start shape
    // (a south cone) centred in row 2 (top 50): box from y 56 to 66.
    QCOMPARE(image.pixelColor(100, 60), QColor(Qt::black));
    QCOMPARE(image.pixelColor(95, 56), QColor(Qt::black));
    QCOMPARE(image.pixelColor(100, 66), QColor(Qt::black));
    QCOMPARE(image.pixelColor(96, 64), QColor(Qt::white));
    QCOMPARE(image.pixelColor(100, 54), QColor(Qt::white));
}

void tst_GanttChart::alternatingRows()
{
    tree->expandAll();
    tasks->appendRow(taskRow(6, QStringLiteral("no dates"), QStringLiteral("Task"), QDateTime(), QDateTime()));
    flush();
    chart->setBarStyles(chart->barStyles(), true, true, false, YearFourDigits, QuarterShort, MonthNumberPadded,
                        WeekLong, DayNumberPadded, QString(), QString(), QString(), QString(), QString());
    QVERIFY(chart->alternatingRowColors());
    QVERIFY(!chart->verticalLines());
    QVERIFY(chart->isLinksVisible());
    const QImage image = area();
    const QColor alternate(245, 245, 255);
    QCOMPARE(image.pixelColor(270, 2), QColor(Qt::white));
    QCOMPARE(image.pixelColor(270, 27), alternate);
    QCOMPARE(image.pixelColor(270, 52), QColor(Qt::white));
    QCOMPARE(image.pixelColor(270, 77), alternate);
    QCOMPARE(image.pixelColor(270, 102), QColor(Qt::white));
    // Row 5 has no dates: no background.
    QVERIFY(image.pixelColor(270, 127) != alternate);
    QVERIFY(image.pixelColor(270, 127) != QColor(Qt::white));
}

void tst_GanttChart::selectionInStepWithTree()
{
    tree->expandAll();
    flush();
    // The activities pane wires both directions like this.
    connect(chart, &GanttChart::selectionChanged, tree, [this](const QModelIndex &index) {
        tree->setCurrentIndex(index);
    });
    connect(tree->selectionModel(), &QItemSelectionModel::currentRowChanged, chart,
            [this](const QModelIndex &current) { chart->setSelectedIndex(current); });
    QSignalSpy chartSelection(chart, &GanttChart::selectionChanged);

    // Chart to tree: a click on row 3 makes B current.
    QTest::mouseClick(chart->chartArea(), Qt::LeftButton, {}, QPoint(50, 80));
    QCOMPARE(chart->chartArea()->selectedRow(), 3);
    QCOMPARE(chartSelection.count(), 1);
    QCOMPARE(tree->currentIndex(), tasks->index(1, 0));

    // Tree to chart: another column of a shown row selects that row without
    // an echo.
    tree->setCurrentIndex(tasks->index(0, TypeColumn, tasks->index(0, 0)));
    QCOMPARE(chart->chartArea()->selectedRow(), 1);
    QCOMPARE(chartSelection.count(), 1);

    // A row the chart does not show changes nothing.
    tree->collapse(tasks->index(0, 0));
    flush();
    chart->setSelectedRow(2);
    chart->setSelectedIndex(tasks->index(1, 0, tasks->index(0, 0)));
    QCOMPARE(chart->chartArea()->selectedRow(), 2);
    QCOMPARE(chartSelection.count(), 1);
}

void tst_GanttChart::selectionEdges()
{
    QSignalSpy spy(chart, &GanttChart::selectionChanged);
    chart->areaSelectionChanged(-1);
    chart->areaSelectionChanged(chart->taskCount());
    QCOMPARE(spy.count(), 2);
    QVERIFY(!spy.at(0).first().toModelIndex().isValid());
    QVERIFY(!spy.at(1).first().toModelIndex().isValid());
    chart->areaSelectionChanged(1);
    QCOMPARE(spy.at(2).first().toModelIndex(), tasks->index(1, 0));
    chart->setSelectedIndex(QModelIndex());
    QCOMPARE(spy.count(), 3);
}

void tst_GanttChart::keysAndWheel()
{
    ChartArea *area = chart->chartArea();
    QSignalSpy spy(area, &ChartArea::selectionChanged);
    QTest::keyClick(area, Qt::Key_Up);
    QCOMPARE(area->selectedRow(), -1);
    QTest::keyClick(area, Qt::Key_Down);
    QCOMPARE(area->selectedRow(), 0);
    QCOMPARE(spy.count(), 1);
    QTest::keyClick(area, Qt::Key_Up);
    QCOMPARE(area->selectedRow(), 0);
    QTest::keyClick(area, Qt::Key_Down);
    QTest::keyClick(area, Qt::Key_Down);
    QTest::keyClick(area, Qt::Key_Down);
    QCOMPARE(area->selectedRow(), 2); // the last of three rows
    QCOMPARE(spy.count(), 3);

    // Wheel: one row of the tree per step.
    for (int i = 0; i < 40; ++i)
        tasks->appendRow(taskRow(100 + i, QStringLiteral("T"), QStringLiteral("Task"), day(3), day(4)));
    tree->resize(200, 150);
    tree->show();
    QVERIFY(QTest::qWaitForWindowExposed(tree));
    QScrollBar *bar = tree->verticalScrollBar();
    bar->setValue(5);
    auto wheel = [area](int dy) {
        QWheelEvent event(QPointF(10, 10), area->mapToGlobal(QPoint(10, 10)), QPoint(), QPoint(0, dy), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(area, &event);
    };
    wheel(120);
    QCOMPARE(bar->value(), 4);
    wheel(-120);
    QCOMPARE(bar->value(), 5);
    wheel(5);
    QCOMPARE(bar->value(), 5);
}

void tst_GanttChart::rowAxis()
{
    QGCVAxis axis;
    axis.addRow(20);
    axis.clearRows();
    QCOMPARE(axis.rowAt(0), -1);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(axis.addRow(20), i);
    QCOMPARE(axis.rowAt(45), 2);
    QCOMPARE(axis.rowAt(60), -1);
    QCOMPARE(axis.rowAt(-1), -1);
    QCOMPARE(axis.rowAt(0), 0);
    QCOMPARE(axis.rowAt(20), 1);
    QCOMPARE(axis.totalHeight(), 60);
    QCOMPARE(axis.rowTop(3), -1);
    QCOMPARE(axis.rowHeightAt(3), 0);
    axis.resizeRow(0, 30);
    QCOMPARE(axis.rowTop(2), 50);
    QCOMPARE(axis.rowAt(29), 0);
    axis.setRowHeights({10, 0, 10});
    QCOMPARE(axis.rowCount(), 3);
    QCOMPARE(axis.rowAt(10), 1 + 1); // a row of no height is never hit
}

void tst_GanttChart::axisGeometry()
{
    DateAxis *axis = chart->dateAxis();
    QCOMPARE(axis->min(), day(2));
    QCOMPARE(axis->max(), day(13));
    QCOMPARE(axis->columnsCount(), 11);
    QCOMPARE(axis->dateToPoint(axis->min()), 0);
    QCOMPARE(axis->dateToPoint(axis->max()), axis->axisWidth());
    QCOMPARE(chart->chartArea()->width(), axis->axisWidth());
    QVERIFY(!axis->empty());

    QSignalSpy header(chart, &GanttChart::headerSizeChanged);
    chart->setDateLevels({Day, Week, Month});
    QCOMPARE(chart->dateAxisHeight(), 84);
    QCOMPARE(header.count(), 1);
    QCOMPARE(chart->viewport()->geometry().top(), chart->frameWidth() + 84);

    chart->setDateLevels({Week});
    QCOMPARE(axis->min(), day(2)); // 2 Jan 2017 is a Monday
    QCOMPARE(axis->max(), day(16));
    QCOMPARE(axis->columnsCount(), 2);
    QCOMPARE(axis->dateToPoint(axis->max()), 50);
    QCOMPARE(chart->chartArea()->width(), 50);

    // Built on a coarse scale, where B and C fall into A's month, then
    // switched to a finer one: every task keeps its place on the axis.
    chart->setDateLevels({Month});
    chart->resetModels();
    chart->flushPendingRebuild();
    chart->setDateLevels({Day, Week});
    QCOMPARE(axis->min(), day(2));
    QCOMPARE(axis->max(), day(13));
    QCOMPARE(axis->dateToPoint(day(9)), 7 * 25);
}

void tst_GanttChart::cellsCount()
{
    QCOMPARE(chart->cellsCount(), qint64(11 * 3));
    tree->expandAll();
    QCOMPARE(chart->cellsCount(), qint64(11 * 5)); // finishes the pending rebuild first
    static_assert(std::is_same<decltype(chart->cellsCount()), qint64>::value, "64-bit count");
}

void tst_GanttChart::everyTimeScale_data()
{
    QTest::addColumn<int>("unit");
    QTest::addColumn<QDateTime>("min");
    QTest::addColumn<QDateTime>("max");
    QTest::addColumn<int>("columns");
    // Tasks from 2 Jan to 12 Jan 2017.
    QTest::addRow("day") << int(Day) << day(2) << day(13) << 11;
    QTest::addRow("week") << int(Week) << day(2) << day(16) << 2;
    QTest::addRow("month") << int(Month) << day(1) << QDateTime(QDate(2017, 2, 1), QTime(0, 0)) << 1;
    QTest::addRow("quarter") << int(Quarter) << day(1) << QDateTime(QDate(2017, 4, 1), QTime(0, 0)) << 1;
    QTest::addRow("year") << int(Year) << day(1) << QDateTime(QDate(2018, 1, 1), QTime(0, 0)) << 1;
}

void tst_GanttChart::everyTimeScale()
{
    QFETCH(int, unit);
    QFETCH(QDateTime, min);
    QFETCH(QDateTime, max);
    QFETCH(int, columns);
    tree->expandAll();
    chart->setDateLevels({static_cast<TimeUnit>(unit), Year});
    chart->resetModels();
    DateAxis *axis = chart->dateAxis();
    QCOMPARE(axis->min(), min);
    QCOMPARE(axis->max(), max);
    QCOMPARE(axis->columnsCount(), columns);
    QCOMPARE(chart->cellsCount(), qint64(columns) * 5);
    QCOMPARE(chart->chartArea()->width(), columns * 25);
    const ZImage image = chart->toImage();
    QCOMPARE(image.columns(), columns);
    QCOMPARE(image.rows(), 5);
    QCOMPARE(image.headerHeight(), 56);
    // A1's bar shows in the first tile of its row in every scale.
    const QImage tile = image.getPart(1, 0);
    QCOMPARE(tile.pixelColor(0, 10), kTaskBody);
}

void tst_GanttChart::toImageTiles()
{
    tree->expandAll();
    chart->show();
    QVERIFY(QTest::qWaitForWindowExposed(chart));
    chart->horizontalScrollBar()->setValue(0);
    const int axisWidthBefore = chart->dateAxis()->width();
    QSignalSpy spy(chart, &GanttChart::selectionChanged);

    const ZImage image = chart->toImage();
    QCOMPARE(image.columns(), 11);
    QCOMPARE(image.rows(), 5);
    QCOMPARE(image.headerHeight(), 28);
    QCOMPARE(image.rowHeight(), 25);
    QCOMPARE(image.getHeaderPart(0).width(), 25);
    QCOMPARE(chart->dateAxis()->width(), axisWidthBefore);
    QCOMPARE(spy.count(), 0);

    // Row 1 (A1) has its bar in columns 0..2: tile (1, 1) is body colour
    // in its middle row; tile (1, 4) is white.
    QCOMPARE(image.getPart(1, 1).pixelColor(12, 10), kTaskBody);
    QCOMPARE(image.getPart(1, 4).pixelColor(12, 10), QColor(Qt::white));
    // Row 0's tiles show row 0, not a row further down: A's summary bar
    // carries no body of the task colour.
    QVERIFY(image.getPart(0, 1).pixelColor(12, 10) != kTaskBody);
    // Row 3 (B) from column 7.
    QCOMPARE(image.getPart(3, 8).pixelColor(12, 10), kTaskBody);

    // The header is rendered from the axis start even when scrolled.
    chart->resize(120, 200);
    QCoreApplication::processEvents();
    chart->horizontalScrollBar()->setValue(chart->horizontalScrollBar()->maximum());
    QVERIFY(chart->horizontalScrollBar()->value() > 0);
    const ZImage scrolled = chart->toImage();
    QCOMPARE(scrolled.getHeaderPart(0), image.getHeaderPart(0));
    QCOMPARE(scrolled.getPart(3, 8), image.getPart(3, 8));
}

void tst_GanttChart::toImageWithoutTasks()
{
    tasks->setRowCount(0);
    flush();
    QCOMPARE(chart->taskCount(), 0);
    const int width = chart->dateAxis()->width();
    const ZImage image = chart->toImage();
    QCOMPARE(image.rows(), 0);
    QCOMPARE(image.columns(), chart->dateAxis()->columnsCount());
    QCOMPARE(chart->dateAxis()->width(), width);
}

void tst_GanttChart::burstGivesOneDeferredRebuild()
{
    tree->expandAll();
    flush();
    const auto before = chart->tasks();
    // A burst: data changes, a removal, an insertion, an expansion.
    for (int d = 3; d <= 8; ++d)
        tasks->item(1, FinishColumn)->setData(day(d + 5), Qt::DisplayRole);
    tasks->removeRow(2);
    tasks->insertRow(0, taskRow(7, QStringLiteral("Z"), QStringLiteral("Task"), day(4), day(5)));
    tree->collapse(tasks->index(1, 0));
    QVERIFY(chart->rebuildPending());
    // Nothing rebuilt yet: the very same task objects.
    QCOMPARE(chart->tasks().size(), before.size());
    for (int i = 0; i < before.size(); ++i)
        QCOMPARE(chart->tasks().at(i).data(), before.at(i).data());

    flush();
    QVERIFY(!chart->rebuildPending());
    QList<int> ids;
    for (const auto &task : chart->tasks())
        ids << task->taskId();
    QCOMPARE(ids, (QList<int>{7, 1, 4}));
    QCOMPARE(chart->tasks().at(2)->finish(), day(13));
    QCOMPARE(chart->dateAxis()->max(), day(14));
}

void tst_GanttChart::heldRebuildsRunOnceAtRelease()
{
    relations->appendRow(relationRow(4, 5, QStringLiteral("PR_FS")));
    chart->resetModels();
    QCOMPARE(chart->relations().size(), 1);
    ZGanttViewBarStyle main;
    main.startDate = QStringLiteral("Actual Start");
    main.finishDate = QStringLiteral("Actual Finish");
    main.visible = true;
    tasks->item(1, ActualStartColumn)->setData(day(10), Qt::DisplayRole);
    tasks->item(1, ActualFinishColumn)->setData(day(11), Qt::DisplayRole);
    flush();

    const int before = chart->rebuildCount();
    {
        const GanttChart::RebuildHold outer(chart);
        {
            const GanttChart::RebuildHold inner(chart);
            // What a hand-over does: bind, reset, new bar styles, a sort.
            bind();
            chart->resetModels();
            chart->setBarStyles({main}, true, false, false, YearFourDigits, QuarterShort,
                                MonthNumberPadded, WeekLong, DayNumberPadded, QString(), QString(),
                                QString(), QString(), QString());
            tasks->sort(IdColumn, Qt::DescendingOrder);
            flush(); // the gathered rebuild waits for the release as well
        }
        QVERIFY(chart->rebuildsHeld());
        QVERIFY(chart->rebuildPending());
        QCOMPARE(chart->rebuildCount(), before);
    }
    QVERIFY(!chart->rebuildsHeld());
    QVERIFY(!chart->rebuildPending());
    QCOMPARE(chart->rebuildCount(), before + 1);
    // The final state: sorted rows, the new main pair, the link.
    QList<int> ids;
    for (const auto &task : chart->tasks())
        ids << task->taskId();
    QCOMPARE(ids, (QList<int>{5, 4, 1}));
    QCOMPARE(chart->tasks().at(1)->start(), day(10));
    QCOMPARE(chart->relations().size(), 1);
    QCOMPARE(chart->relations().first()->from, 0);
    QCOMPARE(chart->relations().first()->to, 1);
    flush();
    QCOMPARE(chart->rebuildCount(), before + 1);

    // Reading rows while held finishes the due rebuild first.
    {
        const GanttChart::RebuildHold hold(chart);
        chart->resetModels();
        QCOMPARE(chart->cellsCount(), qint64(chart->dateAxis()->columnsCount()) * 3);
        QCOMPARE(chart->rebuildCount(), before + 2);
    }
    QCOMPARE(chart->rebuildCount(), before + 2);

    // Without a hold each call rebuilds at once.
    chart->resetModels();
    QCOMPARE(chart->rebuildCount(), before + 3);
}

void tst_GanttChart::linksAmongManyTasks_data()
{
    QTest::addColumn<int>("step");
    QTest::newRow("ids close together") << 1;
    QTest::newRow("ids far apart") << 1000;
}

void tst_GanttChart::linksAmongManyTasks()
{
    // Enough tasks for the link rebuild to look ids up in a table by id
    // when they lie close together; the links are the same either way.
    QFETCH(int, step);
    const int count = 1500;
    auto id = [step](int row) { return 10 + row * step; };
    tasks->setRowCount(0);
    for (int row = 0; row < count; ++row)
        tasks->appendRow(taskRow(id(row), QStringLiteral("T"), QStringLiteral("Task"), day(2), day(3)));
    // Of two rows with the same id the later one is linked.
    tasks->item(count - 1, IdColumn)->setData(id(10), Qt::DisplayRole);
    relations->appendRow(relationRow(id(5), id(10), QStringLiteral("PR_FS"), 8));
    relations->appendRow(relationRow(id(7), id(3), QStringLiteral("PR_SF")));
    relations->appendRow(relationRow(id(count - 2), id(0), QStringLiteral("PR_FF")));
    relations->appendRow(relationRow(id(5), id(count + 3), QStringLiteral("PR_FS"))); // above every id
    relations->appendRow(relationRow(id(5), 9, QStringLiteral("PR_FS")));             // below every id
    relations->appendRow(relationRow(-4, id(5), QStringLiteral("PR_FS")));
    relations->appendRow(relationRow(id(5), id(count - 1), QStringLiteral("PR_FS"))); // its row took id(10)
    chart->resetModels();
    QCOMPARE(chart->taskCount(), count);

    QStringList links;
    for (const auto &link : chart->relations())
        links << QStringLiteral("%1>%2:%3:%4").arg(link->from).arg(link->to).arg(int(link->type)).arg(link->lag);
    QCOMPARE(links, QStringList({QStringLiteral("1499>5:1:8"), QStringLiteral("3>7:2:0"),
                                 QStringLiteral("0>1498:3:0")}));
}

void tst_GanttChart::verticalPositionAfterExpandAndScroll()
{
    // Many children under A; the view shows a few rows only.
    QStandardItem *a = tasks->item(0);
    for (int i = 0; i < 60; ++i)
        a->appendRow(taskRow(200 + i, QStringLiteral("child"), QStringLiteral("Task"), day(3), day(4)));
    chart->resetModels();
    tree->resize(200, 150);
    chart->resize(300, 150);
    tree->show();
    chart->show();
    QVERIFY(QTest::qWaitForWindowExposed(tree));
    QVERIFY(QTest::qWaitForWindowExposed(chart));
    // The pane's wiring: the chart follows the tree's scroll bar.
    connect(tree->verticalScrollBar(), &QScrollBar::valueChanged, chart,
            [this](int value) { chart->verticalScrollBar()->setValue(value * chart->rowHeight()); });

    // Expand and jump to a child at once, before the chart has its rows.
    tree->expand(tasks->index(0, 0));
    tree->scrollTo(tasks->index(50, 0, tasks->index(0, 0)), QAbstractItemView::PositionAtTop);
    QVERIFY(tree->verticalScrollBar()->value() > 40);
    flush();
    QCOMPARE(chart->taskCount(), 3 + 60 + 2);
    QCOMPARE(chart->verticalScrollBar()->value(), tree->verticalScrollBar()->value() * 25);
}

void tst_GanttChart::insertedRowsInTreeOrder()
{
    tasks->insertRow(0, taskRow(9, QStringLiteral("first"), QStringLiteral("Task"), day(3), day(4)));
    relations->appendRow(relationRow(4, 9, QStringLiteral("PR_FS")));
    flush();
    QCOMPARE(chart->tasks().first()->taskId(), 9);
    QCOMPARE(chart->relations().size(), 1);
    QCOMPARE(chart->relations().first()->from, 0);
}

void tst_GanttChart::sortRebuilds()
{
    QSortFilterProxyModel proxy;
    proxy.setSourceModel(tasks);
    tree->setModel(&proxy);
    chart->setModel(&proxy, StartColumn, FinishColumn, TypeColumn, IdColumn, relations, SuccessorColumn,
                    PredecessorColumn, RelTypeColumn, LagColumn, -1, -1, -1, -1, tree);
    QCOMPARE(chart->tasks().first()->taskId(), 1);
    proxy.sort(IdColumn, Qt::DescendingOrder);
    flush();
    QList<int> ids;
    for (const auto &task : chart->tasks())
        ids << task->taskId();
    QCOMPARE(ids, (QList<int>{5, 4, 1}));
    // Filtering many rows away.
    proxy.setFilterKeyColumn(NameColumn);
    proxy.setFilterFixedString(QStringLiteral("B"));
    flush();
    QCOMPARE(chart->taskCount(), 1);
    chart->setModel(nullptr, -1, -1, -1, -1, nullptr, -1, -1, -1, -1, -1, -1, -1, -1, nullptr);
}

void tst_GanttChart::modelsDestroyed()
{
    tree->expandAll();
    relations->appendRow(relationRow(4, 2, QStringLiteral("PR_FS")));
    flush();
    chart->rmodelReset();
    QCOMPARE(chart->relations().size(), 1);
    delete relations;
    relations = nullptr;
    QCOMPARE(chart->relations().size(), 0);
    chart->rmodelReset();
    QCOMPARE(chart->relations().size(), 0);

    tree->setModel(nullptr);
    delete tasks;
    tasks = nullptr;
    QVERIFY(chart->model() == nullptr);
    QCOMPARE(chart->taskCount(), 0);
    chart->resetModels();
    QCOMPARE(chart->taskCount(), 0);
    // Nothing of the models' rows and links keeps memory.
    QCOMPARE(chart->tasks().capacity(), 0);
    QCOMPARE(chart->relations().capacity(), 0);
    QCOMPARE(chart->chartArea()->items().capacity(), 0);
#if defined(__GLIBC__)
    // Nor does the row axis's room for them.
    mygc::QGCVAxis axis;
    const auto inUse = [] { return qint64(mallinfo2().uordblks + mallinfo2().hblkhd); };
    const qint64 before = inUse();
    axis.setRowHeights(QVector<int>(1 << 18, 20));
    axis.clearRows();
    QVERIFY2(inUse() - before < (1 << 19), qPrintable(QString::number(inUse() - before)));
#endif
}

void tst_GanttChart::barStyleColumns()
{
    // Fewer than four styles: the further pairs read "Start Date" and
    // "Finish Date"; style 0 names the main pair.
    ZGanttViewBarStyle main;
    main.startDate = QStringLiteral("Actual Start");
    main.finishDate = QStringLiteral("Actual Finish");
    main.visible = true;
    tasks->item(1, ActualStartColumn)->setData(day(10), Qt::DisplayRole);
    tasks->item(1, ActualFinishColumn)->setData(day(11), Qt::DisplayRole);
    chart->setBarStyles({main}, true, false, false, YearFourDigits, QuarterShort, MonthNumberPadded, WeekLong,
                        DayNumberPadded, QString(), QString(), QString(), QString(), QString());
    QCOMPARE(chart->barStyles().size(), 1);
    const TaskItem &b = *chart->tasks().at(1);
    QCOMPARE(b.start(), day(10));
    QCOMPARE(b.finish(), day(11));
    QCOMPARE(b.actualStart(), day(9)); // "Start Date"
    QCOMPARE(b.baselineFinish(), day(12));

    // Five styles: style 4 names the actual pair.
    auto styles = GanttChart().barStyles();
    chart->setBarStyles(styles, true, false, false, YearFourDigits, QuarterShort, MonthNumberPadded, WeekLong,
                        DayNumberPadded, QString(), QString(), QString(), QString(), QString());
    QCOMPARE(chart->tasks().at(1)->actualStart(), day(10));
    QCOMPARE(chart->tasks().at(1)->start(), day(9));

    // Style 4 draws B's actual pair over its main bar (body rows top + 11
    // .. top + 15); A1 has no actual dates and shows only its main bar.
    tree->expandAll();
    flush();
    const QImage image = area();
    QCOMPARE(image.pixelColor(210, 75 + 13), QColor(100, 255, 100));
    QCOMPARE(image.pixelColor(210, 75 + 9), QColor(255, 200, 200)); // style 3 over the main dates
    QCOMPARE(image.pixelColor(180, 75 + 6), kTaskBody); // above the further bars
    QCOMPARE(image.pixelColor(180, 75 + 14), kTaskBody); // the actual pair starts on 10 Jan only
    QCOMPARE(image.pixelColor(50, 25 + 14), kTaskBody); // A1 has no actual pair

    // An empty list is accepted: nothing is drawn, nothing fails.
    chart->setBarStyles({}, true, false, false, YearFourDigits, QuarterShort, MonthNumberPadded, WeekLong,
                        DayNumberPadded, QString(), QString(), QString(), QString(), QString());
    QCOMPARE(chart->taskCount(), 5);
    area();
}

void tst_GanttChart::labelTexts()
{
    chart->setBarStyles(chart->barStyles(), true, false, false, YearFourDigits, QuarterShort, MonthNumberPadded,
                        WeekLong, DayNumberPadded, QStringLiteral("Activity Name"), QStringLiteral("task_id"),
                        QString(), QStringLiteral("No Such Column"), QStringLiteral("Activity Name"));
    const TaskItem &b = *chart->tasks().at(1);
    QCOMPARE(b.leftText(), QStringLiteral("B"));
    QCOMPARE(b.rightText(), QStringLiteral("4"));
    QCOMPARE(b.insideText(), QStringLiteral("B"));
    QVERIFY(b.topText().isEmpty());
    QVERIFY(b.bottomText().isEmpty());
    // Texts are painted beside the bar: something left of B's start.
    const QImage image = area();
    bool painted = false;
    for (int x = 150; x < 170 && !painted; ++x)
        for (int y = 25; y < 50 && !painted; ++y)
            painted = image.pixelColor(x, y) != QColor(Qt::white);
    QVERIFY(painted);
    // A long name is painted cut as the table shows it: its end, next to
    // the bar, is the ellipsis.
    const QString longName = QString(ShownTextLength, QLatin1Char('n')) + QStringLiteral("WW");
    tasks->item(1, NameColumn)->setData(longName, Qt::DisplayRole);
    flush();
    const QImage fromLong = area();
    tasks->item(1, NameColumn)->setData(shownText(longName), Qt::DisplayRole);
    flush();
    QCOMPARE(area(), fromLong);
    // So it is wherever it is painted, also where its end lies outside the
    // chart: on the right, above, below.
    const QString name = QStringLiteral("Activity Name");
    chart->setBarStyles(chart->barStyles(), true, false, false, YearFourDigits, QuarterShort, MonthNumberPadded,
                        WeekLong, DayNumberPadded, name, name, name, name, name);
    tasks->item(1, NameColumn)->setData(longName, Qt::DisplayRole);
    flush();
    TextRecorder captions(chart->chartArea()->size());
    chart->chartArea()->render(&captions);
    QCOMPARE(captions.texts().count(QChar(0x2026)), 5);
    QVERIFY(!captions.texts().contains(QLatin1Char('W')));
}

void tst_GanttChart::viewportResizeUpdatesScrollRange()
{
    // The tree stands beside the chart, as high as it.
    tree->resize(200, 200);
    tree->show();
    chart->resize(200, 200);
    chart->show();
    QVERIFY(QTest::qWaitForWindowExposed(chart));
    QScrollBar *bar = chart->horizontalScrollBar();
    QCOMPARE(chart->dateAxis()->width(), chart->viewport()->width());
    QCOMPARE(bar->maximum(), chart->chartArea()->width() - chart->viewport()->width());
    chart->resize(150, 200);
    QCoreApplication::processEvents();
    QCOMPARE(chart->dateAxis()->width(), chart->viewport()->width());
    QCOMPARE(bar->maximum(), chart->chartArea()->width() - chart->viewport()->width());
    QCOMPARE(chart->dateAxis()->y(), chart->frameWidth());

    // The viewport shrinks when the axis gets more levels, while the chart
    // keeps its size: the vertical range follows the viewport.
    for (int i = 0; i < 20; ++i)
        tasks->appendRow(taskRow(100 + i, QStringLiteral("T"), QStringLiteral("Task"), day(3), day(4)));
    flush();
    QScrollBar *vertical = chart->verticalScrollBar();
    QCOMPARE(vertical->maximum(), chart->chartArea()->height() - chart->viewport()->height());
    const int before = vertical->maximum();
    chart->setDateLevels({Day, Week, Month});
    QCoreApplication::processEvents();
    QCOMPARE(vertical->maximum(), chart->chartArea()->height() - chart->viewport()->height());
    QCOMPARE(vertical->maximum(), before + 56);
    chart->setDateLevels({Day});
    QCoreApplication::processEvents();

    // A rebuild keeps the scroll position.
    bar->setValue(40);
    tree->expandAll();
    flush();
    QCOMPARE(chart->taskCount(), 25);
    QCOMPARE(bar->value(), 40);
    // Fewer rows: the body shrinks to them.
    tree->collapseAll();
    tasks->setRowCount(3);
    chart->resetModels();
    // The room below the rows for the tree's reach goes once the tree has
    // laid out its fewer rows.
    QCoreApplication::processEvents();
    QCOMPARE(chart->chartArea()->height(), 3 * 25);
    QCOMPARE(chart->chartArea()->width(), chart->dateAxis()->axisWidth());
}

void tst_GanttChart::centuriesApart()
{
    tasks->item(1, StartColumn)->setData(QDateTime(QDate(1700, 3, 1), QTime(0, 0)), Qt::DisplayRole);
    tasks->item(2, FinishColumn)->setData(QDateTime(QDate(2400, 3, 1), QTime(0, 0)), Qt::DisplayRole);
    flush();
    DateAxis *axis = chart->dateAxis();
    QVERIFY(axis->axisWidth() <= DateAxis::kMaxAxisWidth);
    QVERIFY(chart->chartArea()->width() <= QWIDGETSIZE_MAX);
    QCOMPARE(chart->chartArea()->width(), axis->axisWidth());
    QCOMPARE(axis->dateToPoint(axis->max()), axis->axisWidth());
    chart->setDateLevels({Day, Week, Month, Quarter, Year});
    chart->setBarStyles(chart->barStyles(), true, true, true, YearFourDigits, QuarterShort, MonthNumberPadded,
                        WeekLong, DayNumberPadded, QString(), QString(), QString(), QString(), QString());
    chart->resize(1600, 900);
    chart->show();
    QVERIFY(QTest::qWaitForWindowExposed(chart));
    QScrollBar *bar = chart->horizontalScrollBar();
    for (int value : {0, bar->maximum() / 2, bar->maximum()}) {
        bar->setValue(value);
        chart->repaint();
    }
    QVERIFY(chart->cellsCount() > 0);
}

void tst_GanttChart::tasksFromDeepTree()
{
    // Without a tree every descendant is a task, in tree order; a tree from
    // a file can nest 200,000 levels deep.
    const int depth = 200000;
    xertest::ChainModel chain(depth);
    mygc::GanttChart chart;
    mygc::addGCTask(&chart, chain.index(0, 0), -1, -1, -1, 0, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                    nullptr);
    QCOMPARE(chart.taskCount(), depth);
    // With a tree, only what it shows expanded.
    QTreeView tree;
    tree.setModel(&chain);
    tree.expand(chain.node(0));
    tree.expand(chain.node(1));
    mygc::GanttChart shown;
    mygc::addGCTask(&shown, chain.index(0, 0), -1, -1, -1, 0, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                    &tree);
    QCOMPARE(shown.taskCount(), 3);
}

void tst_GanttChart::shapesAtRangeEndsShowWhole_data()
{
    QTest::addColumn<int>("unit");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<QDateTime>("finish");
    QTest::addColumn<QDateTime>("min");
    QTest::addColumn<QDateTime>("max");
    const QDateTime dec1(QDate(2016, 12, 1), QTime(0, 0));
    const QDateTime feb1(QDate(2017, 2, 1), QTime(0, 0));
    QTest::addRow("milestone at midnight") << int(Day) << "Milestone" << day(2) << day(2) << day(1)
                                           << day(3);
    QTest::addRow("milestone with room") << int(Day) << "Milestone" << day(2, 8) << day(2, 8)
                                         << day(2) << day(3);
    QTest::addRow("summary ending late") << int(Day) << "WBS" << day(2, 8) << day(5, 23) << day(2)
                                         << day(7);
    QTest::addRow("month, early in it") << int(Month) << "Task" << day(2, 8) << day(12) << dec1
                                        << feb1;
    QTest::addRow("week, on its monday") << int(Week) << "Milestone" << day(2) << day(2)
                                         << QDateTime(QDate(2016, 12, 26), QTime(0, 0)) << day(9);
}

void tst_GanttChart::shapesAtRangeEndsShowWhole()
{
    QFETCH(int, unit);
    QFETCH(QString, type);
    QFETCH(QDateTime, start);
    QFETCH(QDateTime, finish);
    QFETCH(QDateTime, min);
    QFETCH(QDateTime, max);
    tasks->clear();
    tasks->setColumnCount(TaskColumnCount);
    tasks->appendRow(taskRow(1, QStringLiteral("X"), type, start, finish));
    // A chart as the viewer makes it.
    delete chart;
    chart = new GanttChart;
    chart->resize(420, 260);
    bind();
    DateAxis *axis = chart->dateAxis();
    chart->setDateLevels({static_cast<TimeUnit>(unit)});
    chart->resetModels();
    flush();
    QCOMPARE(axis->min(), min);
    QCOMPARE(axis->max(), max);
    // A shape spans 5 pixels to either side of its date.
    QVERIFY(axis->dateToPoint(start) - 5 >= 0);
    QVERIFY(axis->dateToPoint(finish) + 5 < axis->axisWidth());
}

QTEST_MAIN(tst_GanttChart)
#include "tst_ganttchart.moc"
