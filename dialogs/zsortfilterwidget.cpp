#include "zsortfilterwidget.h"

#include "dialogslogging.h"
#include "zdetaildelegate.h"
#include "zexpression.h"
#include "zfilterdialogproxymodel.h"
#include "zsortfilterheader.h"
#include "ztypedfilters.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCursor>
#include <QPainter>
#include <QPixmap>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTreeView>

#include <memory>

namespace {

constexpr int FieldDescriptorRole = Qt::UserRole + 2;

// The value list written for a List tab accepted with nothing checked: it
// matches no cell, so the column shows no rows.
const QString &emptySelectionSentinel()
{
    static const QString sentinel = QStringLiteral("!_!_#£@*'€%&!_+?$§");
    return sentinel;
}

} // namespace

ZSortFilterWidget::ZSortFilterWidget(ZSortFilterHeader *header, ZFilterDialogProxyModel *proxy,
                                     QAbstractItemModel *model, QWidget *parent)
    : ZHeaderFilterBox(parent), m_header(header), m_proxy(proxy), m_model(model)
{
    setFixedSize(0, 0);
}

void ZSortFilterWidget::installAsHeaderFilterBox()
{
    ZHeaderFilterBox::setFactory([](ZSortFilterHeader *header, ZFilterDialogProxyModel *proxy,
                                    QAbstractItemModel *model, QWidget *parent) {
        return new ZSortFilterWidget(header, proxy, model, parent);
    });
}

ZFilterDialogPopUp *ZSortFilterWidget::createPopUp(int section) const
{
    if (!m_model)
        return nullptr;
    const QString datatype = m_model->headerData(section, Qt::Horizontal, FieldDescriptorRole)
                                 .toMap()
                                 .value(QStringLiteral("datatype"))
                                 .toString();
    // The value list of a long column takes a moment to build.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    ZFilterDialogPopUp *popup = nullptr;
    if (datatype == QLatin1String("integer"))
        popup = new ZIntegerFilter(m_model, section, nullptr);
    else if (datatype == QLatin1String("double"))
        popup = new ZDoubleFilter(m_model, section, nullptr);
    else if (datatype == QLatin1String("datetime"))
        popup = new ZDateFilter(m_model, section, nullptr);
    else
        popup = new ZTextFilter(m_model, section, nullptr);
    popup->valueView()->setItemDelegate(new ZDetailDelegate(popup, -1, QPixmap()));

    if (m_proxy) {
        const auto patterns = m_proxy->patterns().constFind(section);
        if (patterns != m_proxy->patterns().constEnd())
            popup->setSelectedItems(patterns.value());
        if (const ZExpression *e = m_proxy->expressions().value(section, nullptr)) {
            const ZExpression *second = e->andNext ? e->andNext : e->orNext;
            // OR only when the second condition hangs under it: a single
            // condition reopens with AND, the default, as it was set.
            popup->setExpressions(e->operatorText, e->value,
                                  second ? second->operatorText : QString(),
                                  second ? second->value : QVariant(),
                                  e->andNext || !e->orNext);
        }
        if (m_proxy->sortColumn() == section)
            popup->setSortIdicator(m_proxy->sortOrder());
    }
    return popup;
}

void ZSortFilterWidget::applyPopUp(const ZFilterDialogPopUp &popup, QAction *chosen, int section)
{
    // The project may have gone while the pop-up ran.
    if (!m_proxy || !m_header)
        return;
    if (chosen == popup.sortAscendingAction() || chosen == popup.sortDescendingAction()) {
        const Qt::SortOrder order = chosen == popup.sortAscendingAction() ? Qt::AscendingOrder
                                                                         : Qt::DescendingOrder;
        m_proxy->sort(section, order);
        m_header->sortByColumn(section, order);
        return;
    }
    if (chosen == popup.clearAction()) {
        m_proxy->clearFilter(section);
        m_header->clearFilter(section);
        m_proxy->sort(-1, Qt::AscendingOrder);
        m_header->sortByColumn(-1, Qt::AscendingOrder);
        return;
    }
    if (chosen || !popup.isAccepted())
        return;

    // One kind of filter per column: the accepted tab replaces the other.
    if (popup.tabWidget()->currentIndex() == 0) {
        if (!popup.isFilterActive() && popup.isSelectAllChecked()) {
            m_proxy->clearFilter(section);
            m_header->clearFilter(section);
            return;
        }
        QList<QVariant> values = popup.selectedItems();
        if (values.isEmpty())
            values.append(emptySelectionSentinel());
        m_proxy->setFilter(section, values);
        m_header->setFilter(section);
        return;
    }
    ZExpression *first = ZExpression::buildExpression(popup.firstConditionOperator(),
                                                      popup.firstConditionValue());
    if (!first)
        return;
    if (ZExpression *second = ZExpression::buildExpression(popup.secondConditionOperator(),
                                                           popup.secondConditionValue())) {
        if (popup.isAndChecked())
            first->andNext = second;
        else
            first->orNext = second;
    }
    m_proxy->setExpression(section, first);
    m_header->setFilter(section);
}

ZSortFilterHeader *ZSortFilterWidget::header() const
{
    return m_header.data();
}

ZFilterDialogProxyModel *ZSortFilterWidget::proxy() const
{
    return m_proxy.data();
}

QAbstractItemModel *ZSortFilterWidget::model() const
{
    return m_model.data();
}

int ZSortFilterWidget::flags(int column) const
{
    int f = Always;
    if (!m_proxy)
        return f;
    if (m_proxy->patterns().contains(column) || m_proxy->expressions().value(column, nullptr))
        f |= Filtered;
    if (column >= 0 && m_proxy->sortColumn() == column)
        f |= m_proxy->sortOrder() == Qt::AscendingOrder ? SortedAscending : SortedDescending;
    return f;
}

QRect ZSortFilterWidget::buttonMenuRect(const QRect &rect)
{
    return QRect(QPoint(rect.right() - 16, rect.bottom() - 16),
                 QPoint(rect.right() - 2, rect.bottom() - 2));
}

void ZSortFilterWidget::draw(QPainter *painter, const QRect &rect, int column, const QPoint &pos) const
{
    const QRect box = buttonMenuRect(rect);
    const int f = flags(column);
    const bool hover = box.contains(pos);
    if (f & (Filtered | SortedAscending | SortedDescending))
        drawSortFilterIcon(painter, box, hover, quint8(f));
    else if (rect.contains(pos))
        drawMenuButton(painter, box, hover);
}

void ZSortFilterWidget::drawFunnelOnGroup(QPainter *painter, const QRect &rect,
                                          const QList<int> &columns, const QPoint &) const
{
    for (int column : columns) {
        if (flags(column) & Filtered) {
            drawSortFilterIcon(painter, buttonMenuRect(rect), false, Filtered);
            return;
        }
    }
}

void ZSortFilterWidget::drawMenuButton(QPainter *painter, const QRect &box, bool hover)
{
    painter->save();
    const int frame = hover ? 186 : 223;
    painter->setPen(QColor(frame, frame, frame));
    painter->setBrush(QColor(246, 246, 246));
    painter->drawRect(QRect(box.topLeft(), QPoint(box.right() - 1, box.bottom() - 1)));
    const int arrow = hover ? 71 : 193;
    painter->setPen(QColor(arrow, arrow, arrow));
    const QPoint point((box.left() + box.right()) / 2, (box.top() + box.bottom()) / 2 + 2);
    drawArrow(painter, point, Qt::DownArrow);
    painter->restore();
}

void ZSortFilterWidget::drawArrow(QPainter *painter, const QPoint &p, Qt::ArrowType type)
{
    const int x = p.x();
    const int y = p.y();
    switch (type) {
    case Qt::UpArrow:
        painter->drawPoint(p);
        for (int i = 1; i <= 3; ++i)
            painter->drawLine(x - i, y + i, x + i, y + i);
        break;
    case Qt::DownArrow:
        for (int i = 3; i >= 1; --i)
            painter->drawLine(x - i, y - i, x + i, y - i);
        painter->drawPoint(p);
        break;
    case Qt::LeftArrow:
        painter->drawPoint(p);
        for (int i = 1; i <= 3; ++i)
            painter->drawLine(x + i, y - i, x + i, y + i);
        break;
    case Qt::RightArrow:
        painter->drawPoint(p);
        for (int i = 1; i <= 3; ++i)
            painter->drawLine(x - i, y - i, x - i, y + i);
        break;
    default:
        break;
    }
}

void ZSortFilterWidget::drawSortFilterIcon(QPainter *painter, const QRect &box, bool hover,
                                           quint8 flags)
{
    painter->save();
    painter->setPen(QColor(186, 186, 186));
    if (hover) {
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(QRect(box.topLeft(), QPoint(box.right() - 1, box.bottom() - 1)));
    }
    QString icon;
    if (flags & Filtered) {
        if (flags & SortedAscending)
            icon = QStringLiteral(":/images/filter_up_16.png");
        else if (flags & SortedDescending)
            icon = QStringLiteral(":/images/filter_down_16.png");
        else
            icon = QStringLiteral(":/images/filter_16.png");
    } else if (flags & SortedAscending) {
        icon = QStringLiteral(":/images/arrow_up_16.png");
    } else if (flags & SortedDescending) {
        icon = QStringLiteral(":/images/arrow_down_16.png");
    }
    if (!icon.isEmpty())
        painter->drawPixmap(box.topLeft(), QPixmap(icon));
    painter->restore();
}

void ZSortFilterWidget::onAutoFilterPopUp(const QRect &rect, int section, const QPoint &pos)
{
    // Presses outside the box do nothing.
    if (buttonMenuRect(rect).contains(pos))
        popUpFilter(section, QCursor::pos());
}

void ZSortFilterWidget::popUpFilter(int section, const QPoint &globalPos)
{
    // Nothing opens while the project that the widget served is gone.
    if (!m_header || !m_proxy || !m_model)
        return;
    if (section < 0 || section >= m_model->columnCount())
        return;
    const std::unique_ptr<ZFilterDialogPopUp> popup(createPopUp(section));
    if (!popup)
        return;
    // The pop-up runs its own event loop, in which this box may be dropped
    // (the project closed): then nothing is applied.
    const QPointer<ZSortFilterWidget> self(this);
    QAction *chosen = popup->exec(globalPos);
    if (!self)
        return;
    applyPopUp(*popup, chosen, section);
    emit filtered();
    // The current cell, kept through the new order or rows, is sought in
    // them; a pop-up closed without a choice leaves the view where it was.
    if (!self || !m_header || (!chosen && !popup->isAccepted()))
        return;
    if (auto *view = qobject_cast<QAbstractItemView *>(m_header->parentWidget()))
        view->scrollTo(view->currentIndex(), QAbstractItemView::EnsureVisible);
}

void ZSortFilterWidget::clearAllFilters()
{
    if (!m_proxy || !m_header)
        return;
    if (m_header->sortColumn() >= 0) {
        m_proxy->sort(-1, Qt::AscendingOrder);
        m_header->sortByColumn(-1, Qt::AscendingOrder);
    }
    if (m_header->hasAnyFilter()) {
        m_proxy->clearAll();
        m_header->clearAll();
        emit filtered();
    }
}
