#pragma once
// Toolbar images and the application icon, drawn at start-up.

#include <QIcon>

// The toolbar image of a command; a null icon for a command without one.
QIcon CommandIcon(int id);
QIcon ApplicationIcon();
