#pragma once

#include <QHash>
#include <QList>
#include <QMap>
#include <QMetaObject>
#include <QSortFilterProxyModel>
#include <QVariant>
#include <QVector>

class ZExpression;

// The sort and filter proxy between a table or tree model and its view. Per
// source column it keeps a value list (the cell's text must equal one of the
// listed values) or a chain of ZExpression conditions. While any column has a
// value list, the value lists alone decide; otherwise the expression chains
// do; with neither, the base proxy's own filter. A row with children stays
// when any of its descendants passes.
//
// Values are matched through variantsEqual (cell text against value) and
// found through a hash of their texts, so a long value list costs no more per
// row than a short one. Sorting is the base proxy's, with values ordered by
// compareVariants. The filter state travels in layouts as the value of
// "filters" (toVariant, fromVariant).
class ZFilterDialogProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit ZFilterDialogProxyModel(QObject *parent = nullptr);
    ~ZFilterDialogProxyModel() override;

    void setSourceModel(QAbstractItemModel *sourceModel) override;

    // The column's value list becomes values (replacing any).
    void setFilter(int column, const QList<QVariant> &values);
    // Takes ownership of chain; the column's previous chain is destroyed.
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
    // Orders by the sort role through compareVariants, the ordering that the
    // filters and the rest of the program use.
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;
    bool filterAcceptsRowFromPattern(int sourceRow, const QModelIndex &sourceParent) const;
    bool filterAcceptsRowFromExpression(int sourceRow, const QModelIndex &sourceParent) const;

private:
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
    void clearPatternsAndExpressions();

    QMap<int, QList<QVariant>> m_patterns;
    QMap<int, ValueLookup> m_lookups;
    QMap<int, ZExpression *> m_expressions; // Owned chains.
    mutable QHash<int, QString> m_datatypes;
    QVector<QMetaObject::Connection> m_sourceConnections;
};
