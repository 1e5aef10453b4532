#pragma once

#include "zcolumndialogform.h"

#include <QDialog>
#include <QPointer>
#include <QStringList>

class QHeaderView;

// Lets the user choose which columns of a header are shown, and in which
// order, by moving their titles between an available list (the hidden
// sections) and a chosen list (the shown ones). Applying the result to the
// header is the caller's: selectedColumns() after the dialog is accepted.
class ZColumnDialog : public QDialog, public Ui::ZColumnDialog
{
    Q_OBJECT
public:
    explicit ZColumnDialog(QHeaderView *header, QWidget *parent = nullptr);

    QStringList selectedColumns() const;
    // Titles never listed.
    void setColumnException(const QString &title, bool exclude);
    void resetLists();

private slots:
    void onUpPressed();
    void onDownPressed();
    void onLeftPressed();
    void onRightPressed();
    void onDoubleClicked(const QModelIndex &index);

private:
    QPointer<QHeaderView> m_header; // Not owned.
    QStringList m_exceptions;
};
