#include "zsortfilterheader.h"

#include "headercaptions.h"
#include "modelhelpers.h"
#include "paintguard.h"
#include "zheaderfilterbox.h"

#include <QDialog>

#include <QCoreApplication>
#include <QAbstractItemView>
#include <QCursor>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>

ZSortFilterHeader::ZSortFilterHeader(Qt::Orientation orientation, QWidget *parent)
    : QHeaderView(orientation, parent)
{
    setAttribute(Qt::WA_Hover, true);
    setMouseTracking(true);
    fitCaptions(this);
}

void ZSortFilterHeader::init()
{
    m_sortColumn = -1;
    setSortFilterWidget(nullptr);
}

void ZSortFilterHeader::setSortFilterWidget(ZHeaderFilterBox *widget)
{
    auto *view = qobject_cast<QAbstractItemView *>(parentWidget());
    // Another box comes with another project: no column of the last one
    // stays for the keys.
    if (widget != m_sortFilterWidget)
        m_keyColumn = view ? view->currentIndex().column() : -1;
    m_sortFilterWidget = widget;
    // The header is the view's child once set on it; the view has the keys.
    if (view)
        view->installEventFilter(this);
    setToolTip(widget ? tr("Sort and filter the current column: %1")
                            .arg(QKeySequence(Qt::ALT | Qt::Key_Down)
                                     .toString(QKeySequence::NativeText))
                      : QString());
    viewport()->update();
}

void ZSortFilterHeader::popUpFilter(int logicalIndex)
{
    if (!m_sortFilterWidget)
        return;
    logicalIndex = shownColumn(this, {logicalIndex});
    if (logicalIndex < 0)
        return;
    // Below the section, within the table when the section is scrolled
    // partly out of it.
    const QRect section = sectionRect(logicalIndex);
    m_sortFilterWidget->popUpFilter(
        logicalIndex,
        viewport()->mapToGlobal(QPoint(qMax(0, section.left()), section.bottom() + 1)));
}

bool ZSortFilterHeader::eventFilter(QObject *watched, QEvent *event)
{
    auto *view = qobject_cast<QAbstractItemView *>(watched);
    if (view && view == parentWidget() && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        // The keys of a combo box's list: Alt+Down, and F4.
        if ((key->key() == Qt::Key_Down && modifiers == Qt::AltModifier)
            || (key->key() == Qt::Key_F4 && modifiers == Qt::NoModifier)) {
            // With every row filtered away nothing is current: the column
            // the user was in still is the one to filter again.
            const QModelIndex current = view->currentIndex();
            popUpFilter(current.isValid() ? current.column() : m_keyColumn);
            return true;
        }
    }
    return QHeaderView::eventFilter(watched, event);
}

void ZSortFilterHeader::currentChanged(const QModelIndex &current, const QModelIndex &old)
{
    QHeaderView::currentChanged(current, old);
    if (current.isValid())
        m_keyColumn = current.column();
}

ZHeaderFilterBox *ZSortFilterHeader::sortFilterWidget() const
{
    return m_sortFilterWidget.data();
}

QDialog *ZSortFilterHeader::popupDialog() const
{
    return m_popupDialog.data();
}

void ZSortFilterHeader::setPopupDialog(QDialog *dialog)
{
    m_popupDialog = dialog;
}

void ZSortFilterHeader::setFilter(int column)
{
    if (m_filteredColumns.contains(column))
        return;
    m_filteredColumns.append(column);
    emit filterSettingsChanged();
}

void ZSortFilterHeader::clearFilter(int column)
{
    if (m_filteredColumns.removeAll(column) > 0)
        emit filterSettingsChanged();
}

void ZSortFilterHeader::clearAll()
{
    if (m_filteredColumns.isEmpty())
        return;
    m_filteredColumns.clear();
    emit filterSettingsChanged();
}

void ZSortFilterHeader::sortByColumn(int column, Qt::SortOrder order)
{
    if (column == m_sortColumn && order == m_sortOrder)
        return;
    m_sortColumn = column;
    m_sortOrder = order;
    emit filterSettingsChanged();
}

bool ZSortFilterHeader::hasAnyFilter() const
{
    return !m_filteredColumns.isEmpty();
}

QRect ZSortFilterHeader::sectionRect(int logicalIndex) const
{
    const int pos = sectionViewportPosition(logicalIndex);
    const int size = sectionSize(logicalIndex);
    if (orientation() == Qt::Horizontal)
        return QRect(QPoint(pos, 0), QPoint(pos + size - 1, height() - 1));
    return QRect(QPoint(0, pos), QPoint(width() - 1, pos + size - 1));
}

QRect ZSortFilterHeader::prevRect(int logicalIndex) const
{
    if (logicalIndex < 0 || isSectionHidden(logicalIndex))
        return QRect();
    const int middle = (height() - 1) / 2;
    const int left = sectionViewportPosition(logicalIndex) + 1;
    return QRect(QPoint(left, middle - 6), QPoint(left + 12, middle + 6));
}

QRect ZSortFilterHeader::nextRect(int logicalIndex) const
{
    if (logicalIndex < 0 || isSectionHidden(logicalIndex))
        return QRect();
    const int middle = (height() - 1) / 2;
    const int right = sectionViewportPosition(logicalIndex) + sectionSize(logicalIndex) - 1 - 2;
    return QRect(QPoint(right - 12, middle - 6), QPoint(right, middle + 6));
}

QSize ZSortFilterHeader::sizeHint() const
{
    return QHeaderView::sizeHint().expandedTo(minimumSize());
}

void ZSortFilterHeader::setHoverShown(bool shown)
{
    m_hoverShown = shown;
    if (!shown) {
        // The header forgets the section under the mouse as when the mouse
        // leaves; the next move over it shows it again.
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(this, &leave);
    }
    viewport()->update();
}

void ZSortFilterHeader::mousePressEvent(QMouseEvent *event)
{
    QHeaderView::mousePressEvent(event);
    const QPoint pos = event->localPos().toPoint();
    const int logical = logicalIndexAt(orientation() == Qt::Horizontal ? pos.x() : pos.y());
    emit popUp(sectionRect(logical), logical, pos);
}

void ZSortFilterHeader::mouseMoveEvent(QMouseEvent *event)
{
    QHeaderView::mouseMoveEvent(event);
    const QPoint pos = event->localPos().toPoint();
    const int logical = logicalIndexAt(orientation() == Qt::Horizontal ? pos.x() : pos.y());
    if (logical >= 0)
        updateSection(logical);
}

void ZSortFilterHeader::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    // Qt's painting cannot unwind: memory running out stops here.
    paintguard::run([&] {
        painter->save();
        QHeaderView::paintSection(painter, rect, logicalIndex);
        painter->restore();
        if (!m_sortFilterWidget)
            return;
        // A point above every section stands for no mouse.
        const QPoint cursor = m_hoverShown ? viewport()->mapFromGlobal(QCursor::pos()) : QPoint(-1, -1);
        m_sortFilterWidget->draw(painter, sectionRect(logicalIndex), logicalIndex, cursor);
    });
}
