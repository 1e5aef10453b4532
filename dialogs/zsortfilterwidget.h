#pragma once

#include "zheaderfilterbox.h"

#include <QPointer>
#include <QRect>

class QAbstractItemModel;
class QAction;
class ZFilterDialogPopUp;
class ZFilterDialogProxyModel;
class ZSortFilterHeader;

// Ties a column header to the filter proxy of its view. It paints into each
// header section a small box in the bottom-right corner (the column's filter
// or sort icon, or a drop-down button while the mouse is over the section),
// opens the column filter from a press in that box, and clears every filter
// and the sorting of its view at once. It keeps no state of its own: the
// marks are read from the proxy at paint time.
//
// Header, proxy and model are not owned and may go away before the widget
// (a project is closed): the widget then does nothing.
class ZSortFilterWidget : public ZHeaderFilterBox
{
    Q_OBJECT
public:
    enum Flag {
        Always = 1,
        Filtered = 2,
        SortedAscending = 4,
        SortedDescending = 8,
    };

    ZSortFilterWidget(ZSortFilterHeader *header, ZFilterDialogProxyModel *proxy,
                      QAbstractItemModel *model, QWidget *parent = nullptr);

    // Makes the panes build their header filter boxes as ZSortFilterWidget.
    static void installAsHeaderFilterBox();

    ZSortFilterHeader *header() const;
    ZFilterDialogProxyModel *proxy() const;
    QAbstractItemModel *model() const;

    int flags(int column) const;
    void draw(QPainter *painter, const QRect &rect, int column,
              const QPoint &pos) const override;
    void drawFunnelOnGroup(QPainter *painter, const QRect &rect, const QList<int> &columns,
                           const QPoint &pos) const;

    static QRect buttonMenuRect(const QRect &rect);
    static void drawMenuButton(QPainter *painter, const QRect &box, bool hover);
    static void drawArrow(QPainter *painter, const QPoint &point, Qt::ArrowType type);
    static void drawSortFilterIcon(QPainter *painter, const QRect &box, bool hover, quint8 flags);

public slots:
    // Opens the column's filter pop-up for a press in the section's button
    // box, applies its outcome to the proxy and the header, and emits
    // filtered().
    void onAutoFilterPopUp(const QRect &rect, int section, const QPoint &pos) override;
    // The same for the column, the pop-up at the global position (the
    // header opens it there from the keyboard).
    void popUpFilter(int section, const QPoint &globalPos) override;
    void clearAllFilters() override;

private:
    // The pop-up typed by the column's "datatype", preloaded with the
    // column's value list, expression and sort order.
    ZFilterDialogPopUp *createPopUp(int section) const;
    void applyPopUp(const ZFilterDialogPopUp &popup, QAction *chosen, int section);

    QPointer<ZSortFilterHeader> m_header;     // Not owned.
    QPointer<ZFilterDialogProxyModel> m_proxy; // Not owned.
    QPointer<QAbstractItemModel> m_model;     // Not owned.
};
