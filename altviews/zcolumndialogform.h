#pragma once

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QIcon>
#include <QListWidget>
#include <QSpacerItem>
#include <QToolButton>
#include <QVBoxLayout>

// Form of ZColumnDialog: available list, arrows across, chosen list, arrows
// up and down, buttons below.
class Ui_ZColumnDialog
{
public:
    QGridLayout *gridLayout = nullptr;
    QListWidget *lwAvaiable = nullptr;
    QVBoxLayout *verticalLayout_2 = nullptr;
    QToolButton *tbRight = nullptr;
    QToolButton *tbLeft = nullptr;
    QSpacerItem *verticalSpacer_2 = nullptr;
    QListWidget *lwChosen = nullptr;
    QVBoxLayout *verticalLayout = nullptr;
    QToolButton *tbUp = nullptr;
    QToolButton *tbDown = nullptr;
    QSpacerItem *verticalSpacer = nullptr;
    QDialogButtonBox *buttonBox = nullptr;

    void setupUi(QDialog *dialog)
    {
        if (dialog->objectName().isEmpty())
            dialog->setObjectName(QStringLiteral("ZColumnDialog"));
        dialog->resize(433, 300);
        gridLayout = new QGridLayout(dialog);
        gridLayout->setObjectName(QStringLiteral("gridLayout"));
        lwAvaiable = new QListWidget(dialog);
        lwAvaiable->setObjectName(QStringLiteral("lwAvaiable"));
        gridLayout->addWidget(lwAvaiable, 0, 0, 1, 1);

        verticalLayout_2 = new QVBoxLayout;
        verticalLayout_2->setObjectName(QStringLiteral("verticalLayout_2"));
        tbRight = toolButton(dialog, "tbRight", ":/images/button_rounded_blue_right_32.png");
        verticalLayout_2->addWidget(tbRight);
        tbLeft = toolButton(dialog, "tbLeft", ":/images/button_rounded_blue_left_32.png");
        verticalLayout_2->addWidget(tbLeft);
        verticalSpacer_2 = new QSpacerItem(20, 40, QSizePolicy::Minimum, QSizePolicy::Expanding);
        verticalLayout_2->addItem(verticalSpacer_2);
        gridLayout->addLayout(verticalLayout_2, 0, 1, 1, 1);

        lwChosen = new QListWidget(dialog);
        lwChosen->setObjectName(QStringLiteral("lwChosen"));
        gridLayout->addWidget(lwChosen, 0, 2, 1, 1);

        verticalLayout = new QVBoxLayout;
        verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
        tbUp = toolButton(dialog, "tbUp", ":/images/button_rounded_blue_up_32.png");
        verticalLayout->addWidget(tbUp);
        tbDown = toolButton(dialog, "tbDown", ":/images/button_rounded_blue_down_32.png");
        verticalLayout->addWidget(tbDown);
        verticalSpacer = new QSpacerItem(20, 40, QSizePolicy::Minimum, QSizePolicy::Expanding);
        verticalLayout->addItem(verticalSpacer);
        gridLayout->addLayout(verticalLayout, 0, 3, 1, 1);

        buttonBox = new QDialogButtonBox(dialog);
        buttonBox->setObjectName(QStringLiteral("buttonBox"));
        buttonBox->setOrientation(Qt::Horizontal);
        buttonBox->setStandardButtons(QDialogButtonBox::Cancel | QDialogButtonBox::Ok);
        gridLayout->addWidget(buttonBox, 1, 0, 1, 4);

        retranslateUi(dialog);
        QObject::connect(buttonBox, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
        QObject::connect(buttonBox, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    }

    void retranslateUi(QDialog *dialog)
    {
        dialog->setWindowTitle(QCoreApplication::translate("ZColumnDialog", "Columns"));
    }

private:
    static QToolButton *toolButton(QDialog *dialog, const char *name, const char *icon)
    {
        auto *button = new QToolButton(dialog);
        button->setObjectName(QString::fromLatin1(name));
        button->setMaximumSize(QSize(24, 24));
        button->setIcon(QIcon(QString::fromLatin1(icon)));
        button->setIconSize(QSize(24, 24));
        return button;
    }
};

namespace Ui {
class ZColumnDialog : public Ui_ZColumnDialog
{
};
} // namespace Ui
