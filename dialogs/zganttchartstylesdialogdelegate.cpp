#include "zganttchartstylesdialogdelegate.h"

#include "zganttchartstylesdialog.h"
#include "zganttchartstylesdialogmodel.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

using Model = ZGanttChartStylesDialogModel;

namespace {

// The style's own focus frame hardly shows on a highlighted row: the list's
// current cell, while the list has the keys, is framed in its text colour.
void frameFocusedCell(QPainter *painter, const QStyleOptionViewItem &option)
{
    if (!(option.state & QStyle::State_HasFocus))
        return;
    const QPalette::ColorRole text =
        (option.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text;
    painter->save();
    painter->setPen(QPen(option.palette.color(text), 1));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    painter->restore();
}

} // namespace

ZGanttChartStylesDialogDelegate::ZGanttChartStylesDialogDelegate(const QStringList &columns,
                                                                 QObject *parent)
    : ZGanttViewDelegate(parent)
    , m_columns(columns)
    , m_dialog(qobject_cast<ZGanttChartStylesDialog *>(parent))
{
}

void ZGanttChartStylesDialogDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                            const QModelIndex &index) const
{
    if (!m_dialog)
        return;
    if (index.column() == Model::AppearanceColumn) {
        QStyleOptionViewItem preview(option);
        if (option.state & QStyle::State_Selected)
            painter->fillRect(option.rect, option.palette.brush(QPalette::Window));
        const QRect cell = option.rect;
        const int cx = (cell.left() + cell.right()) / 2;
        const int cy = (cell.top() + cell.bottom()) / 2;
        preview.rect = QRect(QPoint(cx - 99, cy - 10), QPoint(cx + 100, cy + 11));
        preview.state = QStyle::State_Active;
        const ZGanttViewBarStyle style = index.data(Qt::EditRole).value<ZGanttViewBarStyle>();
        drawGanttChartItem(painter, preview, index, style);
        drawGanttChartText(painter, preview, index, style);
        // Drawn on the window's colour, not the highlight.
        QStyleOptionViewItem plain(option);
        plain.state &= ~QStyle::State_Selected;
        frameFocusedCell(painter, plain);
        return;
    }
    if (index.column() == Model::ShowColumn) {
        QStyle *style = QApplication::style();
        QStyleOptionButton button;
        button.state = QStyle::State_Enabled
            | (index.data(Model::VisibleRole).toBool() ? QStyle::State_On : QStyle::State_Off);
        const QRect indicator = style->subElementRect(QStyle::SE_CheckBoxIndicator, &button);
        button.rect = option.rect;
        button.rect.setLeft(option.rect.left() - indicator.width() / 2 + option.rect.width() / 2);
        style->drawControl(QStyle::CE_CheckBox, &button, painter);
        frameFocusedCell(painter, option);
        return;
    }
    // Name and date columns are plain text: the base delegate's own paint
    // draws a Gantt bar per row, which belongs to the chart views only.
    QStyledItemDelegate::paint(painter, option, index);
    frameFocusedCell(painter, option);
}

void ZGanttChartStylesDialogDelegate::drawGanttChartText(QPainter *painter,
                                                         const QStyleOptionViewItem &option,
                                                         const QModelIndex &,
                                                         const ZGanttViewBarStyle &style) const
{
    const QRect r = option.rect;
    const QFontMetrics metrics(option.font);
    painter->save();
    painter->setFont(option.font);
    for (auto it = style.displayColumns.cbegin(); it != style.displayColumns.cend(); ++it) {
        const QString &text = it.value();
        const int w = metrics.boundingRect(text).width();
        QRect box;
        Qt::Alignment alignment;
        switch (it.key()) {
        case ZGanttViewBarStyle::TextRight:
            box = QRect(r.right() + 10, r.top(), w, r.height());
            alignment = Qt::AlignLeft | Qt::AlignVCenter;
            break;
        case ZGanttViewBarStyle::TextTop:
            box = QRect(r.left(), r.top() - r.height() + 1, w, r.height()); // bottom = R.top
            alignment = Qt::AlignHCenter | Qt::AlignBottom;
            break;
        case ZGanttViewBarStyle::TextBottom:
            box = QRect(r.left(), r.bottom(), w, r.height());
            alignment = Qt::AlignHCenter | Qt::AlignTop;
            break;
        case ZGanttViewBarStyle::TextInside:
            box = QRect(r.center().x() - (w - 1) / 2, r.top(), w, r.height());
            alignment = Qt::AlignCenter;
            break;
        default:
            box = QRect(r.left() - 10 - w + 1, r.top(), w, r.height()); // right = R.left - 10
            alignment = Qt::AlignRight | Qt::AlignVCenter;
            break;
        }
        painter->drawText(box, int(alignment), text);
    }
    painter->restore();
}

QWidget *ZGanttChartStylesDialogDelegate::createEditor(QWidget *parent,
                                                       const QStyleOptionViewItem &option,
                                                       const QModelIndex &index) const
{
    if (index.column() == Model::StartColumn || index.column() == Model::FinishColumn)
        return new QComboBox(parent);
    return ZGanttViewDelegate::createEditor(parent, option, index);
}

void ZGanttChartStylesDialogDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *combo = qobject_cast<QComboBox *>(editor);
    if (combo
        && (index.column() == Model::StartColumn || index.column() == Model::FinishColumn)) {
        combo->addItems(m_columns);
        const int found = combo->findText(index.data(Qt::EditRole).toString(),
                                          Qt::MatchExactly | Qt::MatchCaseSensitive);
        combo->setCurrentIndex(found >= 0 ? found : 0);
        return;
    }
    ZGanttViewDelegate::setEditorData(editor, index);
}

bool ZGanttChartStylesDialogDelegate::editorEvent(QEvent *event, QAbstractItemModel *model,
                                                  const QStyleOptionViewItem &option,
                                                  const QModelIndex &index)
{
    if (event->type() == QEvent::MouseButtonRelease && index.column() == Model::ShowColumn
        && model) {
        model->setData(index, !index.data(Model::VisibleRole).toBool(), Model::VisibleRole);
        return true;
    }
    // Space ticks the "Show" box of the current style, as it ticks a check
    // box, whichever cell of the row is current.
    const auto *key = event->type() == QEvent::KeyPress ? static_cast<QKeyEvent *>(event) : nullptr;
    if (key && model && key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
        const QModelIndex show = index.siblingAtColumn(Model::ShowColumn);
        model->setData(show, !show.data(Model::VisibleRole).toBool(), Model::VisibleRole);
        return true;
    }
    return ZGanttViewDelegate::editorEvent(event, model, option, index);
}
