#pragma once

#include "zfilterdialogpopup.h"

class QDateEdit;
class QDoubleSpinBox;
class QLineEdit;
class QSpinBox;

// The four column filter pop-ups, one per column data type. They are one
// family: each adds the Expression tab with two value editors of its type
// and its operator list; the date filter also lists its values as a tree of
// years and months with the distinct dates below.

// "datetime" columns: date editors in the date mask, the operators "is
// after", "is before", ...; the value list by year and month, then day.
class ZDateFilter : public ZFilterDialogPopUp
{
    Q_OBJECT
public:
    ZDateFilter(QAbstractItemModel *model, int column, QWidget *parent = nullptr);

    void setExpressions(const QString &firstOperator, const QVariant &firstValue,
                        const QString &secondOperator, const QVariant &secondValue,
                        bool andChecked) override;
    QVariant firstConditionValue() const override;
    QVariant secondConditionValue() const override;
    QString translateOperator(const QString &symbol) const override;

    QString dateMask() const { return m_dateMask; }
    void setDateMask(const QString &mask) { m_dateMask = mask; }

    QDateEdit *firstEditor() const { return m_firstEdit; }
    QDateEdit *secondEditor() const { return m_secondEdit; }

protected:
    QString valueKey(const QVariant &value) const override;

private:
    void init();
    void createFilterModel();

    QDateEdit *m_firstEdit = nullptr;
    QDateEdit *m_secondEdit = nullptr;
    QString m_dateMask;
};

// "integer" columns: spin boxes from -99999 to 99999.
class ZIntegerFilter : public ZFilterDialogPopUp
{
    Q_OBJECT
public:
    ZIntegerFilter(QAbstractItemModel *model, int column, QWidget *parent = nullptr);

    void setExpressions(const QString &firstOperator, const QVariant &firstValue,
                        const QString &secondOperator, const QVariant &secondValue,
                        bool andChecked) override;
    QVariant firstConditionValue() const override;
    QVariant secondConditionValue() const override;

    QSpinBox *firstEditor() const { return m_firstEdit; }
    QSpinBox *secondEditor() const { return m_secondEdit; }

private:
    void init();

    QSpinBox *m_firstEdit = nullptr;
    QSpinBox *m_secondEdit = nullptr;
};

// "double" columns: spin boxes from -99999.99 to 99999.99, two decimals.
class ZDoubleFilter : public ZFilterDialogPopUp
{
    Q_OBJECT
public:
    ZDoubleFilter(QAbstractItemModel *model, int column, QWidget *parent = nullptr);

    void setExpressions(const QString &firstOperator, const QVariant &firstValue,
                        const QString &secondOperator, const QVariant &secondValue,
                        bool andChecked) override;
    QVariant firstConditionValue() const override;
    QVariant secondConditionValue() const override;

    QDoubleSpinBox *firstEditor() const { return m_firstEdit; }
    QDoubleSpinBox *secondEditor() const { return m_secondEdit; }

private:
    void init();

    QDoubleSpinBox *m_firstEdit = nullptr;
    QDoubleSpinBox *m_secondEdit = nullptr;
};

// Every other column: text fields and the text operators ("begins with",
// "contains", ...).
class ZTextFilter : public ZFilterDialogPopUp
{
    Q_OBJECT
public:
    ZTextFilter(QAbstractItemModel *model, int column, QWidget *parent = nullptr);

    void setExpressions(const QString &firstOperator, const QVariant &firstValue,
                        const QString &secondOperator, const QVariant &secondValue,
                        bool andChecked) override;
    QVariant firstConditionValue() const override;
    QVariant secondConditionValue() const override;

    QLineEdit *firstEditor() const { return m_firstEdit; }
    QLineEdit *secondEditor() const { return m_secondEdit; }

private:
    void init();

    QLineEdit *m_firstEdit = nullptr;
    QLineEdit *m_secondEdit = nullptr;
};
