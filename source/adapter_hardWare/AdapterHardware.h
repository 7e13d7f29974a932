// Adapts the windows to the screen: every window is laid out in design units
// of a 3840 x 2160 space and scales them by widthScale (x, fonts) and
// heightScale (y), measured once at start-up.
#pragma once

#include <QString>

class AdapterHardware {
 public:
  double widthScale = 1.0;   // primary screen width / 1920 x 0.5
  double heightScale = 1.0;  // primary screen height / 1080 x 0.5

  // Logs the machine's facts, then measures the primary screen.
  void set_screen();
  // Display name of the running Windows version; empty elsewhere.
  QString get_windowsVersion() const;
  // Registers the Roboto font files (kept for completeness; not called).
  void set_fount();

  // Factors for a screen of w x h pixels (division first, then x 0.5).
  static double widthScaleFor(int w) { return w / 1920.0 * 0.5; }
  static double heightScaleFor(int h) { return h / 1080.0 * 0.5; }
  // A design size scaled and truncated toward zero.
  static int scaled(double designSize, double factor) {
    return static_cast<int>(designSize * factor);
  }
  // Name for a QSysInfo::WinVersion value (0x30 .. 0xC0); empty otherwise.
  static QString windowsVersionName(int value);

  int sx(double designSize) const { return scaled(designSize, widthScale); }
  int sy(double designSize) const { return scaled(designSize, heightScale); }
};

// The process-wide instance.
extern AdapterHardware adapterHardware;
