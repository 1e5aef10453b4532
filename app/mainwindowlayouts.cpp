// The main window's P6 layouts (Layout menu, ".plf" import) and the bar
// styles command.

#include "mainwindow.h"

#include "activities.h"
#include "applogging.h"
#include "chartlayout.h"
#include "modelhelpers.h"
#include "ui_mainwindow.h"
#include "zganttchartstylesdialog.h"

#include "qganttchart.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QJsonDocument>
#include <QMenu>
#include <QTreeView>

namespace {

const char kP6Entry[] = "p6Layout";
const int kColumnDescriptorRole = 258;

} // namespace

QString MainWindow::loadLayout(const QString &) const
{
    return QString();
}

void MainWindow::processP6layouts(const QList<QVariant> &rows)
{
    qCInfo(lcApp).noquote() << Q_FUNC_INFO << "start";
    QElapsedTimer timer;
    timer.start();
    m_p6Layouts.clear();
    m_p6Layouts = P6Layouts::convert(
        rows, P6Layouts::captionMap(readFile(QStringLiteral(":/files/schema.json"))));
    updateLayoutsList(QStringLiteral("default"));
    qCInfo(lcApp).noquote() << Q_FUNC_INFO << "stop:" << timer.elapsed();
}

void MainWindow::updateLayoutsList(const QString &current)
{
    qCInfo(lcApp).noquote() << Q_FUNC_INFO << "start";
    QElapsedTimer timer;
    timer.start();
    m_layouts.clear();

    // The layout-name field and the separator stay.
    QMenu *menu = m_ui->menuLayout;
    const QList<QAction *> actions = menu->actions();
    for (int i = 2; i < actions.size(); ++i) {
        menu->removeAction(actions.at(i));
        // Later: this may run from one of these actions' own signals.
        actions.at(i)->deleteLater();
    }

    QString baseText = m_layouts.value(QStringLiteral("default"));
    if (baseText.isEmpty())
        baseText = loadLayout(QStringLiteral("default"));
    const QVariantMap base = QJsonDocument::fromJson(baseText.toUtf8()).toVariant().toMap();

    for (const P6Layout &layout : qAsConst(m_p6Layouts)) {
        auto *action = new QAction(QStringLiteral("[P6] ") + layout.name, menu);
        action->setCheckable(true);
        action->setData(P6Layouts::toJson(layout, base));
        action->setProperty(kP6Entry, true);
        action->setChecked(action->text() == current);
        connect(action, &QAction::triggered, this, [this, action] { applayLayoutClicked(action); });
        menu->addAction(action);
    }
    if (m_layouts.isEmpty()) {
        auto *none = new QAction(tr("layouts not found"), menu);
        none->setEnabled(false);
        menu->addAction(none);
    }
    qCInfo(lcApp).noquote() << Q_FUNC_INFO << "stop:" << timer.elapsed();
}

void MainWindow::applayLayoutClicked(QAction *action)
{
    if (!action)
        return;
    QString layout = action->data().toString();
    mygc::GanttChart *chart = activityChart();
    QTreeView *tree = activityTree();
    if (action->property(kP6Entry).toBool() && chart && tree) {
        layout = P6Layouts::forApplying(layout, ChartLayout::barStyles(*chart), tree->model());
    }
    applyLayout(layout);
    for (QAction *entry : m_ui->menuLayout->actions())
        entry->setChecked(false);
    action->setChecked(true);
}

void MainWindow::onImportLayout()
{
    const QString path = QFileDialog::getOpenFileName(this, tr("Select files to open"), QString(),
                                                      QStringLiteral("Layput files (*.plf)"));
    if (!path.isEmpty())
        openPlfLayout(path);
}

void MainWindow::openPlfLayout(const QString &path)
{
    QVariantMap row;
    row.insert(QStringLiteral("VIEW_ID"), 0);
    row.insert(QStringLiteral("VIEW_NAME"), path);
    row.insert(QStringLiteral("VIEW_DATA"), P6Layouts::readPlfFile(path));
    processP6layouts({row});
}

void MainWindow::onBarStyles()
{
    mygc::GanttChart *chart = activityChart();
    QAbstractItemModel *model = m_activities ? m_activities->activityModel() : nullptr;
    if (!chart || !model)
        return;

    QStringList dateColumns{QString()};
    QStringList textColumns{QString()};
    for (int c = 0; c < model->columnCount(); ++c) {
        const QVariantMap descriptor =
            model->headerData(c, Qt::Horizontal, kColumnDescriptorRole).toMap();
        if (descriptor.value(QStringLiteral("group")).toString() == QLatin1String("system"))
            continue;
        const QString caption = descriptor.value(QStringLiteral("display")).toString();
        textColumns << caption;
        if (descriptor.value(QStringLiteral("datatype")).toString() == QLatin1String("datetime"))
            dateColumns << caption;
    }

    ZGanttChartStylesDialog dialog(dateColumns, nullptr);
    dialog.setColumnSelection(textColumns);
    QMap<ZTimeLineFlags, int> formats;
    formats.insert(TimeLineYear, chart->yearFormat());
    formats.insert(TimeLineQuarter, chart->quarterFormat());
    formats.insert(TimeLineMonth, chart->monthFormat());
    formats.insert(TimeLineWeek, chart->weekFormat());
    formats.insert(TimeLineDay, chart->dayFormat());
    dialog.setDateFormats(formats);
    dialog.setBarStyles(chart->barStyles());
    dialog.setLinksVisible(chart->isLinksVisible());
    dialog.setVerticalLines(chart->verticalLines());
    dialog.setAlternatingRowColors(chart->alternatingRowColors());
    if (dialog.exec() != QDialog::Accepted)
        return;

    formats = dialog.dateFormats();
    const QList<ZGanttViewBarStyle> styles = dialog.barStyles();
    const bool links = dialog.isLinksVisible();
    const bool alternating = dialog.alternatingRowColors();
    const bool vertical = dialog.veticalLines();

    QStringList labels;
    for (int code : {int(ZGanttViewBarStyle::TextLeft), int(ZGanttViewBarStyle::TextRight),
                     int(ZGanttViewBarStyle::TextTop), int(ZGanttViewBarStyle::TextBottom),
                     int(ZGanttViewBarStyle::TextInside)}) {
        const QComboBox *combo = dialog.textCombo(code);
        const QString text = combo ? combo->currentText() : QString();
        labels << (text == ZGanttChartStylesDialog::placeholder(code) ? QString() : text);
    }

    const mygc::GanttChart::RebuildHold hold(chart);
    chart->setBarStyles(styles, links, alternating, vertical,
                        static_cast<mygc::YearFormat>(formats.value(TimeLineYear, 0)),
                        static_cast<mygc::QuarterFormat>(formats.value(TimeLineQuarter, 0)),
                        static_cast<mygc::MonthFormat>(formats.value(TimeLineMonth, 0)),
                        static_cast<mygc::WeekFormat>(formats.value(TimeLineWeek, 0)),
                        static_cast<mygc::DayFormat>(formats.value(TimeLineDay, 0)), labels.at(0),
                        labels.at(1), labels.at(2), labels.at(3), labels.at(4));
    chart->resetModels();
}
