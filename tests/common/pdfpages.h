#pragma once

// Reads the page boxes of a PDF file as Qt writes it (uncompressed page
// dictionaries): one MediaBox size, in points, per page.

#include <QFile>
#include <QRegularExpression>
#include <QSizeF>
#include <QVector>

inline QVector<QSizeF> pdfPageSizes(const QString &fileName)
{
    QVector<QSizeF> sizes;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return sizes;
    const QByteArray bytes = file.readAll();
    // Stream data holds zero bytes, at which fromLatin1(QByteArray) stops.
    const QString text = QString::fromLatin1(bytes.constData(), bytes.size());
    // A page object: "/Type /Page" (not "/Pages") and its MediaBox.
    static const QRegularExpression page(
        QStringLiteral("/Type\\s*/Page\\b(?!s)[^>]*?/MediaBox\\s*\\[\\s*([-\\d.]+)\\s+([-\\d.]+)"
                       "\\s+([-\\d.]+)\\s+([-\\d.]+)\\s*\\]"),
        QRegularExpression::DotMatchesEverythingOption);
    auto it = page.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        sizes.append(QSizeF(m.captured(3).toDouble() - m.captured(1).toDouble(),
                            m.captured(4).toDouble() - m.captured(2).toDouble()));
    }
    return sizes;
}
