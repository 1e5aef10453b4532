#include "zdataitemdelegate.h"

#include <QDateEdit>
#include <QDateTime>
#include <QPainter>
#include <QTreeView>

ZDataItemDelegate::ZDataItemDelegate(QObject *parent)
    : ZRelationalDelegate(parent)
{
    init();
}

void ZDataItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const
{
    painter->save();
    QStyleOptionViewItem opt = option;
    if (index.model() && index.model()->hasChildren(index)) {
        opt.font.setWeight(75);
        opt.palette.setBrush(QPalette::All, QPalette::Text, QBrush(QColor(255, 255, 255, 255)));
    }
    QStyledItemDelegate::paint(painter, opt, index);
    painter->restore();
}

QSize ZDataItemDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    return {QStyledItemDelegate::sizeHint(option, index).width(), 22};
}

QWidget *ZDataItemDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                         const QModelIndex &index) const
{
    if (index.data(Qt::DisplayRole).toDateTime().isValid()) {
        auto *editor = new QDateEdit(parent);
        editor->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        return editor;
    }
    return QStyledItemDelegate::createEditor(parent, option, index);
}

void ZDataItemDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (auto *dateEdit = qobject_cast<QDateEdit *>(editor))
        dateEdit->setDate(index.data(Qt::EditRole).toDate());
    QStyledItemDelegate::setEditorData(editor, index);
}

void ZDataItemDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                     const QModelIndex &index) const
{
    QStyledItemDelegate::setModelData(editor, model, index);
}

void ZDataItemDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                             const QModelIndex &) const
{
    editor->setGeometry(option.rect);
}

QString ZDataItemDelegate::displayText(const QVariant &value, const QLocale &) const
{
    const QDateTime date = value.toDateTime();
    if (date.isValid())
        return date.toString(QStringLiteral("dd-MM-yyyy"));
    const QString text = value.toString();
    if (text.indexOf(QLatin1Char('_')) == 2)
        return text.mid(3);
    return text;
}

bool ZDataItemDelegate::isFirstColumn(int column) const
{
    auto *tree = qobject_cast<QTreeView *>(parent());
    return tree && tree->treePosition() == column;
}
