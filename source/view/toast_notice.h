// A notice for the user: white text on black in a toast of its own (no
// parent) centred at half the width and 80 % of the height of the window
// that raised it (the top-level window of `raisedBy`; the primary screen
// when there is none or it is hidden), shown for five seconds, then faded
// out and deleted. GUI thread only.
#pragma once

#include <QString>

class CToast;
class QWidget;

// The toast that shows `text` (it deletes itself once hidden).
CToast* showToastNotice(const QString& text, QWidget* raisedBy);
