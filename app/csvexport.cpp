#include "csvexport.h"

#include "applogging.h"
#include "modelhelpers.h"

#include <QAbstractItemModel>
#include <QDateTime>
#include <QHeaderView>
#include <QSaveFile>
#include <QTextStream>
#include <QTreeView>

namespace {

const QChar kSeparator = QLatin1Char(';');

// Logical indexes of the shown sections, left to right on screen.
QVector<int> shownColumns(const QHeaderView *header)
{
    QVector<int> columns;
    if (!header)
        return columns;
    const int count = header->count();
    columns.reserve(count);
    for (int visual = 0; visual < count; ++visual) {
        const int logical = header->logicalIndex(visual);
        if (logical >= 0 && !header->isSectionHidden(logical))
            columns.append(logical);
    }
    return columns;
}

QString valueText(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QString();
    if (value.type() == QVariant::DateTime)
        return value.toDateTime().date().toString(QStringLiteral("dd-MM-yyyy"));
    return value.toString();
}

struct Walk
{
    const QAbstractItemModel *model;
    QVector<int> columns;
    int treeColumn;
    int groupColumn;
    QString out;

    void rows(const QModelIndex &parent, int depth)
    {
        const int rowCount = model->rowCount(parent);
        const QString indent(depth, QLatin1Char(' '));
        for (int r = 0; r < rowCount; ++r) {
            for (int i = 0; i < columns.size(); ++i) {
                const int c = columns.at(i);
                if (i > 0)
                    out += kSeparator;
                const QModelIndex cell = model->index(r, c, parent);
                if (c == treeColumn) {
                    QVariant value;
                    if (groupColumn >= 0)
                        value = model->index(r, groupColumn, parent).data(Qt::DisplayRole);
                    if (value.isNull())
                        value = cell.data(Qt::DisplayRole);
                    out += CsvExport::quoteField(indent + valueText(value));
                } else {
                    out += CsvExport::quoteField(valueText(cell.data(Qt::DisplayRole)));
                }
            }
            out += QLatin1Char('\n');
            const QModelIndex first = model->index(r, 0, parent);
            if (model->hasChildren(first))
                rows(first, depth + 1);
        }
    }
};

} // namespace

QString CsvExport::quoteField(const QString &text)
{
    bool needsQuotes = false;
    for (const QChar ch : text) {
        if (ch == kSeparator || ch == QLatin1Char('"') || ch == QLatin1Char('\n')
            || ch == QLatin1Char('\r')) {
            needsQuotes = true;
            break;
        }
    }
    if (!needsQuotes)
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString CsvExport::headerLine(QTreeView *view)
{
    Q_ASSERT(view);
    if (!view || !view->model())
        return QStringLiteral("\n");
    const QAbstractItemModel *model = view->model();
    QStringList fields;
    for (const int c : shownColumns(view->header()))
        fields << quoteField(model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString());
    return fields.join(kSeparator) + QLatin1Char('\n');
}

QString CsvExport::saveViewDataHelper(QTreeView *view, const QModelIndex &parent)
{
    Q_ASSERT(view);
    if (!view || !view->model())
        return QString();
    Walk walk{view->model(), shownColumns(view->header()), view->treePosition(), -1, QString()};
    // Without a tree column nothing is indented and no group title is used.
    if (walk.treeColumn >= 0)
        walk.groupColumn = columnIndex(walk.model, QStringLiteral("Group"));
    walk.rows(parent, parent.isValid() ? levelFromIndex(parent) + 1 : 0);
    return walk.out;
}

CsvExport::Result CsvExport::saveViewData(QTreeView *view, const QString &fileName,
                                          QString *errorString)
{
    Q_ASSERT(view);
    QSaveFile file(fileName);
    if (!view || !file.open(QIODevice::WriteOnly)) {
        if (errorString)
            *errorString = file.errorString();
        qCWarning(lcApp) << "CsvExport::saveViewData cannot open" << fileName << file.errorString();
        return CannotOpen;
    }
    QTextStream stream(&file);
    stream.setCodec("UTF-8");
    stream << headerLine(view);
    stream << saveViewDataHelper(view, QModelIndex());
    stream.flush();
    if (stream.status() != QTextStream::Ok || !file.commit()) {
        if (errorString)
            *errorString = file.errorString();
        qCWarning(lcApp) << "CsvExport::saveViewData cannot write" << fileName << file.errorString();
        return CannotWrite;
    }
    return Ok;
}
