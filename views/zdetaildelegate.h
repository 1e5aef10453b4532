#pragma once

#include <QPixmap>
#include <QStyledItemDelegate>

// Item delegate of the details tables and the details form: draws a pixmap
// in front of one column, shows dates as "dd-MM-yyyy" and type codes
// without their two-letter prefix. With a null pixmap no column is
// decorated.
class ZDetailDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    ZDetailDelegate(QObject *parent, int column, const QPixmap &pixmap);

    int column() const { return m_column; }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    QString displayText(const QVariant &value, const QLocale &locale) const override;

private:
    QPixmap m_pixmap;
    int m_column = -1;
};
