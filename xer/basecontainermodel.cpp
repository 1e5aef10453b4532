#include "basecontainermodel.h"

BaseContainerModel::BaseContainerModel(QObject *parent)
    : QAbstractItemModel(parent)
{
}

BaseContainerModel::~BaseContainerModel() = default;

QModelIndex BaseContainerModel::index(int row, int column, const QModelIndex &parent) const
{
    if (parent.isValid() || !m_container || row < 0 || column < 0
        || row >= m_container->rowCount() || column >= m_container->fieldCount())
        return {};
    return createIndex(row, column);
}

QModelIndex BaseContainerModel::parent(const QModelIndex &) const
{
    return {};
}

int BaseContainerModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_container)
        return 0;
    return m_container->rowCount();
}

int BaseContainerModel::columnCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_container)
        return 0;
    return m_container->fieldCount();
}

QVariant BaseContainerModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !m_container || index.row() < 0 || index.column() < 0
        || index.model() != this)
        return {};
    return m_container->value(index.row(), index.column());
}

bool BaseContainerModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::DisplayRole || !m_container || index.model() != this)
        return false;
    return m_container->setValue(index.row(), index.column(), value);
}

QVariant BaseContainerModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || !m_container || section < 0
        || section >= m_container->fieldCount())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return m_container->fieldDisplay(section);
    case FieldIdRole:
        return m_container->fieldId(section);
    case FieldGroupRole:
        return m_container->fieldGroup(section);
    case FieldDescriptorRole:
        return m_container->fieldDescriptor(section);
    default:
        return {};
    }
}

void BaseContainerModel::setContainer(const std::shared_ptr<IContainer> &container)
{
    beginResetModel();
    m_container = container;
    endResetModel();
}
