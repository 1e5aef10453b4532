#include "zgroupdialogdelegate.h"

#include "modelhelpers.h"
#include "zgroupdialog.h"
#include "zstylecombo.h"

#include "zstylewidget.h"

#include <QComboBox>
#include <QEvent>

namespace {

const QStringList &dateRules()
{
    static const QStringList rules{QStringLiteral("No Rule"), QStringLiteral("Year"),
                                   QStringLiteral("Quarter"), QStringLiteral("Month"),
                                   QStringLiteral("Week"), QStringLiteral("Day")};
    return rules;
}

void selectText(QComboBox *combo, const QString &text)
{
    const int found = combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    combo->setCurrentIndex(found >= 0 ? found : 0);
}

} // namespace

ZGroupDialogDelegate::ZGroupDialogDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
    m_rules << QStringLiteral("All");
    for (int level = 1; level <= 10; ++level)
        m_rules << QStringLiteral("To level %1").arg(level);
}

ZGroupDialogDelegate::~ZGroupDialogDelegate() = default;

ZGroupDialog *ZGroupDialogDelegate::dialog() const
{
    return qobject_cast<ZGroupDialog *>(parent());
}

QStringList ZGroupDialogDelegate::ruleFromColumn(const QString &caption) const
{
    const ZGroupDialog *d = dialog();
    if (!d)
        return {};
    const int column = columnIndex(d->model(), caption);
    if (d->isDateColumn(column))
        return dateRules();
    if (d->levelsFromColumn(column) != -1)
        return m_rules;
    return {};
}

int ZGroupDialogDelegate::columnLevels(int column) const
{
    const ZGroupDialog *d = dialog();
    return d ? d->levelsFromColumn(column) : 0;
}

QWidget *ZGroupDialogDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                            const QModelIndex &index) const
{
    switch (index.column()) {
    case 0: {
        auto *combo = new QComboBox(parent);
        if (const ZGroupDialog *d = dialog())
            combo->addItems(d->columns());
        return combo;
    }
    case 1: {
        const QStringList rules = ruleFromColumn(index.sibling(index.row(), 0).data().toString());
        if (rules.isEmpty())
            return nullptr;
        auto *combo = new QComboBox(parent);
        combo->addItems(rules);
        return combo;
    }
    case 2: {
        auto *combo = new ZStyleCombo(parent);
        connect(combo, &ZStyleCombo::accepted, this, &ZGroupDialogDelegate::closeAndCommitEditor);
        return combo;
    }
    default:
        return nullptr;
    }
}

void ZGroupDialogDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    switch (index.column()) {
    case 0:
    case 1:
        if (auto *combo = qobject_cast<QComboBox *>(editor))
            selectText(combo, index.data(Qt::DisplayRole).toString());
        return;
    case 2: {
        auto *combo = qobject_cast<ZStyleCombo *>(editor);
        if (!combo || combo->isBlocked())
            return;
        // A level without a background opens its grid on "No Color", so
        // accepting it does not paint the level black.
        const QBrush brush = index.data(Qt::BackgroundRole).value<QBrush>();
        combo->setBackgroundColor(brush.style() == Qt::NoBrush ? QColor() : brush.color());
        const QVariant font = index.data(Qt::FontRole);
        combo->setFont(font.canConvert<QFont>() ? font.value<QFont>() : QFont(),
                       index.data(Qt::ForegroundRole).value<QColor>());
        return;
    }
    default:
        QStyledItemDelegate::setEditorData(editor, index);
    }
}

void ZGroupDialogDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                        const QModelIndex &index) const
{
    switch (index.column()) {
    case 0: {
        QStyledItemDelegate::setModelData(editor, model, index);
        const QModelIndex rule = model->index(index.row(), 1, index.parent());
        model->setData(rule, QString(), Qt::EditRole);
        const ZGroupDialog *d = dialog();
        if (d && columnLevels(columnIndex(d->model(), index.data().toString())) > 0)
            model->setData(rule, QStringLiteral("All"), Qt::EditRole);
        return;
    }
    case 1:
        QStyledItemDelegate::setModelData(editor, model, index);
        return;
    case 2: {
        auto *combo = qobject_cast<ZStyleCombo *>(editor);
        if (!combo)
            return;
        combo->setBlocked(true);
        const QColor background = combo->backgroundColor();
        if (background.isValid()) {
            model->setData(index, QBrush(background, Qt::SolidPattern), Qt::BackgroundRole);
        } else if (combo->isNoColorSelected()) {
            // "No Color" takes the background away; a grid that shows
            // nothing (a colour outside the palette) leaves it as it is.
            model->setData(index, QVariant(), Qt::BackgroundRole);
        }
        const QFont font = combo->selectedFont();
        model->setData(index, font, Qt::FontRole);
        model->setData(index, QStringLiteral("%1").arg(font.family()), Qt::DisplayRole);
        combo->setBlocked(false);
        model->setData(index, combo->fontColor(), Qt::ForegroundRole);
        return;
    }
    default:
        return;
    }
}

bool ZGroupDialogDelegate::eventFilter(QObject *object, QEvent *event)
{
    // The format pop-up takes the focus while it is open: the user is still
    // in the editor, which must not close (and take its pop-up with it).
    if (event->type() == QEvent::FocusOut) {
        auto *format = qobject_cast<ZStyleCombo *>(object);
        if (format && format->popup()->isVisible())
            return false;
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

void ZGroupDialogDelegate::closeAndCommitEditor()
{
    auto *editor = qobject_cast<QWidget *>(sender());
    if (!editor)
        return;
    emit commitData(editor);
    emit closeEditor(editor, QAbstractItemDelegate::NoHint);
}
