#include "zcolorcombo.h"

#include "zcolorwidget.h"
#include "zpopupbutton.h"

#include <QKeyEvent>
#include <QPainter>

ZColorCombo::ZColorCombo(QWidget *parent)
    : ZColorCombo(QColor(), parent)
{
}

ZColorCombo::ZColorCombo(QColor color, QWidget *parent)
    : QWidget(parent)
    , m_popup(new ZColorWidget(color, nullptr))
    , m_color(color)
{
    connect(m_popup, &ZColorWidget::selected, this, &ZColorCombo::colorSelected);
    m_popup->setObjectName(QStringLiteral("ZColorPickerPopup"));
    // In the Tab order, like a combo box.
    setFocusPolicy(Qt::StrongFocus);
}

ZColorCombo::~ZColorCombo()
{
    delete m_popup;
}

void ZColorCombo::setColor(QColor color)
{
    m_popup->setColor(color);
    m_color = color;
    update();
}

QSize ZColorCombo::sizeHint() const
{
    return QSize(100, 50);
}

void ZColorCombo::colorSelected(QColor color)
{
    m_color = color;
    if (m_popup->isVisible())
        m_popup->hide();
    update();
    emit colorChanged(m_color);
}

void ZColorCombo::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    drawComboFrame(this, painter);
    const int w = width() - 1;
    const int h = (height() - 1) / 2;
    if (!m_color.isValid()) {
        painter.drawRect(QRect(QPoint(10, h - 4), QPoint(w - 33, h + 4)));
        return;
    }
    painter.fillRect(QRect(QPoint(10, h - 4), QPoint(w - 32, h + 5)),
                     QBrush(m_color, Qt::SolidPattern));
}

void ZColorCombo::mouseReleaseEvent(QMouseEvent *)
{
    showPopupBelow(this, m_popup);
}

void ZColorCombo::keyPressEvent(QKeyEvent *event)
{
    if (!isPopupKey(event)) {
        QWidget::keyPressEvent(event);
        return;
    }
    showPopupBelow(this, m_popup);
    m_popup->setFocus(Qt::PopupFocusReason);
}

ZTextColorCombo::ZTextColorCombo(QWidget *parent)
    : ZColorCombo(parent)
{
}

void ZTextColorCombo::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    drawComboFrame(this, painter);
    painter.setPen(m_color);
    const QString text = QStringLiteral("ABC");
    const int textWidth = painter.fontMetrics().horizontalAdvance(text);
    painter.drawText(QPointF((width() - textWidth) / 2 - 5, 15.0), text);
}
