#include "zstylecombo.h"

#include "zpopupbutton.h"
#include "zsortfilterwidget.h"
#include "zstylewidget.h"

#include <QFontComboBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

ZStyleCombo::ZStyleCombo(QWidget *parent)
    : QWidget(parent)
    , m_popup(new ZStyleWidget(nullptr))
{
    setMouseTracking(true);
    connect(m_popup, &ZStyleWidget::accepted, this, &ZStyleCombo::accepted);
    connect(m_popup, &ZStyleWidget::accepted, this, &ZStyleCombo::hidePopup);
}

ZStyleCombo::~ZStyleCombo()
{
    delete m_popup;
}

void ZStyleCombo::setFont(const QFont &font, QColor color)
{
    m_popup->setFont(font, color);
}

QFont ZStyleCombo::selectedFont() const
{
    return m_popup->selectedFont();
}

QColor ZStyleCombo::fontColor() const
{
    return m_popup->fontColor();
}

void ZStyleCombo::setBackgroundColor(QColor color)
{
    m_popup->setBackgroundColor(color);
}

QColor ZStyleCombo::backgroundColor() const
{
    return m_popup->backgroundColor();
}

bool ZStyleCombo::isNoColorSelected() const
{
    return m_popup->isNoColorSelected();
}

void ZStyleCombo::hidePopup()
{
    m_popup->hide();
}

void ZStyleCombo::showPopup()
{
    // Flags first: changing them afterwards would move the window again.
    m_popup->setWindowFlags(Qt::Popup);
    m_popup->move(mapToGlobal(QPoint(0, height())));
    m_popup->show();
    // A pop-up takes the keys but gives its first control no focus.
    if (!m_popup->focusWidget())
        m_popup->fontCombo()->setFocus(Qt::PopupFocusReason);
}

void ZStyleCombo::keyPressEvent(QKeyEvent *event)
{
    if (isPopupKey(event))
        showPopup();
    else
        QWidget::keyPressEvent(event);
}

void ZStyleCombo::mouseReleaseEvent(QMouseEvent *event)
{
    if (ZSortFilterWidget::buttonMenuRect(rect()).contains(event->localPos().toPoint()))
        showPopup();
}

void ZStyleCombo::mouseMoveEvent(QMouseEvent *)
{
    update();
}

void ZStyleCombo::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect box = ZSortFilterWidget::buttonMenuRect(rect());
    ZSortFilterWidget::drawMenuButton(&painter, box, box.contains(mapFromGlobal(QCursor::pos())));
}
