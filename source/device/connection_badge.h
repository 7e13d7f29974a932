// The camera tile's connection badge: what a connection report (the
// E_CONN_STATUS value the device link sends) does to the badge, to the
// 5000 ms connect-retry timer and to the camera's p2pState.
//
//   state        badge                 timer   p2pState
//   1            "conecting", grey     start   1 (no change at all after 4)
//   2, 3, 5      "conecting", grey     start   the state
//   4, 6         "Offline", dark grey  start   the state
//   10           "Online", green       stop    10
//   other        unchanged             -       the state
#pragma once

#include <QString>

// Badge texts and style sheets ("conecting" is spelled as the program has
// always shown it).
inline constexpr char kBadgeTextInitial[] = "offline";
inline constexpr char kBadgeTextConnecting[] = "conecting";
inline constexpr char kBadgeTextOffline[] = "Offline";
inline constexpr char kBadgeTextOnline[] = "Online";
inline constexpr char kBadgeStyleConnecting[] = "background-color:#95A5AD;color:#FFFFFF;";
inline constexpr char kBadgeStyleOffline[] = "background-color:#61727A;color:#FFFFFF;";
inline constexpr char kBadgeStyleOnline[] = "background-color:#68BF39;color:#FFFFFF;border:none";

enum class ConnectTimerAction { None, Start, Stop };

struct BadgeDecision {
  bool changes = false;   // false: leave badge, timer and p2pState alone
  bool setBadge = false;  // true: show `text` with `styleSheet`
  QString styleSheet;
  QString text;
  ConnectTimerAction timer = ConnectTimerAction::None;
  int p2pState = 0;  // the camera's p2pState after the report
};

// The effect of report `newState` on a camera whose p2pState is `current`.
BadgeDecision connectionBadgeFor(int current, int newState);
