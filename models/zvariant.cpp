#include "zvariant.h"

#include <QDateTime>

#include <cmath>

namespace {

bool isInteger(int type)
{
    switch (type) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

bool isNumber(int type)
{
    return isInteger(type) || type == QMetaType::Double || type == QMetaType::Float;
}

template <typename T>
int threeWay(const T &a, const T &b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

// A text that reads as a finite decimal number ("12", " 7.5 ", "-3e2"). Words
// that the number parser also takes ("nan", "inf") stay texts: an activity
// may well be called "Nan".
bool numericText(const QString &text, double *value)
{
    const QChar *p = text.constData();
    const QChar *end = p + text.size();
    while (p < end && p->isSpace())
        ++p;
    if (p == end)
        return false;
    const ushort c = p->unicode();
    const bool start = (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.';
    if (!start)
        return false;
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

// The classes of values, in their order; values of one class compare among
// themselves.
enum class Kind { Invalid, EmptyText, Number, NotANumber, Text, Other };

struct Classified
{
    Kind kind;
    double number = 0;
};

// The text a QString variant holds, read in place: the conversion toString
// goes through costs more than the comparison itself when many keys are
// ordered.
const QString &heldText(const QVariant &v)
{
    Q_ASSERT(v.userType() == QMetaType::QString);
    return *static_cast<const QString *>(v.constData());
}

Classified classify(const QVariant &v, int type)
{
    if (!v.isValid())
        return {Kind::Invalid};
    if (type == QMetaType::QString) {
        const QString &text = heldText(v);
        if (text.isEmpty())
            return {Kind::EmptyText};
        double n = 0;
        if (numericText(text, &n))
            return {Kind::Number, n};
        return {Kind::Text};
    }
    if (isNumber(type)) {
        const double n = v.toDouble();
        if (std::isnan(n))
            return {Kind::NotANumber};
        return {Kind::Number, n};
    }
    return {Kind::Other};
}

// Ignoring case first; texts that differ only in case keep one order.
int compareTexts(const QString &a, const QString &b)
{
    const int c = a.compare(b, Qt::CaseInsensitive);
    return c != 0 ? c : a.compare(b);
}

int compare(const QVariant &a, const QVariant &b)
{
    const int ta = a.userType();
    const int tb = b.userType();
    // Fast paths for the types the tables hold.
    if (ta == tb) {
        switch (ta) {
        case QMetaType::Int:
            return threeWay(a.toInt(), b.toInt());
        case QMetaType::LongLong:
            return threeWay(a.toLongLong(), b.toLongLong());
        case QMetaType::QDateTime:
            return threeWay(a.toDateTime(), b.toDateTime());
        case QMetaType::QDate:
            return threeWay(a.toDate(), b.toDate());
        default:
            break;
        }
    }
    const Classified ca = classify(a, ta);
    const Classified cb = classify(b, tb);
    if (ca.kind != Kind::Other && cb.kind != Kind::Other) {
        if (ca.kind != cb.kind)
            return ca.kind < cb.kind ? -1 : 1;
        switch (ca.kind) {
        case Kind::Number:
            // Two integers compare exactly, beyond what a double holds.
            if (isInteger(ta) && isInteger(tb))
                return threeWay(a.toLongLong(), b.toLongLong());
            return threeWay(ca.number, cb.number);
        case Kind::Text:
            // Only QString variants classify as texts.
            return compareTexts(heldText(a), heldText(b));
        default:
            return 0; // empty, invalid or NaN: all alike
        }
    }
    if (ca.kind == Kind::Invalid || cb.kind == Kind::Invalid)
        return ca.kind == cb.kind ? 0 : (ca.kind == Kind::Invalid ? -1 : 1);

    // Dates against their texts and the other types go through Qt 5's own
    // rules (the deprecated operators are the public face of
    // QVariant::compare in 5.15): a date column compares with the text of a
    // date from a saved filter.
QT_WARNING_PUSH
QT_WARNING_DISABLE_DEPRECATED
    if (a == b)
        return 0;
    return a < b ? -1 : 1;
QT_WARNING_POP
}

} // namespace

int compareVariants(const QVariant &a, const QVariant &b)
{
    return compare(a, b);
}
