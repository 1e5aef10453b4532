#include "zmasterdetaildialog.h"

#include "zparentitemproxymodel.h"

#include <QRegExp>
#include <QSortFilterProxyModel>

ZMasterDetailDialog::ZMasterDetailDialog(QAbstractItemModel *master, QAbstractItemModel *detail,
                                         QWidget *parent)
    : QDialog(parent)
    , m_master(master)
    , m_detail(detail)
{
    setupUi(this);
    m_tree = new ZParentItemProxyModel(this);
    m_tree->setSourceModel(detail);
    m_filter = new QSortFilterProxyModel(this);
    m_filter->setSourceModel(m_tree);
    m_filter->setFilterKeyColumn(0);
    treeView->setModel(m_filter);
    comboBox->setModel(master);
    comboBox->setModelColumn(1);
    // Connected after the model is set, so the detail starts unfiltered.
    connect(comboBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &ZMasterDetailDialog::comboIndexChanged);
}

void ZMasterDetailDialog::setParentStructure(int idColumn, int parentIdColumn)
{
    m_tree->setParentStructure(idColumn, parentIdColumn);
}

void ZMasterDetailDialog::setColumnHidden(int column, bool hide)
{
    treeView->setColumnHidden(column, hide);
}

void ZMasterDetailDialog::setTreeColumn(int column)
{
    treeView->setTreePosition(column);
}

void ZMasterDetailDialog::comboIndexChanged(int row)
{
    if (!m_master)
        return;
    const QString text = m_master->index(row, 0).data().toString();
    m_filter->setFilterRegExp(QRegExp(text, Qt::CaseInsensitive, QRegExp::FixedString));
}
