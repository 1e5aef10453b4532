#pragma once

#include <QtCore/QVariant>
#include <QtWidgets/QApplication>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDialog>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QSpacerItem>

// The connection dialog's form. The widgets are created database row
// first, which makes that field the first in the focus chain.
class Ui_ZSQLConnectionDialog
{
public:
    QGridLayout *gridLayout;
    QHBoxLayout *horizontalLayout_6;
    QLabel *label_6;
    QLineEdit *leDatabase;
    QHBoxLayout *horizontalLayout;
    QLabel *label;
    QComboBox *cmbConnection;
    QHBoxLayout *horizontalLayout_2;
    QLabel *label_2;
    QLineEdit *leConnection;
    QHBoxLayout *horizontalLayout_3;
    QLabel *label_3;
    QComboBox *cmbAuthentication;
    QHBoxLayout *horizontalLayout_4;
    QLabel *label_4;
    QLineEdit *leUsername;
    QHBoxLayout *horizontalLayout_5;
    QLabel *label_5;
    QLineEdit *lePassword;
    QSpacerItem *verticalSpacer;
    QDialogButtonBox *buttonBox;

    void setupUi(QDialog *ZSQLConnectionDialog)
    {
        if (ZSQLConnectionDialog->objectName().isEmpty())
            ZSQLConnectionDialog->setObjectName(QString::fromUtf8("ZSQLConnectionDialog"));
        ZSQLConnectionDialog->resize(405, 268);
        gridLayout = new QGridLayout(ZSQLConnectionDialog);
        gridLayout->setObjectName(QString::fromUtf8("gridLayout"));

        horizontalLayout_6 = new QHBoxLayout();
        horizontalLayout_6->setObjectName(QString::fromUtf8("horizontalLayout_6"));
        label_6 = fixedWidthLabel(ZSQLConnectionDialog, "label_6");
        horizontalLayout_6->addWidget(label_6);
        leDatabase = new QLineEdit(ZSQLConnectionDialog);
        leDatabase->setObjectName(QString::fromUtf8("leDatabase"));
        horizontalLayout_6->addWidget(leDatabase);
        gridLayout->addLayout(horizontalLayout_6, 2, 0, 1, 1);

        horizontalLayout = new QHBoxLayout();
        horizontalLayout->setObjectName(QString::fromUtf8("horizontalLayout"));
        label = fixedWidthLabel(ZSQLConnectionDialog, "label");
        horizontalLayout->addWidget(label);
        cmbConnection = new QComboBox(ZSQLConnectionDialog);
        cmbConnection->setObjectName(QString::fromUtf8("cmbConnection"));
        horizontalLayout->addWidget(cmbConnection);
        gridLayout->addLayout(horizontalLayout, 0, 0, 1, 1);

        horizontalLayout_2 = new QHBoxLayout();
        horizontalLayout_2->setObjectName(QString::fromUtf8("horizontalLayout_2"));
        label_2 = fixedWidthLabel(ZSQLConnectionDialog, "label_2");
        horizontalLayout_2->addWidget(label_2);
        leConnection = new QLineEdit(ZSQLConnectionDialog);
        leConnection->setObjectName(QString::fromUtf8("leConnection"));
        horizontalLayout_2->addWidget(leConnection);
        gridLayout->addLayout(horizontalLayout_2, 1, 0, 1, 1);

        horizontalLayout_3 = new QHBoxLayout();
        horizontalLayout_3->setObjectName(QString::fromUtf8("horizontalLayout_3"));
        label_3 = fixedWidthLabel(ZSQLConnectionDialog, "label_3");
        horizontalLayout_3->addWidget(label_3);
        cmbAuthentication = new QComboBox(ZSQLConnectionDialog);
        cmbAuthentication->setObjectName(QString::fromUtf8("cmbAuthentication"));
        horizontalLayout_3->addWidget(cmbAuthentication);
        gridLayout->addLayout(horizontalLayout_3, 3, 0, 1, 1);

        horizontalLayout_4 = new QHBoxLayout();
        horizontalLayout_4->setObjectName(QString::fromUtf8("horizontalLayout_4"));
        label_4 = fixedWidthLabel(ZSQLConnectionDialog, "label_4");
        horizontalLayout_4->addWidget(label_4);
        leUsername = new QLineEdit(ZSQLConnectionDialog);
        leUsername->setObjectName(QString::fromUtf8("leUsername"));
        leUsername->setEnabled(false);
        horizontalLayout_4->addWidget(leUsername);
        gridLayout->addLayout(horizontalLayout_4, 4, 0, 1, 1);

        horizontalLayout_5 = new QHBoxLayout();
        horizontalLayout_5->setObjectName(QString::fromUtf8("horizontalLayout_5"));
        label_5 = fixedWidthLabel(ZSQLConnectionDialog, "label_5");
        horizontalLayout_5->addWidget(label_5);
        lePassword = new QLineEdit(ZSQLConnectionDialog);
        lePassword->setObjectName(QString::fromUtf8("lePassword"));
        lePassword->setEnabled(false);
        lePassword->setEchoMode(QLineEdit::Password);
        horizontalLayout_5->addWidget(lePassword);
        gridLayout->addLayout(horizontalLayout_5, 5, 0, 1, 1);

        verticalSpacer = new QSpacerItem(20, 40, QSizePolicy::Minimum, QSizePolicy::Expanding);
        gridLayout->addItem(verticalSpacer, 6, 0, 1, 1);

        buttonBox = new QDialogButtonBox(ZSQLConnectionDialog);
        buttonBox->setObjectName(QString::fromUtf8("buttonBox"));
        buttonBox->setOrientation(Qt::Horizontal);
        buttonBox->setStandardButtons(QDialogButtonBox::Cancel | QDialogButtonBox::Ok
                                      | QDialogButtonBox::Reset);
        gridLayout->addWidget(buttonBox, 7, 0, 1, 1);

        retranslateUi(ZSQLConnectionDialog);
    }

    void retranslateUi(QDialog *ZSQLConnectionDialog)
    {
        ZSQLConnectionDialog->setWindowTitle(tr("Dialog"));
        label_6->setText(tr("Database:"));
        // The database and the user name share one default text. No password
        // is compiled in.
        leDatabase->setText(tr("PMDB"));
        label->setText(tr("Connection type:"));
        label_2->setText(tr("Server name:"));
        leConnection->setText(tr("localhost"));
        label_3->setText(tr("Authentication:"));
        label_4->setText(tr("    User name:"));
        leUsername->setText(tr("PMDB"));
        label_5->setText(tr("    Password:"));
        lePassword->setText(QString());
    }

private:
    static QString tr(const char *text)
    {
        return QApplication::translate("ZSQLConnectionDialog", text, nullptr);
    }

    static QLabel *fixedWidthLabel(QDialog *dialog, const char *name)
    {
        QLabel *label = new QLabel(dialog);
        label->setObjectName(QString::fromUtf8(name));
        label->setMinimumSize(QSize(120, 0));
        label->setMaximumSize(QSize(120, 16777215));
        return label;
    }
};

namespace Ui {
class ZSQLConnectionDialog : public Ui_ZSQLConnectionDialog
{
};
} // namespace Ui
