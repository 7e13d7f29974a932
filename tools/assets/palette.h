#pragma once
// The program's colours: the green of selected items, the greys of idle
// items and captions, the dark of texts and of icons on white bars.

#include <QColor>

namespace assets {

inline const QColor kGreen{0x68, 0xBF, 0x39};
inline const QColor kGreyMid{0x95, 0xA5, 0xAD};
inline const QColor kGreyDark{0x61, 0x72, 0x7A};
inline const QColor kGreyLight{0xCF, 0xD8, 0xDC};
inline const QColor kDark{0x26, 0x32, 0x38};
inline const QColor kDarkText{0x22, 0x32, 0x39};
inline const QColor kWhite{0xFF, 0xFF, 0xFF};

// Icon inks by variant: "_dark" sits on a white bar, "_light" is the same
// symbol lighter (pressed or busy), "_color" is the selected green, "_mid"
// the idle grey of the navigation captions.
inline const QColor& kInkDark = kDark;
inline const QColor& kInkLight = kGreyMid;
inline const QColor& kInkColor = kGreen;
inline const QColor& kInkMid = kGreyMid;

}  // namespace assets
