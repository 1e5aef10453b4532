#pragma once

#include "zganttviewdelegate.h"

#include <QStringList>

class ZGanttChartStylesDialog;

// The bar styles dialog's cells: a centred check box for "Show", a 200 x 22
// bar preview with its label texts for "Appearance", combo-box editors over
// the date columns for "Start date" and "Finish date".
class ZGanttChartStylesDialogDelegate : public ZGanttViewDelegate
{
    Q_OBJECT
public:
    ZGanttChartStylesDialogDelegate(const QStringList &columns, QObject *parent);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;

    // The style's label texts placed around the bar rectangle option.rect.
    void drawGanttChartText(QPainter *painter, const QStyleOptionViewItem &option,
                            const QModelIndex &index, const ZGanttViewBarStyle &style) const;

private:
    QStringList m_columns;
    ZGanttChartStylesDialog *m_dialog; // Not owned; the parent, or null.
};
