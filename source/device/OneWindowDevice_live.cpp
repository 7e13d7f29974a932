// oneWindowDevice: what its play views show besides the picture: the
// connection badge while a play waits for the camera to come online, and
// the "conecting" look while a running play shows no new picture.
#include <QDebug>
#include <QElapsedTimer>

#include "device/OneWindowDevice.h"
#include "device/connection_badge.h"

namespace {

// How often a running play's pictures are looked at.
constexpr int kLiveCheckMs = 500;

qint64 monotonicMs() {
  static QElapsedTimer clock = [] {
    QElapsedTimer t;
    t.start();
    return t;
  }();
  return clock.elapsed();
}

}  // namespace

WholeRenderWindow* oneWindowDevice::playView(PlayMode mode) const {
  if (mode == PlayMode::Single) return wholeRenderWindow.get();
  if (mode != PlayMode::Group) return nullptr;
  // A group cell is a play view of its own around the render target.
  auto* cell = dynamic_cast<SDLRenderWnd*>(sdlRenderWnd);
  return cell ? qobject_cast<WholeRenderWindow*>(cell->parentWidget()) : nullptr;
}

void oneWindowDevice::showWaitingBadge() {
  if (WholeRenderWindow* view = playView(playWait_.waiting()))
    view->show_link_state(stateLabel.text(), stateLabel.styleSheet());
}

void oneWindowDevice::startLiveWatch() {
  clearNotLive();
  for (PlayMode mode : {PlayMode::Single, PlayMode::Group}) {
    if (WholeRenderWindow* view = playView(mode)) view->hide_link_state();
  }
  if (!liveClock_) liveClock_ = monotonicMs;
  if (!liveCheckTimer_.isActive()) {
    connect(&liveCheckTimer_, &QTimer::timeout, this, &oneWindowDevice::checkLive,
            Qt::UniqueConnection);
    liveCheckTimer_.start(kLiveCheckMs);
  }
  liveWatch_.start(liveClock_(), counters.picturesPresented.load());
}

void oneWindowDevice::clearPlayLooks() {
  liveWatch_.stop();
  liveCheckTimer_.stop();
  clearNotLive();
  for (PlayMode mode : {PlayMode::Single, PlayMode::Group}) {
    if (WholeRenderWindow* view = playView(mode)) view->hide_link_state();
  }
}

void oneWindowDevice::checkLive() {
  if (!liveClock_) liveClock_ = monotonicMs;
  switch (liveWatch_.check(liveClock_(), counters.picturesPresented.load())) {
    case LiveWatch::Event::NotLive:
      qWarning() << deviceId << "no new picture for" << LiveWatch::kStallMs / 1000
                 << "s: the picture is not live";
      showNotLive();
      break;
    case LiveWatch::Event::LiveAgain:
      qDebug() << deviceId << "pictures again: the picture is live";
      clearNotLive();
      break;
    case LiveWatch::Event::None:
      break;
  }
}

void oneWindowDevice::showNotLive() {
  notLiveShown_ = true;
  const QString text = QLatin1String(kBadgeTextConnecting);
  const QString style = QLatin1String(kBadgeStyleConnecting);
  stateLabel.setText(text);
  stateLabel.setStyleSheet(style);
  if (WholeRenderWindow* view = playView(playMode_.load())) view->show_link_state(text, style);
}

void oneWindowDevice::clearNotLive() {
  if (!notLiveShown_) return;
  notLiveShown_ = false;
  // The tile's badge says the connection state again.
  const BadgeDecision d = connectionBadgeFor(p2pState, p2pState);
  if (d.setBadge) {
    stateLabel.setText(d.text);
    stateLabel.setStyleSheet(d.styleSheet);
  }
  if (WholeRenderWindow* view = playView(playMode_.load())) view->hide_link_state();
}
