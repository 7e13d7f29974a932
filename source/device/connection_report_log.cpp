#include "device/connection_report_log.h"

#include "Tessan.h"

std::optional<ConnectionReportLog::Line> ConnectionReportLog::note(const QString& id, int state) {
  Camera& c = cameras_[id];
  bool tells;
  if (state == E_CONN_STATUS_CONNECTING) {
    tells = c.outcome == 0 || c.outcome == E_CONN_STATUS_ONLINE || c.outcome == E_CONN_STATUS_DISCONNECTED;
  } else {
    tells = state != c.outcome;
    c.outcome = state;
  }
  if (!tells) {
    ++c.unlogged;
    return std::nullopt;
  }
  const Line line{c.unlogged};
  c.unlogged = 0;
  return line;
}
