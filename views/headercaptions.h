#pragma once

class QHeaderView;

// Makes a horizontal header show captions that do not fit their section the
// way a reader expects: the caption keeps its beginning and ends in an
// ellipsis, and the section's tooltip gives the whole caption. A tooltip the
// model gives for a section still wins. Every table header of the viewer
// goes through here, so that they all cut captions alike.
void fitCaptions(QHeaderView *header);

// True when the section shows its caption whole, as the header paints it.
bool captionFits(const QHeaderView *header, int logicalIndex);
