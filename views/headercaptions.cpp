#include "headercaptions.h"

#include <QAbstractItemModel>
#include <QEvent>
#include <QHeaderView>
#include <QHelpEvent>
#include <QIcon>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QToolTip>

namespace {

// Answers tooltip requests over the header's sections with the caption of a
// section that shows it cut.
class CaptionTips : public QObject
{
public:
    explicit CaptionTips(QHeaderView *header)
        : QObject(header)
        , m_header(header)
    {
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::ToolTip || watched != m_header->viewport())
            return false;
        const QAbstractItemModel *model = m_header->model();
        const auto *help = static_cast<QHelpEvent *>(event);
        const int section = m_header->logicalIndexAt(help->pos());
        if (!model || section < 0
            || model->headerData(section, m_header->orientation(), Qt::ToolTipRole).isValid()
            || captionFits(m_header, section))
            return false;
        QToolTip::showText(help->globalPos(),
                           model->headerData(section, m_header->orientation()).toString(),
                           m_header->viewport());
        return true;
    }

private:
    QHeaderView *m_header; // Not owned: the filter's parent.
};

} // namespace

void fitCaptions(QHeaderView *header)
{
    if (!header)
        return;
    // The default, no eliding, centres a long caption in its section and
    // clips it: both ends are lost and nothing shows that it was cut.
    header->setTextElideMode(Qt::ElideRight);
    header->viewport()->installEventFilter(new CaptionTips(header));
}

bool captionFits(const QHeaderView *header, int logicalIndex)
{
    const QAbstractItemModel *model = header ? header->model() : nullptr;
    if (!model || logicalIndex < 0 || logicalIndex >= header->count())
        return true;
    // The room the header leaves a caption when it paints the section.
    QStyleOptionHeader option;
    option.initFrom(header);
    option.orientation = header->orientation();
    if (option.orientation == Qt::Horizontal)
        option.state |= QStyle::State_Horizontal;
    option.section = logicalIndex;
    option.text = model->headerData(logicalIndex, header->orientation()).toString();
    option.rect = header->orientation() == Qt::Horizontal
        ? QRect(0, 0, header->sectionSize(logicalIndex), header->height())
        : QRect(0, 0, header->width(), header->sectionSize(logicalIndex));
    const bool sorted = header->isSortIndicatorShown() && header->sortIndicatorSection() == logicalIndex;
    // The style's label leaves the arrow out of the room too.
    if (sorted) {
        option.sortIndicator = header->sortIndicatorOrder() == Qt::AscendingOrder ? QStyleOptionHeader::SortDown
                                                                                 : QStyleOptionHeader::SortUp;
    }
    QStyle *style = header->style();
    int margin = 2 * style->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    const auto arrow = Qt::Alignment(style->styleHint(QStyle::SH_Header_ArrowAlignment, nullptr, header));
    if (sorted && (arrow & Qt::AlignVCenter))
        margin += style->pixelMetric(QStyle::PM_SmallIconSize, nullptr, header);
    const QVariant decoration = model->headerData(logicalIndex, header->orientation(), Qt::DecorationRole);
    if (!decoration.isNull())
        margin += style->pixelMetric(QStyle::PM_SmallIconSize, nullptr, header)
            + style->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    const QRect room = style->subElementRect(QStyle::SE_HeaderLabel, &option, header);
    return option.fontMetrics.elidedText(option.text, Qt::ElideRight, room.width() - margin)
        == option.text;
}
