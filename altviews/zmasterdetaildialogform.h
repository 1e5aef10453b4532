#pragma once

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QTreeView>

// Form of ZMasterDetailDialog: a master combo box above a detail tree.
class Ui_ZMasterDetailDialog
{
public:
    QGridLayout *gridLayout = nullptr;
    QComboBox *comboBox = nullptr;
    QTreeView *treeView = nullptr;
    QDialogButtonBox *buttonBox = nullptr;

    void setupUi(QDialog *dialog)
    {
        if (dialog->objectName().isEmpty())
            dialog->setObjectName(QStringLiteral("ZMasterDetailDialog"));
        dialog->resize(400, 300);
        gridLayout = new QGridLayout(dialog);
        gridLayout->setObjectName(QStringLiteral("gridLayout"));
        comboBox = new QComboBox(dialog);
        comboBox->setObjectName(QStringLiteral("comboBox"));
        gridLayout->addWidget(comboBox, 0, 0, 1, 1);
        treeView = new QTreeView(dialog);
        treeView->setObjectName(QStringLiteral("treeView"));
        treeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
        gridLayout->addWidget(treeView, 1, 0, 1, 1);
        buttonBox = new QDialogButtonBox(dialog);
        buttonBox->setObjectName(QStringLiteral("buttonBox"));
        buttonBox->setOrientation(Qt::Horizontal);
        buttonBox->setStandardButtons(QDialogButtonBox::Cancel | QDialogButtonBox::Ok);
        gridLayout->addWidget(buttonBox, 2, 0, 1, 1);
        retranslateUi(dialog);
        QObject::connect(buttonBox, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
        QObject::connect(buttonBox, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    }

    void retranslateUi(QDialog *dialog)
    {
        dialog->setWindowTitle(QCoreApplication::translate("ZMasterDetailDialog", "Dialog"));
    }
};

namespace Ui {
class ZMasterDetailDialog : public Ui_ZMasterDetailDialog
{
};
} // namespace Ui
