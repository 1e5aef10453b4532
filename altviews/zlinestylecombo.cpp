#include "zlinestylecombo.h"

#include "zlinestylewidget.h"

#include <QPainter>
#include <QStyleOptionComboBox>

ZLineStyleCombo::ZLineStyleCombo(QWidget *parent)
    : QWidget(parent)
{
    m_popup = new ZLineStyleWidget(this);
    m_popup->setObjectName(QStringLiteral("ZLineStyleWidget"));
    m_popup->setFrameShape(QFrame::StyledPanel);
    m_popup->setFrameShadow(QFrame::Plain);
    connect(m_popup, &ZLineStyleWidget::selected, this, &ZLineStyleCombo::on_popup_selected);
    setMinimumWidth(100);
}

void ZLineStyleCombo::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QStyleOptionComboBox option;
    option.initFrom(this);
    style()->drawComplexControl(QStyle::CC_ComboBox, &option, &painter, this);
    painter.setPen(QPen(m_color, 1, m_penStyle, Qt::SquareCap, Qt::BevelJoin));
    painter.drawLine(10, height() / 2, width() - 30, height() / 2);
}

void ZLineStyleCombo::mouseReleaseEvent(QMouseEvent *)
{
    m_popup->move(mapToGlobal(QPoint(0, height())));
    m_popup->setWindowFlags(Qt::Popup);
    m_popup->setColor(m_color);
    m_popup->show();
}

void ZLineStyleCombo::on_popup_selected(Qt::PenStyle style)
{
    m_penStyle = style;
    emit lineStyleChanged(style);
    update();
}
