#pragma once

#include <QColor>
#include <QPair>
#include <QWidget>

class ZBarShapeWidget;

// A button drawn as a combo box that shows the chosen bar body and toggles a
// ZBarShapeWidget list below itself on mouse releases; Space, F4 or Alt+Down
// opens the list while the button has the focus. shapeChanged() is
// emitted only when the user picks; the setters emit nothing.
class ZBarShapeCombo : public QWidget
{
    Q_OBJECT
public:
    explicit ZBarShapeCombo(QWidget *parent = nullptr);
    explicit ZBarShapeCombo(int index, QWidget *parent = nullptr);
    ~ZBarShapeCombo() override;

    void setBarShape(int height, int offset);
    void setColor(const QColor &color);
    // The pop-up's selected (height, offset) pair.
    QPair<int, int> barShape() const;
    int index() const { return m_index; }
    ZBarShapeWidget *popup() const { return m_popup; }

    QSize sizeHint() const override;

signals:
    void shapeChanged(int index);

public slots:
    void shapeSelected(int selectedindex);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    ZBarShapeWidget *m_popup; // Owned; a top-level pop-up without parent.
    int m_index = -1;
    bool m_popupShown = false;
    QColor m_color;
};
