#include "zitempainter.h"

#include "zganttchart2logging.h"

#include <QLine>
#include <QPainter>

namespace {

const char *const kShapeNames[] = {
    "NoShape",   "Circle",    "Square",    "Diamond",   "SouthPenta", "NorthPenta",
    "WestPenta", "EastPenta", "NorthCone", "SouthCone", "EastCone",   "WestCone",
};

void line(QPainter *painter, int x1, int y1, int x2, int y2)
{
    const QLine l(x1, y1, x2, y2);
    painter->drawLines(&l, 1);
}

} // namespace

ZItemPainter::ZItemPainter(QObject *parent)
    : QObject(parent)
{
}

QString ZItemPainter::shapeToString(ZItemShape shape)
{
    const int value = static_cast<int>(shape);
    if (value < 1 || value > 11)
        return QStringLiteral("NoShape");
    return QString::fromLatin1(kShapeNames[value]);
}

ZItemShape ZItemPainter::stringToShape(const QString &name)
{
    for (int value = 1; value <= 11; ++value) {
        if (name == QLatin1String(kShapeNames[value]))
            return static_cast<ZItemShape>(value);
    }
    return NoShape;
}

void ZItemPainter::drawShape(QPainter *painter, QRect rect, ZItemShape shape, int size)
{
    Q_ASSERT(painter);
    if (!painter)
        return;
    const int L = rect.left();
    const int T = rect.top();
    const int R = rect.right();
    const int B = rect.bottom();
    const int H = B - T + 1;
    const int n = size;
    const int h = n / 2;

    if (shape == Circle) {
        const int halfW = (R - L + 1) / 2;
        const int halfH = H / 2;
        painter->drawEllipse(QRect((L + R) / 2 - halfW, (T + B) / 2 - halfH, 2 * halfW, 2 * halfH));
        return;
    }
    if (n < 1)
        return;

    switch (shape) {
    case Square:
        if (n >= 3) {
            for (int y = T + 1; y <= T + n - 2; ++y)
                line(painter, L + 1, y, R - 1, y);
        }
        break;
    case Diamond:
        for (int i = 0; i < n; ++i) {
            const int y = T + i;
            if (i < h)
                line(painter, L + h - i, y, R - h + i, y);
            else
                line(painter, L - h + i, y, R + h - i, y);
        }
        break;
    case SouthPenta:
        for (int i = 0; i < n; ++i) {
            const int y = T + i;
            if (i <= h)
                line(painter, L, y, R, y);
            else
                line(painter, L - h + i, y, R + h - i, y);
        }
        break;
    case NorthPenta:
        for (int i = 0; i < n; ++i) {
            const int y = T + i;
            if (i < h)
                line(painter, L + h - i, y, R - h + i, y);
            else
                line(painter, L, y, R, y);
        }
        break;
    case WestPenta:
        for (int i = 0; i < n; ++i) {
            const int y = T + i;
            line(painter, i < h ? L + h - i : L - h + i, y, R, y);
        }
        break;
    case EastPenta:
        for (int i = 0; i < n; ++i) {
            const int y = T + i;
            line(painter, L, y, i < h ? R - h + i : R + h - i, y);
        }
        break;
    case SouthCone: {
        int k = 0;
        for (int i = 0; i < n; ++i) {
            if (i % 2 == 1)
                ++k;
            line(painter, L + k, T + i, R - k, T + i);
        }
        break;
    }
    case NorthCone: {
        int k = H / 2;
        for (int i = 0; i < n; ++i) {
            if (i % 2 == 1)
                --k;
            line(painter, L + k, T + i, R - k, T + i);
        }
        break;
    }
    case EastCone: {
        int k = 0;
        for (int i = 0; i < n; ++i) {
            if (i % 2 == 1)
                ++k;
            line(painter, L + i, T + k, L + i, B - k);
        }
        break;
    }
    case WestCone: {
        int k = H / 2;
        for (int i = 0; i < n; ++i) {
            if (i % 2 == 1)
                --k;
            line(painter, L + i, T + k, L + i, B - k);
        }
        break;
    }
    default:
        break;
    }
}

void ZItemPainter::drawInnerBar(QPainter *painter, QRect rect, QBrush brush, int height, int offset)
{
    Q_ASSERT(painter);
    if (!painter || height <= 0)
        return;
    const QRect body(rect.left(), rect.top() + offset, rect.width(), height);
    if (brush == QBrush())
        qCWarning(lcGantt) << "Invalid brush assigned in drawInnerBar";
    painter->fillRect(body, brush);
}

void ZItemPainter::drawFullBar(QPainter *painter, QRect rect, QBrush brush, Qt::Alignment alignment,
                               double value)
{
    Q_ASSERT(painter);
    if (!painter || !(value > 0))
        return;
    const double b = value > 1 ? value : value * rect.height();
    const int rest = static_cast<int>(rect.height() - b);
    QRect body(rect.left(), rect.top(), rect.width(), static_cast<int>(b));
    if (alignment == Qt::AlignBottom)
        body.translate(0, rest);
    else if (alignment == Qt::AlignCenter)
        body.translate(0, rest / 2);
    if (brush == QBrush())
        qCWarning(lcGantt) << "Invalid brush assigned in drawFullBar";
    painter->fillRect(body, brush);
}

void drawShape(QPainter *painter, QRect rect, const QString &name, int size)
{
    const ZItemShape shape = ZItemPainter::stringToShape(name);
    if (shape == NoShape)
        return;
    ZItemPainter::drawShape(painter, rect, shape, size);
}
