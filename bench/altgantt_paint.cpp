// Paint time of the item-view Gantt view over a large schedule.
// Prints "build_ms N" (model, views, links and the first paint) and
// "paint_ms N" (the median of repaints at scattered scroll positions), for
// 100,000 rows and 300,000 link requests at 1600 x 900.
//
//   QT_QPA_PLATFORM=offscreen build/bench/altgantt_paint
#include "benchenv.h"
#include "zganttview.h"
#include "ztimelineheader.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTreeView>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kRows = 100000;
constexpr int kLinks = 300000;

class ScheduleModel : public QAbstractTableModel
{
public:
    ScheduleModel()
    {
        QRandomGenerator rng(42);
        m_start.resize(kRows);
        m_length.resize(kRows);
        for (int i = 0; i < kRows; ++i) {
            m_start[i] = int(rng.bounded(700));
            m_length[i] = i % 10 == 0 ? 0 : int(rng.bounded(1, 30));
        }
    }
    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : kRows;
    }
    int columnCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : 5;
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        const int r = index.row();
        switch (index.column()) {
        case 0: return QStringLiteral("Activity %1").arg(r);
        case 1: return QDateTime(m_origin.addDays(m_start.at(r)), QTime(8, 0));
        case 2: return QDateTime(m_origin.addDays(m_start.at(r) + m_length.at(r)), QTime(17, 0));
        case 3: return m_length.at(r) == 0 ? QStringLiteral("TT_Mile") : QStringLiteral("TT_Task");
        case 4: return r % 7 == 0 ? 0 : 5;
        }
        return {};
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        static const char *const captions[] = {"Activity Name", "Start Date", "Finish Date",
                                               "Activity Type", "Total float"};
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < 5)
            return QString::fromLatin1(captions[section]);
        return QAbstractTableModel::headerData(section, orientation, role);
    }

private:
    QDate m_origin{2020, 1, 6};
    QVector<int> m_start;
    QVector<int> m_length;
};

class RowDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        return {100, 22};
    }
};

} // namespace

int main(int argc, char **argv)
{
    prepareWindowBench();
    QApplication app(argc, argv);

    QElapsedTimer build;
    build.start();
    ScheduleModel model;
    QWidget window;
    auto *layout = new QHBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *tree = new QTreeView;
    tree->setUniformRowHeights(true);
    tree->setItemDelegate(new RowDelegate(tree));
    tree->setRootIsDecorated(false);
    auto *view = new ZGanttView;
    layout->addWidget(tree, 1);
    layout->addWidget(view, 3);
    tree->setModel(&model);
    view->setModel(&model);
    view->setTaskTypeColumn(3);
    view->setBuddyView(tree);
    view->setTimeLineFlags(TimeLineMonth | TimeLineDay);
    QRandomGenerator rng(7);
    for (int i = 0; i < kLinks; ++i) {
        const int a = int(rng.bounded(1, kRows));
        const int b = std::max(0, a - 1 - int(rng.bounded(40)));
        view->setPredecessorForIndex(model.index(a, 0), model.index(b, 0),
                                     i % 3 == 0 ? QStringLiteral("FS")
                                                : i % 3 == 1 ? QStringLiteral("SS")
                                                             : QStringLiteral("FF"));
    }
    window.resize(1600, 900);
    window.show();
    QApplication::processEvents();
    view->viewport()->repaint();
    const qint64 buildMs = build.elapsed();

    QVector<double> frames;
    QScrollBar *vbar = tree->verticalScrollBar();
    QScrollBar *hbar = view->horizontalScrollBar();
    for (int i = 0; i < 41; ++i) {
        vbar->setValue(int(qint64(vbar->maximum()) * i / 40));
        hbar->setValue(int(qint64(hbar->maximum()) * ((i * 7) % 40) / 40));
        QApplication::processEvents();
        QElapsedTimer frame;
        frame.start();
        view->viewport()->repaint();
        frames.append(frame.nsecsElapsed() / 1e6);
    }
    if (qEnvironmentVariableIsSet("ALTGANTT_SHOT"))
        window.grab().save(QString::fromLocal8Bit(qgetenv("ALTGANTT_SHOT")));
    std::sort(frames.begin(), frames.end());
    std::printf("build_ms %lld\n", static_cast<long long>(buildMs));
    std::printf("paint_ms %d\n", int(frames.at(frames.size() / 2) + 0.5));
    return 0;
}
