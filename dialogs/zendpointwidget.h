#pragma once

#include <QPen>
#include <QStringList>
#include <QWidget>

// A pop-up grid (4 x 3) of the twelve end-point shapes, "<None>" first,
// drawn by ZItemPainter. A button release picks the cell under it by fixed
// pixel bands (also outside the grid, which yields indexes outside 0..11 that
// stand for no shape) and emits selected(); from the keyboard the arrows move
// the selection and Enter or Space picks it.
class ZEndPointWidget : public QWidget
{
    Q_OBJECT
public:
    explicit ZEndPointWidget(QWidget *parent = nullptr);
    explicit ZEndPointWidget(int selected, QWidget *parent = nullptr);

    QSize sizeHint() const override;

    void setupShapes();
    const QStringList &shapes() const { return m_shapes; }
    // The name at the index; empty outside the list.
    QString shapeName(int index) const { return m_shapes.value(index); }
    int selectedIndex() const { return m_selectedIndex; }
    void setSelectedIndex(int index);
    QPen pen() const { return m_pen; }
    void setPen(const QPen &pen);

    // Draws the named shape in rect at size 11 with the widget's pen.
    void drawShape(QPainter *painter, QRect rect, const QString &name, int size);
    void drawShape(QPainter *painter, QRect rect, int index, int size);
    void drawSelection(QPainter *painter, QRectF rect);
    void drawHover(QPainter *painter, QRectF rect);

    // The index a release at the position picks.
    static int indexAt(const QPoint &pos);

signals:
    void selected(int index);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QStringList m_shapes;
    int m_selectedIndex = -1;
    // The selection when the pop-up showed, and whether it was picked since:
    // keys move the selection, and a close without a pick puts it back.
    int m_shownIndex = -1;
    bool m_picked = false;
    QPen m_pen;
};
