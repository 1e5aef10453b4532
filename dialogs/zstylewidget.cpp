#include "zstylewidget.h"

#include "zcolorcombo.h"
#include "zcolorwidget.h"

#include <QFontComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Weights up to Medium (57) read as regular, DemiBold and heavier as bold.
constexpr int kBoldFrom = 58;

QToolButton *switchButton(const QString &icon, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setFixedSize(20, 20);
    button->setCheckable(true);
    button->setIcon(QIcon(icon));
    return button;
}

} // namespace

ZStyleWidget::ZStyleWidget(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);

    auto *fontGroup = new QGroupBox(tr("Font"), this);
    fontGroup->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Maximum);
    auto *fontLayout = new QVBoxLayout(fontGroup);
    m_fontCombo = new QFontComboBox(fontGroup);
    m_fontCombo->setFixedSize(150, 22);
    fontLayout->addWidget(m_fontCombo);
    auto *row = new QHBoxLayout;
    m_italicButton = switchButton(QStringLiteral(":/images/character_italic_small.png"), fontGroup);
    m_underlineButton =
        switchButton(QStringLiteral(":/images/character_underline_small.png"), fontGroup);
    m_boldButton = switchButton(QStringLiteral(":/images/character_bold_small.png"), fontGroup);
    m_textColorCombo = new ZTextColorCombo(fontGroup);
    m_textColorCombo->setFixedSize(50, 22);
    row->addWidget(m_italicButton);
    row->addWidget(m_underlineButton);
    row->addWidget(m_boldButton);
    row->addStretch();
    row->addWidget(m_textColorCombo, 0, Qt::AlignRight);
    fontLayout->addLayout(row);
    layout->addWidget(fontGroup);

    auto *colorGroup = new QGroupBox(tr("Color"), this);
    auto *colorLayout = new QVBoxLayout(colorGroup);
    m_backgroundGrid = new ZColorWidget(colorGroup);
    colorLayout->addWidget(m_backgroundGrid);
    layout->addWidget(colorGroup);

    m_okButton = new QPushButton(tr("Ok"), this);
    // Outside a dialog a button takes Space only; Enter on it applies too.
    m_okButton->setAutoDefault(true);
    layout->addWidget(m_okButton);
    connect(m_okButton, &QPushButton::clicked, this, &ZStyleWidget::accepted);

    setFixedHeight(340);
}

ZStyleWidget::~ZStyleWidget() = default;

void ZStyleWidget::setFont(const QFont &font, QColor color)
{
    m_fontCombo->setCurrentFont(font);
    // A family this machine lacks shows as its stand-in; the level keeps
    // its own unless the user picks another.
    m_givenFamily = font.family();
    m_shownFamily = m_fontCombo->currentText();
    m_italicButton->setChecked(font.style() != QFont::StyleNormal);
    m_underlineButton->setChecked(font.underline());
    m_boldButton->setChecked(font.weight() >= kBoldFrom);
    m_textColorCombo->setColor(color);
}

QFont ZStyleWidget::selectedFont() const
{
    QFont font;
    const QString shown = m_fontCombo->currentText();
    font.setFamily(shown == m_shownFamily ? m_givenFamily : shown);
    font.setStyle(m_italicButton->isChecked() ? QFont::StyleItalic : QFont::StyleNormal);
    font.setUnderline(m_underlineButton->isChecked());
    font.setWeight(m_boldButton->isChecked() ? QFont::Bold : QFont::Normal);
    return font;
}

QColor ZStyleWidget::fontColor() const
{
    return m_textColorCombo->color();
}

void ZStyleWidget::setBackgroundColor(QColor color)
{
    m_backgroundGrid->setColor(color);
}

QColor ZStyleWidget::backgroundColor() const
{
    return m_backgroundGrid->color();
}

bool ZStyleWidget::isNoColorSelected() const
{
    return m_backgroundGrid->selectedIndex() == 0;
}
