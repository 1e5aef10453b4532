#include "zgroupedcolumndialog.h"

#include "ui_zgroupedcolumndialog.h"
#include "zsortfilterdelegate.h"
#include "zsortfilterwidget.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QStandardItemModel>

ZGroupedColumnDialog::ZGroupedColumnDialog(QHeaderView *header, QWidget *parent)
    : QDialog(parent)
    , m_ui(new Ui::ZGroupedColumnDialog)
    , m_header(header)
{
    m_ui->setupUi(this);
    m_availableModel = new QStandardItemModel(this);
    m_chosenModel = new QStandardItemModel(this);
    m_ui->lwAvaiable->setModel(m_availableModel);
    m_ui->lwChosen->setModel(m_chosenModel);
    for (QAbstractItemView *view :
         {static_cast<QAbstractItemView *>(m_ui->lwAvaiable), static_cast<QAbstractItemView *>(m_ui->lwChosen)}) {
        view->setAttribute(Qt::WA_Hover, true);
        view->viewport()->installEventFilter(this);
    }
    buildLists();

    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_ui->tbUp, &QToolButton::clicked, this, &ZGroupedColumnDialog::onUpPressed);
    connect(m_ui->tbDown, &QToolButton::clicked, this, &ZGroupedColumnDialog::onDownPressed);
    connect(m_ui->tbLeft, &QToolButton::clicked, this, &ZGroupedColumnDialog::onLeftPressed);
    connect(m_ui->tbRight, &QToolButton::clicked, this, &ZGroupedColumnDialog::onRightPressed);
    connect(m_ui->lwAvaiable, &QAbstractItemView::doubleClicked, this,
            &ZGroupedColumnDialog::onDoubleClicked);
    connect(m_ui->lwChosen, &QAbstractItemView::doubleClicked, this,
            &ZGroupedColumnDialog::onDoubleClicked);
}

ZGroupedColumnDialog::~ZGroupedColumnDialog()
{
    delete m_ui;
}

void ZGroupedColumnDialog::setGroupHidden(const QString &group, bool hidden)
{
    m_hiddenGroups.removeAll(group);
    if (hidden)
        m_hiddenGroups.append(group);
    buildLists();
}

void ZGroupedColumnDialog::setColumnException(const QString &caption, bool excluded)
{
    m_columnExceptions.removeAll(caption);
    if (excluded)
        m_columnExceptions.append(caption);
    buildLists();
}

void ZGroupedColumnDialog::setSortFilterWidget(ZSortFilterWidget *widget)
{
    m_sortFilterWidget = widget;
    m_ui->lwChosen->setItemDelegateForColumn(0, new ZSortFilterDelegate(widget, m_ui->lwChosen));
    m_ui->lwAvaiable->setItemDelegateForColumn(0,
                                              new ZSortFilterDelegate(widget, m_ui->lwAvaiable));
    if (!widget)
        return;
    connect(m_ui->btnClearAllFilters, &QPushButton::clicked, widget,
            &ZSortFilterWidget::clearAllFilters);
    connect(widget, &ZSortFilterWidget::filtered, m_ui->lwChosen->viewport(),
            QOverload<>::of(&QWidget::update));
    connect(widget, &ZSortFilterWidget::filtered, m_ui->lwAvaiable->viewport(),
            QOverload<>::of(&QWidget::update));
}

QTreeView *ZGroupedColumnDialog::availableView() const
{
    return m_ui->lwAvaiable;
}

QListView *ZGroupedColumnDialog::chosenView() const
{
    return m_ui->lwChosen;
}

QPushButton *ZGroupedColumnDialog::clearAllFiltersButton() const
{
    return m_ui->btnClearAllFilters;
}

QStringList ZGroupedColumnDialog::selectedColumns() const
{
    QStringList captions;
    for (int r = 0; r < m_chosenModel->rowCount(); ++r)
        captions << m_chosenModel->item(r)->text();
    return captions;
}

void ZGroupedColumnDialog::buildLists()
{
    if (!m_header || !m_header->model())
        return;
    m_availableModel->clear();
    m_chosenModel->clear();
    m_groupItems.clear();
    m_groupItems.insert(QString(), m_availableModel->invisibleRootItem());

    const QAbstractItemModel *model = m_header->model();
    for (int p = 0; p < m_header->count(); ++p) {
        const int c = m_header->logicalIndex(p);
        const QString caption = model->headerData(c, Qt::Horizontal).toString();
        const QString group = model->headerData(c, Qt::Horizontal, GroupRole).toString();
        if (m_columnExceptions.contains(caption) || m_hiddenGroups.contains(group))
            continue;
        auto *entry = new QStandardItem(caption);
        entry->setData(p, VisualPositionRole);
        entry->setData(group, GroupRole);
        entry->setData(c, LogicalColumnRole);
        QStandardItem *groupItem = m_groupItems.value(group, nullptr);
        if (!groupItem) {
            groupItem = new QStandardItem(group);
            groupItem->setData(c, VisualPositionRole);
            m_groupItems.insert(group, groupItem);
        }
        if (m_header->isSectionHidden(c))
            groupItem->appendRow(entry);
        else
            m_chosenModel->appendRow(entry);
    }
    // Group rows after the columns without a group, by name (the map's
    // order); also groups none of whose columns is hidden.
    for (auto it = m_groupItems.cbegin(); it != m_groupItems.cend(); ++it) {
        if (!it.key().isEmpty())
            m_availableModel->appendRow(it.value());
    }
}

void ZGroupedColumnDialog::onRightPressed()
{
    const QModelIndex current = m_ui->lwAvaiable->currentIndex();
    if (!current.isValid())
        return;
    const int row = current.row();
    const QModelIndex parent = current.parent();
    QStandardItem *item = m_availableModel->itemFromIndex(current);
    const QString group = current.data(GroupRole).toString();
    if (!group.isEmpty()) {
        QStandardItem *groupItem = m_groupItems.value(group, nullptr);
        if (!groupItem)
            return;
        m_chosenModel->appendRow(groupItem->takeRow(item->row()));
    } else if (m_groupItems.contains(item->text()) && !parent.isValid()
               && !item->data(LogicalColumnRole).isValid()) {
        // A group row: all its columns move, the row stays.
        while (item->rowCount() > 0)
            m_chosenModel->appendRow(item->takeRow(0));
    } else {
        m_chosenModel->appendRow(m_availableModel->takeRow(row));
    }
    const QModelIndex same = m_availableModel->index(row, 0, parent);
    const int topRows = m_availableModel->rowCount();
    m_ui->lwAvaiable->setCurrentIndex(
        row < topRows && same.isValid() ? same : m_availableModel->index(row - 1, 0, parent));
}

void ZGroupedColumnDialog::onLeftPressed()
{
    const QModelIndex current = m_ui->lwChosen->currentIndex();
    if (!current.isValid())
        return;
    const int row = current.row();
    const int position = current.data(VisualPositionRole).toInt();
    const QString group = current.data(GroupRole).toString();
    const QList<QStandardItem *> taken = m_chosenModel->takeRow(row);
    QStandardItem *parent = group.isEmpty() ? m_availableModel->invisibleRootItem()
                                            : m_groupItems.value(group, nullptr);
    if (!parent)
        parent = m_availableModel->invisibleRootItem();
    int at = 0;
    while (at < parent->rowCount()
           && parent->child(at)->data(VisualPositionRole).toInt() < position)
        ++at;
    parent->insertRow(at, taken);
    m_ui->lwAvaiable->setCurrentIndex(taken.first()->index());
    const int rows = m_chosenModel->rowCount();
    if (rows > 0)
        m_ui->lwChosen->setCurrentIndex(m_chosenModel->index(row < rows ? row : rows - 1, 0));
}

void ZGroupedColumnDialog::moveChosen(int step)
{
    const QModelIndex current = m_ui->lwChosen->currentIndex();
    if (!current.isValid())
        return;
    const int row = current.row();
    const int target = row + step;
    if (target < 0 || target >= m_chosenModel->rowCount())
        return;
    m_chosenModel->insertRow(target, m_chosenModel->takeRow(row));
    m_ui->lwChosen->setCurrentIndex(m_chosenModel->index(target, 0));
}

void ZGroupedColumnDialog::onUpPressed()
{
    moveChosen(-1);
}

void ZGroupedColumnDialog::onDownPressed()
{
    moveChosen(1);
}

void ZGroupedColumnDialog::onDoubleClicked(const QModelIndex &index)
{
    // The entry double-clicked is the one moved.
    if (index.model() == m_chosenModel) {
        m_ui->lwChosen->setCurrentIndex(index);
        onLeftPressed();
    } else if (index.model() == m_availableModel) {
        m_ui->lwAvaiable->setCurrentIndex(index);
        onRightPressed();
    }
}

void ZGroupedColumnDialog::clearAllFilters()
{
    // The button is wired to the sort/filter widget itself.
}

bool ZGroupedColumnDialog::eventFilter(QObject *watched, QEvent *event)
{
    QAbstractItemView *view = nullptr;
    if (watched == m_ui->lwAvaiable->viewport())
        view = m_ui->lwAvaiable;
    else if (watched == m_ui->lwChosen->viewport())
        view = m_ui->lwChosen;
    if (!view)
        return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const QModelIndex index = view->indexAt(mouse->pos());
        if (index.isValid() && !index.data(GroupRole).toString().isEmpty())
            emit popUp(view->visualRect(index), index.data(LogicalColumnRole).toInt(),
                       mouse->pos());
    } else if (event->type() == QEvent::MouseMove) {
        view->viewport()->update();
    }
    return false;
}
