#include "resources.h"

#include "zfilterdialogproxymodel.h"
#include "zsortfilterheader.h"
#include "zsortfilterwidget.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QTableView>

Resources::Resources(QWidget *parent)
    : QWidget(parent)
{
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("Resources"));
    resize(400, 300);
    setWindowTitle(QStringLiteral("Form"));
    auto *layout = new QHBoxLayout(this);
    layout->setObjectName(QStringLiteral("horizontalLayout"));
    m_tableView = new QTableView(this);
    m_tableView->setObjectName(QStringLiteral("tableView"));
    layout->addWidget(m_tableView);

    m_tableView->setShowGrid(false);
    m_tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tableView->verticalHeader()->setVisible(false);
    m_tableView->setSelectionBehavior(QAbstractItemView::SelectRows);

    m_header = new ZSortFilterHeader(Qt::Horizontal, this);
    m_tableView->setHorizontalHeader(m_header);
    connect(m_header, &ZSortFilterHeader::filterSettingsChanged, m_header->viewport(),
            QOverload<>::of(&QWidget::update));
}

Resources::~Resources() = default;

void Resources::setModel(QAbstractItemModel *model)
{
    if (!model)
        return;
    // One filter box per header: the previous project's proxy and box go,
    // and so does the header's record of its filters and sorting.
    delete m_sortFilterWidget;
    ZFilterDialogProxyModel *oldProxy = m_proxy;
    m_header->clearAll();
    m_header->sortByColumn(-1, Qt::AscendingOrder);

    m_proxy = new ZFilterDialogProxyModel(this);
    m_proxy->setSourceModel(model);
    m_tableView->setModel(m_proxy);
    delete oldProxy;

    m_sortFilterWidget = new ZSortFilterWidget(m_header, m_proxy, model, this);
    connect(m_header, &ZSortFilterHeader::popUp, m_sortFilterWidget.data(),
            &ZSortFilterWidget::onAutoFilterPopUp);
    m_header->setSortFilterWidget(m_sortFilterWidget);
}

QTableView *Resources::tableView() const
{
    return m_tableView;
}

ZFilterDialogProxyModel *Resources::filterModel() const
{
    return qobject_cast<ZFilterDialogProxyModel *>(m_tableView->model());
}

QAbstractItemModel *Resources::model() const
{
    ZFilterDialogProxyModel *proxy = filterModel();
    return proxy ? proxy->sourceModel() : nullptr;
}
