#pragma once

#include "zganttviewbarstyle.h"
#include "ztimelineflags.h"

#include <QDialog>
#include <QModelIndex>
#include <QMap>
#include <QPair>
#include <QStringList>
#include <QVariant>

class QComboBox;
class ZGanttChartStylesDialogModel;

namespace Ui {
class ZGanttChartStylesDialog;
}

// The modal "Bar Styles" dialog. It edits a given list of bar styles in
// place (no adding, removing, renaming or reordering), the chart's three
// display flags and the caption format of each time-scale level; the caller
// reads the results back after acceptance. Each style is a table row; the
// current row is edited with the colour, end-point and bar-shape pickers and
// five text-position combos.
class ZGanttChartStylesDialog : public QDialog
{
    Q_OBJECT
public:
    // columns: the date columns offered in the "Start date" and "Finish
    // date" editors (the caller passes an empty name first).
    explicit ZGanttChartStylesDialog(const QStringList &columns, QWidget *parent = nullptr);
    ~ZGanttChartStylesDialog() override;

    // The text columns; element 0 is replaced by each combo's placeholder.
    void setColumnSelection(const QStringList &columns);
    // Caption-format indexes by level (64 year .. 4 day); a missing key
    // selects entry 0.
    void setDateFormats(const QMap<ZTimeLineFlags, int> &formats);
    QMap<ZTimeLineFlags, int> dateFormats() const;

    void setBarStyles(QList<ZGanttViewBarStyle> styles);
    QList<ZGanttViewBarStyle> barStyles() const;

    void setLinksVisible(bool visible);
    void setVerticalLines(bool visible);
    void setAlternatingRowColors(bool alternating);
    bool isLinksVisible() const;
    bool alternatingRowColors() const;
    bool veticalLines() const;

    // The text combo of a position code (1, 2, 32, 64, 132); null otherwise.
    QComboBox *textCombo(int code) const;
    // The placeholder a text combo shows for "no column".
    static QString placeholder(int code);

    ZGanttChartStylesDialogModel *model() const { return m_model; }

private slots:
    void rowChanged();
    void startPointChanged();
    void bodyChanged();
    void endPointChanged();
    void textChanged();
    void onDataChanged(QModelIndex topLeft, QModelIndex bottomRight);

private:
    ZGanttViewBarStyle currentStyle() const;
    void setCurrentStyle(const ZGanttViewBarStyle &style);

    Ui::ZGanttChartStylesDialog *m_ui; // Owned.
    QStringList m_columns;
    QStringList m_textColumns;
    ZGanttChartStylesDialogModel *m_model = nullptr; // Owned (child).
    QMap<int, QPair<QVariant, QVariant>> m_dateColumns;
    // Set while the editors are loaded from a row, so that loading never
    // writes the row back.
    bool m_loading = false;
};
