#include "zbarshapecombo.h"

#include "zbarshapewidget.h"
#include "zitempainter.h"
#include "zpopupbutton.h"

#include <QKeyEvent>
#include <QPainter>

ZBarShapeCombo::ZBarShapeCombo(QWidget *parent)
    : ZBarShapeCombo(-1, parent)
{
}

ZBarShapeCombo::ZBarShapeCombo(int index, QWidget *parent)
    : QWidget(parent)
    , m_popup(new ZBarShapeWidget(index, nullptr))
    , m_index(index)
{
    m_popup->setObjectName(QStringLiteral("ZBarShapePopup"));
    m_popupShown = false;
    connect(m_popup, &ZBarShapeWidget::selected, this, &ZBarShapeCombo::shapeSelected);
    // In the Tab order, like a combo box.
    setFocusPolicy(Qt::StrongFocus);
}

ZBarShapeCombo::~ZBarShapeCombo()
{
    delete m_popup;
}

void ZBarShapeCombo::setBarShape(int height, int offset)
{
    m_popup->setBarShape(qMakePair(height, offset));
    update();
}

void ZBarShapeCombo::setColor(const QColor &color)
{
    m_popup->setColor(color);
    m_color = color;
    update();
}

QPair<int, int> ZBarShapeCombo::barShape() const
{
    return m_popup->barShape();
}

QSize ZBarShapeCombo::sizeHint() const
{
    return QSize(100, 30);
}

void ZBarShapeCombo::shapeSelected(int selectedindex)
{
    m_index = selectedindex;
    if (m_popup->isVisible())
        m_popup->hide();
    m_popupShown = false;
    update();
    emit shapeChanged(selectedindex);
}

void ZBarShapeCombo::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    drawComboFrame(this, painter);
    const int w = width() - 1;
    const int h = height() - 1;
    const QPair<int, int> shape = m_popup->barShape();
    if (shape.first > 0) {
        ZItemPainter::drawInnerBar(&painter, QRect(QPoint(10, h / 2 - 4), QPoint(w - 32, h / 2 + 5)),
                                   QBrush(m_color, Qt::SolidPattern), shape.first,
                                   shape.second - 5);
    }
}

void ZBarShapeCombo::mouseReleaseEvent(QMouseEvent *)
{
    // A release while the list is up only closes it (the press outside the
    // pop-up already did).
    if (m_popupShown) {
        m_popupShown = false;
        return;
    }
    showPopupBelow(this, m_popup, QSize(width(), m_popup->sizeHint().height()));
    m_popupShown = true;
}

void ZBarShapeCombo::keyPressEvent(QKeyEvent *event)
{
    if (!isPopupKey(event)) {
        QWidget::keyPressEvent(event);
        return;
    }
    // Not marked as opened by a click: after Escape, the next click on the
    // button opens the list again.
    showPopupBelow(this, m_popup, QSize(width(), m_popup->sizeHint().height()));
}
