#pragma once

#include <QColor>
#include <QWidget>

class ZLineStyleWidget;

// A combo-box-like button showing the chosen pen style as a line; a click
// opens a ZLineStyleWidget below it, and picking a style there changes it.
class ZLineStyleCombo : public QWidget
{
    Q_OBJECT
public:
    explicit ZLineStyleCombo(QWidget *parent = nullptr);

    Qt::PenStyle penStyle() const { return m_penStyle; }
    QColor color() const { return m_color; }
    ZLineStyleWidget *popup() const { return m_popup; }

signals:
    void lineStyleChanged(Qt::PenStyle style);

public slots:
    void on_popup_selected(Qt::PenStyle style);

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    ZLineStyleWidget *m_popup = nullptr; // Child.
    QColor m_color = Qt::blue;
    Qt::PenStyle m_penStyle = Qt::SolidLine;
};
