#include "zgroupedtreeviewdelegate.h"

#include "captions.h"
#include "paintguard.h"

#include <QDateTime>

ZGroupedTreeViewDelegate::ZGroupedTreeViewDelegate(int column, QObject *parent)
    : QStyledItemDelegate(parent), m_column(column)
{
}

void ZGroupedTreeViewDelegate::init()
{
    m_column = 0;
    m_rowHeight = 22;
}

void ZGroupedTreeViewDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                     const QModelIndex &index) const
{
    // Qt's painting cannot unwind: memory running out stops here.
    paintguard::run([&] {
        QStyleOptionViewItem opt(option);
        QModelIndex idx = index;
        if (option.version == MergedCellVersion) {
            opt.version = 1;
            if (index.column() != m_column)
                idx = index.model() ? index.sibling(index.row(), m_column) : QModelIndex();
        }
        QStyledItemDelegate::paint(painter, opt, idx);
    });
}

QSize ZGroupedTreeViewDelegate::sizeHint(const QStyleOptionViewItem &option,
                                         const QModelIndex &index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(m_rowHeight);
    return size;
}

QString ZGroupedTreeViewDelegate::displayText(const QVariant &value, const QLocale &) const
{
    // Asked by Qt's painting, which cannot unwind.
    QString text;
    paintguard::run([&] { text = shownText(formatValue(value)); });
    return text;
}

QString ZGroupedTreeViewDelegate::dateText(const QVariant &value)
{
    switch (value.userType()) {
    case QMetaType::QDate:
    case QMetaType::QDateTime:
    case QMetaType::QString: {
        const QDateTime dt = value.toDateTime();
        if (dt.isValid())
            return dt.toString(QStringLiteral("dd-MM-yyyy"));
        break;
    }
    default:
        break;
    }
    return QString();
}

QString ZGroupedTreeViewDelegate::formatValue(const QVariant &value)
{
    const QString date = dateText(value);
    if (!date.isEmpty())
        return date;
    const QString text = value.toString();
    // The first "_" at position 2, found without reading a long text whole.
    if (text.size() > 2 && text.at(2) == QLatin1Char('_') && text.at(0) != QLatin1Char('_')
        && text.at(1) != QLatin1Char('_'))
        return text.mid(3);
    return text;
}
