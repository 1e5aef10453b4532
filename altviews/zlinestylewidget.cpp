#include "zlinestylewidget.h"

#include <QMouseEvent>
#include <QPainter>

ZLineStyleWidget::ZLineStyleWidget(QWidget *parent)
    : QFrame(parent, Qt::Popup)
    , m_styles{Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine, Qt::DashDotDotLine}
{
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Plain);
    resize(120, 100);
    setMouseTracking(true);
    setStyleSheet(QStringLiteral("QFrame{background-color: rgb(255, 255, 255);border-color: rgb(0, 0, 0);}"));
}

QList<QPair<QRectF, Qt::PenStyle>> ZLineStyleWidget::entries() const
{
    if (!m_entries.isEmpty())
        return m_entries;
    QList<QPair<QRectF, Qt::PenStyle>> list;
    const int step = height() / m_styles.size();
    for (int i = 0; i < m_styles.size(); ++i)
        list.append({QRectF(10, i * step, width() - 20, step), m_styles.at(i)});
    return list;
}

void ZLineStyleWidget::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.drawRect(QRect(QPoint(0, 0), QPoint(width() - 2, height() - 2)));
    const int n = m_styles.size();
    const int step = height() / n;
    m_entries.clear();
    for (int i = 0; i < n; ++i) {
        const int y = i * step;
        painter.setPen(QPen(m_color, 1, m_styles.at(i), Qt::SquareCap, Qt::BevelJoin));
        const int lineY = y + step - step / 2;
        painter.drawLine(10, lineY, width() - 10, lineY);
        m_entries.append({QRectF(10, y, width() - 20, step), m_styles.at(i)});
    }
    const QPoint cursor = mapFromGlobal(QCursor::pos());
    for (int j = 0; j < m_entries.size(); ++j) {
        if (!m_entries.at(j).first.contains(cursor))
            continue;
        m_currentStyle = m_entries.at(j).second;
        painter.setPen(QPen(Qt::black, 1, Qt::SolidLine));
        painter.drawRect(QRect(5, 2 + j * step, width() - 10, step - 4));
    }
}

void ZLineStyleWidget::mouseMoveEvent(QMouseEvent *)
{
    update();
}

void ZLineStyleWidget::mousePressEvent(QMouseEvent *event)
{
    const QPoint p = event->localPos().toPoint();
    if (!QRect(0, 0, width(), height()).contains(p)) {
        close();
        return;
    }
    for (const auto &entry : entries()) {
        if (entry.first.contains(p)) {
            m_currentStyle = entry.second;
            emit selected(m_currentStyle);
            close();
            return;
        }
    }
}
