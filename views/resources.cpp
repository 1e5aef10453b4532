#include "resources.h"

#include "modelhelpers.h"
#include "zfilterdialogproxymodel.h"
#include "zsortfilterheader.h"
#include "zheaderfilterbox.h"

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
    dropSortFilterWidget();
    ZFilterDialogProxyModel *oldProxy = m_proxy;
    m_header->clearAll();
    m_header->sortByColumn(-1, Qt::AscendingOrder);

    m_proxy = new ZFilterDialogProxyModel(this);
    m_proxy->setSourceModel(model);
    setTableModel(m_tableView, m_proxy);
    delete oldProxy;

    m_sortFilterWidget = ZHeaderFilterBox::create(m_header, m_proxy, model, this);
    if (m_sortFilterWidget) {
        connect(m_header, &ZSortFilterHeader::popUp, m_sortFilterWidget.data(),
                &ZHeaderFilterBox::onAutoFilterPopUp);
        m_header->setSortFilterWidget(m_sortFilterWidget);
    }
}

void Resources::dropSortFilterWidget()
{
    m_header->setSortFilterWidget(nullptr);
    if (!m_sortFilterWidget)
        return;
    ZHeaderFilterBox *widget = m_sortFilterWidget;
    m_sortFilterWidget = nullptr;
    disconnect(widget, nullptr, nullptr, nullptr);
    disconnect(m_header, nullptr, widget, nullptr);
    // Off the page at once (one box per header); deleted once control is
    // back in the event loop, as this may run inside one of its pop-ups.
    widget->hide();
    widget->setParent(nullptr);
    widget->deleteLater();
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
