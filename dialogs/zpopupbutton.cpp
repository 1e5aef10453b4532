#include "zpopupbutton.h"

#include <QKeyEvent>
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

bool isPopupKey(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_F4:
        return modifiers == Qt::NoModifier;
    case Qt::Key_Down:
        return modifiers == Qt::AltModifier;
    default:
        return false;
    }
}

int gridKeyStep(const QKeyEvent *event, int columns)
{
    switch (event->key()) {
    case Qt::Key_Left:
        return -1;
    case Qt::Key_Right:
        return 1;
    case Qt::Key_Up:
        return -columns;
    case Qt::Key_Down:
        return columns;
    default:
        return 0;
    }
}
