#pragma once

#include <QGraphicsScene>

class QGraphicsLineItem;
class QGraphicsRectItem;

// The scene of the snip dialog: the chart picture, two vertical crop lines
// and the shades outside them. Presses, moves and releases drag the lines;
// the items themselves never see the mouse. A line stops at the picture's
// edges and at the other line.
class ZSnipGraphicsScene : public QGraphicsScene
{
    Q_OBJECT
public:
    explicit ZSnipGraphicsScene(QObject *parent = nullptr);

    // Adds the two lines and shades over what the scene holds now; its
    // width and height become the picture's size.
    void drawLines();
    // 0 for the left line, 1 for the right line, -1 for none.
    int getLineUnderCursor(const QPointF &pos) const;
    bool isLineUnderCursor(QGraphicsLineItem *line, const QPointF &pos) const;
    QRect selectedRect() const;
    void setLinesVisible(bool visible);

    QGraphicsLineItem *line(int i) const;
    QGraphicsRectItem *shade(int i) const;
    int pictureWidth() const { return m_width; }
    int pictureHeight() const { return m_height; }

signals:
    void cursorUpdated(bool split);

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;

private:
    void moveActiveLine(qreal x);

    bool m_dragging = false;
    int m_activeLine = -1;
    QGraphicsLineItem *m_lines[2] = {nullptr, nullptr}; // Owned by the scene.
    QGraphicsRectItem *m_shades[2] = {nullptr, nullptr}; // Owned by the scene.
    int m_width = 0;
    int m_height = 0;
};
