#include "zcomboboxdelegate.h"

#include <QComboBox>

ZComboBoxDelegate::ZComboBoxDelegate(QObject *parent)
    : QItemDelegate(parent)
{
}

ZComboBoxDelegate::ZComboBoxDelegate(const QStringList &items, QObject *parent)
    : QItemDelegate(parent)
    , m_items(items)
{
}

QWidget *ZComboBoxDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                         const QModelIndex &) const
{
    return new QComboBox(parent);
}

void ZComboBoxDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *combo = qobject_cast<QComboBox *>(editor);
    if (!combo)
        return;
    // Views call this again on every data change: fill only once.
    if (combo->count() == 0)
        combo->addItems(m_items);
    const int found = combo->findText(index.data(Qt::DisplayRole).toString(), Qt::MatchExactly
                                                                                | Qt::MatchCaseSensitive);
    combo->setCurrentIndex(found >= 0 ? found : 0);
}
