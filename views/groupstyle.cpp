#include "groupstyle.h"

GroupStyle::GroupStyle()
    : GroupStyle(QBrush(), QFont(QStringLiteral("MS Shell Dlg 2")), QColor(Qt::white))
{
}

GroupStyle::GroupStyle(const QBrush &brush, const QFont &font, const QColor &color)
    : brush(brush), font(font), color(color)
{
    this->font.setWeight(QFont::Bold);
}
