#pragma once

#include <QColor>
#include <QWidget>

class ZEndPointWidget;

// A button drawn as a combo box that shows the chosen end-point shape and
// opens a ZEndPointWidget below itself on every mouse release, or on Space,
// F4 or Alt+Down while it has the focus.
// endpointChanged() is emitted only when the user picks; the setters emit
// nothing.
class ZEndPointCombo : public QWidget
{
    Q_OBJECT
public:
    explicit ZEndPointCombo(QWidget *parent = nullptr);
    explicit ZEndPointCombo(int index, QWidget *parent = nullptr);
    ~ZEndPointCombo() override;

    // Selects the name's first index in the list (-1 when absent).
    void setShape(const QString &name);
    void setColor(QColor color);
    int index() const { return m_index; }
    // The name at the pop-up's selection; empty outside the list.
    QString shapeName() const;
    ZEndPointWidget *popup() const { return m_popup; }

    QSize sizeHint() const override;

signals:
    void endpointChanged(int index);

public slots:
    void endpointSelected(int selectedindex);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    ZEndPointWidget *m_popup; // Owned; a top-level pop-up without parent.
    int m_index = -1;
};
