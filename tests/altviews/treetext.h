#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// Tests write trees as "a[b,c[d]],e": names, each followed by its children
// in brackets.
struct TreeTextEntry
{
    QString name;
    QString children; // The text between the brackets.
    bool branch;      // Brackets present, even empty ones.
};

// The top-level entries of such a text, in order; empty ones included.
inline QVector<TreeTextEntry> treeTextEntries(const QString &text)
{
    QVector<TreeTextEntry> entries;
    int depth = 0;
    int start = 0;
    for (int i = 0; i <= text.size(); ++i) {
        const QChar c = i < text.size() ? text.at(i) : QLatin1Char(',');
        if (c == QLatin1Char('['))
            ++depth;
        else if (c == QLatin1Char(']'))
            --depth;
        if (c != QLatin1Char(',') || depth != 0)
            continue;
        const QString part = text.mid(start, i - start);
        start = i + 1;
        const int bracket = part.indexOf(QLatin1Char('['));
        if (bracket < 0)
            entries.append({part, QString(), false});
        else
            entries.append({part.left(bracket), part.mid(bracket + 1, part.size() - bracket - 2),
                            true});
    }
    return entries;
}
