#pragma once

#include <QSize>

class QKeyEvent;
class QPainter;
class QWidget;

// What the picker buttons (colour, end point, bar body) share: each is drawn
// as a combo box and opens its own pop-up list below itself.

// The combo box frame over the whole button, the pen left in the palette's
// text colour for what the button draws on it.
void drawComboFrame(QWidget *button, QPainter &painter);

// Opens popup as a pop-up window at the button's bottom-left corner, resized
// first when a size is given.
void showPopupBelow(QWidget *button, QWidget *popup, const QSize &size = QSize());

// Whether a key opens the pop-up of a focused button, as it opens a combo
// box: Space, F4 or Alt+Down.
bool isPopupKey(const QKeyEvent *event);

// The step an arrow key makes in a picker's grid of the given columns (Left
// and Right by one cell, Up and Down by a row); 0 for any other key.
int gridKeyStep(const QKeyEvent *event, int columns);
