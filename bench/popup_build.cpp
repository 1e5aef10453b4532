// Times a column filter pop-up over a column of distinct names: from its
// construction (the value list built) until it has shown once; then
// "(Select All)" clicked off and on again; then a search's result ticked
// alone (everything off, a search typed, "(Select All)" clicked on); then
// what OK does with that (the selection read and set as the column's
// filter). The column is made up (a count of thousands) or the activities'
// "Activity Name" of an XER file. Prints per column:
//   popup_<tag>_ms, popup_<tag>_select_all_ms, popup_<tag>_type_clear_ms,
//   popup_<tag>_search_ms, popup_<tag>_ok_ms
// where the tag is "<n>k" or the file's base name. With no argument: 100
// and 400 thousand.

#include "benchenv.h"
#include "modelhelpers.h"
#include "xerloader.h"
#include "zfilterdialogproxymodel.h"
#include "zfilterproxymodel.h"
#include "ztypedfilters.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QVector>

#include <cstdio>
#include <memory>

namespace {

class NameColumn : public QAbstractTableModel
{
public:
    explicit NameColumn(int rows)
    {
        m_names.reserve(rows);
        // Not in sorted order, as names in a file are not.
        for (int r = 0; r < rows; ++r)
            m_names.append(QStringLiteral("Activity %1").arg((r * 7919) % rows));
    }
    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : m_names.size();
    }
    int columnCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : 1;
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
            return QVariant();
        return m_names.at(index.row());
    }

private:
    QVector<QString> m_names;
};

void printFigure(const QString &tag, const char *what, qint64 ms)
{
    std::printf("popup_%s%s_ms %lld\n", tag.toUtf8().constData(), what, static_cast<long long>(ms));
    std::fflush(stdout);
}

// A click on "(Select All)" that leaves it in the state given.
void clickSelectAll(ZFilterDialogPopUp &popup, Qt::CheckState state)
{
    const QModelIndex all = popup.valueProxy()->index(0, 0);
    popup.valueProxy()->setData(all, state, Qt::CheckStateRole);
    popup.onItemClicked(all);
}

void timePopUp(QAbstractItemModel *model, int column, const QString &tag)
{
    QElapsedTimer timer;
    timer.start();
    std::unique_ptr<ZTextFilter> popup(new ZTextFilter(model, column));
    popup->popup(QPoint(0, 0));
    QApplication::processEvents();
    printFigure(tag, "", timer.elapsed());

    timer.restart();
    clickSelectAll(*popup, Qt::Unchecked);
    clickSelectAll(*popup, Qt::Checked);
    QApplication::processEvents();
    printFigure(tag, "_select_all", timer.elapsed());

    // A first character typed into the empty search, then the search
    // cleared: the view's handling of scattered rows leaving and coming back
    // is timed with the proxy's.
    timer.restart();
    popup->searchField()->setText(QStringLiteral("5"));
    QApplication::processEvents();
    popup->searchField()->clear();
    QApplication::processEvents();
    printFigure(tag, "_type_clear", timer.elapsed());

    clickSelectAll(*popup, Qt::Unchecked);
    timer.restart();
    // About a ninth of the names.
    popup->searchField()->setText(QStringLiteral("Activity 1*"));
    clickSelectAll(*popup, Qt::Checked);
    QApplication::processEvents();
    printFigure(tag, "_search", timer.elapsed());

    ZFilterDialogProxyModel filter;
    filter.setSourceModel(model);
    timer.restart();
    if (popup->isFilterActive() || !popup->isSelectAllChecked())
        filter.setFilter(column, popup->selectedItems());
    printFigure(tag, "_ok", timer.elapsed());
    popup->close();
}

// The loaded project, or null when the file does not load.
std::unique_ptr<XERLoader> load(const QString &path)
{
    const QJsonDocument schema =
        QJsonDocument::fromJson(readFile(QStringLiteral(":/files/schema.json")).toUtf8());
    auto loader = std::make_unique<XERLoader>(path, schema);
    bool done = false;
    QObject::connect(loader.get(), &ProjectLoader::finished, loader.get(), [&done] { done = true; });
    QObject::connect(loader.get(), &ProjectLoader::failed, loader.get(), [&done](int) { done = true; });
    loader->read();
    while (!done)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    if (loader->readResult() != 0 || !loader->model(QStringLiteral("ActivityModel")))
        return nullptr;
    return loader;
}

} // namespace

int main(int argc, char **argv)
{
    prepareWindowBench();
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(
        QStringLiteral("sv.*.info=false\nsv.*.debug=false\nsv.models.warning=false"));
    // Counts of thousands or XER files, each timed alone (for a profiler).
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        args = QStringList{QStringLiteral("100"), QStringLiteral("400")};
    int exitCode = 0;
    for (const QString &arg : qAsConst(args)) {
        bool isCount = false;
        const int thousands = arg.toInt(&isCount);
        if (isCount) {
            NameColumn model(thousands * 1000);
            timePopUp(&model, 0, QStringLiteral("%1k").arg(thousands));
            continue;
        }
        const std::unique_ptr<XERLoader> loader = load(arg);
        QAbstractItemModel *activities =
            loader ? loader->model(QStringLiteral("ActivityModel")) : nullptr;
        const int column = columnIndex(activities, QStringLiteral("Activity Name"));
        if (column < 0) {
            std::fprintf(stderr, "%s: no activity names\n", arg.toLocal8Bit().constData());
            exitCode = 1;
            continue;
        }
        timePopUp(activities, column, QFileInfo(arg).completeBaseName());
    }
    return exitCode;
}
