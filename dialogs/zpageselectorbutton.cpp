#include "zpageselectorbutton.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QTextDocument>

ZPageSelectorButton::ZPageSelectorButton(QWidget *parent)
    : QWidget(parent)
{
    // In the Tab order of the dialog, like the buttons around it.
    setFocusPolicy(Qt::StrongFocus);
}

void ZPageSelectorButton::setOrientation(QPrinter::Orientation orientation)
{
    m_orientation = orientation;
    update();
}

void ZPageSelectorButton::setChecked(bool checked)
{
    if (checked == m_checked)
        return;
    m_checked = checked;
    if (checked)
        emit pageOrientChecked();
    update();
}

void ZPageSelectorButton::setUnchecked()
{
    if (sender() == this || !m_checked)
        return;
    m_checked = false;
    update();
}

void ZPageSelectorButton::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    updatePageRect();
}

void ZPageSelectorButton::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    updatePageRect();
}

void ZPageSelectorButton::updatePageRect()
{
    // The outline takes one pixel beyond the rectangle's right and bottom
    // edges: the page is fitted into the widget less that pixel, so its
    // whole outline shows.
    const QRect room(QPoint(0, 0), size() - QSize(1, 1));
    QSize page = room.size();
    if (m_orientation == QPrinter::Portrait)
        page.setWidth(int(page.width() * 0.7));
    else
        page.setHeight(int(page.height() * 0.7));
    m_pageRect = QRect(QPoint(0, 0), page);
    m_pageRect.moveCenter(room.center());
}

void ZPageSelectorButton::mousePressEvent(QMouseEvent *event)
{
    if (m_pageRect.contains(event->localPos().toPoint()))
        check();
}

void ZPageSelectorButton::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat())
        check();
    else
        QWidget::keyPressEvent(event);
}

void ZPageSelectorButton::check()
{
    if (m_checked)
        return;
    m_checked = true;
    emit pageOrientChecked();
    update();
}

void ZPageSelectorButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(m_pageRect, Qt::white);
    painter.setPen(QColor(173, 173, 173));
    painter.drawRect(m_pageRect);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = m_pageRect.adjusted(3, 3, -3, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
    if (!m_checked)
        return;
    QTextDocument mark;
    mark.setHtml(QStringLiteral("&#x2714;"));
    painter.translate(m_pageRect.bottomRight() - QPoint(20, 20));
    mark.drawContents(&painter);
}
