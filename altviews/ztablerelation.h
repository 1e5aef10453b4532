#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QVariant>

class QAbstractItemModel;

// A lookup over a second model: integer keys of one column to the display
// values of another, read once into a dictionary; it can also test that
// model's rows against a filter value.
class ZTableRelation : public QObject
{
    Q_OBJECT
public:
    explicit ZTableRelation(QObject *parent = nullptr);
    ZTableRelation(QAbstractItemModel *model, int keyColumn, int valueColumn,
                   QObject *parent = nullptr);

    // Reads the model's top-level rows into the dictionary; a later key
    // replaces an earlier one. The dictionary is not emptied first.
    void populateDictionary();
    bool isPopulated() const { return m_populated; }
    QVariant value(int key) const { return m_dictionary.value(key); }
    bool hasKey(int key) const { return m_dictionary.contains(key); }

    QAbstractItemModel *model() const { return m_model; }
    int keyColumn() const { return m_keyColumn; }
    int valueColumn() const { return m_valueColumn; }

    void setFilter(int column, const QVariant &value);
    bool filterAcceptsRow(int row) const;

private:
    QHash<int, QVariant> m_dictionary;
    QPointer<QAbstractItemModel> m_model; // Not owned.
    int m_keyColumn = -1;
    int m_valueColumn = -1;
    bool m_populated = false;
    int m_filterColumn = -1;
    QVariant m_filterValue;
};
