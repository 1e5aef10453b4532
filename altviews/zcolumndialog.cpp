#include "zcolumndialog.h"

#include <QHeaderView>

ZColumnDialog::ZColumnDialog(QHeaderView *header, QWidget *parent)
    : QDialog(parent)
    , m_header(header)
{
    setupUi(this);
    resetLists();
    connect(tbUp, &QToolButton::clicked, this, &ZColumnDialog::onUpPressed);
    connect(tbDown, &QToolButton::clicked, this, &ZColumnDialog::onDownPressed);
    connect(tbLeft, &QToolButton::clicked, this, &ZColumnDialog::onLeftPressed);
    connect(tbRight, &QToolButton::clicked, this, &ZColumnDialog::onRightPressed);
    connect(lwChosen, &QListWidget::doubleClicked, this, &ZColumnDialog::onDoubleClicked);
    connect(lwAvaiable, &QListWidget::doubleClicked, this, &ZColumnDialog::onDoubleClicked);
}

QStringList ZColumnDialog::selectedColumns() const
{
    QStringList titles;
    for (int i = 0; i < lwChosen->count(); ++i)
        titles << lwChosen->item(i)->text();
    return titles;
}

void ZColumnDialog::setColumnException(const QString &title, bool exclude)
{
    m_exceptions.removeAll(title);
    if (exclude)
        m_exceptions.append(title);
    resetLists();
}

void ZColumnDialog::resetLists()
{
    if (!m_header)
        return;
    lwAvaiable->clear();
    lwChosen->clear();
    const int count = m_header->count();
    QAbstractItemModel *model = m_header->model();
    if (count == 0 || !model)
        return;
    for (int v = 0; v < count; ++v) {
        const int section = m_header->logicalIndex(v);
        const QString title = model->headerData(section, Qt::Horizontal, Qt::DisplayRole).toString();
        if (m_exceptions.contains(title))
            continue;
        auto *item = new QListWidgetItem(title);
        item->setData(Qt::UserRole, v);
        (m_header->isSectionHidden(section) ? lwAvaiable : lwChosen)->addItem(item);
    }
}

void ZColumnDialog::onRightPressed()
{
    const QList<QListWidgetItem *> selected = lwAvaiable->selectedItems();
    for (QListWidgetItem *item : selected) {
        lwAvaiable->takeItem(lwAvaiable->row(item));
        const int position = item->data(Qt::UserRole).toInt();
        lwChosen->insertItem(std::min(position, lwChosen->count()), item);
    }
}

void ZColumnDialog::onLeftPressed()
{
    const QList<QListWidgetItem *> selected = lwChosen->selectedItems();
    for (QListWidgetItem *item : selected) {
        lwChosen->takeItem(lwChosen->row(item));
        const int position = item->data(Qt::UserRole).toInt();
        int row = 0;
        while (row < lwAvaiable->count()
               && lwAvaiable->item(row)->data(Qt::UserRole).toInt() < position)
            ++row;
        lwAvaiable->insertItem(row, item);
    }
}

void ZColumnDialog::onDoubleClicked(const QModelIndex &index)
{
    if (index.model() == lwChosen->model())
        onLeftPressed();
    else if (index.model() == lwAvaiable->model())
        onRightPressed();
}

void ZColumnDialog::onUpPressed()
{
    const int row = lwChosen->currentRow();
    if (row <= 0)
        return;
    QListWidgetItem *item = lwChosen->takeItem(row);
    lwChosen->insertItem(row - 1, item);
    lwChosen->setCurrentRow(row - 1);
}

void ZColumnDialog::onDownPressed()
{
    const int row = lwChosen->currentRow();
    if (row < 0 || row >= lwChosen->count() - 1)
        return;
    QListWidgetItem *item = lwChosen->takeItem(row);
    lwChosen->insertItem(row + 1, item);
    lwChosen->setCurrentRow(row + 1);
}
