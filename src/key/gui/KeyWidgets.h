#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QLabel;
class QLineEdit;
class QWidget;
class frmKeyFrom;

// Small pieces the key windows share: key entry boxes, focus on hover and placement over the main window.
namespace KeyWidgets {

// A key entry box takes at most maxLength characters, each of which must be a Latin-1 character (a key is
// one byte per character). Typed or pasted text holding other characters is not taken; refused() is then
// told those characters, so that the dialog can say so (it is set once, by the first call).
void makeKeyEntry(QLineEdit* entry, int maxLength, std::function<void(const QString&)> refused = {});
// The text of a key entry box as key bytes.
QByteArray keyBytes(const QLineEdit* entry);
// Leading and trailing blanks removed (only blanks, as the key dialogs promise).
QByteArray trimmedBlanks(const QByteArray& text);

// Shows under an entry box how many significant characters the typed text has against the key's minimum.
void showKeyNote(QLabel* note, const QByteArray& typed, frmKeyFrom& key);
// Adds to that note the characters that were just refused (the box keeps its text).
void showRefused(QLabel* note, const QString& refused);

// Moving the mouse over the widget gives it the keyboard focus.
void focusOnHover(QWidget* widget);

// 120 twips at 96 dpi.
constexpr int placementMargin = 8;
// As wide as the main window, its bottom edge a margin above the main window's bottom edge.
void placeAcrossBottom(QWidget* dialog, const QWidget* mainWindow);
// Its bottom-right corner a margin inside the main window's bottom-right corner.
void placeInBottomRight(QWidget* dialog, const QWidget* mainWindow);

} // namespace KeyWidgets
