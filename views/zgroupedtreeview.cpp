#include "zgroupedtreeview.h"

#include "zsortfilterheader.h"

#include "modelhelpers.h"
#include "paintguard.h"
#include "zgroupedtreeviewdelegate.h"
#include "zparentitemproxymodel.h"

#include <QAbstractProxyModel>
#include <QApplication>
#include <QCursor>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSortFilterProxyModel>

#include <new>
#include <utility>
#include <vector>

namespace {

bool widgetIsAncestorOf(const QWidget *ancestor, const QWidget *widget)
{
    for (; widget; widget = widget->parentWidget()) {
        if (widget == ancestor)
            return true;
    }
    return false;
}

} // namespace

ZGroupedTreeView::ZGroupedTreeView(QWidget *parent)
    : QTreeView(parent)
{
    setIndentation(15);
    setItemDelegate(new ZGroupedTreeViewDelegate(0, this));
    connect(this, &QTreeView::expanded, this, &ZGroupedTreeView::markVisibleItemsDirty);
    connect(this, &QTreeView::collapsed, this, &ZGroupedTreeView::markVisibleItemsDirty);
}

ZGroupedTreeView::~ZGroupedTreeView() = default;

void ZGroupedTreeView::setModel(QAbstractItemModel *model)
{
    for (const QMetaObject::Connection &c : qAsConst(m_modelConnections))
        disconnect(c);
    m_modelConnections.clear();
    markVisibleItemsDirty();
    // Another project starts from the first column, in a table scrolled left.
    m_chosenColumn = -1;
    m_kept.clear();
    m_keptSource = QPersistentModelIndex();
    QTreeView::setModel(model);
    if (!model)
        return;
    // Any change of the rows shown invalidates the list of visible rows.
    const auto dirty = [this]() { markVisibleItemsDirty(); };
    m_modelConnections << connect(model, &QAbstractItemModel::rowsInserted, this, dirty)
                       << connect(model, &QAbstractItemModel::rowsRemoved, this, dirty)
                       << connect(model, &QAbstractItemModel::rowsMoved, this, dirty)
                       << connect(model, &QAbstractItemModel::modelReset, this, dirty)
                       << connect(model, &QAbstractItemModel::layoutChanged, this, dirty)
                       << connect(model, &QAbstractItemModel::columnsInserted, this, dirty)
                       << connect(model, &QAbstractItemModel::columnsRemoved, this, dirty)
                       << connect(model, &QObject::destroyed, this, dirty);
    // A filter hides rows by a layout change, a reset drops them all, and
    // either leaves nothing current where the current row goes: the nearest
    // row shown takes its place.
    m_modelConnections << connect(model, &QAbstractItemModel::layoutAboutToBeChanged, this,
                                  &ZGroupedTreeView::keepCurrent)
                       << connect(model, &QAbstractItemModel::modelAboutToBeReset, this,
                                  &ZGroupedTreeView::keepCurrent)
                       << connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
                                  &ZGroupedTreeView::keepCurrentIfRemoved)
                       << connect(model, &QAbstractItemModel::layoutChanged, this,
                                  &ZGroupedTreeView::restoreCurrent)
                       << connect(model, &QAbstractItemModel::modelReset, this,
                                  &ZGroupedTreeView::restoreCurrent)
                       << connect(model, &QAbstractItemModel::rowsRemoved, this,
                                  &ZGroupedTreeView::restoreCurrent);
}

void ZGroupedTreeView::keepCurrent()
{
    // Without a current row, one kept from an earlier change stays kept: a
    // filter that hid every row and is then cleared brings it back.
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return;
    m_kept.clear();
    m_keptSource = QPersistentModelIndex();
    const auto *proxy = qobject_cast<const QAbstractProxyModel *>(model());
    if (!proxy || !proxy->sourceModel())
        return;
    // Each level costs its siblings, once per change: no more than the
    // change itself costs the proxy. Without the memory for it nothing is
    // kept (this runs inside the model's signal, which cannot unwind).
    try {
        for (QModelIndex node = current.sibling(current.row(), 0); node.isValid(); node = node.parent()) {
            KeptLevel level;
            const QModelIndex parent = node.parent();
            const int count = proxy->rowCount(parent);
            level.rows.reserve(size_t(count));
            for (int row = 0; row < count; ++row)
                level.rows.push_back(proxy->mapToSource(proxy->index(row, 0, parent)).row());
            level.at = node.row();
            m_kept.push_back(std::move(level));
        }
    } catch (const std::bad_alloc &) {
        m_kept = std::vector<KeptLevel>();
        return;
    }
    m_keptSource = proxy->mapToSource(current.sibling(current.row(), 0));
    m_keptColumn = current.column();
}

void ZGroupedTreeView::keepCurrentIfRemoved(const QModelIndex &parent, int first, int last)
{
    // The selection hands the current row to a sibling when only it goes;
    // the rows removed matter here when they hold it.
    for (QModelIndex node = currentIndex(); node.isValid(); node = node.parent()) {
        if (node.parent() == parent && node.row() >= first && node.row() <= last) {
            if (node != currentIndex())
                keepCurrent();
            return;
        }
    }
}

void ZGroupedTreeView::restoreCurrent()
{
    // Once every other receiver has taken the change in: a row made current
    // inside it makes those that follow the current row (the chart) rebuild
    // at once, and again for the change itself.
    if (m_kept.empty() || m_restoreQueued)
        return;
    m_restoreQueued = true;
    QMetaObject::invokeMethod(this, [this] {
        m_restoreQueued = false;
        restoreCurrentNow();
    }, Qt::QueuedConnection);
}

void ZGroupedTreeView::restoreCurrentNow()
{
    if (m_kept.empty())
        return;
    const QModelIndex target = currentIndex().isValid() ? QModelIndex() : nearestKeptRow();
    // Kept while no row near it shows, as long as its place still tells.
    if (!target.isValid() && !currentIndex().isValid() && m_keptSource.isValid())
        return;
    m_kept.clear();
    m_keptSource = QPersistentModelIndex();
    if (target.isValid())
        setCurrentIndex(bandLanding(shownCell(target.sibling(target.row(), m_keptColumn))));
}

QModelIndex ZGroupedTreeView::nearestKeptRow() const
{
    const auto *proxy = qobject_cast<const QAbstractProxyModel *>(model());
    const QAbstractItemModel *source = proxy ? proxy->sourceModel() : nullptr;
    if (!source || !m_keptSource.isValid())
        return {};
    // Level by level from the current row up: the nearest of its siblings
    // still shown (the next one first), else the band that held it.
    QModelIndex node = m_keptSource;
    for (const KeptLevel &level : m_kept) {
        // The source's rows have moved: what was kept no longer tells.
        if (!node.isValid() || level.at < 0 || size_t(level.at) >= level.rows.size()
            || level.rows[size_t(level.at)] != node.row())
            return {};
        const QModelIndex parent = node.parent();
        const auto shown = [&](int position) {
            return proxy->mapFromSource(source->index(level.rows[size_t(position)], 0, parent));
        };
        const int count = int(level.rows.size());
        for (int distance = 0; distance < count; ++distance) {
            for (const int position : {level.at + distance, level.at - distance}) {
                if (position < 0 || position >= count)
                    continue;
                const QModelIndex row = shown(position);
                if (row.isValid())
                    return row;
            }
        }
        // A filter replaced rather than narrowed may show none of the rows
        // shown around it before, yet others beside it: the nearest of those
        // in the source's order, the next one first.
        const QModelIndex shownParent = parent.isValid() ? proxy->mapFromSource(parent) : QModelIndex();
        if (!parent.isValid() || shownParent.isValid()) {
            QModelIndex nearest;
            int nearestDistance = 0;
            const int shownCount = proxy->rowCount(shownParent);
            for (int row = 0; row < shownCount; ++row) {
                const QModelIndex candidate = proxy->index(row, 0, shownParent);
                const int offset = proxy->mapToSource(candidate).row() - node.row();
                const int distance = offset > 0 ? 2 * offset - 1 : -2 * offset;
                if (!nearest.isValid() || distance < nearestDistance) {
                    nearest = candidate;
                    nearestDistance = distance;
                }
            }
            if (nearest.isValid())
                return nearest;
        }
        node = parent;
    }
    return {};
}

void ZGroupedTreeView::setRootIndex(const QModelIndex &index)
{
    markVisibleItemsDirty();
    QTreeView::setRootIndex(index);
}

void ZGroupedTreeView::reset()
{
    markVisibleItemsDirty();
    QTreeView::reset();
}

void ZGroupedTreeView::doItemsLayout()
{
    markVisibleItemsDirty();
    QTreeView::doItemsLayout();
}

void ZGroupedTreeView::updateGeometries()
{
    // Expanding or collapsing everything at once reports nothing but this.
    markVisibleItemsDirty();
    QTreeView::updateGeometries();
}

void ZGroupedTreeView::setLevelStyles(const QList<GroupStyle> &styles)
{
    m_palette = styles;
    viewport()->update();
}

void ZGroupedTreeView::setMergeColumns(int n)
{
    if (n < 3)
        m_mergeColumns = n;
}

void ZGroupedTreeView::setDisplayColumn(int column)
{
    QAbstractItemModel *m = model();
    auto *delegate = qobject_cast<ZGroupedTreeViewDelegate *>(itemDelegate());
    if (!m || !delegate || column >= m->columnCount())
        return;
    m_displayColumn = column;
    delegate->setColumn(column);
    viewport()->update();
}

void ZGroupedTreeView::markVisibleItemsDirty()
{
    m_visibleItemsDirty = true;
    m_deepestLevelDirty = true;
    // What is shown may now reach another depth.
    queueTreeColumnFit();
}

void ZGroupedTreeView::queueTreeColumnFit()
{
    // Once for a burst of changes, after the view has taken them all in.
    if (m_treeColumnFitQueued)
        return;
    m_treeColumnFitQueued = true;
    QMetaObject::invokeMethod(this, [this]() { fitTreeColumn(); }, Qt::QueuedConnection);
}

void ZGroupedTreeView::fitTreeColumn()
{
    m_treeColumnFitQueued = false;
    QHeaderView *h = header();
    // A view not shown fits its column when it is shown (it lays out then).
    if (!model() || !h || !isVisible())
        return;
    // Only the depth is wanted here: the list of the rows and their
    // positions wait for a paint or a picture that asks for them.
    if (m_deepestLevelDirty) {
        m_deepestLevel = 0;
        appendVisibleItems(QModelIndex(), nullptr, &m_deepestLevel);
        m_deepestLevelDirty = false;
    }
    const int section = logicalIndexForTree();
    const int growth = m_deepestLevel * indentation();
    if (section == m_grownSection && growth == m_treeColumnGrowth)
        return;
    // Only the difference is applied, so that a width the user gave the
    // column by hand stays, with the room for indentation on top.
    if (m_grownSection >= 0 && m_grownSection < h->count() && m_grownSection != section)
        h->resizeSection(m_grownSection, h->sectionSize(m_grownSection) - m_treeColumnGrowth);
    const int given = m_grownSection == section ? h->sectionSize(section) - m_treeColumnGrowth
                                                : h->sectionSize(section);
    m_grownSection = section;
    m_treeColumnGrowth = growth;
    h->resizeSection(section, given + growth);
}

void ZGroupedTreeView::dropTreeColumnGrowth()
{
    QHeaderView *h = header();
    if (h && m_grownSection >= 0 && m_grownSection < h->count() && m_treeColumnGrowth != 0)
        h->resizeSection(m_grownSection, h->sectionSize(m_grownSection) - m_treeColumnGrowth);
    m_treeColumnGrowth = 0;
    m_grownSection = -1;
    queueTreeColumnFit();
}

void ZGroupedTreeView::appendVisibleItems(const QModelIndex &parent, QList<QModelIndex> *items,
                                          int *deepest) const
{
    // A row before its children, with a stack of our own rather than one call
    // per level.
    const QAbstractItemModel *m = model();
    walkRows(m, parent, [&](const QModelIndex &index, int depth) {
        if (items)
            items->append(index);
        if (deepest && depth > *deepest)
            *deepest = depth;
        // Most rows are leaves; asking them for their expanded state is the costly part.
        return m->hasChildren(index) && isExpanded(index) ? WalkStep::Descend : WalkStep::Skip;
    });
}

QList<QModelIndex> ZGroupedTreeView::visibleItems(const QModelIndex &parent) const
{
    QList<QModelIndex> items;
    if (model())
        appendVisibleItems(parent, &items);
    return items;
}

void ZGroupedTreeView::rebuildVisibleItems() const
{
    m_visibleItems.clear();
    m_deepestLevel = 0;
    if (model())
        appendVisibleItems(QModelIndex(), &m_visibleItems, &m_deepestLevel);
    m_visiblePositions.clear();
    m_visiblePositions.reserve(m_visibleItems.size());
    for (int i = 0; i < m_visibleItems.size(); ++i)
        m_visiblePositions.insert(m_visibleItems.at(i), i);
    m_visibleItemsDirty = false;
    m_deepestLevelDirty = false;
}

bool ZGroupedTreeView::isGroupIndex(const QModelIndex &index) const
{
    if (!index.model())
        return false;
    const QModelIndex label = index.column() == m_displayColumn
        ? index
        : index.sibling(index.row(), m_displayColumn);
    return !label.data(Qt::DisplayRole).isNull();
}

int ZGroupedTreeView::levelFromIndex(const QModelIndex &index)
{
    return ::levelFromIndex(index);
}

int ZGroupedTreeView::indentationForItem(const QModelIndex &index) const
{
    if (index.column() < 0 || index.column() >= header()->count())
        return 0;
    int level = levelFromIndex(index);
    if (rootIsDecorated())
        ++level;
    return level * indentation();
}

int ZGroupedTreeView::logicalIndexForTree() const
{
    const int tree = treePosition();
    return tree >= 0 ? tree : header()->logicalIndex(0);
}

QPair<int, int> ZGroupedTreeView::startAndEndColumns(const QRect &rect) const
{
    const QHeaderView *h = header();
    int start = h->visualIndexAt(rect.left());
    int end = h->visualIndexAt(rect.right());
    if (isRightToLeft()) {
        start = start == -1 ? h->count() - 1 : start;
        end = end == -1 ? 0 : end;
    } else {
        start = start == -1 ? 0 : start;
        end = end == -1 ? h->count() - 1 : end;
    }
    return qMakePair(qMin(start, end), qMax(start, end));
}

void ZGroupedTreeView::calcLogicalIndices(QVector<int> *logicalIndices,
                                          QVector<QStyleOptionViewItem::ViewItemPosition> *itemPositions,
                                          int left, int right) const
{
    const QHeaderView *h = header();
    const int columnCount = h->count();
    int beforeLeft = -1;
    int afterRight = -1;
    for (int visual = left - 1; visual >= 0; --visual) {
        const int logical = h->logicalIndex(visual);
        if (!h->isSectionHidden(logical)) {
            beforeLeft = logical;
            break;
        }
    }
    for (int visual = left; visual < columnCount; ++visual) {
        const int logical = h->logicalIndex(visual);
        if (h->isSectionHidden(logical))
            continue;
        if (visual > right) {
            afterRight = logical;
            break;
        }
        logicalIndices->append(logical);
    }

    const int treeSection = logicalIndexForTree();
    itemPositions->resize(logicalIndices->size());
    for (int i = 0; i < logicalIndices->size(); ++i) {
        const int section = logicalIndices->at(i);
        const int next = i + 1 >= logicalIndices->size() ? afterRight : logicalIndices->at(i + 1);
        const int prev = i - 1 < 0 ? beforeLeft : logicalIndices->at(i - 1);
        QStyleOptionViewItem::ViewItemPosition pos;
        if (columnCount == 1 || (next == 0 && prev == -1) || (section == 0 && next == -1))
            pos = QStyleOptionViewItem::OnlyOne;
        else if (section == treeSection || (next != 0 && prev == -1))
            pos = QStyleOptionViewItem::Beginning;
        else if (next == 0 || next == -1)
            pos = QStyleOptionViewItem::End;
        else
            pos = QStyleOptionViewItem::Middle;
        (*itemPositions)[i] = pos;
    }
}

void ZGroupedTreeView::calcGroupSections(int logicalSection, QVector<int> *sections) const
{
    if (m_mergeColumns < 0)
        return;
    const QHeaderView *h = header();
    const int visual = h->visualIndex(logicalSection);
    if (visual < 0)
        return;
    for (int v = visual; v <= visual + m_mergeColumns && v < h->count(); ++v)
        sections->append(h->logicalIndex(v));
}

QVector<int> ZGroupedTreeView::visibleColumnWidths() const
{
    const QHeaderView *h = header();
    QVector<int> widths;
    for (int v = 0; v < h->count(); ++v) {
        const int logical = h->logicalIndex(v);
        if (!h->isSectionHidden(logical))
            widths.append(h->sectionSize(logical));
    }
    return widths;
}

void ZGroupedTreeView::paintEvent(QPaintEvent *event)
{
    if (!model())
        return;
    // Only alternating backgrounds need the positions of the rows shown;
    // listing every shown row of a large project costs time at each change.
    // (Qt's painting cannot unwind: memory running out stops here.)
    const bool listed = paintguard::run([this] {
        if (m_visibleItemsDirty && alternatingRowColors())
            rebuildVisibleItems();
    });
    if (listed)
        QTreeView::paintEvent(event);
}

void ZGroupedTreeView::drawLevelColors(QPainter *painter, const QRect &branches, int level) const
{
    static const GroupStyle defaultStyle;
    const int indent = indentation();
    for (int i = 0; i <= level; ++i) {
        const QBrush &brush = i < m_palette.size() ? m_palette.at(i).brush : defaultStyle.brush;
        painter->fillRect(QRect(branches.left() + i * indent, branches.top(), indent, branches.height()),
                          brush);
    }
}

void ZGroupedTreeView::drawRow(QPainter *painter, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const
{
    // Qt's painting cannot unwind: memory running out stops here.
    paintguard::run([&] { paintRow(painter, option, index); });
}

void ZGroupedTreeView::paintRow(QPainter *painter, const QStyleOptionViewItem &option,
                                const QModelIndex &index) const
{
    static const GroupStyle defaultStyle;
    const QAbstractItemModel *m = model();
    if (!m || !index.isValid())
        return;
    if (m_visibleItemsDirty && alternatingRowColors())
        rebuildVisibleItems();

    QStyleOptionViewItem opt = option;
    const int y = option.rect.y();
    const int height = option.rect.height();
    const QModelIndex parent = index.parent();
    const QHeaderView *h = header();
    const QModelIndex current = currentIndex();
    const QModelIndex hover = indexAt(viewport()->mapFromGlobal(QCursor::pos()));
    const bool reverse = isRightToLeft();
    const QStyle::State state = opt.state;
    const bool enabled = (state & QStyle::State_Enabled) != 0;
    const bool allFocus = allColumnsShowFocus();
    const bool widgetHasFocus = hasFocus();
    const QItemSelectionModel *selection = selectionModel();
    const int treeSection = logicalIndexForTree();

    const QPair<int, int> leftAndRight = startAndEndColumns(viewport()->rect());

    // A row whose editor has focus is painted active.
    bool indexWidgetHasFocus = false;
    if (current.row() == index.row() && current.parent() == parent) {
        const QWidget *focus = QApplication::focusWidget();
        for (int c = 0; c < h->count() && focus; ++c) {
            if (const QWidget *editor = indexWidget(m->index(index.row(), c, parent))) {
                if (widgetIsAncestorOf(editor, focus)) {
                    indexWidgetHasFocus = true;
                    break;
                }
            }
        }
    }

    bool currentRowHasFocus = false;
    if (allFocus && widgetHasFocus && current.isValid()) {
        for (int c = 0; c < leftAndRight.first && !currentRowHasFocus; ++c)
            currentRowHasFocus = m->index(index.row(), c, parent) == current;
        for (int c = leftAndRight.second; c < h->count() && !currentRowHasFocus; ++c)
            currentRowHasFocus = m->index(index.row(), c, parent) == current;
    }

    opt.showDecorationSelected = selectionBehavior() == SelectRows || option.showDecorationSelected;
    const bool hoverRow = selectionBehavior() == SelectRows && hover.isValid()
        && parent == hover.parent() && index.row() == hover.row();

    // Background of the row by its position among the rows shown.
    bool alternate = false;
    if (alternatingRowColors()) {
        const auto positionIt = m_visiblePositions.constFind(index.sibling(index.row(), 0));
        alternate = positionIt == m_visiblePositions.constEnd() || (positionIt.value() & 1);
    }

    const bool groupRow = isGroupIndex(index);
    QVector<int> groupSections;
    if (groupRow)
        calcGroupSections(treeSection, &groupSections);
    bool mergedCellDone = false;
    int mergedWidth = 0;
    for (int s : qAsConst(groupSections)) {
        if (s >= 0)
            mergedWidth += h->sectionSize(s);
    }

    const int level = levelFromIndex(index) - (groupRow ? 0 : 1);
    const GroupStyle &levelStyle = level >= 0 && level < m_palette.size() ? m_palette.at(level)
                                                                           : defaultStyle;

    QVector<int> logicalIndices;
    QVector<QStyleOptionViewItem::ViewItemPosition> positions;
    calcLogicalIndices(&logicalIndices, &positions, leftAndRight.first, leftAndRight.second);

    for (int i = 0; i < logicalIndices.size(); ++i) {
        const int section = logicalIndices.at(i);
        int position = columnViewportPosition(section);
        int width = h->sectionSize(section);
        opt.version = 1;

        const bool isGroupSection = groupRow && groupSections.contains(section);
        // A band's title is laid out from the tree column, its indentation
        // and branch included, also when that column is scrolled out of
        // view: the viewport moves the pixels it has and paints only what
        // comes into view, so a title placed by what shows would be spliced.
        const bool treeCell = section == treeSection || (isGroupSection && !h->isSectionHidden(treeSection));
        if (isGroupSection) {
            if (mergedCellDone)
                continue;
            mergedCellDone = true;
            const int treeLeft = columnViewportPosition(treeSection);
            width = mergedWidth;
            position = reverse ? treeLeft + h->sectionSize(treeSection) - mergedWidth : treeLeft;
        }

        const QModelIndex modelIndex = m->index(index.row(), section, parent);
        if (!modelIndex.isValid())
            continue;
        opt.state = state;
        opt.viewItemPosition = positions.at(i);
        if (indexWidgetHasFocus)
            opt.state |= QStyle::State_Active;
        if (selection && selection->isSelected(modelIndex))
            opt.state |= QStyle::State_Selected;
        if (widgetHasFocus && current == modelIndex) {
            if (allFocus)
                currentRowHasFocus = true;
            else
                opt.state |= QStyle::State_HasFocus;
        }
        opt.state.setFlag(QStyle::State_MouseOver,
                          option.showDecorationSelected && (modelIndex == hover || hoverRow));
        if (enabled) {
            QPalette::ColorGroup cg;
            if (!(m->flags(modelIndex) & Qt::ItemIsEnabled)) {
                opt.state &= ~QStyle::State_Enabled;
                cg = QPalette::Disabled;
            } else if (opt.state & QStyle::State_Active) {
                cg = QPalette::Active;
            } else {
                cg = QPalette::Inactive;
            }
            opt.palette.setCurrentColorGroup(cg);
        }
        opt.features.setFlag(QStyleOptionViewItem::Alternate, alternate);
        const QBrush rowBackground =
            opt.palette.brush(opt.palette.currentColorGroup(),
                              alternate ? QPalette::AlternateBase : QPalette::Base);

        // The style primitives are given a plain copy: the version marker of
        // the option would make the style ignore it.
        QRect cellRect;
        if (treeCell) {
            const int indent = indentationForItem(index);
            const QRect branches(reverse ? position + width - indent : position, y, indent, height);
            const bool clip = branches.width() > width;
            if (clip) {
                painter->save();
                painter->setClipRect(QRect(position, y, width, height));
            }
            QStyleOptionViewItem panel(opt);
            panel.rect = branches;
            if (style()->styleHint(QStyle::SH_ItemView_ShowDecorationSelected, &panel, this))
                style()->drawPrimitive(QStyle::PE_PanelItemViewRow, &panel, painter, this);
            panel.state &= ~QStyle::State_Selected;
            cellRect = QRect(reverse ? position : position + indent, y, width - indent, height);
            panel.rect = cellRect;
            style()->drawPrimitive(QStyle::PE_PanelItemViewRow, &panel, painter, this);
            painter->fillRect(cellRect, rowBackground);
            drawLevelColors(painter, branches, level);
            if (indentation() != 0)
                drawBranches(painter, branches, index);
            if (clip)
                painter->restore();
        } else {
            cellRect = QRect(position, y, width, height);
            painter->fillRect(cellRect, rowBackground);
            QStyleOptionViewItem panel(opt);
            panel.state &= ~QStyle::State_Selected;
            panel.rect = cellRect;
            style()->drawPrimitive(QStyle::PE_PanelItemViewRow, &panel, painter, this);
        }
        opt.rect = cellRect;

        if (groupRow) {
            painter->fillRect(cellRect, levelStyle.brush);
            opt.palette.setBrush(QPalette::Text, QBrush(levelStyle.color));
        }
        if (isGroupSection)
            opt.version = ZGroupedTreeViewDelegate::MergedCellVersion;

        itemDelegate(modelIndex)->paint(painter, opt, modelIndex);
        // The style's own focus frame hardly shows on a highlighted row: the
        // current cell (a band's merged label when the cell is one of its
        // columns) is framed in the colour of its text.
        const bool currentCell = current == modelIndex
            || (isGroupSection && current.row() == index.row() && current.parent() == parent
                && groupSections.contains(current.column()));
        if (widgetHasFocus && currentCell) {
            const QPalette::ColorRole text =
                (opt.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text;
            // Four strips inside the cell: a pen's line is centred on the
            // edge and, on a scaled screen, reaches into the row above, where
            // it stays once the frame has moved on.
            const QColor color = opt.palette.color(opt.palette.currentColorGroup(), text);
            const QRect &r = cellRect;
            painter->fillRect(QRect(r.left(), r.top(), r.width(), 1), color);
            painter->fillRect(QRect(r.left(), r.bottom(), r.width(), 1), color);
            painter->fillRect(QRect(r.left(), r.top(), 1, r.height()), color);
            painter->fillRect(QRect(r.right(), r.top(), 1, r.height()), color);
        }
        opt.palette = option.palette;
    }

    if (currentRowHasFocus) {
        QStyleOptionFocusRect o;
        o.QStyleOption::operator=(option);
        o.state |= QStyle::State_KeyboardFocusChange;
        const QPalette::ColorGroup cg =
            (option.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
        o.backgroundColor = option.palette.color(
            cg, selection && selection->isSelected(index) ? QPalette::Highlight : QPalette::Window);
        int x = 0;
        if (!option.showDecorationSelected)
            x = h->sectionPosition(0) + indentationForItem(index);
        const QRect focusRect(x - h->offset(), y, h->length() - x, height);
        o.rect = style()->visualRect(layoutDirection(), viewport()->rect(), focusRect);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &o, painter);
        // With the first section moved the focus frame is split in two.
        if (allFocus && !option.showDecorationSelected && h->sectionsMoved()
            && h->visualIndex(0) != 0) {
            const QRect sectionRect(0, y, h->sectionPosition(0), height);
            o.rect = style()->visualRect(layoutDirection(), viewport()->rect(), sectionRect);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &o, painter);
        }
    }
}

void ZGroupedTreeView::mousePressEvent(QMouseEvent *event)
{
    QTreeView::mousePressEvent(event);
    // A click on a band's empty cell makes the band current on its title,
    // which comes into view with its arrow.
    const QModelIndex current = currentIndex();
    const QModelIndex landing = bandLanding(current);
    if (landing != current && selectionModel())
        selectionModel()->setCurrentIndex(landing, QItemSelectionModel::NoUpdate);
}

void ZGroupedTreeView::keyPressEvent(QKeyEvent *event)
{
    // +, - and * work on the current row whatever cell of it is current:
    // the base class asks the cell itself, and the cells right of the tree
    // column never have children. Nor is the key then a search for a row.
    const QModelIndex current = currentIndex();
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (current.isValid() && plain && itemsExpandable()) {
        const QModelIndex row = current.sibling(current.row(), 0);
        switch (event->key()) {
        case Qt::Key_Plus:
            expand(row);
            event->accept();
            return;
        case Qt::Key_Minus:
            collapse(row);
            event->accept();
            return;
        case Qt::Key_Asterisk:
            expandBelow(row);
            event->accept();
            return;
        default:
            break;
        }
    }
    QTreeView::keyPressEvent(event);
}

QModelIndex ZGroupedTreeView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex current = currentIndex();
    if (!current.isValid() || (cursorAction != MoveLeft && cursorAction != MoveRight)) {
        // Onto a band the keys land on its title, unless the column is one
        // of the band's own cells.
        return bandLanding(shownCell(QTreeView::moveCursor(cursorAction, modifiers)));
    }
    // On activities Left and Right step between the shown columns: the
    // tree's own keys made column 0 current, which the table hides.
    QHeaderView *sections = header();
    const int step = (cursorAction == MoveRight) != isRightToLeft() ? 1 : -1;
    int visual = sections->visualIndex(current.column());
    const int labelFirst = sections->visualIndex(logicalIndexForTree());
    if (underTitle(current)) {
        // A band's title is the tree's item: towards the arrow the key
        // closes the band, then goes to the band above; away from it, it
        // opens the band, then goes to its first row.
        const QModelIndex row = current.sibling(current.row(), 0);
        const bool rows = model()->hasChildren(row);
        if (step < 0) {
            const QModelIndex parent = current.parent();
            if (rows && isExpanded(row)) {
                collapse(row);
            } else if (parent.isValid() && parent != rootIndex()) {
                return parent.sibling(parent.row(), current.column());
            }
            scrollTo(current);
            return current;
        }
        if (rows) {
            if (isExpanded(row))
                return bandLanding(shownCell(model()->index(0, current.column(), row)));
            expand(row);
            scrollTo(current);
            return current;
        }
        // A band without rows: the key leaves its title whole.
        visual = labelFirst + m_mergeColumns;
    }
    visual += step;
    while (visual >= 0 && visual < sections->count()
           && sections->isSectionHidden(sections->logicalIndex(visual)))
        visual += step;
    if (visual >= 0 && visual < sections->count())
        return current.sibling(current.row(), sections->logicalIndex(visual));
    // Towards the arrow from an activity's first column the key goes to its
    // band, as a tree's own key does.
    const QModelIndex parent = current.parent();
    if (step < 0 && !isGroupIndex(current) && parent.isValid() && parent != rootIndex()) {
        const QModelIndex title = titleCell(parent);
        if (title.isValid())
            return title;
    }
    // At the last column on that side the cell stays and comes wholly into
    // view; a cell in a hidden column goes to a shown one.
    const int column = shownColumn(sections, {current.column()});
    const QModelIndex stay = column < 0 ? current : current.sibling(current.row(), column);
    if (stay == current)
        scrollTo(current);
    return stay;
}

bool ZGroupedTreeView::underTitle(const QModelIndex &index) const
{
    if (!index.isValid() || !isGroupIndex(index))
        return false;
    const int labelFirst = header()->visualIndex(logicalIndexForTree());
    const int visual = header()->visualIndex(index.column());
    return visual >= labelFirst && visual <= labelFirst + m_mergeColumns;
}

QModelIndex ZGroupedTreeView::titleCell(const QModelIndex &index) const
{
    const QHeaderView *sections = header();
    const int labelFirst = sections->visualIndex(logicalIndexForTree());
    for (int visual = labelFirst; visual >= 0 && visual <= labelFirst + m_mergeColumns
         && visual < sections->count(); ++visual) {
        const int logical = sections->logicalIndex(visual);
        if (!sections->isSectionHidden(logical))
            return index.sibling(index.row(), logical);
    }
    return {};
}

QModelIndex ZGroupedTreeView::bandLanding(const QModelIndex &index) const
{
    // A band shows its title and a few cells of its own (its dates); an
    // empty cell of it elsewhere leaves the title and its arrow scrolled
    // away, with nothing current to be seen.
    if (!isGroupIndex(index) || underTitle(index) || !index.data().toString().isEmpty())
        return index;
    const QModelIndex title = titleCell(index);
    return title.isValid() ? title : index;
}

void ZGroupedTreeView::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    QTreeView::scrollTo(underTitle(index) ? index.sibling(index.row(), logicalIndexForTree()) : index,
                        hint);
}

void ZGroupedTreeView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTreeView::currentChanged(current, previous);
    // A band's title stands for no column: the user's column stays for the
    // activities after it.
    if (current.isValid() && !header()->isSectionHidden(current.column()) && !underTitle(current))
        m_chosenColumn = current.column();
    // A band's focus frame spans its merged columns, wider than the cell.
    updateRow(previous);
    updateRow(current);
}

void ZGroupedTreeView::updateRow(const QModelIndex &index)
{
    const QRect cell = visualRect(index);
    viewport()->update(QRect(0, cell.top(), viewport()->width(), cell.height()));
}

void ZGroupedTreeView::focusInEvent(QFocusEvent *event)
{
    // Focus that finds no current row makes the first one current; it is
    // highlighted, as every current row is, not only framed.
    const bool hadCurrent = currentIndex().isValid();
    QTreeView::focusInEvent(event);
    const QModelIndex current = currentIndex();
    if (!hadCurrent && current.isValid() && selectionModel())
        selectionModel()->select(current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

QModelIndex ZGroupedTreeView::shownCell(const QModelIndex &index) const
{
    if (!index.isValid())
        return index;
    const QModelIndex current = currentIndex();
    // Off a band's title an activity takes the column the user had on the
    // activities, or the first shown one.
    const int column = underTitle(current) && !isGroupIndex(index)
        ? shownColumn(header(), {m_chosenColumn})
        : shownColumn(header(), {current.column(), m_chosenColumn, index.column()});
    if (column < 0 || column == index.column())
        return index;
    return index.sibling(index.row(), column);
}

void ZGroupedTreeView::expandBelow(const QModelIndex &index)
{
    const QModelIndex row = index.sibling(index.row(), 0);
    const int level = levelFromIndex(row);
    if (!row.isValid() || !model() || level >= MaxExpandedLevels)
        return;
    // With a layout pending, expanding only marks a row: the tree lays its
    // rows out once, afterwards, not once per row.
    scheduleDelayedItemsLayout();
    expand(row);
    const QAbstractItemModel *tree = model();
    walkRows(tree, row, [this, tree, level](const QModelIndex &child, int depth) {
        if (level + 1 + depth >= MaxExpandedLevels || !tree->hasChildren(child))
            return WalkStep::Skip;
        expand(child);
        return WalkStep::Descend;
    });
}

QMap<QString, QVariant> ZGroupedTreeView::saveStateBeforeScreenshot()
{
    QMap<QString, QVariant> state;
    QItemSelectionModel *selection = selectionModel();
    if (selection) {
        state.insert(QStringLiteral("selection"), QVariant::fromValue(selection->selection()));
        state.insert(QStringLiteral("current"), QPersistentModelIndex(selection->currentIndex()));
    }
    state.insert(QStringLiteral("ver_scroll_val"), verticalScrollBar()->value());
    state.insert(QStringLiteral("hor_scroll_val"), horizontalScrollBar()->value());
    state.insert(QStringLiteral("width"), width());
    state.insert(QStringLiteral("height"), height());
    state.insert(QStringLiteral("frame_shape"), int(frameShape()));

    // All is noted before the view changes: memory running out below puts
    // it back as it was.
    try {
        // The picture shows no selection, no current cell's frame and no
        // mouse over the header; the selection and the current row come
        // back afterwards. The current row is put aside quietly: the panes
        // that follow it must not see it go and come back.
        if (selection) {
            selection->clearSelection();
            const QSignalBlocker quiet(selection);
            selection->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        }
        if (auto *sortFilterHeader = qobject_cast<ZSortFilterHeader *>(header()))
            sortFilterHeader->setHoverShown(false);
        verticalScrollBar()->setValue(0);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        horizontalScrollBar()->setValue(0);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        // Without its frame the rows start at the widget's left edge and
        // right below the header, where the tiles are cut.
        setFrameShape(QFrame::NoFrame);

        if (m_visibleItemsDirty)
            rebuildVisibleItems();
        const QVector<int> widths = visibleColumnWidths();
        int total = 0;
        for (int w : widths)
            total += w;
        const int headerHeight = header()->height();
        const int rowH = m_visibleItems.isEmpty() ? 0 : rowHeight(m_visibleItems.first());
        header()->resize(total, headerHeight);
        resize(total, headerHeight + m_visibleItems.size() * rowH);
        blockSignals(true);
    } catch (...) {
        restoreStateAfterScreenshoot(state);
        throw;
    }
    return state;
}

void ZGroupedTreeView::restoreStateAfterScreenshoot(const QMap<QString, QVariant> &state)
{
    blockSignals(false);
    setFrameShape(QFrame::Shape(state.value(QStringLiteral("frame_shape"), int(frameShape())).toInt()));
    header()->resize(state.value(QStringLiteral("width")).toInt(), header()->height());
    resize(state.value(QStringLiteral("width")).toInt(), state.value(QStringLiteral("height")).toInt());
    verticalScrollBar()->setValue(state.value(QStringLiteral("ver_scroll_val")).toInt());
    horizontalScrollBar()->setValue(state.value(QStringLiteral("hor_scroll_val")).toInt());
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    if (auto *sortFilterHeader = qobject_cast<ZSortFilterHeader *>(header()))
        sortFilterHeader->setHoverShown(true);
    if (QItemSelectionModel *selection = selectionModel()) {
        if (state.contains(QStringLiteral("current"))) {
            const QSignalBlocker quiet(selection);
            selection->setCurrentIndex(state.value(QStringLiteral("current")).toPersistentModelIndex(),
                                       QItemSelectionModel::NoUpdate);
        }
        if (state.contains(QStringLiteral("selection")))
            selection->select(state.value(QStringLiteral("selection")).value<QItemSelection>(),
                              QItemSelectionModel::ClearAndSelect);
    }
}

ZImage ZGroupedTreeView::toImage()
{
    // A picture taken before control returned to the event loop shows the
    // tree column as wide as the screen will.
    if (m_treeColumnFitQueued)
        fitTreeColumn();
    if (m_visibleItemsDirty)
        rebuildVisibleItems();
    const QVector<int> widths = visibleColumnWidths();
    const int headerHeight = header()->height();
    const int rowH = m_visibleItems.isEmpty() ? 0 : rowHeight(m_visibleItems.first());
    const int rowCount = m_visibleItems.size();

    const QMap<QString, QVariant> state = saveStateBeforeScreenshot();
    // Also when memory runs out while the tiles are made.
    const auto restore = qScopeGuard([&] { restoreStateAfterScreenshoot(state); });
    const QVector<QVector<QImage>> headerTiles = renderWidget(header(), widths, headerHeight, 1, 0);
    const QVector<QVector<QImage>> body =
        rowH > 0 ? renderWidget(this, widths, rowH, rowCount, headerHeight) : QVector<QVector<QImage>>();
    return ZImage(headerTiles.value(0), body);
}

namespace {

// True when some row more than levels below a top-level row exists.
bool deeperThan(const QAbstractItemModel *model, int levels)
{
    return walkRows(model, QModelIndex(), [levels, model](const QModelIndex &index, int depth) {
        if (!model->hasChildren(index))
            return WalkStep::Skip;
        // The children of index sit depth + 1 levels below the top.
        return depth >= levels ? WalkStep::Stop : WalkStep::Descend;
    });
}

} // namespace

bool expandAllLevels(QTreeView *tree)
{
    if (!tree || !tree->model())
        return true;
    // A filter over a parent-item tree is no deeper than that tree, whose
    // depth is known without a walk through the filter.
    const auto *filter = qobject_cast<const QSortFilterProxyModel *>(tree->model());
    const auto *source = filter ? qobject_cast<const ZParentItemProxyModel *>(filter->sourceModel())
                                : nullptr;
    if ((source && source->depth() <= MaxExpandedLevels + 1)
        || !deeperThan(tree->model(), MaxExpandedLevels)) {
        tree->expandAll();
        return true;
    }
    // Rows down to the last allowed level are expanded, so that level shows.
    tree->expandToDepth(MaxExpandedLevels - 1);
    return false;
}
