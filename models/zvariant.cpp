#include "zvariant.h"

#include <QDateTime>

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

// A number against a text: Qt 5 converts the right-hand side to the type of
// the left, so the answer depends on the order of the arguments and ordered
// containers can be corrupted. Compare numerically when the text is a
// number, and put numbers after an empty text and before other texts.
int compareNumberWithText(const QVariant &number, const QString &text)
{
    if (text.isEmpty())
        return 1;
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok)
        return -1;
    const double n = number.toDouble();
    return n < value ? -1 : (value < n ? 1 : 0);
}

template <typename T>
int threeWay(const T &a, const T &b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

} // namespace

int compareVariants(const QVariant &a, const QVariant &b)
{
    // Fast paths for the types the tables hold; they give what Qt 5's
    // QVariant comparison gives, without its conversions.
    const int ta = a.userType();
    const int tb = b.userType();
    if (ta == tb) {
        switch (ta) {
        case QMetaType::Int:
            return threeWay(a.toInt(), b.toInt());
        case QMetaType::LongLong:
            return threeWay(a.toLongLong(), b.toLongLong());
        case QMetaType::Double:
            return threeWay(a.toDouble(), b.toDouble());
        case QMetaType::QString:
            return a.toString().compare(b.toString());
        case QMetaType::QDateTime:
            return threeWay(a.toDateTime(), b.toDateTime());
        case QMetaType::QDate:
            return threeWay(a.toDate(), b.toDate());
        default:
            break;
        }
    } else if (isInteger(ta) && isInteger(tb)) {
        return threeWay(a.toLongLong(), b.toLongLong());
    }
    if (!a.isValid() || !b.isValid())
        return threeWay(a.isValid(), b.isValid());
    if (isNumber(ta) && tb == QMetaType::QString)
        return compareNumberWithText(a, b.toString());
    if (ta == QMetaType::QString && isNumber(tb))
        return -compareNumberWithText(b, a.toString());

    // Everything else goes through Qt 5's own rules (the deprecated operators
    // are the public face of QVariant::compare in 5.15).
QT_WARNING_PUSH
QT_WARNING_DISABLE_DEPRECATED
    if (a == b)
        return 0;
    return a < b ? -1 : 1;
QT_WARNING_POP
}
