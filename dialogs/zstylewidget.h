#pragma once

#include <QColor>
#include <QFont>
#include <QWidget>

class QFontComboBox;
class QPushButton;
class QToolButton;
class ZColorWidget;
class ZTextColorCombo;

// The format panel of a grouping level: font family, italic, underline and
// bold, the text colour and the background colour grid, with an "Ok" button
// that emits accepted(). Only those attributes come back from
// selectedFont(); size and the rest stay the default font's. A family the
// font chooser only stands in for comes back as given until another is
// picked.
class ZStyleWidget : public QWidget
{
    Q_OBJECT
public:
    explicit ZStyleWidget(QWidget *parent = nullptr);
    ~ZStyleWidget() override;

    void setFont(const QFont &font, QColor color);
    QFont selectedFont() const;
    QColor fontColor() const;
    void setBackgroundColor(QColor color);
    // Invalid for "No Color" or when nothing was ever selected.
    QColor backgroundColor() const;
    // True when the grid stands on "No Color" (not merely on nothing).
    bool isNoColorSelected() const;

    QFontComboBox *fontCombo() const { return m_fontCombo; }
    QToolButton *italicButton() const { return m_italicButton; }
    QToolButton *underlineButton() const { return m_underlineButton; }
    QToolButton *boldButton() const { return m_boldButton; }
    ZTextColorCombo *textColorCombo() const { return m_textColorCombo; }
    ZColorWidget *backgroundGrid() const { return m_backgroundGrid; }
    QPushButton *okButton() const { return m_okButton; }

signals:
    void accepted();

private:
    QFontComboBox *m_fontCombo; // Not owned (child).
    QString m_givenFamily;
    QString m_shownFamily;
    QToolButton *m_italicButton; // Not owned (child).
    QToolButton *m_underlineButton; // Not owned (child).
    QToolButton *m_boldButton; // Not owned (child).
    ZTextColorCombo *m_textColorCombo; // Not owned (child).
    ZColorWidget *m_backgroundGrid; // Not owned (child).
    QPushButton *m_okButton; // Not owned (child).
};
