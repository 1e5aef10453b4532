#pragma once

#include <QColor>
#include <QList>
#include <QPair>
#include <QWidget>

// A pop-up list of nine bar bodies, each a (height, offset) pair drawn as a
// band in a 22-pixel row; entry 0 is the bar without body. A button release
// on a row, or Return, Enter or Space, emits selected(); Up and Down move the
// selection.
class ZBarShapeWidget : public QWidget
{
    Q_OBJECT
public:
    explicit ZBarShapeWidget(QWidget *parent = nullptr);
    explicit ZBarShapeWidget(int selected, QWidget *parent = nullptr);

    QSize sizeHint() const override;

    void setupShapes();
    const QList<QPair<int, int>> &shapes() const { return m_shapes; }
    // Selects the first equal pair; an unknown pair changes nothing.
    void setBarShape(QPair<int, int> shape);
    // The selected pair, or (11, 5) without a valid selection.
    QPair<int, int> barShape() const;
    int selectedIndex() const { return m_selectedIndex; }
    QColor color() const { return m_color; }
    void setColor(const QColor &color);
    int rowHeight() const { return m_rowHeight; }

    void drawSelection(QPainter *painter, QRect rect);

signals:
    void selected(int index);

protected:
    void createBarShape(int height, int offset);
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QList<QPair<int, int>> m_shapes;
    int m_selectedIndex = -1;
    // The selection when the pop-up showed, and whether it was picked since:
    // keys move the selection, and a close without a pick puts it back.
    int m_shownIndex = -1;
    bool m_picked = false;
    int m_rowHeight = 22;
    QColor m_color;
};
