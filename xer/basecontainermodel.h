#pragma once

#include "fieldroles.h"
#include "icontainer.h"

#include <QAbstractItemModel>

#include <memory>

// Shows one table container as a flat item model: a row per container row, a
// column per schema column. The horizontal header carries the caption under
// the display role and the column's id, group and descriptor under the
// FieldRole roles. Only the display role holds data.
class BaseContainerModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    explicit BaseContainerModel(QObject *parent = nullptr);
    ~BaseContainerModel() override;

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    // Writes the display role into the container, without change signals.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void setContainer(const std::shared_ptr<IContainer> &container);
    std::shared_ptr<IContainer> container() const { return m_container; }

private:
    std::shared_ptr<IContainer> m_container; // Shared with the loader while it reads.
};
