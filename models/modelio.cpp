#include "modelio.h"

#include "modelhelpers.h"
#include "modelslogging.h"

#include <QAbstractItemView>
#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QItemSelectionModel>
#include <QRegularExpression>
#include <QStandardItemModel>
#include <QStringList>
#include <QTextStream>

#include <algorithm>

namespace {

// The file's lines, split at "\n" keeping empty ones; false when the file
// cannot be opened.
bool readLines(const QString &fileName, QStringList *lines)
{
    if (fileName.isEmpty())
        return false;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QTextStream in(&file);
    *lines = in.readAll().split(QLatin1Char('\n'), Qt::KeepEmptyParts);
    return true;
}

QStringList splitFields(const QString &line)
{
    return line.split(QLatin1Char(';'), Qt::KeepEmptyParts);
}

} // namespace

QStandardItemModel *csvFileToQStandardItemModel(const QString &fileName)
{
    QStringList lines;
    if (!readLines(fileName, &lines))
        return nullptr;

    const QStringList captions = splitFields(lines.first());
    QVector<QStringList> rows;
    rows.reserve(lines.size() - 1);
    int columns = captions.size();
    for (int i = 1; i < lines.size(); ++i) {
        rows.append(splitFields(lines.at(i)));
        columns = qMax(columns, rows.last().size());
    }

    // Sized once: growing the model cell by cell would reshape it per line.
    // Every caption gets its column, also when no line is as long.
    auto *model = new QStandardItemModel(rows.size(), columns);
    for (int r = 0; r < rows.size(); ++r) {
        const QStringList &fields = rows.at(r);
        for (int c = 0; c < fields.size(); ++c)
            model->setItem(r, c, new QStandardItem(fields.at(c)));
    }
    for (int c = 0; c < captions.size(); ++c)
        model->setHeaderData(c, Qt::Horizontal, captions.at(c), Qt::EditRole);
    return model;
}

QList<QVariant> csvFileToRecordSet(const QString &fileName)
{
    QList<QVariant> recordSet;
    QStringList lines;
    if (!readLines(fileName, &lines))
        return recordSet;

    const QStringList captions = splitFields(lines.first());
    recordSet.reserve(lines.size());
    recordSet.append(captions);
    for (int i = 1; i < lines.size(); ++i) {
        const QStringList fields = splitFields(lines.at(i));
        QVariantMap record;
        for (int c = 0; c < captions.size(); ++c)
            record.insert(captions.at(c), c < fields.size() ? fields.at(c) : QString());
        recordSet.append(record);
    }
    return recordSet;
}

QString itemViewToClipboard(const QAbstractItemView *view)
{
    if (!view || !view->model() || !view->selectionModel())
        return QString();
    QModelIndexList cells = view->selectionModel()->selectedIndexes();
    if (cells.isEmpty())
        return QString();
    std::sort(cells.begin(), cells.end());

    QString text;
    for (int i = 1; i < cells.size(); ++i) {
        const QModelIndex &previous = cells.at(i - 1);
        const QModelIndex &current = cells.at(i);
        qCDebug(lcModels) << current.data().toString();
        text += previous.data().toString();
        text += current.row() == previous.row() ? QLatin1Char('\t') : QLatin1Char('\n');
    }
    text += cells.last().data().toString();
    text += QLatin1Char('\n');
    return text;
}

void convertModelData(QAbstractItemModel *model, int column, const QString &typeName)
{
    enum class Target { Date, DateTime, String, Int, Double };
    Target target;
    if (typeName == QLatin1String("QDate"))
        target = Target::Date;
    else if (typeName == QLatin1String("QDateTime"))
        target = Target::DateTime;
    else if (typeName == QLatin1String("QString"))
        target = Target::String;
    else if (typeName == QLatin1String("int"))
        target = Target::Int;
    else if (typeName == QLatin1String("double"))
        target = Target::Double;
    else
        return;
    if (!model || column < 0)
        return;

    const QModelIndexList rows = preorderList(model, QModelIndex());
    for (const QModelIndex &row : rows) {
        const QModelIndex cell = row.sibling(row.row(), column);
        if (!cell.isValid())
            continue;
        const QVariant value = cell.data(Qt::DisplayRole);
        QVariant converted;
        switch (target) {
        case Target::Date:
            converted = QDate::fromString(value.toString(), QStringLiteral("dd-MM-yyyy"));
            break;
        case Target::DateTime:
            converted = value.toDateTime();
            break;
        case Target::String:
            converted = value.toString();
            break;
        case Target::Int:
            converted = value.toInt();
            break;
        case Target::Double:
            converted = value.toDouble();
            break;
        }
        model->setData(cell, converted, Qt::DisplayRole);
    }
}

QHash<QString, QString> dataFromIndex(const QModelIndex &index)
{
    QHash<QString, QString> row;
    const QAbstractItemModel *model = index.model();
    if (!model)
        return row;
    const int columns = model->columnCount();
    for (int c = 0; c < columns; ++c) {
        QString key = model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString().toLower();
        if (key == QLatin1String("sql"))
            key = QStringLiteral("content");
        row.insert(key, index.sibling(index.row(), c).data(Qt::DisplayRole).toString());
    }
    return row;
}

QString positionFromIndex(const QModelIndex &index)
{
    if (!index.isValid())
        return QStringLiteral("-1");
    QStringList rows;
    for (QModelIndex i = index; i.isValid(); i = i.parent())
        rows.prepend(QString::number(i.row()));
    return rows.join(QLatin1Char('.'));
}

QModelIndex positionToIndex(QAbstractItemModel *model, const QString &position)
{
    // "-1" is the text of an invalid index.
    if (!model || position.isEmpty() || position == QLatin1String("-1"))
        return QModelIndex();
    static const QRegularExpression nonDigit(QStringLiteral("\\D"));
    const QStringList parts = position.split(nonDigit, Qt::KeepEmptyParts);

    QModelIndex index;
    for (const QString &part : parts) {
        int row = 0;
        if (!part.isEmpty()) {
            bool ok = false;
            row = part.toInt(&ok, 10);
            if (!ok)
                return QModelIndex();
        }
        // A row that does not exist ends the walk: carrying on from an
        // invalid index would restart at the top level.
        if (!model->hasIndex(row, 0, index))
            return QModelIndex();
        index = model->index(row, 0, index);
    }
    return index;
}
