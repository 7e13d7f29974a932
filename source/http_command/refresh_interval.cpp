#include "http_command/refresh_interval.h"

#include <QtGlobal>
#include <limits>

int refreshIntervalMs(int accessExpiresIn) {
  constexpr qint64 kMin = 1000;
  constexpr qint64 kMax = std::numeric_limits<int>::max();
  const qint64 threeQuarters = qint64{accessExpiresIn} * 3 / 4;
  if (threeQuarters <= 0) return static_cast<int>(kMin);
  const qint64 ms = threeQuarters * 1000;
  return static_cast<int>(ms > kMax ? kMax : ms);
}
