#include "device/play_timing.h"

int sdlRefreshTimeForFps(int fps) {
  const int f = fps < 0 ? 0 : (fps > 255 ? 255 : fps);
  return 1000 / (f + 3);
}

QString recordTimeText(qint64 seconds) {
  const qint64 s = seconds < 0 ? 0 : seconds;
  const QChar zero(QLatin1Char('0'));
  return QStringLiteral("%1:%2:%3")
      .arg(s / 3600, 2, 10, zero)
      .arg((s % 3600) / 60, 2, 10, zero)
      .arg(s % 60, 2, 10, zero);
}
