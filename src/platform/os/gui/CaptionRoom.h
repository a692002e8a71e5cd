#pragma once

class QPushButton;
class QWidget;

// Room on either side of a button's caption, so that the text never touches the button's edges (the style's own
// margins are a few pixels, whatever the scale).
namespace CaptionRoom {

// The extra width a button of the widget's font gets beyond what its style asks for: a character's width a side.
int extra(const QWidget* button);

// Makes the button at least as wide as its caption with that room; for captions that do not change.
void give(QPushButton* button);

} // namespace CaptionRoom
