#include "zbarshapewidget.h"

#include "zitempainter.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

ZBarShapeWidget::ZBarShapeWidget(QWidget *parent)
    : QWidget(parent)
{
    m_rowHeight = 22;
    m_color = QColor(QStringLiteral("#99CCFF"));
    setupShapes();
    m_selectedIndex = -1;
    resize(sizeHint());
    setMouseTracking(true);
}

ZBarShapeWidget::ZBarShapeWidget(int selected, QWidget *parent)
    : ZBarShapeWidget(parent)
{
    m_selectedIndex = selected;
}

QSize ZBarShapeWidget::sizeHint() const
{
    const int w = parentWidget() ? parentWidget()->width() : 100;
    return QSize(w, m_shapes.size() * m_rowHeight);
}

void ZBarShapeWidget::setupShapes()
{
    m_shapes.clear();
    createBarShape(0, 0);
    createBarShape(11, 6);
    createBarShape(5, 3);
    createBarShape(5, 9);
    createBarShape(5, 12);
    createBarShape(3, 6);
    createBarShape(3, 10);
    createBarShape(3, 14);
    createBarShape(3, 18);
}

void ZBarShapeWidget::createBarShape(int height, int offset)
{
    m_shapes.append(qMakePair(height, offset));
}

void ZBarShapeWidget::setBarShape(QPair<int, int> shape)
{
    const int index = m_shapes.indexOf(shape);
    if (index < 0)
        return;
    m_selectedIndex = index;
    update();
}

QPair<int, int> ZBarShapeWidget::barShape() const
{
    if (m_selectedIndex < 0 || m_selectedIndex >= m_shapes.size())
        return qMakePair(11, 5);
    return m_shapes.at(m_selectedIndex);
}

void ZBarShapeWidget::setColor(const QColor &color)
{
    m_color = color;
    update();
}

void ZBarShapeWidget::drawSelection(QPainter *painter, QRect rect)
{
    painter->save();
    painter->setPen(Qt::black);
    painter->drawRect(rect);
    painter->restore();
}

void ZBarShapeWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QPoint cursor = mapFromGlobal(QCursor::pos());
    for (int i = 0; i < m_shapes.size(); ++i) {
        const QRect row(QPoint(0, m_rowHeight * i), QPoint(width() - 1, m_rowHeight * i + 21));
        ZItemPainter::drawInnerBar(&painter, row, QBrush(m_color, Qt::SolidPattern),
                                   m_shapes.at(i).first, m_shapes.at(i).second);
        if (i == m_selectedIndex || row.contains(cursor))
            drawSelection(&painter, row);
    }
}

void ZBarShapeWidget::mouseMoveEvent(QMouseEvent *)
{
    update();
}

void ZBarShapeWidget::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint pos = event->localPos().toPoint();
    if (!rect().contains(pos))
        close();
    for (int i = 0; i < m_shapes.size(); ++i) {
        const QRect row(QPoint(0, m_rowHeight * i), QPoint(width() - 1, m_rowHeight * i + 21));
        if (row.contains(pos)) {
            m_selectedIndex = i;
            update();
            m_picked = true;
            emit selected(i);
            return;
        }
    }
}

void ZBarShapeWidget::keyPressEvent(QKeyEvent *event)
{
    // On the press, as a list moves: the release of the key that opened the
    // list (Alt+Down, Space) must not move or pick.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (m_selectedIndex >= 0 && m_selectedIndex < m_shapes.size()) {
            m_picked = true;
            emit selected(m_selectedIndex);
        }
        return;
    case Qt::Key_Up:
        m_selectedIndex = qBound(0, m_selectedIndex - 1, m_shapes.size() - 1);
        break;
    case Qt::Key_Down:
        m_selectedIndex = qBound(0, m_selectedIndex + 1, m_shapes.size() - 1);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    update();
}

void ZBarShapeWidget::showEvent(QShowEvent *event)
{
    m_shownIndex = m_selectedIndex;
    m_picked = false;
    QWidget::showEvent(event);
}

void ZBarShapeWidget::hideEvent(QHideEvent *event)
{
    // Closed by Escape or a click elsewhere: the shape chosen stays.
    if (!m_picked)
        m_selectedIndex = m_shownIndex;
    QWidget::hideEvent(event);
}
