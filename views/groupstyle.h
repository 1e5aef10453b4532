#pragma once

#include <QBrush>
#include <QColor>
#include <QFont>

// How the group rows of one grouping level are painted: background (also
// used for the level's colour strip in the indentation), font and text
// colour. The font is always made bold.
struct GroupStyle
{
    // No background, bold "MS Shell Dlg 2", white text: the style of a level
    // that has none of its own.
    GroupStyle();
    GroupStyle(const QBrush &brush, const QFont &font, const QColor &color);

    QBrush brush;
    QFont font;
    QColor color;
};
