#include "headerhelpers.h"

#include <QAbstractItemModel>
#include <QFile>
#include <QHeaderView>

namespace HeaderHelpers {

int columnIndex(const QAbstractItemModel *model, const QString &caption)
{
    if (!model)
        return -1;
    for (int c = 0; c < model->columnCount(); ++c) {
        if (model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString() == caption)
            return c;
    }
    return -1;
}

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

int firstVisibleColumn(const QHeaderView *header)
{
    const QVector<int> shown = shownColumns(header);
    return shown.isEmpty() ? -1 : shown.first();
}

void setVisibleColumns(QHeaderView *header, const QStringList &captions)
{
    if (!header || !header->model() || captions.isEmpty())
        return;
    for (int i = 0; i < header->count(); ++i)
        header->setSectionHidden(i, true);
    int position = 0;
    for (const QString &caption : captions) {
        const int logical = columnIndex(header->model(), caption);
        if (logical < 0)
            continue;
        header->setSectionHidden(logical, false);
        header->moveSection(header->visualIndex(logical), position++);
    }
}

QVariant headerToVariant(const QHeaderView *header)
{
    QVariantList list;
    if (!header || !header->model())
        return list;
    for (const int c : shownColumns(header)) {
        const QString caption =
            header->model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        list << QStringLiteral("%1:%2").arg(caption).arg(header->sectionSize(c));
    }
    return list;
}

void headerFromVariant(QHeaderView *header, const QVariant &state)
{
    const QVariantList list = state.toList();
    if (!header || !header->model() || list.isEmpty())
        return;
    for (int i = 0; i < header->count(); ++i)
        header->setSectionHidden(i, true);
    QStringList captions;
    for (const QVariant &entry : list) {
        const QStringList parts = entry.toString().split(QLatin1Char(':'));
        if (parts.size() != 2)
            continue;
        captions << parts.at(0);
        const int logical = columnIndex(header->model(), parts.at(0));
        if (logical < 0)
            continue;
        header->setSectionHidden(logical, false);
        header->resizeSection(logical, parts.at(1).toInt());
    }
    setVisibleColumns(header, captions);
}

QString readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    QByteArray bytes = file.readAll();
    const int zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);
    return QString::fromUtf8(bytes);
}

} // namespace HeaderHelpers
