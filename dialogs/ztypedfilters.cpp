#include "ztypedfilters.h"

#include "zdateindex.h"

#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTabWidget>

#include <algorithm>
#include <set>
#include <type_traits>

namespace {

// A value box selects its value when it gets the focus, by Tab, by a click
// or as the Expression tab shows, so that what the user types replaces it;
// a date box selects the part of the date under the cursor, which typed
// digits then set. A click places the cursor after the focus has come, so
// its selection waits for the button's release.
template <class Box>
class ValueBox : public Box
{
public:
    explicit ValueBox(QWidget *parent)
        : Box(parent)
    {
        text()->installEventFilter(this);
    }

protected:
    void focusInEvent(QFocusEvent *event) override
    {
        Box::focusInEvent(event);
        m_typing = false;
        m_clicked = event->reason() == Qt::MouseFocusReason;
        if (!m_clicked)
            selectValue();
    }

    void focusOutEvent(QFocusEvent *event) override
    {
        if constexpr (std::is_base_of_v<QDateTimeEdit, Box>)
            settleRun();
        Box::focusOutEvent(event);
    }

    void keyPressEvent(QKeyEvent *event) override
    {
        if constexpr (std::is_base_of_v<QDateTimeEdit, Box>) {
            // Shift and the like, pressed for a key that needs them, are
            // part of typing it.
            if (isModifierKey(event->key())) {
                Box::keyPressEvent(event);
                return;
            }
            // A date box takes no digit inserted into a part: the first
            // digit typed where the arrows left the cursor starts the part
            // under it anew, the next ones go on with it. A separator, of
            // the mask or another (a space too), goes on with the run.
            const QChar key = event->text().size() == 1 ? event->text().at(0) : QChar();
            const bool digit = key.isDigit();
            const bool runKey = digit || (m_typing && (key.isPunct() || key == QLatin1Char(' ')));
            if (digit && !m_typing) {
                if (!text()->hasSelectedText())
                    selectValue();
                m_run.clear();
                m_before = this->date();
            }
            if (!runKey)
                settleRun();
            m_typing = runKey;
            if (runKey) {
                // A key after a whole date is dropped, so that it cannot
                // change the date just typed.
                if (wholeDigits(m_run, nullptr)) {
                    event->accept();
                    return;
                }
                m_run += key;
            }
            Box::keyPressEvent(event);
            if (runKey)
                takeRun();
            return;
        }
        Box::keyPressEvent(event);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == text() && event->type() == QEvent::MouseButtonRelease) {
            if constexpr (std::is_base_of_v<QDateTimeEdit, Box>)
                settleRun();
            m_typing = false;
            if (m_clicked) {
                m_clicked = false;
                selectValue();
            }
        }
        return Box::eventFilter(watched, event);
    }

private:
    QLineEdit *text()
    {
        if constexpr (std::is_base_of_v<QLineEdit, Box>)
            return this;
        else
            return this->lineEdit();
    }

    static bool isModifierKey(int key)
    {
        switch (key) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Meta:
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
        case Qt::Key_CapsLock:
        case Qt::Key_NumLock:
            return true;
        default:
            return false;
        }
    }

    // The display format's parts, such as "dd", "MM", "yyyy".
    QStringList formatParts() const
    {
        QStringList parts;
        QChar last;
        for (const QChar c : this->displayFormat()) {
            if (!c.isLetter())
                last = QChar();
            else if (c == last)
                parts.last() += c;
            else
                parts << (last = c);
        }
        return parts;
    }

    // Whether a run of typed keys holds a whole date: as many digits in a
    // row as the mask has letters ("15032013"), or a field per part with
    // any separator between them and the last part filled ("15-03-2013",
    // "15.3.2013"). The date mask is all digits. Gives the date's digits in
    // the mask's letters; a field longer than its part makes a text the
    // mask does not read.
    bool wholeDigits(const QString &run, QString *digits) const
    {
        QStringList fields;
        fields << QString();
        for (const QChar c : run) {
            if (c.isDigit())
                fields.last() += c;
            else
                fields << QString();
        }
        const QStringList parts = formatParts();
        const int width = parts.join(QString()).size();
        QString whole;
        if (fields.last().size() == width) {
            whole = fields.last();
        } else if (fields.size() >= parts.size()
                   && fields.last().size() == parts.last().size()) {
            fields = fields.mid(fields.size() - parts.size());
            for (int i = 0; i < parts.size(); ++i)
                whole += fields.at(i).rightJustified(parts.at(i).size(), QLatin1Char('0'));
        } else {
            return false;
        }
        if (digits)
            *digits = whole;
        return true;
    }

    // The box goes from part to part only as each fills from its start: a
    // whole date typed from a later part, or with another separator than
    // the mask's, would land in the wrong parts. A run that holds a whole
    // date gives that date; one the box cannot hold leaves the date from
    // before the run.
    void takeRun()
    {
        QString digits;
        if (!wholeDigits(m_run, &digits))
            return;
        const QDate date = QDate::fromString(digits, formatParts().join(QString()));
        const bool held = date.isValid() && date >= this->minimumDate();
        this->setDate(held ? date : m_before);
    }

    // A run with a separator was meant as a whole date: ended short of one
    // ("15-03-13", "15-03") it is refused. Digits alone set the parts they
    // reach, as the box does.
    void settleRun()
    {
        if (!m_typing)
            return;
        m_typing = false;
        const bool separated = std::any_of(m_run.cbegin(), m_run.cend(),
                                           [](QChar c) { return !c.isDigit(); });
        if (separated && !wholeDigits(m_run, nullptr))
            this->setDate(m_before);
    }

    void selectValue()
    {
        if constexpr (std::is_base_of_v<QDateTimeEdit, Box>)
            this->setSelectedSection(this->currentSection());
        else
            this->selectAll();
    }

    bool m_clicked = false;
    bool m_typing = false;
    // Date boxes: the keys of the run being typed, and the date before it.
    QString m_run;
    QDate m_before;
};

// The table shows numbers in the C notation (a point, no grouping) under
// any locale; the number boxes read and show them the same way. A comma
// typed in a text without a point is the decimal mark, as a user of a
// comma locale means it. A text the box cannot take as typed (digits
// grouped by either mark, a fraction in a whole-number box, too many
// digits) stays as typed and is refused when the box is left: the box
// keeps its value and shows it again. Qt would drop a key it refuses, or
// the grouping marks, and read another number than the one typed.
template <class Box>
class NumberBox : public ValueBox<Box>
{
public:
    using Value = std::conditional_t<std::is_same_v<Box, QSpinBox>, int, double>;

    explicit NumberBox(QWidget *parent)
        : ValueBox<Box>(parent)
    {
        this->setLocale(QLocale::c());
        // The value changes when the box is left or Enter pressed, so that
        // a refused text leaves the value from before it was typed.
        this->setKeyboardTracking(false);
    }

protected:
    QValidator::State validate(QString &input, int &pos) const override
    {
        QString text = cNotation(input);
        const QValidator::State state = Box::validate(text, pos);
        if (state != QValidator::Invalid)
            return state;
        // A number the box cannot take stays as typed, to be refused when
        // the box is left; other keys are dropped.
        for (const QChar c : qAsConst(input)) {
            if (!c.isDigit() && !QStringLiteral("+-.,").contains(c))
                return QValidator::Invalid;
        }
        return QValidator::Intermediate;
    }

    // The base class would take the grouping marks out and read the rest.
    void fixup(QString &) const override {}

    Value valueFromText(const QString &input) const override
    {
        return Box::valueFromText(cNotation(input));
    }

private:
    // Every mark a point: a comma then stands for the decimal mark, and
    // marks that group digits make a text the box refuses.
    static QString cNotation(QString text)
    {
        return text.replace(QLatin1Char(','), QLatin1Char('.'));
    }
};

template <class Box>
Box *numberBox(QWidget *parent)
{
    return new NumberBox<Box>(parent);
}

QStringList numberOperators()
{
    return {QStringLiteral("equals"),
            QStringLiteral("does not equal"),
            QStringLiteral("is greater than"),
            QStringLiteral("is greater than or equal to"),
            QStringLiteral("is less than"),
            QStringLiteral("is less than or equal to")};
}

} // namespace

// ---------------------------------------------------------------------------

ZDateFilter::ZDateFilter(QAbstractItemModel *model, int column, QWidget *parent)
    : ZFilterDialogPopUp(model, column, parent)
{
    init();
}

void ZDateFilter::init()
{
    m_dateMask = QStringLiteral("dd-MM-yyyy");
    const auto makeEdit = [this] {
        auto *edit = new ValueBox<QDateEdit>(this);
        edit->setDate(QDate::currentDate());
        edit->setDisplayFormat(m_dateMask);
        return edit;
    };
    m_firstEdit = makeEdit();
    m_secondEdit = makeEdit();
    addExpressionTab(m_firstEdit, m_secondEdit,
                     {QStringLiteral("equals"), QStringLiteral("does not equal"),
                      QStringLiteral("is after"), QStringLiteral("is after or equal to"),
                      QStringLiteral("is before"), QStringLiteral("is before or equal to")});
    createFilterModel();
}

void ZDateFilter::createFilterModel()
{
    startValueList();
    if (!m_model)
        return;
    // Years, their months, and below each month its days. A day row stands
    // for the day, not for one cell of it: the filter keeps every activity
    // of a checked day, whatever its time.
    const QSet<int> bands = bandRows();
    ZDateIndex years(m_model, m_column);
    years.interval = QStringLiteral("Year");
    years.dateFormat = m_dateMask;
    years.group(Qt::DisplayRole);
    dropRows(years, bands);
    ZDateIndex months(m_model, m_column);
    months.interval = QStringLiteral("Month");
    months.dateFormat = m_dateMask;
    months.group(Qt::DisplayRole);
    dropRows(months, bands);
    const ZIndex tree = cross(years, months);
    tree.toModel(m_listModel, false);

    ZDateIndex days(m_model, m_column);
    days.interval = QStringLiteral("Day");
    days.dateFormat = m_dateMask;
    for (int y = 1; y < m_listModel->rowCount(); ++y) {
        QStandardItem *year = m_listModel->item(y);
        for (int m = 0; m < year->rowCount(); ++m) {
            QStandardItem *month = year->child(m);
            std::set<QDate> dates;
            for (int r : tree.value(month->data(Qt::UserRole)).rows)
                dates.insert(days.itemValue(m_model->index(r, m_column), Qt::DisplayRole).toDate());
            QList<QStandardItem *> items;
            for (const QDate &date : dates) {
                auto *item = new QStandardItem;
                item->setData(date, Qt::DisplayRole);
                item->setCheckable(true);
                item->setCheckState(Qt::Checked);
                items.append(item);
            }
            month->appendRows(items);
        }
    }
}

QString ZDateFilter::valueKey(const QVariant &value) const
{
    // A day stored with a time of day, as earlier layouts hold it, still
    // finds its day.
    const QDate date = value.toDate();
    return date.isValid() ? date.toString(Qt::ISODate) : ZFilterDialogPopUp::valueKey(value);
}

void ZDateFilter::setExpressions(const QString &firstOperator, const QVariant &firstValue,
                                 const QString &secondOperator, const QVariant &secondValue,
                                 bool andChecked)
{
    m_firstEdit->setDate(firstValue.toDate());
    if (!secondOperator.isEmpty())
        m_secondEdit->setDate(secondValue.toDate());
    preloadOperators(firstOperator, secondOperator, andChecked);
}

QVariant ZDateFilter::firstConditionValue() const
{
    return m_firstEdit->date();
}

QVariant ZDateFilter::secondConditionValue() const
{
    return m_secondEdit->date();
}

QString ZDateFilter::translateOperator(const QString &symbol) const
{
    static const QHash<QString, QString> texts = {
        {QStringLiteral(">"), QStringLiteral("is after")},
        {QStringLiteral(">="), QStringLiteral("is after or equal to")},
        {QStringLiteral("<"), QStringLiteral("is before")},
        {QStringLiteral("<="), QStringLiteral("is before or equal to")},
    };
    const auto it = texts.constFind(symbol);
    return it != texts.constEnd() ? it.value() : ZFilterDialogPopUp::translateOperator(symbol);
}

// ---------------------------------------------------------------------------

ZIntegerFilter::ZIntegerFilter(QAbstractItemModel *model, int column, QWidget *parent)
    : ZFilterDialogPopUp(model, column, parent)
{
    init();
}

void ZIntegerFilter::init()
{
    const auto makeEdit = [this] {
        auto *edit = numberBox<QSpinBox>(this);
        edit->setRange(-99999, 99999);
        return edit;
    };
    m_firstEdit = makeEdit();
    m_secondEdit = makeEdit();
    addExpressionTab(m_firstEdit, m_secondEdit, numberOperators());
    createFilterModel();
}

void ZIntegerFilter::setExpressions(const QString &firstOperator, const QVariant &firstValue,
                                    const QString &secondOperator, const QVariant &secondValue,
                                    bool andChecked)
{
    m_firstEdit->setValue(firstValue.toInt());
    if (!secondOperator.isEmpty())
        m_secondEdit->setValue(secondValue.toInt());
    preloadOperators(firstOperator, secondOperator, andChecked);
}

QVariant ZIntegerFilter::firstConditionValue() const
{
    return m_firstEdit->value();
}

QVariant ZIntegerFilter::secondConditionValue() const
{
    return m_secondEdit->value();
}

// ---------------------------------------------------------------------------

ZDoubleFilter::ZDoubleFilter(QAbstractItemModel *model, int column, QWidget *parent)
    : ZFilterDialogPopUp(model, column, parent)
{
    init();
}

void ZDoubleFilter::init()
{
    const auto makeEdit = [this] {
        auto *edit = numberBox<QDoubleSpinBox>(this);
        edit->setDecimals(2);
        edit->setRange(-99999.99, 99999.99);
        return edit;
    };
    m_firstEdit = makeEdit();
    m_secondEdit = makeEdit();
    addExpressionTab(m_firstEdit, m_secondEdit, numberOperators());
    createFilterModel();
}

void ZDoubleFilter::setExpressions(const QString &firstOperator, const QVariant &firstValue,
                                   const QString &secondOperator, const QVariant &secondValue,
                                   bool andChecked)
{
    m_firstEdit->setValue(firstValue.toDouble());
    if (!secondOperator.isEmpty())
        m_secondEdit->setValue(secondValue.toDouble());
    preloadOperators(firstOperator, secondOperator, andChecked);
}

QVariant ZDoubleFilter::firstConditionValue() const
{
    return m_firstEdit->value();
}

QVariant ZDoubleFilter::secondConditionValue() const
{
    return m_secondEdit->value();
}

// ---------------------------------------------------------------------------

ZTextFilter::ZTextFilter(QAbstractItemModel *model, int column, QWidget *parent)
    : ZFilterDialogPopUp(model, column, parent)
{
    init();
}

void ZTextFilter::init()
{
    m_firstEdit = new ValueBox<QLineEdit>(this);
    m_secondEdit = new ValueBox<QLineEdit>(this);
    addExpressionTab(m_firstEdit, m_secondEdit,
                     {QStringLiteral("equals"), QStringLiteral("does not equal"),
                      QStringLiteral("begins with"), QStringLiteral("does not begin with"),
                      QStringLiteral("ends with"), QStringLiteral("does not end with"),
                      QStringLiteral("contains"), QStringLiteral("does not contain")});
    createFilterModel();
}

void ZTextFilter::setExpressions(const QString &firstOperator, const QVariant &firstValue,
                                 const QString &secondOperator, const QVariant &secondValue,
                                 bool andChecked)
{
    m_firstEdit->setText(firstValue.toString());
    if (!secondOperator.isEmpty())
        m_secondEdit->setText(secondValue.toString());
    preloadOperators(firstOperator, secondOperator, andChecked);
}

QVariant ZTextFilter::firstConditionValue() const
{
    // An empty text is a value too: "equals" then matches empty cells.
    return QVariant(m_firstEdit->text());
}

QVariant ZTextFilter::secondConditionValue() const
{
    return QVariant(m_secondEdit->text());
}
