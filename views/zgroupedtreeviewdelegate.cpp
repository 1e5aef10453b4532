#include "zgroupedtreeviewdelegate.h"

#include "captions.h"
#include "paintguard.h"

#include <QApplication>
#include <QDateTime>
#include <QPainter>

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
        // The copy is of the option's own version, not of the view's marker:
        // the style takes an option of an older version for no item at all
        // and draws nothing of it.
        QStyleOptionViewItem opt(option);
        opt.version = QStyleOptionViewItem::Version;
        QModelIndex idx = index;
        if (option.version == MergedCellVersion && index.column() != m_column)
            idx = index.model() ? index.sibling(index.row(), m_column) : QModelIndex();
        initStyleOption(&opt, idx);
        const QWidget *widget = opt.widget;
        QStyle *style = widget ? widget->style() : QApplication::style();
        if (!plainText(opt)) {
            style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
            return;
        }
        // A single line with no icon, check, focus frame or highlight is
        // elided and drawn here, on the style's panel: the style would lay
        // out each cell's text twice more to place it, most of the time a
        // whole table's picture takes.
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, widget);
        const QString &text = opt.text;
        if (text.isEmpty())
            return;
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
        const QRect textRect = opt.rect.adjusted(margin, 0, -margin, 0);
        QPalette::ColorGroup group = QPalette::Disabled;
        if (opt.state & QStyle::State_Enabled)
            group = (opt.state & QStyle::State_Active) ? QPalette::Normal : QPalette::Inactive;
        // The line's box is centred in whole pixels, as the style centres
        // it: drawText would centre it to a fraction, which on a scaled
        // screen puts the text a device pixel off the style's, where a
        // hovered or selected cell is drawn.
        const QFontMetricsF metrics(opt.font);
        const QRect box = QStyle::alignedRect(opt.direction, opt.displayAlignment,
                                              QSize(textRect.width(), qRound(metrics.ascent() + metrics.descent())),
                                              textRect);
        painter->save();
        painter->setFont(opt.font);
        painter->setPen(opt.palette.color(group, QPalette::Text));
        painter->drawText(box, int((opt.displayAlignment & ~Qt::AlignVertical_Mask) | Qt::AlignTop),
                          opt.fontMetrics.elidedText(text, opt.textElideMode, textRect.width()));
        painter->restore();
    });
}

bool ZGroupedTreeViewDelegate::plainText(const QStyleOptionViewItem &option)
{
    const QStyleOptionViewItem::ViewItemFeatures others = QStyleOptionViewItem::WrapText
        | QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDecoration;
    // The style fits a selected or hovered cell's panel to its text.
    const QStyle::State placed = QStyle::State_HasFocus | QStyle::State_Selected | QStyle::State_MouseOver;
    if ((option.features & others) || (option.state & placed) || option.direction != Qt::LeftToRight)
        return false;
    for (const QChar c : option.text) {
        if (c == QLatin1Char('\n') || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            return false;
    }
    return true;
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
