#pragma once

#include <QColor>
#include <QFrame>
#include <QList>
#include <QPair>
#include <QRectF>

// Popup listing the five line styles as sample lines; the one under the
// pointer is framed, a click picks it (emits selected) and closes the popup.
// A click outside closes it without a signal.
class ZLineStyleWidget : public QFrame
{
    Q_OBJECT
public:
    explicit ZLineStyleWidget(QWidget *parent = nullptr);

    void setColor(const QColor &color) { m_color = color; }
    QColor color() const { return m_color; }
    Qt::PenStyle currentStyle() const { return m_currentStyle; }
    QList<Qt::PenStyle> styles() const { return m_styles; }

signals:
    void selected(Qt::PenStyle style);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // Hit areas as of the last paint; built from the current size when none.
    QList<QPair<QRectF, Qt::PenStyle>> entries() const;

    QColor m_color;
    Qt::PenStyle m_currentStyle = Qt::SolidLine;
    QList<Qt::PenStyle> m_styles;
    QList<QPair<QRectF, Qt::PenStyle>> m_entries;
};
