#pragma once

#include <QRect>
#include <QWidget>

#include <functional>

class QAbstractItemModel;
class QPainter;
class ZFilterDialogProxyModel;
class ZSortFilterHeader;

// What a pane's sort-and-filter header needs of the widget that paints the
// marks into its sections and opens the column filters: the panes know this
// interface only. The filter widget itself lives with the dialogs, which
// build on the views; the application installs a factory (setFactory) so
// that the panes can make one per project without knowing its class.
// Without a factory the panes simply show no filter box.
class ZHeaderFilterBox : public QWidget
{
    Q_OBJECT
public:
    using Factory = std::function<ZHeaderFilterBox *(
        ZSortFilterHeader *header, ZFilterDialogProxyModel *proxy, QAbstractItemModel *model,
        QWidget *parent)>;

    explicit ZHeaderFilterBox(QWidget *parent = nullptr);
    ~ZHeaderFilterBox() override;

    // Paints the column's mark (or the drop-down button while the mouse is
    // over the section) into the section rectangle.
    virtual void draw(QPainter *painter, const QRect &rect, int column, const QPoint &pos) const = 0;

    static void setFactory(const Factory &factory);
    // A new box from the installed factory; null when none is installed.
    static ZHeaderFilterBox *create(ZSortFilterHeader *header, ZFilterDialogProxyModel *proxy,
                                    QAbstractItemModel *model, QWidget *parent);

signals:
    // The filters or the sorting of the view may have changed.
    void filtered();

public slots:
    virtual void onAutoFilterPopUp(const QRect &rect, int section, const QPoint &pos) = 0;
    // Opens the column's filter at a global position, as from its button.
    virtual void popUpFilter(int section, const QPoint &globalPos) = 0;
    virtual void clearAllFilters() = 0;
};
