#include "captions.h"

#include <QDate>

QString quarterCaption(const QVariant &key)
{
    return QStringLiteral("Q%1").arg(key.toInt());
}

QString monthCaption(const QVariant &key)
{
    // Fixed English names: the group titles do not follow the locale.
    static const char *const names[] = {
        "January", "February", "March",     "April",   "May",      "June",
        "July",    "August",   "September", "October", "November", "December",
    };
    const int month = key.toInt();
    if (month < 1 || month > 12)
        return QString();
    return QLatin1String(names[month - 1]);
}

QString weekCaption(const QVariant &key)
{
    return QStringLiteral("Week %1").arg(key.toInt());
}

QString dayCaption(const QVariant &key)
{
    return key.toDate().toString(QStringLiteral("dd MMMM"));
}

QVariant dateFunction(const QVariant &key)
{
    return QVariant(key.toDate());
}

QString shownText(const QString &text)
{
    if (text.size() <= ShownTextLength)
        return text;
    int length = ShownTextLength;
    if (text.at(length - 1).isHighSurrogate())
        --length;
    return text.left(length) + QChar(0x2026);
}
