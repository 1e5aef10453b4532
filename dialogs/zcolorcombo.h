#pragma once

#include <QColor>
#include <QWidget>

class ZColorWidget;

// A button drawn as a combo box that shows the chosen colour as a swatch and
// opens a ZColorWidget below itself on a mouse release, or on Space, F4 or
// Alt+Down while it has the focus. colorChanged() is
// emitted only when the user picks; setColor() emits nothing.
class ZColorCombo : public QWidget
{
    Q_OBJECT
public:
    explicit ZColorCombo(QWidget *parent = nullptr);
    explicit ZColorCombo(QColor color, QWidget *parent = nullptr);
    ~ZColorCombo() override;

    void setColor(QColor color);
    QColor color() const { return m_color; }
    ZColorWidget *popup() const { return m_popup; }

    QSize sizeHint() const override;

signals:
    void colorChanged(QColor color);

public slots:
    void colorSelected(QColor color);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

    ZColorWidget *m_popup; // Owned; a top-level pop-up without parent.
    QColor m_color;
};

// A ZColorCombo that shows the sample text "ABC" in the chosen colour.
class ZTextColorCombo : public ZColorCombo
{
    Q_OBJECT
public:
    explicit ZTextColorCombo(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
