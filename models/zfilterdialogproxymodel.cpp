#include "zfilterdialogproxymodel.h"

#include "modelslogging.h"
#include "zexpression.h"
#include "zvariant.h"

#include <QDate>
#include <QStringList>

#include <vector>

namespace {
// Header role of the column descriptor map of the loader's models.
constexpr int FieldDescriptorRole = Qt::UserRole + 2;

// The day of a date cell. A cell that shows its date as formatted text
// still carries the typed value under the edit role.
QDate cellDate(const QModelIndex &cell)
{
    const QDate date = cell.data().toDate();
    return date.isValid() ? date : cell.data(Qt::EditRole).toDate();
}
} // namespace

ZFilterDialogProxyModel::ZFilterDialogProxyModel(QObject *parent)
    : QSortFilterProxyModel(parent)
{
}

ZFilterDialogProxyModel::~ZFilterDialogProxyModel()
{
    qDeleteAll(m_expressions);
}

void ZFilterDialogProxyModel::setSourceModel(QAbstractItemModel *model)
{
    for (const QMetaObject::Connection &connection : qAsConst(m_sourceConnections))
        disconnect(connection);
    m_sourceConnections.clear();
    m_datatypes.clear();
    m_answers.clear();
    if (model) {
        // Connected before the base proxy connects its own handlers: a
        // changed source must not be re-filtered from answers kept for the
        // old one. The column types are read from the header once and
        // forgotten whenever the header or the columns may have changed.
        using M = QAbstractItemModel;
        using P = ZFilterDialogProxyModel;
        m_sourceConnections = {
            connect(model, &M::dataChanged, this, &P::onSourceDataChanged),
            connect(model, &M::headerDataChanged, this, &P::forgetDatatypes),
            connect(model, &M::rowsAboutToBeInserted, this, &P::forgetAnswers),
            connect(model, &M::rowsInserted, this, &P::forgetAnswers),
            connect(model, &M::rowsAboutToBeRemoved, this, &P::forgetAnswers),
            connect(model, &M::rowsRemoved, this, &P::forgetAnswers),
            connect(model, &M::rowsAboutToBeMoved, this, &P::forgetAnswers),
            connect(model, &M::rowsMoved, this, &P::forgetAnswers),
            connect(model, &M::modelAboutToBeReset, this, &P::forgetDatatypes),
            connect(model, &M::modelReset, this, &P::forgetDatatypes),
            connect(model, &M::layoutAboutToBeChanged, this, &P::forgetDatatypes),
            connect(model, &M::layoutChanged, this, &P::forgetAnswers),
            connect(model, &M::columnsAboutToBeInserted, this, &P::forgetDatatypes),
            connect(model, &M::columnsInserted, this, &P::forgetDatatypes),
            connect(model, &M::columnsAboutToBeRemoved, this, &P::forgetDatatypes),
            connect(model, &M::columnsRemoved, this, &P::forgetDatatypes),
            connect(model, &M::columnsAboutToBeMoved, this, &P::forgetDatatypes),
            connect(model, &M::columnsMoved, this, &P::forgetDatatypes),
        };
    }
    QSortFilterProxyModel::setSourceModel(model);
}

Qt::ItemFlags ZFilterDialogProxyModel::flags(const QModelIndex &index) const
{
    // As the base class gives them, the source index found once: a view asks
    // for every row it lays out.
    if (!sourceModel())
        return QSortFilterProxyModel::flags(index);
    const QModelIndex source = index.isValid() ? mapToSource(index) : QModelIndex();
    Qt::ItemFlags result = sourceModel()->flags(source);
    if (index.isValid() && !sourceModel()->hasChildren(source))
        result |= Qt::ItemNeverHasChildren;
    return result;
}

void ZFilterDialogProxyModel::forgetDatatypes()
{
    // The answers were found with the old types.
    m_datatypes.clear();
    m_answers.clear();
}

void ZFilterDialogProxyModel::forgetAnswers()
{
    m_answers.clear();
}

ZFilterDialogProxyModel::BaseFilter ZFilterDialogProxyModel::baseFilter() const
{
    BaseFilter base;
    base.regExp = filterRegExp();
    base.regularExpression = filterRegularExpression();
    base.column = filterKeyColumn();
    base.role = filterRole();
    base.sensitivity = filterCaseSensitivity();
    return base;
}

void ZFilterDialogProxyModel::checkAnswers() const
{
    BaseFilter base = baseFilter();
    if (base == m_answersBase)
        return;
    m_answers.clear();
    m_answersBase = std::move(base);
}

void ZFilterDialogProxyModel::rememberAnswers()
{
    m_answers.clear();
    m_answersBase = baseFilter();
    m_remembering = true;
    if (m_forgetQueued)
        return;
    m_forgetQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_forgetQueued = false;
            m_remembering = false;
            m_answers.clear();
            m_answers.squeeze();
        },
        Qt::QueuedConnection);
}

void ZFilterDialogProxyModel::onSourceDataChanged(const QModelIndex &topLeft,
                                                  const QModelIndex &bottomRight)
{
    if (m_answers.isEmpty())
        return;
    // Cells of columns no filter reads (band dates written under an active
    // filter, say) leave every answer as it was.
    const int first = topLeft.column();
    const int last = bottomRight.column();
    const int key = filterKeyColumn();
    bool read = key < 0 || (key >= first && key <= last);
    for (auto it = m_lookups.keyBegin(); !read && it != m_lookups.keyEnd(); ++it)
        read = *it >= first && *it <= last;
    for (auto it = m_expressions.keyBegin(); !read && it != m_expressions.keyEnd(); ++it)
        read = *it >= first && *it <= last;
    if (read)
        m_answers.clear();
}

QString ZFilterDialogProxyModel::columnDatatype(int column) const
{
    const auto it = m_datatypes.constFind(column);
    if (it != m_datatypes.constEnd())
        return it.value();
    QString type;
    if (sourceModel()) {
        type = sourceModel()
                       ->headerData(column, Qt::Horizontal, FieldDescriptorRole)
                       .toMap()
                       .value(QStringLiteral("datatype"))
                       .toString();
    }
    m_datatypes.insert(column, type);
    return type;
}

ZFilterDialogProxyModel::ValueLookup ZFilterDialogProxyModel::makeLookup(const QList<QVariant> &values)
{
    ValueLookup lookup;
    for (const QVariant &value : values) {
        // A day from the value list, or a time of day from a layout saved
        // earlier (a text then), stands for its day.
        const QDate day = value.toDate();
        if (day.isValid())
            lookup.days.insert(day);
        if (value.userType() == QMetaType::QString || value.canConvert<QString>())
            lookup.byText[value.toString()].append(value);
        else
            lookup.others.append(value);
    }
    return lookup;
}

bool ZFilterDialogProxyModel::matches(const ValueLookup &lookup, const QString &cellText)
{
    const QVariant cell(cellText);
    const auto it = lookup.byText.constFind(cellText);
    if (it != lookup.byText.constEnd()) {
        for (const QVariant &value : it.value()) {
            if (variantsEqual(cell, value))
                return true;
        }
    }
    for (const QVariant &value : lookup.others) {
        if (variantsEqual(cell, value))
            return true;
    }
    return false;
}

void ZFilterDialogProxyModel::refilter()
{
    // A new filter may hide or show rows all over an expanded tree. Announced
    // row range by row range, every range makes the model walk all persistent
    // indexes (a view keeps one per expanded row): quadratic in the rows.
    // One layout change maps each persistent index once.
    // Without a filter before or after, nothing changes: the indexes stay.
    const bool filtering = !m_patterns.isEmpty() || !m_expressions.isEmpty();
    if (filtering)
        rememberAnswers();
    else
        m_answers.clear();
    if (filtering || m_filtered)
        invalidate();
    m_filtered = filtering;
}

void ZFilterDialogProxyModel::setFilter(int column, const QList<QVariant> &values)
{
    // One kind of filter per column: a value list replaces the chain.
    delete m_expressions.take(column);
    m_patterns.insert(column, values);
    m_lookups.insert(column, makeLookup(values));
    refilter();
}

void ZFilterDialogProxyModel::setExpression(int column, ZExpression *chain)
{
    ZExpression *previous = m_expressions.value(column, nullptr);
    if (previous != chain)
        delete previous;
    if (chain) {
        // One kind of filter per column: a chain replaces the value list.
        m_expressions.insert(column, chain);
        m_patterns.remove(column);
        m_lookups.remove(column);
    } else {
        m_expressions.remove(column);
    }
    refilter();
}

void ZFilterDialogProxyModel::clearFilter(int column)
{
    m_patterns.remove(column);
    m_lookups.remove(column);
    delete m_expressions.take(column);
    refilter();
}

void ZFilterDialogProxyModel::clearPatternsAndExpressions()
{
    m_patterns.clear();
    m_lookups.clear();
    qDeleteAll(m_expressions);
    m_expressions.clear();
}

void ZFilterDialogProxyModel::clearAll()
{
    clearPatternsAndExpressions();
    refilter();
}

bool ZFilterDialogProxyModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (m_patterns.isEmpty() && m_expressions.isEmpty())
        return QSortFilterProxyModel::filterAcceptsRow(sourceRow, sourceParent);
    if (m_expressions.isEmpty())
        return filterAcceptsRowFromPattern(sourceRow, sourceParent);
    if (m_patterns.isEmpty())
        return filterAcceptsRowFromExpression(sourceRow, sourceParent);
    // Value lists and chains of different columns hold together.
    return anyInSubtree(sourceRow, sourceParent, [this](int row, const QModelIndex &parent) {
        return rowPassesPatterns(row, parent) && rowPassesExpressions(row, parent);
    });
}

bool ZFilterDialogProxyModel::anyInSubtree(
    int sourceRow, const QModelIndex &sourceParent,
    const std::function<bool(int, const QModelIndex &)> &passes) const
{
    // A row stays when it or any of its descendants passes. The walk keeps
    // its own stack: a source tree may be far deeper than the call stack.
    // While answers are kept, a row with children is walked at most once:
    // every ancestor's walk would otherwise read its rows again. A leaf is
    // read at most twice (in a walk and for its own row), which is cheaper
    // than keeping the answers of all leaves.
    const QAbstractItemModel *source = sourceModel();
    if (!source)
        return false;
    // Children hang from the first column; its cell names the row.
    const QModelIndex first = source->index(sourceRow, 0, sourceParent);
    const bool remember = m_remembering && first.isValid();
    const int children = source->rowCount(first);
    if (remember && children > 0) {
        checkAnswers();
        const auto known = m_answers.constFind(first);
        if (known != m_answers.constEnd())
            return known.value();
    }
    struct Level
    {
        QModelIndex parent;
        int next;
        int count;
    };
    std::vector<Level> stack;
    // A row that passes makes every row on the walk's way to it pass.
    const auto found = [&] {
        if (remember) {
            for (const Level &level : stack)
                m_answers.insert(level.parent, true);
        }
        return true;
    };
    if (passes(sourceRow, sourceParent)) {
        if (remember && children > 0)
            m_answers.insert(first, true);
        return true;
    }
    // Most rows are leaves: they need no walk.
    if (children == 0)
        return false;
    stack.push_back({first, 0, children});
    while (!stack.empty()) {
        Level &level = stack.back();
        if (level.next >= level.count) {
            // Nothing below this row passes.
            if (remember)
                m_answers.insert(level.parent, false);
            stack.pop_back();
            continue;
        }
        const int row = level.next++;
        const QModelIndex parent = level.parent;
        const QModelIndex child = source->index(row, 0, parent);
        const int count = source->rowCount(child);
        if (remember && count > 0) {
            const auto known = m_answers.constFind(child);
            if (known != m_answers.constEnd()) {
                if (known.value())
                    return found();
                continue;
            }
        }
        if (passes(row, parent)) {
            if (remember && count > 0)
                m_answers.insert(child, true);
            return found();
        }
        if (count > 0)
            stack.push_back({child, 0, count});
    }
    return false;
}

bool ZFilterDialogProxyModel::rowPassesPatterns(int sourceRow, const QModelIndex &sourceParent) const
{
    const QAbstractItemModel *source = sourceModel();
    for (auto it = m_lookups.cbegin(); it != m_lookups.cend(); ++it) {
        const QModelIndex cell = source->index(sourceRow, it.key(), sourceParent);
        if (columnDatatype(it.key()) == QLatin1String("datetime")) {
            if (!it.value().days.contains(cellDate(cell)))
                return false;
            continue;
        }
        if (!matches(it.value(), cell.data().toString()))
            return false;
    }
    return QSortFilterProxyModel::filterAcceptsRow(sourceRow, sourceParent);
}

bool ZFilterDialogProxyModel::rowPassesExpressions(int sourceRow,
                                                   const QModelIndex &sourceParent) const
{
    const QAbstractItemModel *source = sourceModel();
    for (auto it = m_expressions.cbegin(); it != m_expressions.cend(); ++it) {
        const QModelIndex cellIndex = source->index(sourceRow, it.key(), sourceParent);
        QVariant cell = cellIndex.data();
        const QString type = columnDatatype(it.key());
        if (type == QLatin1String("double")) {
            cell = cell.toString().replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
        } else if (type == QLatin1String("integer")) {
            cell = cell.toInt();
        } else if (type == QLatin1String("datetime")) {
            cell = cellDate(cellIndex);
        }
        for (const ZExpression *node = it.value(); node; node = node->andNext) {
            if (!node->acceptRow(node, cell))
                return false;
        }
    }
    return true;
}

bool ZFilterDialogProxyModel::filterAcceptsRowFromPattern(int sourceRow,
                                                          const QModelIndex &sourceParent) const
{
    const QAbstractItemModel *source = sourceModel();
    if (!source->index(sourceRow, filterKeyColumn(), sourceParent).isValid())
        return QSortFilterProxyModel::filterAcceptsRow(sourceRow, sourceParent);
    return anyInSubtree(sourceRow, sourceParent, [this](int row, const QModelIndex &parent) {
        return rowPassesPatterns(row, parent);
    });
}

bool ZFilterDialogProxyModel::filterAcceptsRowFromExpression(int sourceRow,
                                                             const QModelIndex &sourceParent) const
{
    const QAbstractItemModel *source = sourceModel();
    if (!source->index(sourceRow, filterKeyColumn(), sourceParent).isValid())
        return true;
    return anyInSubtree(sourceRow, sourceParent, [this](int row, const QModelIndex &parent) {
        return rowPassesExpressions(row, parent);
    });
}

QVariant ZFilterDialogProxyModel::toVariant() const
{
    QVariantMap patterns;
    for (auto it = m_patterns.cbegin(); it != m_patterns.cend(); ++it)
        patterns.insert(QString::number(it.key()), QVariantList(it.value()));

    QVariantMap expressions;
    for (auto it = m_expressions.cbegin(); it != m_expressions.cend(); ++it) {
        const ZExpression *head = it.value();
        QString text = head->toString();
        if (head->andNext)
            text += QStringLiteral(";AND;") + head->andNext->toString();
        else if (head->orNext)
            text += QStringLiteral(";OR;") + head->orNext->toString();
        expressions.insert(QString::number(it.key()), text);
    }

    QVariantMap state;
    state.insert(QStringLiteral("patterns"), patterns);
    state.insert(QStringLiteral("expressions"), expressions);
    return state;
}

void ZFilterDialogProxyModel::fromVariant(const QVariant &value)
{
    clearPatternsAndExpressions();
    const QVariantMap state = value.toMap();

    const QVariantMap patterns = state.value(QStringLiteral("patterns")).toMap();
    for (auto it = patterns.cbegin(); it != patterns.cend(); ++it) {
        // A value that is no list would read as an empty list and hide
        // every row: leave it out.
        const int type = it.value().userType();
        if (type != QMetaType::QVariantList && type != QMetaType::QStringList) {
            qCWarning(lcModels) << "ZFilterDialogProxyModel::fromVariant: value list of column"
                                << it.key() << "is no list";
            continue;
        }
        const int column = it.key().toInt();
        m_patterns.insert(column, it.value().toList());
        m_lookups.insert(column, makeLookup(it.value().toList()));
    }

    const QVariantMap expressions = state.value(QStringLiteral("expressions")).toMap();
    for (auto it = expressions.cbegin(); it != expressions.cend(); ++it) {
        const QStringList parts = it.value().toString().split(QLatin1Char(';'));
        // A condition without an operand, or with an operator no node
        // understands, would only hide rows: leave it out.
        if (parts.size() < 2 || !ZExpression::isKnownOperator(parts.at(0))) {
            qCWarning(lcModels) << "ZFilterDialogProxyModel::fromVariant: unreadable expression"
                                << it.value().toString();
            continue;
        }
        auto *head = new ZExpression(QVariant(parts.at(1)), parts.at(0));
        if (parts.size() == 5 && ZExpression::isKnownOperator(parts.at(3))) {
            const QString &joiner = parts.at(2);
            if (joiner == QLatin1String("AND"))
                head->andNext = new ZExpression(QVariant(parts.at(4)), parts.at(3));
            else if (joiner == QLatin1String("OR"))
                head->orNext = new ZExpression(QVariant(parts.at(4)), parts.at(3));
        }
        const int column = it.key().toInt();
        delete m_expressions.value(column, nullptr);
        m_expressions.insert(column, head);
    }
    refilter();
}
