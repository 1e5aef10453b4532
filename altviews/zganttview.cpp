#include "zganttview.h"

#include "altviewslogging.h"
#include "modelhelpers.h"
#include "zganttviewdelegate.h"
#include "ztimelineheader.h"
#include "ztrackingganttviewdelegate.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QScrollBar>
#include <QTreeView>

#include <algorithm>

namespace {

// Appends the rows below parent in pre-order, descending into a row only
// where descend(row) holds. Iterative, so deep trees cannot exhaust the stack.
template <typename Descend>
void appendPreorder(QList<QModelIndex> &list, const QAbstractItemModel *m,
                    const QModelIndex &parent, Descend descend)
{
    QVector<QPair<QModelIndex, int>> stack;
    stack.append({parent, 0});
    while (!stack.isEmpty()) {
        auto &top = stack.last();
        if (top.second >= m->rowCount(top.first)) {
            stack.removeLast();
            continue;
        }
        const QModelIndex child = m->index(top.second++, 0, top.first);
        list.append(child);
        if (descend(child))
            stack.append({child, 0});
    }
}

// Each item's place in the list.
void indexPositions(const QList<QModelIndex> &list, QHash<QModelIndex, int> &positions)
{
    positions.clear();
    positions.reserve(list.size());
    for (int i = 0; i < list.size(); ++i)
        positions.insert(list.at(i), i);
}

} // namespace

ZGanttView::ZGanttView(QWidget *parent)
    : QAbstractItemView(parent)
{
    init();
}

ZGanttView::~ZGanttView() = default;

void ZGanttView::init()
{
    m_geometryGuard = m_scrollGuard = m_selectionGuard = false;
    m_header = nullptr;
    m_buddy = nullptr;
    m_linkStyleIndex = 0;
    m_rowHeight = 22;
    m_rowsDirty = true;
    m_linksVisible = true;
    m_trackingStyle = false;
    m_screenshot = false;
    m_dataPen = QPen(QColor(255, 165, 0, 255));
    horizontalScrollBar()->setRange(0, 0);
    verticalScrollBar()->setRange(0, 0);
    m_barDelegate = new ZGanttViewDelegate(this);
    m_trackingDelegate = new ZTrackingGanttViewDelegate(this);
    setItemDelegate(m_barDelegate);
    setupStyles();
    setHorizontalHeader(new ZTimeLineHeader(this));
    const QDate today = QDate::currentDate();
    m_header->setRange(today, today.addMonths(6));
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void ZGanttView::setHorizontalHeader(ZTimeLineHeader *header)
{
    if (!header || header == m_header)
        return;
    if (m_header && m_header->parent() == this)
        delete m_header;
    m_header = header;
    header->setParent(this);
    connect(header, &ZTimeLineHeader::geometriesChanged, this, &ZGanttView::updateGeometries);
    connect(header, &ZTimeLineHeader::sectionResized, this, &ZGanttView::sectionResized);
    connect(header, &ZTimeLineHeader::scrollbarChanged, horizontalScrollBar(),
            &QScrollBar::setValue);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, header,
            &ZTimeLineHeader::onScrollbarChanged);
    header->show();
}

void ZGanttView::setTimeLineFlags(unsigned char flags)
{
    if (!m_header)
        return;
    m_header->setFlags(flags);
    horizontalScrollBar()->setValue(0);
    updatePredecessorsRectsForPaint();
    emit headerSizeChanged();
}

unsigned char ZGanttView::flags() const
{
    return m_header ? m_header->flags() : 0;
}

void ZGanttView::setModel(QAbstractItemModel *newModel)
{
    if (QAbstractItemModel *old = model()) {
        disconnect(old, &QAbstractItemModel::layoutChanged, this, &ZGanttView::onModelChanged);
        disconnect(old, &QAbstractItemModel::modelReset, this, &ZGanttView::onModelChanged);
        disconnect(old, &QAbstractItemModel::rowsInserted, this, &ZGanttView::onModelChanged);
        disconnect(old, &QAbstractItemModel::rowsRemoved, this, &ZGanttView::onModelChanged);
        disconnect(old, &QAbstractItemModel::rowsMoved, this, &ZGanttView::onModelChanged);
        disconnect(old, &QAbstractItemModel::rowsAboutToBeRemoved, this, &ZGanttView::forgetRows);
        disconnect(old, &QAbstractItemModel::modelAboutToBeReset, this, &ZGanttView::forgetRows);
        disconnect(old, &QAbstractItemModel::layoutAboutToBeChanged, this, &ZGanttView::forgetRows);
    }
    m_trackingDelegate->setProgressColumn(columnIndex(newModel, QStringLiteral("Progress")));
    QAbstractItemView::setModel(newModel);
    if (newModel) {
        connect(newModel, &QAbstractItemModel::layoutChanged, this, &ZGanttView::onModelChanged);
        connect(newModel, &QAbstractItemModel::modelReset, this, &ZGanttView::onModelChanged);
        // Row changes outdate the row lists as much as a reset does.
        connect(newModel, &QAbstractItemModel::rowsInserted, this, &ZGanttView::onModelChanged);
        connect(newModel, &QAbstractItemModel::rowsRemoved, this, &ZGanttView::onModelChanged);
        connect(newModel, &QAbstractItemModel::rowsMoved, this, &ZGanttView::onModelChanged);
        connect(newModel, &QAbstractItemModel::rowsAboutToBeRemoved, this, &ZGanttView::forgetRows);
        connect(newModel, &QAbstractItemModel::modelAboutToBeReset, this, &ZGanttView::forgetRows);
        connect(newModel, &QAbstractItemModel::layoutAboutToBeChanged, this,
                &ZGanttView::forgetRows);
    }
    connectOwnSelection();
    updateTimeRange();
}

void ZGanttView::setSelectionModel(QItemSelectionModel *selectionModel)
{
    QAbstractItemView::setSelectionModel(selectionModel);
    connectOwnSelection();
}

void ZGanttView::connectOwnSelection()
{
    disconnect(m_ownSelectionConnection);
    if (m_buddy && selectionModel())
        m_ownSelectionConnection = connect(selectionModel(), &QItemSelectionModel::currentRowChanged,
                                           this, &ZGanttView::onSelectionChanged);
}

void ZGanttView::onModelChanged()
{
    // Rows inserted one by one must not rebuild the list each time.
    m_preorderDirty = true;
    m_rowsDirty = true;
    // The cached bars are keyed by rows that may stand elsewhere now.
    m_linkRects.clear();
    m_linkSpansDirty = true;
    viewport()->update();
}

void ZGanttView::forgetRows()
{
    m_visibleItems.clear();
    m_visiblePos.clear();
    m_linkRects.clear();
    m_linkSpans.clear();
    m_linkTree.clear();
    m_linkSpansDirty = true;
    m_preorder.clear();
    m_preorderPos.clear();
    m_preorderDirty = true;
    m_rowsDirty = true;
}

void ZGanttView::ensurePreorder() const
{
    if (!m_preorderDirty)
        return;
    m_preorderDirty = false;
    m_preorder = preorderList(QModelIndex());
    indexPositions(m_preorder, m_preorderPos);
}

QList<QModelIndex> ZGanttView::preorderList(const QModelIndex &parent) const
{
    QList<QModelIndex> list;
    const QAbstractItemModel *m = model();
    if (!m)
        return list;
    if (parent.isValid())
        list.append(parent);
    appendPreorder(list, m, parent, [m](const QModelIndex &row) { return m->hasChildren(row); });
    return list;
}

void ZGanttView::setBuddyView(QAbstractItemView *buddy)
{
    if (!buddy || buddy == m_buddy)
        return;
    if (m_buddy) {
        disconnect(m_buddy->verticalScrollBar(), nullptr, this, nullptr);
        disconnect(m_buddy, nullptr, this, nullptr);
        disconnect(m_buddySelectionConnection);
    }
    m_buddy = buddy;
    setVerticalScrollMode(buddy->verticalScrollMode());
    connect(buddy->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &ZGanttView::onBuddyVerticalScrollChanged, Qt::UniqueConnection);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this,
            &ZGanttView::onVerticalScrollChanged, Qt::UniqueConnection);
    if (buddy->selectionModel())
        m_buddySelectionConnection =
            connect(buddy->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                    &ZGanttView::onBuddySelectionChanged);
    connectOwnSelection();
    if (auto *tree = qobject_cast<QTreeView *>(buddy)) {
        connect(tree, &QTreeView::collapsed, this, &ZGanttView::onVisibleItemsChanged);
        connect(tree, &QTreeView::expanded, this, &ZGanttView::onVisibleItemsChanged);
    }
    m_rowsDirty = true;
    viewport()->update();
}

QList<QModelIndex> ZGanttView::visibleItemsFromBuddy(const QModelIndex &parent) const
{
    auto *tree = qobject_cast<QTreeView *>(m_buddy);
    if (!tree)
        return {};
    return visibleItemsFromTree(tree, parent);
}

QList<QModelIndex> ZGanttView::visibleItemsFromTree(QTreeView *tree, const QModelIndex &parent) const
{
    QList<QModelIndex> list;
    const QAbstractItemModel *m = tree ? tree->model() : nullptr;
    if (!m)
        return list;
    appendPreorder(list, m, parent,
                   [tree](const QModelIndex &row) { return tree->isExpanded(row); });
    return list;
}

void ZGanttView::onVisibleItemsChanged()
{
    // A link goes with the first of its two rows that is removed.
    for (auto it = m_links.begin(); it != m_links.end();) {
        if (it->index.isValid() && it->predecessor.isValid())
            ++it;
        else
            it = m_links.erase(it);
    }
    m_visibleItems = visibleItemsFromBuddy(QModelIndex());
    indexPositions(m_visibleItems, m_visiblePos);
    m_linkSpansDirty = true;
    if (m_linksVisible)
        updatePredecessorsRectsForPaint();
    viewport()->update();
    m_rowsDirty = false;
}

void ZGanttView::sectionResized()
{
    m_rowsDirty = true;
    viewport()->update();
}

void ZGanttView::setPredecessorForIndex(const QModelIndex &index, const QModelIndex &predecessor,
                                        const QString &type)
{
    if (!index.isValid() || !predecessor.isValid() || index.model() != predecessor.model()
        || index == predecessor)
        return;
    ZGanttViewPredecessor link;
    link.index = index;
    link.predecessor = predecessor;
    link.type = type;
    m_links.insert(link.index, link);
    m_linkSpansDirty = true;
    viewport()->update();
}

void ZGanttView::clearPredecessorForIndex(const QModelIndex &index)
{
    if (m_links.remove(index)) {
        m_linkSpansDirty = true;
        viewport()->update();
    }
}

void ZGanttView::setLinksVisible(bool visible)
{
    m_linksVisible = visible;
    viewport()->update();
}

void ZGanttView::setVerticalLines(bool on)
{
    m_verticalLines = on;
    viewport()->update();
}

// --- Geometry -------------------------------------------------------------

int ZGanttView::visiblePosition(const QModelIndex &index) const
{
    return m_visiblePos.value(index, -1);
}

QRect ZGanttView::contentRectForType(const QModelIndex &index, int startColumn,
                                     int finishColumn) const
{
    if (startColumn == -1 || finishColumn == -1 || !m_header)
        return {};
    const QModelIndex first = mapToColumn(index);
    if (!first.isValid())
        return {};
    const int p = visiblePosition(first);
    if (p < 0)
        return {};
    const QDateTime start = (index.column() == startColumn ? index : index.sibling(index.row(), startColumn))
                                .data(Qt::DisplayRole).toDateTime();
    const QDateTime finish = (index.column() == finishColumn ? index : index.sibling(index.row(), finishColumn))
                                 .data(Qt::DisplayRole).toDateTime();
    if (!start.isValid() || !finish.isValid())
        return {};
    const int x1 = m_header->offset(start.date(), false);
    const float dayWidth = float(m_header->defaultSectionSize())
                           * m_header->timeUnitWidth(TimeLineDay);
    const int xf = m_header->offset(finish.date(), false) + int(dayWidth);
    const int top = p * m_rowHeight;
    return QRect(QPoint(x1, top), QPoint(xf - 1, top + m_rowHeight - 1));
}

QRect ZGanttView::viewportRectForType(const QModelIndex &index, int startColumn, int finishColumn,
                                      int unused) const
{
    Q_UNUSED(unused)
    const QRect r = contentRectForType(index, startColumn, finishColumn);
    if (r.isNull() || m_screenshot)
        return r;
    return r.translated(-horizontalOffset(), -verticalOffset());
}

QRect ZGanttView::visualRect(const QModelIndex &index) const
{
    if (index.column() != 0)
        return {};
    const int p = visiblePosition(index);
    if (p < 0)
        return {};
    return QRect(0, p * m_rowHeight - verticalOffset(), viewport()->width(), m_rowHeight);
}

QModelIndex ZGanttView::indexAt(const QPoint &point) const
{
    if (!model())
        return {};
    const int y = verticalOffset() + point.y();
    if (y < 0)
        return {};
    const int p = y / m_rowHeight;
    if (p < m_visibleItems.size())
        return m_visibleItems.at(p);
    return {};
}

int ZGanttView::horizontalOffset() const
{
    return horizontalScrollBar()->value();
}

int ZGanttView::verticalOffset() const
{
    const int value = verticalScrollBar()->value();
    return verticalScrollMode() == QAbstractItemView::ScrollPerPixel ? value : value * m_rowHeight;
}

bool ZGanttView::isIndexHidden(const QModelIndex &) const
{
    return false;
}

bool ZGanttView::edit(const QModelIndex &, EditTrigger, QEvent *)
{
    return false;
}

QModelIndex ZGanttView::mapToColumn(const QModelIndex &index) const
{
    if (index.isValid() && index.column() != 0)
        return index.sibling(index.row(), 0);
    return index;
}

QModelIndex ZGanttView::moveCursor(CursorAction, Qt::KeyboardModifiers)
{
    const QModelIndex result = mapToColumn(currentIndex());
    if (result.isValid())
        viewport()->update();
    return result;
}

void ZGanttView::scrollTo(const QModelIndex &index, ScrollHint)
{
    QElapsedTimer timer;
    timer.start();
    const QRect r = viewportRectForType(index, columnIndex(model(), QStringLiteral("Start Date")),
                                        columnIndex(model(), QStringLiteral("Finish Date")));
    if (r.isNull())
        return;
    const int w = viewport()->width() - 1;
    const int h = viewport()->height() - 1;
    QScrollBar *hbar = horizontalScrollBar();
    QScrollBar *vbar = verticalScrollBar();
    if (r.left() < 0)
        hbar->setValue(hbar->value() + r.left());
    else if (r.right() > w)
        hbar->setValue(hbar->value() + std::min(r.right() - w, r.left()));
    if (r.top() < 0)
        vbar->setValue(vbar->value() + r.top());
    else if (r.bottom() > h)
        vbar->setValue(vbar->value() + std::min(r.top(), r.bottom() - h));
    viewport()->update();
    if (timer.elapsed() >= 11)
        qCDebug(lcAltViews) << "NZGanttView::scrollTo done in " << timer.elapsed();
}

void ZGanttView::setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command)
{
    if (!selectionModel())
        return;
    const int first = (rect.top() + verticalOffset()) / m_rowHeight;
    const int last = (rect.bottom() + verticalOffset()) / m_rowHeight;
    const int size = m_visibleItems.size();
    if (rect.top() + verticalOffset() < 0 || rect.bottom() + verticalOffset() < 0 || first >= size
        || last >= size)
        return;
    // The rows shown at those positions, wherever they stand in the tree.
    QItemSelection selection;
    const int lastColumn = model()->columnCount() - 1;
    for (int p = first; p <= last; ++p) {
        const QModelIndex index = m_visibleItems.at(p);
        selection.select(index, index.sibling(index.row(), std::max(0, lastColumn)));
    }
    if (selection.isEmpty())
        selectionModel()->select(QItemSelection(QModelIndex(), QModelIndex()), command);
    else
        selectionModel()->select(selection, command | QItemSelectionModel::Rows);
    viewport()->update();
}

QRegion ZGanttView::visualRegionForSelection(const QItemSelection &selection) const
{
    QRegion region;
    for (const QItemSelectionRange &range : selection) {
        if (!range.isValid())
            continue;
        for (int row = range.top(); row <= range.bottom(); ++row)
            region += visualRect(range.model()->index(row, 0, range.parent()));
    }
    return region;
}

QList<int> ZGanttView::selectedRows() const
{
    QList<int> rows;
    if (!selectionModel())
        return rows;
    for (const QModelIndex &index : selectionModel()->selectedRows(0))
        rows.append(visiblePosition(mapToColumn(index)));
    return rows;
}

QList<QModelIndex> ZGanttView::viewportIndexes() const
{
    if (m_visibleItems.isEmpty() || !m_buddy)
        return {};
    QModelIndex top = mapToColumn(m_buddy->indexAt(QPoint(0, 0)));
    QModelIndex bottom = m_buddy->indexAt(QPoint(0, m_buddy->viewport()->height() - 1));
    if (!bottom.isValid())
        bottom = m_visibleItems.last();
    bottom = mapToColumn(bottom);
    ensurePreorder();
    const int i = std::max(0, m_preorderPos.value(top, -1));
    int j = m_preorderPos.value(bottom, -1);
    if (i >= 1 && j < 0)
        j = m_preorder.size() - 1;
    if (j < 0 || i >= m_preorder.size() || j >= m_preorder.size())
        return {};
    if (i > j) {
        qCDebug(lcAltViews) << "ZGanttView::viewportIndexes error";
        return {};
    }
    return m_preorder.mid(i, j - i + 1);
}

bool ZGanttView::paintRange(const QRect &exposed, int *first, int *last) const
{
    if (m_visibleItems.isEmpty())
        return false;
    if (m_screenshot) {
        // The whole list, cut to the part being rendered.
        *first = std::max(0, exposed.top() / m_rowHeight);
        *last = std::min(m_visibleItems.size() - 1, exposed.bottom() / m_rowHeight);
        return *first <= *last;
    }
    // The buddy's top and bottom rows, as viewportIndexes() finds them, taken
    // as positions of the shown rows.
    if (!m_buddy)
        return false;
    const QModelIndex top = mapToColumn(m_buddy->indexAt(QPoint(0, 0)));
    QModelIndex bottom = m_buddy->indexAt(QPoint(0, m_buddy->viewport()->height() - 1));
    if (!bottom.isValid())
        bottom = m_visibleItems.last();
    bottom = mapToColumn(bottom);
    const int i = std::max(0, visiblePosition(top));
    int j = visiblePosition(bottom);
    if (i >= 1 && j < 0)
        j = m_visibleItems.size() - 1;
    if (j < 0 || i > j)
        return false;
    *first = i;
    *last = j;
    return true;
}

void ZGanttView::updateGeometries()
{
    if (m_geometryGuard)
        return;
    m_geometryGuard = true;
    int headerHeight = 0;
    if (m_header && !m_header->isHidden())
        headerHeight = qBound(m_header->minimumHeight(), m_header->sizeHint().height(),
                              m_header->maximumHeight());
    setViewportMargins(0, headerHeight, 0, 0);
    const QRect vg = viewport()->geometry();
    if (m_header) {
        m_header->setGeometry(vg.x(), vg.y() - headerHeight, vg.width(), headerHeight);
        QScrollBar *hbar = horizontalScrollBar();
        hbar->setSingleStep(m_header->defaultSectionSize());
        hbar->setPageStep(vg.width());
        hbar->setRange(0, std::max(0, m_header->sizeHint().width() - vg.width()));
    }
    QScrollBar *vbar = verticalScrollBar();
    if (m_buddy) {
        const QScrollBar *bb = m_buddy->verticalScrollBar();
        vbar->setSingleStep(bb->singleStep());
        vbar->setPageStep(bb->pageStep());
        vbar->setRange(bb->minimum(), bb->maximum());
    } else {
        vbar->setSingleStep(m_rowHeight);
        vbar->setPageStep(vg.height());
        vbar->setRange(0, std::max(0, m_visibleItems.size() * m_rowHeight - vg.height()));
    }
    QAbstractItemView::updateGeometries();
    m_geometryGuard = false;
}

void ZGanttView::resizeEvent(QResizeEvent *event)
{
    updateGeometries();
    QAbstractItemView::resizeEvent(event);
}

void ZGanttView::wheelEvent(QWheelEvent *event)
{
    updateGeometries();
    QAbstractScrollArea::wheelEvent(event);
}

void ZGanttView::scrollContentsBy(int dx, int dy)
{
    viewport()->scroll(dx, dy);
}

void ZGanttView::mouseDoubleClickEvent(QMouseEvent *)
{
    qCDebug(lcAltViews) << "ZGanttView::mouseDoubleClickEvent"
                        << (horizontalScrollBar()->isVisible() ? "true" : "false")
                        << (verticalScrollBar()->isVisible() ? "true" : "false");
}

// --- Buddy coupling -------------------------------------------------------

void ZGanttView::onBuddyVerticalScrollChanged(int step)
{
    if (m_scrollGuard)
        return;
    m_scrollGuard = true;
    if (verticalScrollBar()->maximum() < step)
        updateGeometries();
    verticalScrollBar()->setValue(step);
    viewport()->update();
    m_scrollGuard = false;
}

void ZGanttView::onVerticalScrollChanged(int step)
{
    if (m_scrollGuard)
        return;
    m_scrollGuard = true;
    if (m_buddy)
        m_buddy->verticalScrollBar()->setValue(step);
    viewport()->update();
    m_scrollGuard = false;
}

void ZGanttView::onBuddySelectionChanged(const QModelIndex &current, const QModelIndex &)
{
    if (m_selectionGuard || !selectionModel())
        return;
    m_selectionGuard = true;
    selectionModel()->setCurrentIndex(current, QItemSelectionModel::ClearAndSelect
                                                   | QItemSelectionModel::Rows);
    viewport()->update();
    m_selectionGuard = false;
}

void ZGanttView::setSelectionInModel(QItemSelectionModel *selection, const QModelIndex &index)
{
    if (m_selectionGuard || !selection)
        return;
    m_selectionGuard = true;
    selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    viewport()->update();
    m_selectionGuard = false;
}

void ZGanttView::onSelectionChanged(const QModelIndex &current, const QModelIndex &)
{
    if (!m_buddy)
        return;
    const int buddyScroll = m_buddy->horizontalScrollBar()->value();
    if (!m_selectionGuard && m_buddy->selectionModel()) {
        m_selectionGuard = true;
        m_buddy->selectionModel()->setCurrentIndex(current, QItemSelectionModel::ClearAndSelect
                                                                | QItemSelectionModel::Rows);
        viewport()->update();
        m_selectionGuard = false;
    }
    m_buddy->horizontalScrollBar()->setValue(buddyScroll);
}

// --- Time range, state and image -------------------------------------------

void ZGanttView::updateTimeRange()
{
    QAbstractItemModel *m = model();
    if (!m)
        return;
    const int startColumn = columnIndex(m, QStringLiteral("Start Date"));
    const int finishColumn = columnIndex(m, QStringLiteral("Finish Date"));
    onModelChanged();
    ensurePreorder();
    QDateTime earliest;
    QDateTime latest;
    if (startColumn >= 0 && finishColumn >= 0) {
        // Every row of the tree, not only the top level.
        for (const QModelIndex &row : qAsConst(m_preorder)) {
            const QDateTime start = row.sibling(row.row(), startColumn).data().toDateTime();
            const QDateTime finish = row.sibling(row.row(), finishColumn).data().toDateTime();
            if (start.isValid() && (!earliest.isValid() || start < earliest))
                earliest = start;
            if (finish.isValid() && (!latest.isValid() || finish > latest))
                latest = finish;
        }
    }
    if (earliest.isValid() && latest.isValid()) {
        if (m_header)
            m_header->setRange(earliest.date(), latest.date());
        updateGeometries();
    } else {
        qWarning("No start/finish date set");
    }
}

QVariant ZGanttView::toVariant() const
{
    QVariantMap map;
    map.insert(QStringLiteral("timelineFlags"), int(flags()));
    return map;
}

void ZGanttView::fromVariant(const QVariant &value)
{
    const QVariantMap map = value.toMap();
    setTimeLineFlags(static_cast<unsigned char>(map.value(QStringLiteral("timelineFlags"), 0).toInt()));
}

QMap<QString, QVariant> ZGanttView::saveStateBeforeScreenshot()
{
    QMap<QString, QVariant> state;
    if (m_header)
        m_header->setScreenshotMode(true);
    m_screenshot = true;
    m_rowsDirty = true;
    viewport()->update();
    clearSelection();
    state.insert(QStringLiteral("width"), width());
    state.insert(QStringLiteral("height"), height());
    const int headerHeight = m_header ? m_header->height() : 0;
    ensurePreorder();
    resize(m_header ? m_header->sizeHint().width() : width(),
           m_preorder.size() * m_rowHeight + headerHeight);
    state.insert(QStringLiteral("hor_scroll_val"), horizontalScrollBar()->value());
    horizontalScrollBar()->setValue(0);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    blockSignals(true);
    return state;
}

void ZGanttView::restoreStateAfterScreenshoot(const QMap<QString, QVariant> &state)
{
    blockSignals(false);
    resize(state.value(QStringLiteral("width")).toInt(), state.value(QStringLiteral("height")).toInt());
    horizontalScrollBar()->setValue(state.value(QStringLiteral("hor_scroll_val")).toInt());
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    if (m_header)
        m_header->setScreenshotMode(false);
    m_screenshot = false;
    m_rowsDirty = true;
    viewport()->update();
}

ZImage ZGanttView::toImage()
{
    const QMap<QString, QVariant> state = saveStateBeforeScreenshot();
    QVector<QImage> header;
    QVector<QVector<QImage>> rows;
    if (m_header && m_header->defaultSectionSize() > 0) {
        const int u = m_header->defaultSectionSize();
        const int n = m_header->sizeHint().width() / u;
        const int hh = m_header->height();
        if (m_rowsDirty)
            onVisibleItemsChanged();
        const QVector<QVector<QImage>> strip = renderWidget(m_header, u, n, hh, 1, 0);
        if (!strip.isEmpty())
            header = strip.first();
        rows = renderWidget(this, u, n, m_rowHeight, m_visibleItems.size(), hh);
    }
    restoreStateAfterScreenshoot(state);
    return ZImage(header, rows);
}
