#include "zcolorwidget.h"

#include "zpopupbutton.h"

#include <QCursor>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace {

constexpr int kColumns = 8;
constexpr int kUpperRows = 5;
constexpr int kCellSize = 12;
constexpr int kPitch = 16;

} // namespace

ZColorWidget::ZColorWidget(QWidget *parent)
    : QWidget(parent)
{
    setupcolors();
    m_selectedIndex = -1;
    m_margin = 2;
    resize(136, 136);
    setAttribute(Qt::WA_MouseTracking);
    setFocusPolicy(Qt::StrongFocus);
}

ZColorWidget::ZColorWidget(QColor color, QWidget *parent)
    : ZColorWidget(parent)
{
    setColor(color);
}

void ZColorWidget::setupcolors()
{
    static const char *const palette[][2] = {
        {"", "No Color"},           {"#000000", "Black"},       {"#993300", "Brown"},
        {"#333300", "Olive Green"}, {"#003300", "Dark Green"},  {"#003366", "Dark Teal"},
        {"#000080", "Dark Blue"},   {"#333399", "Indigo"},      {"#333333", "Gray-80%"},
        {"#800000", "Dark Red"},    {"#FF6600", "Orange"},      {"#808000", "Dark Yellow"},
        {"#008000", "Green"},       {"#008080", "Teal"},        {"#0000FF", "Blue"},
        {"#666699", "Blue-Gray"},   {"#808080", "Gray-50%"},    {"#FF0000", "Red"},
        {"#FF9900", "Light Orange"}, {"#99CC00", "Lime"},       {"#339966", "Sea Green"},
        {"#33CCCC", "Aqua"},        {"#3366FF", "Light Blue"},  {"#800080", "Violet"},
        {"#969696", "Gray-40%"},    {"#FF00FF", "Pink"},        {"#FFCC00", "Gold"},
        {"#FFFF00", "Yellow"},      {"#00FF00", "Bright Green"}, {"#00FFFF", "Turquoise"},
        {"#00CCFF", "Sky Blue"},    {"#993366", "Plum"},        {"#C0C0C0", "Gray-25%"},
        {"#FF99CC", "Rose"},        {"#FFCC99", "Tan"},         {"#FFFF99", "Light Yellow"},
        {"#CCFFCC", "Light Green"}, {"#99CCFF", "Pale Blue"},   {"#CC99FF", "Lavender"},
        {"#FFFFFF", "White"},       {"#9999FF", "Periwinkle"},  {"#993366", "Plum+"},
        {"#FFFFCC", "Ivory"},       {"#CCFFFF", "Lite Turquoise"}, {"#660066", "Dark Purple"},
        {"#FF8080", "Coral"},       {"#0066CC", "Ocean Blue"},  {"#CCCCFF", "Ice Blue"},
        {"#000080", "Dark Blue+"},  {"#FF00FF", "Pink+"},       {"#FFFF00", "Yellow+"},
        {"#00FFFF", "Turquoise+"},  {"#800080", "Violet+"},     {"#800000", "Dark Red+"},
        {"#008080", "Teal+"},       {"#0000FF", "Blue+"},
    };
    m_colors.clear();
    for (const auto &entry : palette) {
        QColor color;
        if (entry[0][0] != '\0')
            color.setNamedColor(QLatin1String(entry[0]));
        m_colors.append(qMakePair(color, QString::fromLatin1(entry[1])));
    }
}

void ZColorWidget::setColor(const QColor &color)
{
    // The last equal entry wins, so a repeated colour selects its "+" twin.
    for (int i = m_colors.size() - 1; i >= 0; --i) {
        if (m_colors.at(i).first == color) {
            m_color = m_colors.at(i).first;
            m_selectedIndex = i;
            update();
            return;
        }
    }
}

ZColorWidget::ColorCell ZColorWidget::colorIndexAt(const QPoint &point) const
{
    for (const ColorCell &cell : m_cells) {
        if (cell.rect.contains(point))
            return cell;
    }
    return ColorCell();
}

QSize ZColorWidget::sizeHint() const
{
    return QSize(2 * m_margin + 132, 2 * m_margin + 132);
}

QRect ZColorWidget::cellRect(int index) const
{
    if (index < 0 || index >= m_colors.size())
        return QRect();
    const int row = index / kColumns;
    const int column = index % kColumns;
    const int x = m_margin + 4 + kPitch * column;
    // The lower block sits 16 pixels lower, below the separator line.
    const int y = row < kUpperRows ? m_margin + 4 + kPitch * row : m_margin + 20 + kPitch * row;
    return QRect(x, y, kCellSize, kCellSize);
}

void ZColorWidget::drawSelection(QPainter *painter, QRectF rect)
{
    painter->drawRect(QRectF(rect.x() - 2, rect.y() - 2, 15, 15));
}

void ZColorWidget::drawHover(QPainter *painter, QRectF rect)
{
    painter->drawRect(QRectF(rect.x() - 2, rect.y() - 2, 15, 15));
}

void ZColorWidget::paintCell(QPainter &painter, int index, const QPointF &cursor)
{
    const QRectF cell(cellRect(index));
    if (index == m_selectedIndex)
        drawSelection(&painter, cell);
    if (index == 0)
        painter.drawRect(QRectF(cell.x(), cell.y(), 11, 11));
    else
        painter.fillRect(cell, QBrush(m_colors.at(index).first, Qt::SolidPattern));
    if (cell.contains(cursor))
        drawHover(&painter, cell);
    m_cells.append(ColorCell{index, cell});
}

void ZColorWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QPointF cursor = mapFromGlobal(QCursor::pos());
    const int m = m_margin;
    m_cells.clear();
    for (int i = 0; i < kUpperRows * kColumns && i < m_colors.size(); ++i)
        paintCell(painter, i, cursor);
    painter.setPen(Qt::black);
    painter.drawLine(m, m + 90, m + 132, m + 90);
    painter.setPen(QPen());
    for (int i = kUpperRows * kColumns; i < m_colors.size(); ++i)
        paintCell(painter, i, cursor);
}

bool ZColorWidget::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const ColorCell cell = colorIndexAt(help->pos());
        if (cell.index >= 0 && cell.index < m_colors.size()) {
            QToolTip::showText(help->globalPos(), m_colors.at(cell.index).second, this);
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    return QWidget::event(event);
}

void ZColorWidget::mouseMoveEvent(QMouseEvent *)
{
    update();
}

void ZColorWidget::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
        if (m_selectedIndex >= 0) {
            emit selected(m_color);
            return;
        }
    } else if (const int step = gridKeyStep(event, kColumns)) {
        // A grid without a selection starts on its first cell.
        m_selectedIndex =
            m_selectedIndex < 0 ? 0 : qBound(0, m_selectedIndex + step, int(m_colors.size()) - 1);
        m_color = m_colors.value(m_selectedIndex).first;
        update();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ZColorWidget::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint pos = event->localPos().toPoint();
    for (int i = 0; i < m_cells.size(); ++i) {
        if (!m_cells.at(i).rect.contains(pos))
            continue;
        // Cells are painted in palette order, so the position is the index.
        m_selectedIndex = i;
        m_color = m_colors.value(i).first;
        update();
        emit selected(m_color);
        return;
    }
}
