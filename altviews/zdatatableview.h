#pragma once

#include <QTableView>

// A table view that, after painting, paints the cells of the model's last
// row a second time one row lower (a sticky total row below the table).
class ZDataTableView : public QTableView
{
    Q_OBJECT
public:
    explicit ZDataTableView(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
