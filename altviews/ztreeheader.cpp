#include "ztreeheader.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

#include <algorithm>

namespace {

constexpr int kMaxChildren = 32000;
constexpr int kBranchSize = 16;

} // namespace

ZTreeHeader::ZTreeHeader(Qt::Orientation orientation, QWidget *parent)
    : QHeaderView(orientation, parent)
{
    init();
    m_splitCursor = orientation == Qt::Horizontal ? Qt::SplitVCursor : Qt::SplitHCursor;
}

ZTreeHeader::~ZTreeHeader() = default;

void ZTreeHeader::init()
{
    m_resizing = false;
    m_dirty = false;
    m_treeModel = nullptr;
    m_totalWidth = 0;
    m_totalHeight = 0;
    m_deepestLevel = -1;
    setFocusPolicy(Qt::WheelFocus);
    setFont(QApplication::font("QTableView"));
    connect(this, &QHeaderView::sectionResized, this, &ZTreeHeader::onSectionResized);
    connect(this, &ZTreeHeader::branchClicked, this, &ZTreeHeader::onBranchClicked);
}

void ZTreeHeader::setModel(QAbstractItemModel *model)
{
    if (!model)
        return;
    if (m_treeModel)
        disconnect(m_treeModel, nullptr, this, nullptr);
    m_treeModel = model;
    connect(model, &QAbstractItemModel::rowsInserted, this, &ZTreeHeader::onLayoutChanged);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &ZTreeHeader::onLayoutChanged);
    // Moves, layout changes and resets outdate the cells as much.
    connect(model, &QAbstractItemModel::rowsMoved, this, &ZTreeHeader::onLayoutChanged);
    connect(model, &QAbstractItemModel::layoutChanged, this, &ZTreeHeader::onLayoutChanged);
    connect(model, &QAbstractItemModel::modelReset, this, &ZTreeHeader::onLayoutChanged);
    connect(model, &QAbstractItemModel::dataChanged, this, &ZTreeHeader::onDataChanged);
    onLayoutChanged();
}

void ZTreeHeader::onLayoutChanged()
{
    m_dirty = true;
    m_leaves.clear();
    const QList<QModelIndex> leaves = leafList(QModelIndex());
    for (const QModelIndex &leaf : leaves)
        m_leaves.append(leaf);
    if (!leaves.isEmpty())
        initializeSections(0, leaves.size() - 1);
    else
        initializeSections(); // the header's own model is empty: no sections
    updateGeometries();
    calculateRectsIfNecessary();
}

void ZTreeHeader::doItemsLayout()
{
    if (!m_leaves.isEmpty())
        initializeSections(0, m_leaves.size() - 1);
    QAbstractItemView::doItemsLayout();
}

void ZTreeHeader::reset()
{
    QAbstractItemView::reset();
    if (!m_leaves.isEmpty())
        initializeSections(0, m_leaves.size() - 1);
}

QList<QModelIndex> ZTreeHeader::preorderList(const QModelIndex &parent) const
{
    QList<QModelIndex> list;
    if (!m_treeModel)
        return list;
    if (parent.isValid())
        list.append(parent);
    const int rows = m_treeModel->rowCount(parent);
    for (int r = 0; r < rows; ++r)
        list += preorderList(m_treeModel->index(r, 0, parent));
    return list;
}

QList<QModelIndex> ZTreeHeader::leafList(const QModelIndex &parent) const
{
    QList<QModelIndex> list;
    if (!m_treeModel)
        return list;
    const int rows = m_treeModel->rowCount(parent);
    if (parent.isValid() && rows == 0)
        return {parent};
    if (rows > kMaxChildren) {
        qWarning("ZTreeHeader::leafList Invalid rowCount");
        return list;
    }
    for (int r = 0; r < rows; ++r) {
        const QModelIndex child = m_treeModel->index(r, 0, parent);
        if (m_treeModel->hasChildren(child))
            list += leafList(child);
        else
            list.append(child);
    }
    return list;
}

QModelIndex ZTreeHeader::leafAt(int section) const
{
    if (section < 0 || section >= m_leaves.size())
        return {};
    return m_leaves.at(section);
}

int ZTreeHeader::level(const QModelIndex &index) const
{
    if (!index.isValid())
        return -1;
    int n = 0;
    for (QModelIndex p = index.parent(); p.isValid(); p = p.parent())
        ++n;
    return n;
}

int ZTreeHeader::section(const QModelIndex &index) const
{
    if (!index.isValid() || !index.model())
        return -1;
    QModelIndex leaf = index.sibling(index.row(), 0);
    while (leaf.model()->hasChildren(leaf))
        leaf = leaf.model()->index(0, 0, leaf);
    for (int i = 0; i < m_leaves.size(); ++i) {
        if (m_leaves.at(i) == leaf)
            return i;
    }
    return -1;
}

int ZTreeHeader::levelSize(int level) const
{
    return m_levelSizes.value(level, orientation() == Qt::Horizontal ? 25 : 80);
}

int ZTreeHeader::levelOffset(int level) const
{
    int offset = 0;
    for (int l = 0; l < level; ++l)
        offset += levelSize(l);
    return offset;
}

void ZTreeHeader::setLevelSizel(int level, int size)
{
    const int old = m_levelSizes.value(level, 0);
    m_levelSizes.insert(level, size);
    emit sectionResized(0, old, size);
}

int ZTreeHeader::levelCoordinate(const QPoint &point) const
{
    return orientation() == Qt::Horizontal ? point.y() : point.x();
}

int ZTreeHeader::levelEdgeAt(const QPoint &point) const
{
    if (m_deepestLevel < 0)
        return -1;
    const int c = levelCoordinate(point);
    int edge = 0;
    for (int l = 0; l <= m_deepestLevel; ++l) {
        edge += levelSize(l);
        if (edge - 5 < c && c < edge + 5)
            return l;
    }
    return -1;
}

int ZTreeHeader::sectionShift() const
{
    return count() > 0 ? sectionViewportPosition(0) : -offset();
}

void ZTreeHeader::calculateRectsIfNecessary()
{
    if (!m_dirty || !m_treeModel)
        return;
    m_leaves.clear();
    m_rects.clear();
    m_totalWidth = 0;
    m_totalHeight = 0;
    m_deepestLevel = 0;
    int counter = 0;
    walk(QModelIndex(), 0, &counter);
    // Leaves and collapsed branches reach to the far end of the level axis.
    QList<QModelIndex> stretched;
    for (const QPersistentModelIndex &leaf : qAsConst(m_leaves))
        stretched.append(leaf);
    for (const QPersistentModelIndex &index : qAsConst(m_collapsed))
        stretched.append(index);
    for (const QModelIndex &index : qAsConst(stretched)) {
        auto it = m_rects.find(index);
        if (it == m_rects.end())
            continue;
        if (orientation() == Qt::Horizontal)
            it->setHeight(m_totalHeight - it->y());
        else
            it->setWidth(m_totalWidth - it->x());
    }
    m_dirty = false;
    viewport()->update();
}

void ZTreeHeader::walk(const QModelIndex &parent, int level, int *leafCounter)
{
    const int rows = m_treeModel->rowCount(parent);
    if (rows > kMaxChildren)
        return;
    for (int r = 0; r < rows; ++r) {
        const QModelIndex index = m_treeModel->index(r, 0, parent);
        const int first = *leafCounter;
        const int pos = sectionPosition(first);
        int extent = sectionSize(first);
        if (m_treeModel->hasChildren(index)) {
            walk(index, level + 1, leafCounter);
        } else {
            m_leaves.append(index);
            ++*leafCounter;
        }
        const int spanned = *leafCounter - first;
        if (spanned >= 2)
            extent = sectionPosition(*leafCounter - 1) + sectionSize(*leafCounter - 1) - pos;
        const int offset = levelOffset(level);
        const int thickness = levelSize(level) + 1;
        const QRectF rect = orientation() == Qt::Horizontal
                                ? QRectF(pos, offset, extent, thickness)
                                : QRectF(offset, pos, thickness, extent);
        m_rects.insert(index, rect);
        m_totalWidth = std::max(m_totalWidth, int(rect.x() + rect.width()));
        m_totalHeight = std::max(m_totalHeight, int(rect.y() + rect.height()));
        m_deepestLevel = std::max(m_deepestLevel, level);
    }
}

QRect ZTreeHeader::visualRect(const QModelIndex &index) const
{
    if (!index.isValid() || !index.model())
        return {};
    QRectF rect = m_rects.value(index);
    if (orientation() == Qt::Horizontal)
        rect.translate(sectionShift(), 0);
    else
        rect.translate(0, sectionShift());
    return rect.toRect();
}

QModelIndex ZTreeHeader::indexAt(const QPoint &point) const
{
    const_cast<ZTreeHeader *>(this)->calculateRectsIfNecessary();
    const QList<QModelIndex> all = preorderList(QModelIndex());
    for (const QModelIndex &index : all) {
        if (visualRect(index).contains(point))
            return index;
    }
    return {};
}

bool ZTreeHeader::isVisible(const QModelIndex &index) const
{
    if (!index.isValid())
        return false;
    if (index.model() != m_treeModel)
        qWarning("isVisible called on forigen model");
    for (QModelIndex p = index.parent(); p.isValid(); p = p.parent()) {
        if (isCollapsed(p))
            return false;
    }
    return true;
}

bool ZTreeHeader::isCollapsed(const QModelIndex &index) const
{
    for (const QPersistentModelIndex &c : m_collapsed) {
        if (c == index)
            return true;
    }
    return false;
}

QRect ZTreeHeader::branchRect(const QRectF &cell) const
{
    return QRect(int(cell.left()), int(cell.top() + cell.height() / 2 - 8), kBranchSize,
                 kBranchSize);
}

QStyleOptionHeader ZTreeHeader::styleOption(int section) const
{
    QStyleOptionHeader option;
    initStyleOption(&option);
    if (window()->isActiveWindow())
        option.state |= QStyle::State_Active;
    option.textAlignment = Qt::AlignCenter;
    option.iconAlignment = Qt::AlignVCenter;
    option.section = section;
    const int n = count();
    if (n == 1)
        option.position = QStyleOptionHeader::OnlyOneSection;
    else if (section == 0)
        option.position = QStyleOptionHeader::Beginning;
    else if (section == n - 1)
        option.position = QStyleOptionHeader::End;
    else
        option.position = QStyleOptionHeader::Middle;
    bool previous = false;
    bool next = false;
    if (highlightSections() && selectionModel()) {
        const bool horizontal = orientation() == Qt::Horizontal;
        auto selected = [&](int s) {
            if (s < 0 || s >= n)
                return false;
            return horizontal ? selectionModel()->isColumnSelected(s, rootIndex())
                              : selectionModel()->isRowSelected(s, rootIndex());
        };
        const bool intersects = horizontal
                                    ? selectionModel()->columnIntersectsSelection(section, rootIndex())
                                    : selectionModel()->rowIntersectsSelection(section, rootIndex());
        if (intersects)
            option.state |= QStyle::State_On;
        if (selected(section))
            option.state |= QStyle::State_Sunken;
        previous = selected(section - 1);
        next = selected(section + 1);
    }
    if (previous && next)
        option.selectedPosition = QStyleOptionHeader::NextAndPreviousAreSelected;
    else if (previous)
        option.selectedPosition = QStyleOptionHeader::PreviousIsSelected;
    else if (next)
        option.selectedPosition = QStyleOptionHeader::NextIsSelected;
    else
        option.selectedPosition = QStyleOptionHeader::NotAdjacent;
    return option;
}

void ZTreeHeader::collapse(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    m_collapsed.append(index);
    toggleHidden(index, true);
    // The first leaf stays and carries the collapsed branch, unless a
    // collapsed ancestor hides it anyway.
    if (isVisible(index))
        setSectionHidden(section(index), false);
    m_dirty = true;
    calculateRectsIfNecessary();
    viewport()->update(visualRect(index));
    emit collapsed(index);
}

void ZTreeHeader::expand(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    m_collapsed.removeAll(QPersistentModelIndex(index));
    toggleHidden(index, false);
    if (isVisible(index))
        setSectionHidden(section(index), false);
    m_dirty = true;
    calculateRectsIfNecessary();
    viewport()->update(visualRect(index));
    emit expanded(index);
}

void ZTreeHeader::toggleHidden(const QModelIndex &index, bool hide)
{
    if (!index.isValid() || !index.model())
        return;
    const QAbstractItemModel *model = index.model();
    const QModelIndex first = index.sibling(index.row(), 0);
    const int rows = model->rowCount(first);
    for (int r = 0; r < rows; ++r) {
        const QModelIndex child = model->index(r, 0, first);
        const int s = section(child);
        if (s >= 0)
            setSectionHidden(s, hide);
        // A collapsed sub-branch stays collapsed when its parent opens.
        if (hide || !isCollapsed(child))
            toggleHidden(child, hide);
    }
}

void ZTreeHeader::collapseHelper(const QModelIndex &index, bool collapseIt, int fromLevel)
{
    if (!m_treeModel)
        return;
    if (index.isValid() && level(index) >= fromLevel) {
        if (collapseIt)
            collapse(index);
        else
            expand(index);
    }
    const int rows = m_treeModel->rowCount(index);
    for (int r = 0; r < rows; ++r)
        collapseHelper(m_treeModel->index(r, 0, index), collapseIt, fromLevel);
}

void ZTreeHeader::onBranchClicked(const QModelIndex &index)
{
    if (isCollapsed(index))
        expand(index);
    else
        collapse(index);
    // The header's own model is not the tree model: only an index of it can
    // become current.
    if (index.model() == model())
        setCurrentIndex(index);
}

void ZTreeHeader::onSectionResized(int)
{
    m_dirty = true;
    calculateRectsIfNecessary();
    updateGeometries();
}

void ZTreeHeader::onDataChanged(const QModelIndex &topLeft, const QModelIndex &)
{
    viewport()->update(visualRect(topLeft));
}

void ZTreeHeader::resizeEvent(QResizeEvent *)
{
    m_dirty = true;
    calculateRectsIfNecessary();
    updateGeometries();
}

QSize ZTreeHeader::sizeHint() const
{
    return {m_totalWidth, m_totalHeight};
}

void ZTreeHeader::autoResizeLevel(int level)
{
    QStyleOptionHeader option;
    initStyleOption(&option);
    option.fontMetrics = QFontMetrics(QFont());
    const bool horizontal = orientation() == Qt::Horizontal;
    const int shift = sectionShift();
    int size = 0;
    for (auto it = m_rects.cbegin(); it != m_rects.cend(); ++it) {
        if (!isVisible(it.key()) || it->width() <= 0 || it->height() <= 0)
            continue;
        const QRectF cell = horizontal ? it->translated(shift, 0) : it->translated(0, shift);
        if (cell.top() + cell.height() < 0 || cell.top() > viewport()->width())
            continue;
        option.text = it.key().data(Qt::DisplayRole).toString();
        const QSize hint = style()->sizeFromContents(QStyle::CT_HeaderSection, &option,
                                                     QSize(-1, -1), this);
        size = std::max(size, horizontal ? hint.height() : hint.width());
    }
    setLevelSizel(level, size);
}

void ZTreeHeader::mousePressEvent(QMouseEvent *event)
{
    const QPoint p = event->localPos().toPoint();
    const QModelIndex index = indexAt(p);
    if (index.isValid() && branchRect(visualRect(index)).contains(p)) {
        emit branchClicked(index);
        return;
    }
    const int edge = levelEdgeAt(p);
    if (edge >= 0) {
        m_resizing = true;
        setCursor(m_splitCursor);
        m_resizeLevel = edge;
        return;
    }
    m_resizing = false;
    QHeaderView::mousePressEvent(event);
}

void ZTreeHeader::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint p = event->localPos().toPoint();
    if (m_resizing && (event->buttons() & Qt::LeftButton)) {
        const int c = levelCoordinate(p);
        const int size = std::max(0, m_resizeLevel == 0 ? c : c - levelOffset(m_resizeLevel));
        setLevelSizel(m_resizeLevel, size);
        return;
    }
    const QModelIndex index = indexAt(p);
    const bool inBranch = index.isValid() && branchRect(visualRect(index)).contains(p);
    if (!inBranch && levelEdgeAt(p) >= 0) {
        setCursor(m_splitCursor);
        return;
    }
    QHeaderView::mouseMoveEvent(event);
    if (inBranch)
        setCursor(Qt::ArrowCursor);
}

void ZTreeHeader::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_resizing) {
        m_dirty = true;
        calculateRectsIfNecessary();
        updateGeometries();
        emit sectionResized(0, 0, 0);
        m_resizing = false;
    }
    QHeaderView::mouseReleaseEvent(event);
}

void ZTreeHeader::mouseDoubleClickEvent(QMouseEvent *event)
{
    const int edge = levelEdgeAt(event->localPos().toPoint());
    if (edge >= 0) {
        autoResizeLevel(edge);
        return;
    }
    QHeaderView::mouseDoubleClickEvent(event);
}

void ZTreeHeader::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    const QList<QModelIndex> all = preorderList(QModelIndex());
    for (const QModelIndex &index : all) {
        const QRect r = visualRect(index);
        if (r.width() < 1 || r.height() < 1 || !isVisible(index) || r.top() + r.height() < 0
            || r.top() > viewport()->width())
            continue;
        QStyleOptionHeader option = styleOption(0);
        option.rect = r;
        option.text = index.data(Qt::DisplayRole).toString();
        option.textAlignment = Qt::AlignLeft;
        style()->drawControl(QStyle::CE_HeaderSection, &option, &painter, this);
        QRect label = r;
        if (m_treeModel->hasChildren(index)) {
            QStyleOption branch;
            branch.rect = QRect(r.left(), int(r.top() + r.height() / 2.0 - 8), kBranchSize,
                                kBranchSize);
            branch.state = QStyle::State_Enabled | QStyle::State_Children | QStyle::State_Item;
            if (!isCollapsed(index))
                branch.state |= QStyle::State_Open;
            branch.palette = option.palette;
            style()->drawPrimitive(QStyle::PE_IndicatorBranch, &branch, &painter, this);
            label.setLeft(label.left() + kBranchSize);
        }
        label.setLeft(label.left() + 3);
        option.rect = label;
        style()->drawControl(QStyle::CE_HeaderLabel, &option, &painter, this);
    }
}
