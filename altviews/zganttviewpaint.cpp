// Painting of ZGanttView: background bands, grid lines, the data-date line,
// links with arrow heads, bars and the selection frame.
#include "zganttview.h"

#include "altviewslogging.h"
#include "modelhelpers.h"
#include "zganttviewdelegate.h"
#include "ztimelineheader.h"

#include <QElapsedTimer>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

void ZGanttView::paintEvent(QPaintEvent *event)
{
    const QStyleOptionViewItem option = viewOptions();
    QPainter painter(viewport());
    painter.setPen(option.palette.color(QPalette::WindowText));
    if (!model())
        return;
    if (m_rowsDirty)
        onVisibleItemsChanged();

    int first = 0;
    int last = -1;
    const bool anyRows = paintRange(event->rect(), &first, &last);

    if (anyRows && alternatingRowColors()) {
        for (int p = first; p <= last; ++p)
            paintAlternatingRowColors(&painter, m_visibleItems.at(p));
    }
    if (m_header && m_header->bottomLevel() == TimeLineDay)
        paintNonWorkingDaysColors(&painter);
    if (m_verticalLines) {
        QPen gray(Qt::gray);
        drawVerticalLines(&painter, &gray);
    }
    if (m_dataDate.isValid()) {
        QPen pen = m_dataPen;
        // The line marks the data date itself, not the next upper boundary.
        drawVerticalLine(m_dataDate.date(), &painter, &pen, false);
    }
    if (m_linksVisible)
        paintRelationships(&painter);
    if (anyRows) {
        for (int p = first; p <= last; ++p)
            paintRow(&painter, m_visibleItems.at(p));
    } else if (m_visibleItems.isEmpty() && m_screenshot) {
        qWarning("ZGanttView::paintRow m_visibleItems is empty");
    }
    if (selectionModel() && selectionModel()->hasSelection()) {
        const QItemSelection selection = selectionModel()->selection();
        if (!selection.isEmpty() && selection.first().isValid())
            paintSelectionRect(&painter, selection.first().topLeft());
    }
}

void ZGanttView::paintAlternatingRowColors(QPainter *painter, const QModelIndex &index) const
{
    const int p = visiblePosition(mapToColumn(index));
    if (p < 0 || p % 2 == 0)
        return;
    QRect r = visualRect(mapToColumn(index));
    if (r.isNull())
        return;
    r.setLeft(r.left() - 1);
    r.setRight(r.left() + 1 + painter->window().width());
    if (m_screenshot)
        r.translate(0, verticalOffset());
    painter->fillRect(r, viewOptions().palette.brush(QPalette::AlternateBase));
}

void ZGanttView::paintNonWorkingDaysColors(QPainter *painter) const
{
    if (!m_header)
        return;
    QDate first;
    QDate last;
    if (m_screenshot) {
        first = m_header->rangeStart();
        last = m_header->rangeEnd();
    } else {
        first = m_header->dateAt(unsigned(horizontalOffset()));
        last = m_header->dateAt(unsigned(horizontalOffset() + viewport()->width()));
    }
    if (!first.isValid() || !last.isValid())
        return;
    const int height = m_screenshot ? m_visibleItems.size() * m_rowHeight : viewport()->height();
    const int unit = m_header->defaultSectionSize();
    const QBrush brush = viewOptions().palette.brush(QPalette::AlternateBase);
    for (QDate d = first.addDays(6 - first.dayOfWeek()); d < last; d = d.addDays(7)) {
        int x = m_header->offset(d, false);
        if (!m_screenshot)
            x -= horizontalOffset();
        painter->fillRect(QRect(QPoint(x, 0), QPoint(x + 2 * unit - 1, height - 1)), brush);
    }
}

void ZGanttView::drawVerticalLines(QPainter *painter, QPen *pen) const
{
    if (!m_header)
        return;
    const QList<QDate> dates = m_header->datesToBeMarked();
    for (const QDate &date : dates)
        drawVerticalLine(date, painter, pen);
}

void ZGanttView::drawVerticalLine(const QDate &date, QPainter *painter, QPen *pen, bool upper) const
{
    if (!painter || !m_header)
        return;
    painter->save();
    if (pen)
        painter->setPen(*pen);
    if (date.isValid()) {
        int x = m_header->offset(date, upper);
        if (!m_screenshot)
            x -= horizontalOffset();
        const int height = m_screenshot ? m_visibleItems.size() * m_rowHeight : viewport()->height();
        painter->drawLine(x, 0, x, height);
    }
    painter->restore();
}

void ZGanttView::updatePredecessorsRectsForPaint()
{
    m_linkRects.clear();
    m_linkSpansDirty = true;
    ensurePreorder();
    const int startColumn = columnIndex(model(), QStringLiteral("Start Date"));
    const int finishColumn = columnIndex(model(), QStringLiteral("Finish Date"));
    if (startColumn < 0 || finishColumn < 0) {
        // No bar can be placed: every entry would be a null rectangle.
        for (const QModelIndex &index : qAsConst(m_preorder))
            m_linkRects.insert(index, QRect());
        return;
    }
    m_linkRects.reserve(m_preorder.size());
    for (const QModelIndex &index : qAsConst(m_preorder))
        m_linkRects.insert(index, contentRectForType(index, startColumn, finishColumn));
}

void ZGanttView::rebuildLinkSpans() const
{
    m_linkSpans.clear();
    m_linkTree.clear();
    m_linkSpansDirty = false;
    if (m_links.isEmpty())
        return;
    QElapsedTimer timer;
    timer.start();
    const QList<ZGanttViewBarStyle> styles = barStyles();
    const ZGanttViewBarStyle style =
        m_linkStyleIndex >= 0 && m_linkStyleIndex < styles.size() ? styles.at(m_linkStyleIndex)
                                                                  : ZGanttViewBarStyle();
    const int startColumn = columnIndex(model(), style.startDate);
    const int finishColumn = columnIndex(model(), style.finishDate);
    auto rectOf = [&](const QModelIndex &index) {
        const QModelIndex first = mapToColumn(index);
        const QRect cached = m_linkRects.value(first);
        if (!cached.isNull())
            return cached;
        return contentRectForType(index, startColumn, finishColumn);
    };
    m_linkSpans.reserve(m_links.size());
    for (const ZGanttViewPredecessor &link : m_links) {
        if (!link.index.isValid() || !link.predecessor.isValid())
            continue;
        // Ends that are not shown have no bar; only shown rows are read.
        const int pa = visiblePosition(mapToColumn(link.index));
        const int pb = visiblePosition(mapToColumn(link.predecessor));
        if (pa < 0 || pb < 0)
            continue;
        LinkSpan span;
        span.activity = rectOf(link.index);
        span.predecessor = rectOf(link.predecessor);
        if (span.activity.isEmpty() || span.predecessor.isEmpty())
            continue;
        span.top = std::min(pa, pb);
        span.bottom = std::max(pa, pb);
        span.predecessorIndex = link.predecessor;
        span.type = link.type;
        m_linkSpans.append(span);
    }
    std::sort(m_linkSpans.begin(), m_linkSpans.end(),
              [](const LinkSpan &a, const LinkSpan &b) { return a.top < b.top; });
    // Max-tree over the lower rows: node 1 is the root, leaves follow.
    const int n = m_linkSpans.size();
    int size = 1;
    while (size < n)
        size *= 2;
    m_linkTree.fill(-1, 2 * size);
    for (int i = 0; i < n; ++i)
        m_linkTree[size + i] = m_linkSpans.at(i).bottom;
    for (int i = size - 1; i >= 1; --i)
        m_linkTree[i] = std::max(m_linkTree.at(2 * i), m_linkTree.at(2 * i + 1));
    qCDebug(lcAltViews) << "ZGanttView::rebuildLinkSpans" << n << "links in" << timer.elapsed()
                        << "ms";
}

void ZGanttView::collectLinks(int node, int lo, int hi, int limit, int top, QVector<int> *out) const
{
    // Spans [lo, hi) of the sorted list; only those before `limit` start on
    // or above the last painted row, and only a lower row >= top reaches down
    // into the painted rows.
    if (lo >= limit || m_linkTree.at(node) < top)
        return;
    if (hi - lo == 1) {
        out->append(lo);
        return;
    }
    const int mid = (lo + hi) / 2;
    collectLinks(2 * node, lo, mid, limit, top, out);
    collectLinks(2 * node + 1, mid, hi, limit, top, out);
}

void ZGanttView::paintRelationships(QPainter *painter) const
{
    if (!painter || !model())
        return;
    if (m_linkSpansDirty)
        rebuildLinkSpans();
    if (m_linkSpans.isEmpty())
        return;
    int first = 0;
    int last = -1;
    const QRect exposed = painter->clipBoundingRect().toAlignedRect();
    if (m_screenshot) {
        first = 0;
        last = m_visibleItems.size() - 1;
        if (!exposed.isEmpty()) {
            first = std::max(0, exposed.top() / m_rowHeight);
            last = std::min(last, exposed.bottom() / m_rowHeight);
        }
    } else {
        first = std::max(0, verticalOffset() / m_rowHeight);
        last = (verticalOffset() + viewport()->height()) / m_rowHeight;
    }
    if (first > last)
        return;
    QElapsedTimer timer;
    timer.start();
    const int limit = int(std::upper_bound(m_linkSpans.cbegin(), m_linkSpans.cend(), last,
                                           [](int value, const LinkSpan &span) {
                                               return value < span.top;
                                           })
                          - m_linkSpans.cbegin());
    QVector<int> hits;
    const int leaves = m_linkTree.size() / 2;
    collectLinks(1, 0, leaves, limit, first, &hits);

    painter->save();
    const int critical = columnIndex(model(), QStringLiteral("Total float"));
    const int dx = m_screenshot ? 0 : horizontalOffset();
    const int dy = m_screenshot ? 0 : verticalOffset();
    for (int i : qAsConst(hits)) {
        const LinkSpan &span = m_linkSpans.at(i);
        painter->setPen(isActivityCritical(span.predecessorIndex, critical) ? Qt::red : Qt::black);
        drawRelationShip(painter, span.activity.translated(-dx, -dy),
                         span.predecessor.translated(-dx, -dy), span.type);
    }
    qCDebug(lcAltViews) << "XXXXXXXXX VIEWPORT time, ms: " << timer.elapsed();
    painter->restore();
}

void ZGanttView::drawRelationShip(QPainter *painter, const QRect &a, const QRect &b,
                                  const QString &type) const
{
    const bool above = a.top() < b.top();
    const QPoint s(type == QLatin1String("FS") || type == QLatin1String("FF") ? b.right() : b.left(),
                   (b.top() + b.bottom()) / 2 + 1);
    const QPoint e(type == QLatin1String("FS") || type == QLatin1String("SS") ? a.left() : a.right(),
                   above ? a.bottom() : a.top());
    QPainterPath path;
    path.moveTo(s);
    int legY = s.y();
    if (a.left() < b.right()) {
        legY = above ? b.top() : b.bottom() + 1;
        path.lineTo(s.x(), legY);
    }
    path.lineTo(e.x(), legY);
    path.lineTo(e);
    painter->save();
    painter->setBrush(Qt::NoBrush);
    painter->drawPath(path);
    painter->restore();
    if (above)
        drawArrow(painter, QPoint(e.x(), e.y() - 4), Qt::UpArrow);
    else
        drawArrow(painter, QPoint(e.x(), e.y() + 5), Qt::DownArrow);
}

void ZGanttView::drawArrow(QPainter *painter, const QPoint &point, Qt::ArrowType type) const
{
    const int x = point.x();
    const int y = point.y();
    switch (type) {
    case Qt::UpArrow:
        painter->drawPoint(point);
        for (int k = 1; k <= 4; ++k)
            painter->drawLine(x - k, y + k, x + k, y + k);
        break;
    case Qt::DownArrow:
        for (int k = 4; k >= 1; --k)
            painter->drawLine(x - k, y - k, x + k, y - k);
        painter->drawPoint(point);
        break;
    case Qt::LeftArrow:
        painter->drawPoint(point);
        for (int k = 1; k <= 4; ++k)
            painter->drawLine(x + k, y - k, x + k, y + k);
        break;
    case Qt::RightArrow:
        painter->drawPoint(point);
        for (int k = 1; k <= 4; ++k)
            painter->drawLine(x - k, y - k, x - k, y + k);
        break;
    default:
        break;
    }
}

void ZGanttView::paintRow(QPainter *painter, const QModelIndex &index) const
{
    if (m_visibleItems.isEmpty()) {
        qWarning("ZGanttView::paintRow m_visibleItems is empty");
        return;
    }
    if (visiblePosition(mapToColumn(index)) < 0)
        return;
    QStyleOptionViewItem option = viewOptions();
    QAbstractItemDelegate *delegate = itemDelegate();
    if (!delegate)
        return;
    const bool critical = isActivityCritical(index, columnIndex(model(), QStringLiteral("Total float")));
    if (!critical && !m_trackingStyle) {
        const TaskType type = taskType(index);
        if (type == NoTaskType)
            return;
        const QList<ZGanttViewBarStyle> styles = barStyles();
        for (int i = 0; i < styles.size(); ++i) {
            const ZGanttViewBarStyle &style = styles.at(i);
            if (!style.visible || !matchTypes(i, type))
                continue;
            const QRect r = viewportRectForType(index, columnIndex(model(), style.startDate),
                                                columnIndex(model(), style.finishDate));
            if (r.isEmpty())
                continue;
            option.rect = r;
            option.type = i;
            delegate->paint(painter, option, index);
        }
        return;
    }
    const QRect r = viewportRectForType(index, columnIndex(model(), QStringLiteral("Start Date")),
                                        columnIndex(model(), QStringLiteral("Finish Date")));
    if (r.isEmpty())
        return;
    option.rect = r;
    option.type = -1;
    delegate->paint(painter, option, index);
}

void ZGanttView::paintSelectionRect(QPainter *painter, const QModelIndex &index)
{
    const QRect r = visualRect(mapToColumn(index));
    if (r.isNull())
        return;
    painter->save();
    painter->setPen(Qt::gray);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(r.adjusted(-1, 0, 1, 0));
    painter->restore();
}
