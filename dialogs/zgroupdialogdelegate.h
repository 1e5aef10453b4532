#pragma once

#include <QStringList>
#include <QStyledItemDelegate>

class ZGroupDialog;

// The editors of the group-by table: a combo box of the fields in column 0,
// of the field's rules in column 1 (none when the field has no rules), and
// the level format editor (ZStyleCombo) in column 2. Its parent is the
// dialog, from which it learns the fields, their levels and date columns.
class ZGroupDialogDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit ZGroupDialogDelegate(QObject *parent = nullptr);
    ~ZGroupDialogDelegate() override;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;

    QStringList ruleFromColumn(const QString &caption) const;
    // The dialog's level count of a column: -1 when none, 0 without dialog.
    int columnLevels(int column) const;
    const QStringList &levelRules() const { return m_rules; }

public slots:
    void closeAndCommitEditor();

protected:
    bool eventFilter(QObject *object, QEvent *event) override;

private:
    ZGroupDialog *dialog() const;

    QStringList m_rules;
};
