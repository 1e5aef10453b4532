#pragma once

#include <QTableWidget>

// A table widget whose pointer becomes a pointing hand over column 2.
class ZGroupTableWidget : public QTableWidget
{
    Q_OBJECT
public:
    explicit ZGroupTableWidget(QWidget *parent = nullptr);

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
};
