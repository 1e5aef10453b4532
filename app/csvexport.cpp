#include "csvexport.h"

#include "applogging.h"
#include "memoryroom.h"
#include "modelhelpers.h"
#include "userfile.h"

#include <QAbstractItemModel>
#include <QDateTime>
#include <QHeaderView>
#include <QFile>
#include <QTextStream>
#include <QTreeView>

#include <cerrno>
#include <cstring>

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

// Past this depth the indent stops growing: one blank per level would
// make a chain nested 200,000 levels deep 20 GB of blanks.
const int MaxIndent = 1000;

// Text pieces of the lines are handed out once they reach this size, so a
// large tree is never held whole in memory.
const int ChunkSize = 1 << 20;

struct Lines
{
    const QAbstractItemModel *model;
    QVector<int> columns;
    int treeColumn;
    int groupColumn;

    // Every row below parent, a row before its children, through the model
    // helpers' walk (trees nest as deep as they have rows); hand(text) gets
    // the lines in pieces of whole lines.
    template <typename Hand>
    void write(const QModelIndex &parent, int baseDepth, Hand &&hand) const
    {
        QString out;
        walkRows(model, parent, [&](const QModelIndex &first, int depth) {
            appendLine(out, first, baseDepth + depth);
            if (out.size() >= ChunkSize) {
                hand(out);
                out.clear();
            }
            return model->hasChildren(first) ? WalkStep::Descend : WalkStep::Skip;
        });
        if (!out.isEmpty())
            hand(out);
    }

    void appendLine(QString &out, const QModelIndex &first, int depth) const
    {
        const int r = first.row();
        const QModelIndex parent = first.parent();
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
                // The indent is blanks, which never need quoting: only the
                // text is looked through, and a quoted field's opening quote
                // goes before the indent (a text holding a quote is quoted,
                // so one starting with a quote is one quoted here).
                const QString text = CsvExport::quoteField(valueText(value));
                const int quote = text.startsWith(QLatin1Char('"')) ? 1 : 0;
                if (quote)
                    out += QLatin1Char('"');
                out.resize(out.size() + qMin(depth, MaxIndent), QLatin1Char(' '));
                out.append(text.constData() + quote, text.size() - quote);
            } else {
                out += CsvExport::quoteField(valueText(cell.data(Qt::DisplayRole)));
            }
        }
        out += QLatin1Char('\n');
    }
};

Lines linesOf(QTreeView *view)
{
    Lines lines{view->model(), shownColumns(view->header()), view->treePosition(), -1};
    // Without a tree column nothing is indented and no group title is used.
    if (lines.treeColumn >= 0)
        lines.groupColumn = columnIndex(lines.model, QStringLiteral("Group"));
    return lines;
}

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
    // One pass: QString::replace with a longer text moves the rest of the
    // string at each quote.
    QString quoted;
    quoted.reserve(text.size() + int(text.count(QLatin1Char('"'))) + 2);
    quoted += QLatin1Char('"');
    for (const QChar ch : text) {
        if (ch == QLatin1Char('"'))
            quoted += QLatin1Char('"');
        quoted += ch;
    }
    quoted += QLatin1Char('"');
    return quoted;
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
    QString text;
    linesOf(view).write(parent, parent.isValid() ? levelFromIndex(parent) + 1 : 0,
                        [&text](const QString &lines) { text += lines; });
    return text;
}

CsvExport::Result CsvExport::saveViewData(QTreeView *view, const QString &fileName,
                                          QString *errorString)
{
    Q_ASSERT(view);
    // The text in hand: a piece of lines growing to ChunkSize characters
    // (twice that while it grows), the stream's UTF-8 of it and the file's
    // buffer; with a margin for the walk and the models' values.
    constexpr qint64 kRoom = qint64(ChunkSize) * 2 * 8 + (qint64(16) << 20);
    if (!memoryroom::available(kRoom)) {
        qCWarning(lcApp) << "CsvExport::saveViewData no room for" << fileName;
        return NoMemory;
    }
    try {
        return write(view, fileName, errorString);
    } catch (const std::bad_alloc &) {
        // The file is not committed: an earlier one stays as it was.
        qCWarning(lcApp) << "CsvExport::saveViewData out of memory writing" << fileName;
        return NoMemory;
    }
}

CsvExport::Result CsvExport::write(QTreeView *view, const QString &fileName, QString *errorString)
{
    if (!view)
        return CannotOpen;
    UserFile target(fileName);
    QString reason;
    QFile file;
    if (target.open(&reason)) {
        file.setFileName(target.pendingPath());
        if (!file.open(QIODevice::WriteOnly))
            reason = file.errorString();
    }
    if (!reason.isEmpty()) {
        if (errorString)
            *errorString = reason;
        qCWarning(lcApp) << "CsvExport::saveViewData cannot open" << fileName << reason;
        return CannotOpen;
    }
    QTextStream stream(&file);
    stream.setCodec("UTF-8");
    errno = 0;
    stream << headerLine(view);
    if (view->model())
        linesOf(view).write(QModelIndex(), 0, [&stream](const QString &lines) { stream << lines; });
    stream.flush();
    // A write the disk cut short (a full disk) leaves Qt without the
    // system's reason; the failed write's errno holds it, as nothing is
    // written after a failure.
    const int error = errno;
    if (stream.status() != QTextStream::Ok || !file.flush())
        reason = error ? QString::fromLocal8Bit(std::strerror(error)) : target.failure();
    file.close();
    if (reason.isEmpty() && target.commit(&reason))
        return Ok;
    if (errorString)
        *errorString = reason;
    qCWarning(lcApp) << "CsvExport::saveViewData cannot write" << fileName << reason;
    return target.cut() ? LeftIncomplete : target.nameChanged() ? NameChanged : CannotWrite;
}
