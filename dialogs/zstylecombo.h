#pragma once

#include <QColor>
#include <QFont>
#include <QWidget>

class ZStyleWidget;

// The Format cell editor of the group-by dialog: it paints only a drop-down
// button in its bottom-right corner (the cell beneath stays visible) and
// opens a ZStyleWidget as a pop-up below itself when that button is
// released on, or from the keyboard. "Ok" in the pop-up hides it and emits
// accepted(); a click outside closes it without a choice.
class ZStyleCombo : public QWidget
{
    Q_OBJECT
public:
    explicit ZStyleCombo(QWidget *parent = nullptr);
    ~ZStyleCombo() override;

    void setFont(const QFont &font, QColor color);
    QFont selectedFont() const;
    QColor fontColor() const;
    void setBackgroundColor(QColor color);
    QColor backgroundColor() const;
    bool isNoColorSelected() const;

    // While blocked, the dialog's delegate does not reload the editor from
    // its cell (it is writing the cell from the editor).
    void setBlocked(bool blocked) { m_blocked = blocked; }
    bool isBlocked() const { return m_blocked; }

    ZStyleWidget *popup() const { return m_popup; }

signals:
    void accepted();

public slots:
    // Opens the pop-up below the combo, with the keyboard in it.
    void showPopup();
    void hidePopup();

protected:
    // Space, F4 and Alt+Down open the pop-up, as in a combo box.
    void keyPressEvent(QKeyEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    ZStyleWidget *m_popup; // Owned; a top-level pop-up without parent.
    bool m_blocked = false;
};
