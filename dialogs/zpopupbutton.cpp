#include "zpopupbutton.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QWidget>

void drawComboFrame(QWidget *button, QPainter &painter)
{
    painter.setPen(button->palette().color(QPalette::Text));
    QStyleOptionComboBox option;
    option.initFrom(button);
    button->style()->drawComplexControl(QStyle::CC_ComboBox, &option, &painter, button);
}

void showPopupBelow(QWidget *button, QWidget *popup, const QSize &size)
{
    popup->move(button->mapToGlobal(QPoint(0, button->height())));
    popup->setWindowFlags(Qt::Popup);
    if (size.isValid())
        popup->resize(size);
    popup->show();
}
