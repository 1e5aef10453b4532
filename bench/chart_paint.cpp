// Builds the Gantt chart over a generated tree of 100,000 tasks and 300,000
// links (or the counts given as the two arguments), shows it offscreen at 1600 x 900 and prints:
//   build_ms  tasks and links built from the models (setModel)
//   paint_ms  median of 20 full viewport paints at different scroll positions
//   image_ms  toImage of the visible area (the tree collapsed to its top
//             level rows and the axis in months, so that the whole chart is
//             what the window shows)

#include "benchenv.h"
#include "qganttchart.h"
#include "qgcdateaxis.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTextStream>
#include <QTreeView>

#include <algorithm>

namespace {

int kTasks = 100000;
int kLinks = 300000;
constexpr int kGroups = 20;
constexpr int kSubGroups = 49;

// The relation table: successor id, predecessor id, a name, type, lag.
class RelationModel : public QAbstractTableModel
{
public:
    struct Row {
        int successor;
        int predecessor;
        const char *type;
        int lag;
    };

    explicit RelationModel(QVector<Row> rows)
        : rows_(std::move(rows))
    {
    }
    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : rows_.size();
    }
    int columnCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : 5;
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid())
            return QVariant();
        const Row &row = rows_.at(index.row());
        switch (index.column()) {
        case 0:
            return row.successor;
        case 1:
            return row.predecessor;
        case 2:
            return QString();
        case 3:
            return QString::fromLatin1(row.type);
        case 4:
            return row.lag;
        }
        return QVariant();
    }

private:
    QVector<Row> rows_;
};

QList<QStandardItem *> taskRow(int id, const QString &type, const QDateTime &start, const QDateTime &finish)
{
    QList<QStandardItem *> row;
    for (int c = 0; c < 5; ++c)
        row << new QStandardItem;
    row[0]->setData(id, Qt::DisplayRole);
    row[1]->setData(QStringLiteral("Task %1").arg(id), Qt::DisplayRole);
    row[2]->setData(type, Qt::DisplayRole);
    row[3]->setData(start, Qt::DisplayRole);
    row[4]->setData(finish, Qt::DisplayRole);
    return row;
}

} // namespace

int main(int argc, char **argv)
{
    prepareWindowBench();
    QApplication app(argc, argv);
    if (argc >= 3) {
        kTasks = qMax(kGroups * (kSubGroups + 1) + 1, QByteArray(argv[1]).toInt());
        kLinks = qMax(1, QByteArray(argv[2]).toInt());
    }
    QTextStream out(stdout);
    QRandomGenerator random(4711);

    // The task tree: groups > sub-groups > tasks, 100,000 rows in all.
    QStandardItemModel tasks(0, 5);
    tasks.setHorizontalHeaderLabels({QStringLiteral("task_id"), QStringLiteral("Activity Name"),
                                     QStringLiteral("Activity Type"), QStringLiteral("Start Date"),
                                     QStringLiteral("Finish Date")});
    const QDateTime projectStart(QDate(2020, 1, 6), QTime(8, 0));
    const int leaves = kTasks - kGroups - kGroups * kSubGroups;
    QVector<int> leafIds;
    leafIds.reserve(leaves);
    int nextId = 1;
    int leafNumber = 0;
    for (int g = 0; g < kGroups; ++g) {
        QList<QStandardItem *> group = taskRow(nextId++, QStringLiteral("WBS"), QDateTime(), QDateTime());
        QDateTime groupStart, groupFinish;
        for (int s = 0; s < kSubGroups; ++s) {
            QList<QStandardItem *> sub = taskRow(nextId++, QStringLiteral("WBS"), QDateTime(), QDateTime());
            const int subIndex = g * kSubGroups + s;
            const int count = leaves / (kGroups * kSubGroups) + (subIndex < leaves % (kGroups * kSubGroups) ? 1 : 0);
            QDateTime subStart, subFinish;
            for (int t = 0; t < count; ++t, ++leafNumber) {
                // Spread over two years, roughly in tree order like a real plan.
                const int offset = int(qint64(leafNumber) * 700 / leaves) + int(random.bounded(20));
                const QDateTime start = projectStart.addDays(offset);
                const bool milestone = random.bounded(20) == 0;
                const QDateTime finish = milestone ? start : start.addDays(1 + random.bounded(15));
                sub.first()->appendRow(taskRow(nextId, milestone ? QStringLiteral("Milestone") : QStringLiteral("Task"),
                                               start, finish));
                leafIds.append(nextId++);
                if (!subStart.isValid() || start < subStart)
                    subStart = start;
                if (!subFinish.isValid() || subFinish < finish)
                    subFinish = finish;
            }
            sub[3]->setData(subStart, Qt::DisplayRole);
            sub[4]->setData(subFinish, Qt::DisplayRole);
            if (!groupStart.isValid() || subStart < groupStart)
                groupStart = subStart;
            if (!groupFinish.isValid() || groupFinish < subFinish)
                groupFinish = subFinish;
            group.first()->appendRow(sub);
        }
        group[3]->setData(groupStart, Qt::DisplayRole);
        group[4]->setData(groupFinish, Qt::DisplayRole);
        tasks.appendRow(group);
    }

    // Links: mostly between near tasks, one in fifty across the project.
    static const char *const types[] = {"PR_FS", "PR_SS", "PR_FF", "PR_SF"};
    QVector<RelationModel::Row> links;
    links.reserve(kLinks);
    for (int i = 0; i < kLinks; ++i) {
        const int successor = int(random.bounded(leafIds.size()));
        int predecessor;
        if (random.bounded(50) == 0)
            predecessor = int(random.bounded(leafIds.size()));
        else
            predecessor = qBound(0, successor - 1 - int(random.bounded(30)), leafIds.size() - 1);
        links.append({leafIds.at(successor), leafIds.at(predecessor), types[random.bounded(4)],
                      int(random.bounded(3)) * 8});
    }
    RelationModel relations(std::move(links));

    QTreeView tree;
    tree.setModel(&tasks);
    tree.expandAll();

    mygc::GanttChart chart;
    chart.resize(1600, 900);
    chart.show();
    QCoreApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    chart.setModel(&tasks, 3, 4, 2, 0, &relations, 0, 1, 3, 4, -1, -1, -1, -1, &tree);
    const qint64 buildMs = timer.elapsed();
    if (qEnvironmentVariableIsSet("CHART_PAINT_DETAIL")) {
        timer.restart();
        chart.modelReset();
        out << "tasks_ms " << timer.elapsed() << "\n";
        timer.restart();
        chart.rmodelReset();
        out << "links_ms " << timer.elapsed() << "\n";
    }
    QCoreApplication::processEvents();

    // Twenty paints spread over the rows and the dates.
    QScrollBar *vertical = chart.verticalScrollBar();
    QScrollBar *horizontal = chart.horizontalScrollBar();
    QVector<double> paints;
    for (int i = 0; i < 20; ++i) {
        vertical->setValue(int(qint64(vertical->maximum()) * i / 19));
        horizontal->setValue(int(qint64(horizontal->maximum()) * ((i * 7) % 20) / 19));
        QCoreApplication::processEvents();
        QElapsedTimer frame;
        frame.start();
        chart.viewport()->repaint();
        chart.dateAxis()->repaint();
        paints.append(frame.nsecsElapsed() / 1e6);
    }
    std::sort(paints.begin(), paints.end());
    const double paintMs = (paints.at(9) + paints.at(10)) / 2;

    // The visible area as an image: top-level rows over months.
    tree.collapseAll();
    chart.setDateLevels({mygc::Month});
    chart.resetModels();
    QCoreApplication::processEvents();
    timer.restart();
    const ZImage image = chart.toImage();
    const double imageMs = timer.nsecsElapsed() / 1e6;

    out << "tasks " << tasks.rowCount() << " top-level, " << kTasks << " in all; links "
        << relations.rowCount() << "\n";
    out << "image " << image.columns() << " columns x " << image.rows() << " rows, "
        << image.rect().width() << " x " << image.rect().height() << " pixels\n";
    out << "paint_ms min " << paints.first() << " max " << paints.last() << "\n";
    out << "build_ms " << buildMs << "\n";
    out << "paint_ms " << paintMs << "\n";
    out << "image_ms " << imageMs << "\n";
    return 0;
}
