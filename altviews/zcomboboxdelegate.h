#pragma once

#include <QItemDelegate>
#include <QStringList>

// Edits a cell with a combo box offering a fixed list of texts; the cell's
// text is chosen when it is among them, else the first entry.
class ZComboBoxDelegate : public QItemDelegate
{
    Q_OBJECT
public:
    explicit ZComboBoxDelegate(QObject *parent = nullptr);
    ZComboBoxDelegate(const QStringList &items, QObject *parent = nullptr);

    QStringList items() const { return m_items; }
    void setItems(const QStringList &items) { m_items = items; }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;

private:
    QStringList m_items;
};
