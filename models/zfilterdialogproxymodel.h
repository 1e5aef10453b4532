#pragma once

#include <QDate>
#include <QHash>
#include <QList>
#include <QMap>
#include <QMetaObject>
#include <QRegExp>
#include <QRegularExpression>
#include <QSet>
#include <QSortFilterProxyModel>
#include <QVariant>
#include <QVector>

#include <functional>

class ZExpression;

// The sort and filter proxy between a table or tree model and its view. Per
// source column it keeps one kind of filter: a value list (the cell's text
// must equal one of the listed values) or a chain of ZExpression conditions;
// setting one kind drops the column's other. A row passes when it passes
// every column's filter (and the base proxy's own); a row with children
// stays when any of its descendants passes. The walk over the descendants
// keeps its own stack, so any depth of tree is filtered.
//
// Values are matched through variantsEqual (cell text against value; in a
// "datetime" column the cell's day against the values' days) and
// found through a hash of their texts, so a long value list costs no more per
// row than a short one. Sorting is the base proxy's own (texts
// case-sensitive). The filter state travels in layouts as the value of
// "filters" (toVariant, fromVariant).
//
// A filter change re-filters every mapped level, and a group row looks
// through its descendants: without care the rows of a deep tree are read
// once per ancestor. From a filter change until control returns to the event
// loop the answers of rows with children are therefore kept; a change of the
// source, or of the base proxy's own filter, drops them.
class ZFilterDialogProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit ZFilterDialogProxyModel(QObject *parent = nullptr);
    ~ZFilterDialogProxyModel() override;

    void setSourceModel(QAbstractItemModel *sourceModel) override;
    // The base proxy's flags; a row without source children is marked as
    // never having any, so that a view expanding everything keeps no state
    // (a persistent index to map at every re-filter) for the leaves.
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // The column's value list becomes values (replacing any); the column's
    // chain is dropped.
    void setFilter(int column, const QList<QVariant> &values);
    // Takes ownership of chain; the column's previous chain is destroyed and
    // its value list dropped. A null chain only removes the previous one.
    void setExpression(int column, ZExpression *chain);
    // Removes the column's value list and chain.
    void clearFilter(int column);
    void clearAll();

    // Source column to accepted values.
    const QMap<int, QList<QVariant>> &patterns() const { return m_patterns; }
    // Source column to the head of its chain (owned by the proxy).
    const QMap<int, ZExpression *> &expressions() const { return m_expressions; }

    // {"patterns": {"<column>": [values]}, "expressions": {"<column>":
    // "<op>;<value>[;AND|OR;<op>;<value>]"}}
    QVariant toVariant() const;
    // Replaces the whole filter state; entries that cannot be read are left
    // out.
    void fromVariant(const QVariant &value);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;
    bool filterAcceptsRowFromPattern(int sourceRow, const QModelIndex &sourceParent) const;
    bool filterAcceptsRowFromExpression(int sourceRow, const QModelIndex &sourceParent) const;

private:
    // True when the row or one of its descendants passes.
    bool anyInSubtree(int sourceRow, const QModelIndex &sourceParent,
                      const std::function<bool(int, const QModelIndex &)> &passes) const;
    // The row's own cells against every value list, or every chain.
    bool rowPassesPatterns(int sourceRow, const QModelIndex &sourceParent) const;
    bool rowPassesExpressions(int sourceRow, const QModelIndex &sourceParent) const;

    // The values of one column's list by their text; values without a text
    // form are kept apart and compared one by one. The days of the values
    // that read as dates serve a "datetime" column, whose cells match by
    // their day: a listed day keeps every cell of that day, whatever its
    // time.
    struct ValueLookup
    {
        QHash<QString, QList<QVariant>> byText;
        QList<QVariant> others;
        QSet<QDate> days;
    };
    static ValueLookup makeLookup(const QList<QVariant> &values);
    static bool matches(const ValueLookup &lookup, const QString &cellText);
    QString columnDatatype(int column) const;
    void forgetDatatypes();
    // Keeps the answers until control returns to the event loop.
    void rememberAnswers();
    void forgetAnswers();
    void onSourceDataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight);
    void clearPatternsAndExpressions();
    void refilter();

    QMap<int, QList<QVariant>> m_patterns;
    QMap<int, ValueLookup> m_lookups;
    QMap<int, ZExpression *> m_expressions; // Owned chains.
    mutable QHash<int, QString> m_datatypes;
    QVector<QMetaObject::Connection> m_sourceConnections;
    // Some filter was in force at the last refilter.
    bool m_filtered = false;
    // By a source row's first cell: whether the row or one of its
    // descendants passes. Kept only while m_remembering.
    mutable QHash<QModelIndex, bool> m_answers;
    // The base proxy's filter the answers were found with: its setters are
    // not virtual, so a change is seen only by comparing.
    struct BaseFilter
    {
        QRegExp regExp;
        QRegularExpression regularExpression;
        int column = 0;
        int role = 0;
        Qt::CaseSensitivity sensitivity = Qt::CaseSensitive;
        bool operator==(const BaseFilter &other) const
        {
            return column == other.column && role == other.role && sensitivity == other.sensitivity
                   && regExp == other.regExp && regularExpression == other.regularExpression;
        }
    };
    BaseFilter baseFilter() const;
    // Drops the answers when the base proxy's filter has changed.
    void checkAnswers() const;
    mutable BaseFilter m_answersBase;
    bool m_remembering = false;
    bool m_forgetQueued = false;
};
