#pragma once

#include <array>

#include <QHash>
#include <QList>
#include <QMap>
#include <QMetaObject>
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
// Values are matched through variantsEqual (cell text against value) and
// found through a hash of their texts, so a long value list costs no more per
// row than a short one. Sorting is the base proxy's own (texts
// case-sensitive). The filter state travels in layouts as the value of
// "filters" (toVariant, fromVariant).
class ZFilterDialogProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit ZFilterDialogProxyModel(QObject *parent = nullptr);
    ~ZFilterDialogProxyModel() override;

    void setSourceModel(QAbstractItemModel *sourceModel) override;

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
    // Which test a subtree walk applies; each keeps its own answers.
    enum SubtreeTest { AllFilters, PatternsOnly, ExpressionsOnly, SubtreeTests };
    // True when the row or one of its descendants passes.
    bool anyInSubtree(SubtreeTest test, int sourceRow, const QModelIndex &sourceParent,
                      const std::function<bool(int, const QModelIndex &)> &passes) const;
    // The row's own cells against every value list, or every chain.
    bool rowPassesPatterns(int sourceRow, const QModelIndex &sourceParent) const;
    bool rowPassesExpressions(int sourceRow, const QModelIndex &sourceParent) const;

    // The values of one column's list by their text; values without a text
    // form are kept apart and compared one by one.
    struct ValueLookup
    {
        QHash<QString, QList<QVariant>> byText;
        QList<QVariant> others;
    };
    static ValueLookup makeLookup(const QList<QVariant> &values);
    static bool matches(const ValueLookup &lookup, const QString &cellText);
    QString columnDatatype(int column) const;
    void forgetDatatypes();
    void forgetSubtrees();
    void clearPatternsAndExpressions();
    void refilter();

    QMap<int, QList<QVariant>> m_patterns;
    QMap<int, ValueLookup> m_lookups;
    QMap<int, ZExpression *> m_expressions; // Owned chains.
    mutable QHash<int, QString> m_datatypes;
    // Whether a row or one of its descendants passes, per test, kept from
    // one question of the base proxy to the next until anything changes.
    mutable std::array<QHash<QModelIndex, bool>, SubtreeTests> m_subtreeKnown;
    QVector<QMetaObject::Connection> m_sourceConnections;
    // Some filter was in force at the last refilter.
    bool m_filtered = false;
};
