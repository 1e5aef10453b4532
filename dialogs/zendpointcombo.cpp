#include "zendpointcombo.h"

#include "zendpointwidget.h"
#include "zpopupbutton.h"

#include <QKeyEvent>
#include <QPainter>

ZEndPointCombo::ZEndPointCombo(QWidget *parent)
    : ZEndPointCombo(-1, parent)
{
}

ZEndPointCombo::ZEndPointCombo(int index, QWidget *parent)
    : QWidget(parent)
    , m_popup(new ZEndPointWidget(index, nullptr))
    , m_index(index)
{
    m_popup->setObjectName(QStringLiteral("ZEndPointPopup"));
    connect(m_popup, &ZEndPointWidget::selected, this, &ZEndPointCombo::endpointSelected);
    // In the Tab order, like a combo box.
    setFocusPolicy(Qt::StrongFocus);
}

ZEndPointCombo::~ZEndPointCombo()
{
    delete m_popup;
}

void ZEndPointCombo::setShape(const QString &name)
{
    m_index = m_popup->shapes().indexOf(name);
    m_popup->setSelectedIndex(m_index);
    update();
}

void ZEndPointCombo::setColor(QColor color)
{
    m_popup->setPen(QPen(color));
    m_index = m_popup->selectedIndex();
    update();
}

QString ZEndPointCombo::shapeName() const
{
    return m_popup->shapeName(m_popup->selectedIndex());
}

QSize ZEndPointCombo::sizeHint() const
{
    return QSize(100, 30);
}

void ZEndPointCombo::endpointSelected(int selectedindex)
{
    m_index = selectedindex;
    if (m_popup->isVisible())
        m_popup->hide();
    update();
    emit endpointChanged(selectedindex);
}

void ZEndPointCombo::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    drawComboFrame(this, painter);
    const int w = width() - 1;
    const int h = height() - 1;
    m_popup->drawShape(&painter, QRect(QPoint(w / 2 - 5, h / 2 - 5), QPoint(w / 2 + 6, h / 2 + 6)),
                       m_index, 11);
}

void ZEndPointCombo::mouseReleaseEvent(QMouseEvent *)
{
    showPopupBelow(this, m_popup);
}

void ZEndPointCombo::keyPressEvent(QKeyEvent *event)
{
    if (!isPopupKey(event)) {
        QWidget::keyPressEvent(event);
        return;
    }
    showPopupBelow(this, m_popup);
}
