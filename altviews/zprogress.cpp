#include "zprogress.h"

#include <QPainter>
#include <QTimerEvent>

ZProgress::ZProgress(QWidget *parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::NoFocus);
}

void ZProgress::startAnimation()
{
    m_angle = 0;
    if (m_timerId == -1)
        m_timerId = startTimer(m_delay, Qt::CoarseTimer);
}

void ZProgress::stopAnimation()
{
    if (m_timerId != -1)
        killTimer(m_timerId);
    m_timerId = -1;
    update();
}

void ZProgress::setAnimationDelay(int delay)
{
    m_delay = delay;
    if (m_timerId != -1) {
        killTimer(m_timerId);
        m_timerId = startTimer(m_delay, Qt::CoarseTimer);
    }
}

void ZProgress::setDisplayedWhenStopped(bool state)
{
    m_displayedWhenStopped = state;
    update();
}

void ZProgress::setColor(const QColor &color)
{
    m_color = color;
    update();
}

QSize ZProgress::sizeHint() const
{
    return {20, 20};
}

int ZProgress::heightForWidth(int w) const
{
    return w;
}

void ZProgress::timerEvent(QTimerEvent *)
{
    m_angle = (m_angle + 30) % 360;
    update();
}

void ZProgress::paintEvent(QPaintEvent *)
{
    if (!m_displayedWhenStopped && !isAnimated())
        return;
    const int size = std::min(width(), height());
    const double outer = (size - 1) * 0.5;
    const int radius = int(outer);
    const int inner = int(outer * 0.38);
    const int capsuleHeight = radius - inner;
    const int capsuleWidth = int(capsuleHeight * (size > 32 ? 0.23 : 0.35));
    const int corner = capsuleWidth / 2;

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 12; ++i) {
        QColor color = m_color;
        color.setAlphaF(1.0 - i / 12.0);
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.save();
        painter.translate(width() - size / 2, height() / 2);
        painter.rotate(m_angle - 30 * i);
        painter.drawRoundedRect(int(-capsuleWidth * 0.5), -radius, capsuleWidth, capsuleHeight,
                                corner, corner);
        painter.restore();
    }
}
