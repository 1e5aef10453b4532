#include "textforms.h"

#include <QDataStream>
#include <QIODevice>
#include <QJsonArray>
#include <QJsonValue>
#include <QRegularExpression>

QString brushToString(const QBrush &brush)
{
    const QColor color = brush.color();
    return QStringLiteral("r%1g%2b%3a%4")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(color.alpha());
}

QBrush brushFromString(const QString &text)
{
    static const QRegularExpression letters(QStringLiteral("[a-z]"));
    const QStringList parts = text.split(letters, Qt::SkipEmptyParts);
    if (parts.size() < 4)
        return QBrush();

    int components[4];
    for (int i = 0; i < 4; ++i) {
        // A part that is not a number reads as 0, as it always has.
        components[i] = parts.at(i).toInt(nullptr, 10);
        if (components[i] < 0 || components[i] > 255)
            return QBrush();
    }
    QColor color;
    color.setRgb(components[0], components[1], components[2], components[3]);
    return QBrush(color, Qt::SolidPattern);
}

QString fontToString(const QFont &font)
{
    QString text = QStringLiteral("%1:").arg(font.family());
    if (font.style() != QFont::StyleNormal)
        text += QLatin1Char('i');
    if (font.underline())
        text += QLatin1Char('u');
    if (font.weight() > QFont::Medium)
        text += QLatin1Char('b');
    return text;
}

QFont fontFromString(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(':'), Qt::KeepEmptyParts);
    if (parts.size() < 2)
        return QFont();

    QFont font;
    if (!parts.at(0).isEmpty())
        font = QFont(parts.at(0));
    const QString &flags = parts.at(1);
    font.setStyle(flags.contains(QLatin1Char('i')) ? QFont::StyleItalic : QFont::StyleNormal);
    font.setUnderline(flags.contains(QLatin1Char('u')));
    font.setWeight(flags.contains(QLatin1Char('b')) ? QFont::Bold : QFont::Normal);
    return font;
}

QVariant toVariant(const QPair<int, int> &pair)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << qint32(pair.first) << qint32(pair.second);
    return QVariant(bytes);
}

QPair<int, int> toPair(const QVariant &value)
{
    const QByteArray bytes = value.toByteArray();
    QDataStream in(bytes);
    qint32 first = 0;
    qint32 second = 0;
    in >> first;
    if (in.status() != QDataStream::Ok)
        first = 0;
    in >> second;
    if (in.status() != QDataStream::Ok)
        second = 0;
    return qMakePair(int(first), int(second));
}

QByteArray variantToByteArray(const QVariant &value)
{
    return value.toByteArray();
}

QVariant variantFromByteArray(const QByteArray &json)
{
    const QJsonDocument document = QJsonDocument::fromJson(json);
    if (document.isEmpty())
        return QVariant();

    QVariantMap map;
    const QJsonObject object = document.object();
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        const QJsonValue member = it.value();
        if (member.isObject())
            map.insert(it.key(), member.toObject().toVariantMap());
        else if (member.isArray())
            map.insert(it.key(), member.toArray().toVariantList());
        else
            map.insert(it.key(), member.toVariant());
    }
    return QVariant(map);
}

QJsonObject objectFromVariant(const QVariantMap &map)
{
    return QJsonObject::fromVariantMap(map);
}

QJsonDocument documentFromVariant(const QVariant &value)
{
    return QJsonDocument::fromVariant(value);
}
