// A notice for the user: white text on black in a toast of its own (no
// parent) centred at 80 % of the primary screen's height, shown for five
// seconds, then faded out and deleted. GUI thread only.
#pragma once

#include <QString>

class CToast;

// The toast that shows `text` (it deletes itself once hidden).
CToast* showToastNotice(const QString& text);
