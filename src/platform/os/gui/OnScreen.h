#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

// Windows placed beside the main window must still be seen whole: a main window near a screen edge would
// otherwise push them partly off the screen.
namespace OnScreen {

// Where a window's frame goes so that all of it lies inside the area (its top-left corner first, when the
// frame is larger than the area); the frame's own place when it already does.
QPoint insideArea(const QRect& frame, const QRect& area);

// Where a window's frame goes beside another's (`other`) without covering it: to its right when the area has
// room there, else to its left, else on the roomier side, as far as the area allows; level with its top.
QPoint besideOther(const QRect& frame, const QRect& other, const QRect& area);

// The size, made no larger than the available area of the window's screen (the primary screen before it is on
// one) leaves for the window once its frame and title bar are added.
QSize boundedByScreen(const QSize& size, const QWidget* window);

// Moves the window inside the available area of the screen it is on (that of `reference` when the window is
// not placed on any screen).
void keepOnScreen(QWidget* window, const QWidget* reference = nullptr);

} // namespace OnScreen
