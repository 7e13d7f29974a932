// The pictures that ship with the program, for widgets that may exist before
// (or, in tests, without) the main window.
#pragma once

#include <QString>

// Program folder + the main window's imageFolder + name; empty while there
// is no main window (the widget then shows no picture).
QString programPicture(const QString& name);
