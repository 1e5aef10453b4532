#pragma once

#include <QStyledItemDelegate>

// Item delegate of the grouped tree: fixed row height, dates as
// "dd-MM-yyyy", type codes without their two-letter prefix ("TT_Task" shows
// Task), and the merged label of a group row taken from the label column.
class ZGroupedTreeViewDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    // The option version that marks a merged group label cell.
    static constexpr int MergedCellVersion = 999;

    explicit ZGroupedTreeViewDelegate(int column, QObject *parent = nullptr);
    // Back to label column 0 and rows 22 pixels high, as constructed by
    // the tree.
    void init();

    int column() const { return m_column; }
    void setColumn(int column) { m_column = column; }
    int rowHeight() const { return m_rowHeight; }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QString displayText(const QVariant &value, const QLocale &locale) const override;

    // The text shown for a value in the tree and the details tables.
    static QString formatValue(const QVariant &value);
    // "dd-MM-yyyy" for a date, a date-time or a text that reads as one;
    // an empty string for anything else.
    static QString dateText(const QVariant &value);

private:
    // True when the cell shows one line of text and nothing else the
    // style would place beside it.
    static bool plainText(const QStyleOptionViewItem &option);

    int m_column = 0;
    int m_rowHeight = 22;
};
