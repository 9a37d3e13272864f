#pragma once
// Keeping a label's text inside its box. The template's boxes were made for the host's dialog
// font; the font that stands in for it here may draw some texts wider (dashes, capitals) even
// though the dialog units follow its average width. Such a label is drawn in a narrower cut of
// its font instead of being clipped.
//
// Thread: GUI.

class QLabel;

namespace zav::platform::qt {

// True when the label's text, wrapped at word ends as the label wraps it, fits its contents
// rectangle: no word wider than it, no line below it.
bool LabelTextFits(const QLabel& label);
// Narrows the label's font step by step until its text fits (or the narrowest step is reached).
// Call it once the label has its final size.
void CondenseToFit(QLabel& label);

}  // namespace zav::platform::qt
