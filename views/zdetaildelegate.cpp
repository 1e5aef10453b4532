#include "zdetaildelegate.h"

#include "captions.h"
#include "paintguard.h"

#include "zgroupedtreeviewdelegate.h"

#include <QDateTime>
#include <QLineEdit>
#include <QPainter>

ZDetailDelegate::ZDetailDelegate(QObject *parent, int column, const QPixmap &pixmap)
    : QStyledItemDelegate(parent), m_pixmap(pixmap), m_column(pixmap.isNull() ? -1 : column)
{
}

void ZDetailDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                            const QModelIndex &index) const
{
    // Qt's painting cannot unwind: memory running out stops here.
    paintguard::run([&] {
        if (!index.isValid() || index.column() != m_column) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        const QRect &r = option.rect;
        const int side = qMin(r.width(), r.height());
        painter->save();
        painter->drawPixmap(QRect(r.topLeft(), QSize(side, side)), m_pixmap);
        painter->restore();
        QStyleOptionViewItem opt(option);
        opt.rect = QRect(QPoint(r.left() + side - 1, r.top()), QPoint(r.right() - 1, r.bottom()));
        QStyledItemDelegate::paint(painter, opt, index);
    });
}

QSize ZDetailDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    if (index.column() == 0)
        size.rwidth() += 32;
    return size;
}

void ZDetailDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *lineEdit = qobject_cast<QLineEdit *>(editor);
    if (!lineEdit) {
        QStyledItemDelegate::setEditorData(editor, index);
        return;
    }
    const QVariant value = index.data(Qt::DisplayRole);
    QString text = ZGroupedTreeViewDelegate::dateText(value);
    if (text.isEmpty()) {
        text = value.toString();
        if (text.startsWith(QLatin1String("PR_")))
            text = text.mid(3);
    }
    lineEdit->setText(shownText(text));
}

QString ZDetailDelegate::displayText(const QVariant &value, const QLocale &) const
{
    // Asked by Qt's painting, which cannot unwind.
    QString text;
    paintguard::run([&] { text = shownText(ZGroupedTreeViewDelegate::formatValue(value)); });
    return text;
}
