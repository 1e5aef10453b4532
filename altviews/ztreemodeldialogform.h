#pragma once

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QTreeView>

// Form of ZTreeModelDialog: a tree view above an Ok button.
class Ui_ZTreeModelDialog
{
public:
    QGridLayout *gridLayout = nullptr;
    QTreeView *treeView = nullptr;
    QDialogButtonBox *buttonBox = nullptr;

    void setupUi(QDialog *dialog)
    {
        if (dialog->objectName().isEmpty())
            dialog->setObjectName(QStringLiteral("ZTreeModelDialog"));
        dialog->resize(400, 300);
        gridLayout = new QGridLayout(dialog);
        gridLayout->setObjectName(QStringLiteral("gridLayout"));
        treeView = new QTreeView(dialog);
        treeView->setObjectName(QStringLiteral("treeView"));
        gridLayout->addWidget(treeView, 0, 0, 1, 1);
        buttonBox = new QDialogButtonBox(dialog);
        buttonBox->setObjectName(QStringLiteral("buttonBox"));
        buttonBox->setOrientation(Qt::Horizontal);
        buttonBox->setStandardButtons(QDialogButtonBox::Ok);
        gridLayout->addWidget(buttonBox, 1, 0, 1, 1);
        retranslateUi(dialog);
        QObject::connect(buttonBox, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
        QObject::connect(buttonBox, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    }

    void retranslateUi(QDialog *dialog)
    {
        dialog->setWindowTitle(QCoreApplication::translate("ZTreeModelDialog", "Dialog"));
    }
};

namespace Ui {
class ZTreeModelDialog : public Ui_ZTreeModelDialog
{
};
} // namespace Ui
