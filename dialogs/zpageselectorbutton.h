#pragma once

#include <QPrinter>
#include <QWidget>

// A small page drawn upright or on its side; a click on the page, or Space
// while it has the focus, checks it.
// Two of them choose the print orientation: checking one unchecks the other
// (through setUnchecked), and a checked one cannot be unchecked by a click.
class ZPageSelectorButton : public QWidget
{
    Q_OBJECT
public:
    explicit ZPageSelectorButton(QWidget *parent = nullptr);

    void setOrientation(QPrinter::Orientation orientation);
    QPrinter::Orientation orientation() const { return m_orientation; }
    bool isChecked() const { return m_checked; }
    void setChecked(bool checked);
    QRect pageRect() const { return m_pageRect; }

signals:
    void pageOrientChecked();

public slots:
    void setUnchecked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    // The layout may size the button after it is shown.
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    // Space checks it, as it clicks a button.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void updatePageRect();
    void check();

    QRect m_pageRect;
    QPrinter::Orientation m_orientation = QPrinter::Portrait;
    bool m_checked = false;
};
