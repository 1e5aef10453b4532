#pragma once

#include <QColor>
#include <QList>
#include <QPair>
#include <QRectF>
#include <QString>
#include <QVector>
#include <QWidget>

// A pop-up grid of 56 named colours (entry 0 is "No Color", an invalid
// colour). Painted by hand: hover follows the mouse, a button release on a
// cell picks it and emits selected(); from the keyboard the arrows move the
// selection and Enter or Space picks it. The grid keeps its selection between
// showings. It does not offer colours outside its palette.
class ZColorWidget : public QWidget
{
    Q_OBJECT
public:
    // One painted cell: the palette index and where it was drawn.
    struct ColorCell
    {
        int index = -1;
        QRectF rect;
    };

    explicit ZColorWidget(QWidget *parent = nullptr);
    explicit ZColorWidget(QColor color, QWidget *parent = nullptr);

    // Selects the last palette entry equal to the colour; a colour outside
    // the palette changes nothing. Emits nothing.
    void setColor(const QColor &color);
    QColor color() const { return m_color; }
    int selectedIndex() const { return m_selectedIndex; }

    // The cell painted last under the point; index -1 over no cell.
    ColorCell colorIndexAt(const QPoint &point) const;

    QSize sizeHint() const override;

    // The palette: colour and name, in grid order (8 per row).
    const QList<QPair<QColor, QString>> &colors() const { return m_colors; }
    // Where the entry is drawn, from the grid formulas (no paint needed).
    QRect cellRect(int index) const;

signals:
    void selected(QColor color);

protected:
    void drawSelection(QPainter *painter, QRectF rect);
    void drawHover(QPainter *painter, QRectF rect);

    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void setupcolors();
    void paintCell(QPainter &painter, int index, const QPointF &cursor);

    QList<QPair<QColor, QString>> m_colors;
    QVector<ColorCell> m_cells;
    int m_selectedIndex = -1;
    QColor m_color;
    int m_margin = 2;
};
