#pragma once

#include "zrelationaldelegate.h"

// Item delegate for schedule tables and trees: dates are edited with a date
// editor and shown day first ("dd-MM-yyyy"), a two-character prefix with its
// underscore is stripped from texts ("TT_Task" shows "Task"), rows with
// children are drawn in bold white text, and every row is 22 pixels high.
// Relations of the base class are not used for painting.
class ZDataItemDelegate : public ZRelationalDelegate
{
    Q_OBJECT
public:
    explicit ZDataItemDelegate(QObject *parent = nullptr);

    void init() {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;
    QString displayText(const QVariant &value, const QLocale &locale) const override;

    // Whether column is the tree column of the QTreeView this delegate serves.
    bool isFirstColumn(int column) const;
};
