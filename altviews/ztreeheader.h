#pragma once

#include <QHash>
#include <QHeaderView>
#include <QList>
#include <QMap>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QRectF>
#include <QStyleOptionHeader>

// A multi-level header taken from a tree model (column 0): every item is a
// header cell, the leaves are the header's sections in tree order, and a
// branch spans the sections of its leaves on the row (horizontal header) or
// column (vertical header) of its depth. Branch cells collapse and expand
// with their branch indicator; a collapsed branch keeps only its first leaf
// section and stretches over the levels below it. Each level has its own
// size, dragged with the mouse or fitted with a double click on its edge.
//
// The tree model is the header's own: setModel() does not hand it to
// QHeaderView. A view that passes its own model to its header would replace
// it, so a caller installs the header first and sets the tree model last.
// At most 32000 children per parent are shown.
class ZTreeHeader : public QHeaderView
{
    Q_OBJECT
public:
    explicit ZTreeHeader(Qt::Orientation orientation, QWidget *parent = nullptr);
    ~ZTreeHeader() override;

    void setModel(QAbstractItemModel *model) override;
    QAbstractItemModel *treeModel() const { return m_treeModel; }
    QSize sizeHint() const override;
    QRect visualRect(const QModelIndex &index) const override;
    QModelIndex indexAt(const QPoint &point) const override;
    // QHeaderView rebuilds its sections from its own (empty) model here;
    // the sections are the tree's leaves instead.
    void doItemsLayout() override;
    void reset() override;

    void calculateRectsIfNecessary();
    QList<QModelIndex> preorderList(const QModelIndex &parent) const;
    QList<QModelIndex> leafList(const QModelIndex &parent) const;
    QModelIndex leafAt(int section) const;
    int level(const QModelIndex &index) const;
    int section(const QModelIndex &index) const;
    int levelSize(int level) const;
    int levelOffset(int level) const;
    void setLevelSizel(int level, int size);
    int levelEdgeAt(const QPoint &point) const;
    void autoResizeLevel(int level);
    bool isVisible(const QModelIndex &index) const;
    bool isCollapsed(const QModelIndex &index) const;
    QRect branchRect(const QRectF &cell) const;
    QStyleOptionHeader styleOption(int section) const;
    void expand(const QModelIndex &index);
    void collapse(const QModelIndex &index);
    void toggleHidden(const QModelIndex &index, bool hide);
    void collapseHelper(const QModelIndex &index, bool collapse, int fromLevel);
    int deepestLevel() const { return m_deepestLevel; }
    using QWidget::isVisible;

signals:
    void branchClicked(const QModelIndex &index);
    void expanded(const QModelIndex &index);
    void collapsed(const QModelIndex &index);

public slots:
    void onSectionResized(int logicalIndex);
    void onBranchClicked(const QModelIndex &index);
    void onLayoutChanged();
    void onDataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void init();
    void walk(const QModelIndex &parent, int level, int *leafCounter);
    // Coordinate of a point on the level axis.
    int levelCoordinate(const QPoint &point) const;
    int sectionShift() const;

    QMap<int, int> m_levelSizes;
    int m_resizeLevel = -1;
    bool m_resizing = false;
    Qt::CursorShape m_splitCursor = Qt::SplitVCursor;
    int m_totalWidth = 0;
    int m_totalHeight = 0;
    int m_deepestLevel = -1;
    QHash<QModelIndex, QRectF> m_rects;
    QList<QPersistentModelIndex> m_leaves;
    bool m_dirty = false;
    QPointer<QAbstractItemModel> m_treeModel; // Not owned.
    QList<QPersistentModelIndex> m_collapsed;
};
