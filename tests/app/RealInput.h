#pragma once
// Pointer, buttons and keys entered at the X server through XTest, so that
// they pass through Qt's xcb input and the panes' native windows as a
// person's do. Positions are global logical pixels, as mapToGlobal gives them.

#include <QPoint>
#include <QString>

class QWidget;

namespace realinput {

// True when the display has the XTest extension; the tests skip without it.
bool Available();

// Buttons as X numbers them.
enum Button { kLeft = 1, kMiddle = 2, kRight = 3, kWheelUp = 4, kWheelDown = 5 };

void MoveTo(const QPoint& global);
// The point `local` of widget `w`.
void MoveTo(QWidget* w, const QPoint& local);
void Press(Button b);
void Release(Button b);
void Click(QWidget* w, const QPoint& local, Button b = kLeft);
// The middle of `w`.
void Click(QWidget* w, Button b = kLeft);
// Keys by their X names ("Escape", "Shift_L", "space", "Return").
void KeyDown(const char* name);
void KeyUp(const char* name);
void Key(const char* name);

// Sends what was entered to the server and lets the program take it: waits
// until the server has it, then runs the event loop for `ms`.
void Settle(int ms = 30);

} // namespace realinput
