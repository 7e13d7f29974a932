#include "device/connection_badge.h"

#include "Tessan.h"

namespace {

BadgeDecision badge(int state, const char* style, const char* text, ConnectTimerAction timer) {
  BadgeDecision d;
  d.changes = true;
  d.setBadge = true;
  d.styleSheet = QString::fromLatin1(style);
  d.text = QString::fromLatin1(text);
  d.timer = timer;
  d.p2pState = state;
  return d;
}

}  // namespace

BadgeDecision connectionBadgeFor(int current, int newState) {
  switch (newState) {
    case E_CONN_STATUS_CONNECTING:
      if (current == E_CONN_STATUS_OFFLINE) {
        BadgeDecision none;
        none.p2pState = current;
        return none;
      }
      [[fallthrough]];
    case E_CONN_STATUS_WRONG_TOKEN:
    case E_CONN_STATUS_3:
    case E_CONN_STATUS_CONNECT_FAILED:
      return badge(newState, kBadgeStyleConnecting, kBadgeTextConnecting,
                   ConnectTimerAction::Start);
    case E_CONN_STATUS_OFFLINE:
    case E_CONN_STATUS_DISCONNECTED:
      return badge(newState, kBadgeStyleOffline, kBadgeTextOffline, ConnectTimerAction::Start);
    case E_CONN_STATUS_ONLINE:
      return badge(newState, kBadgeStyleOnline, kBadgeTextOnline, ConnectTimerAction::Stop);
    default: {
      BadgeDecision other;
      other.changes = true;
      other.p2pState = newState;
      return other;
    }
  }
}
