// The toast: fade-in, display time counted from showing, fade-out, one
// deletion; placement. Animation time is driven by the test (a manual
// animation driver), so the opacity at each moment is exact; the display
// time is a real timer, and only lower bounds are asserted on it.
#include <gtest/gtest.h>

#include <QAbstractAnimation>
#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QGraphicsOpacityEffect>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QPointer>
#include <QPropertyAnimation>
#include <QScreen>
#include <QSignalSpy>

#include <functional>
#include <limits>

#include "manual_animation_driver.h"
#include "util_class/toast_placement.h"
#include "view/CToast.h"

namespace {

using testsupport::ManualAnimationDriver;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

double opacityOf(CToast* toast) {
  return static_cast<QGraphicsOpacityEffect*>(toast->graphicsEffect())->opacity();
}

QList<QPropertyAnimation*> animationsOf(CToast* toast) {
  return toast->findChildren<QPropertyAnimation*>(QString(), Qt::FindDirectChildrenOnly);
}

// The toast's animation that ends at `opacity` (0: the fade-out, 1: the fade-in).
QPropertyAnimation* animationTo(CToast* toast, double opacity) {
  for (QPropertyAnimation* a : animationsOf(toast)) {
    if (a->endValue().toDouble() == opacity) return a;
  }
  return nullptr;
}

QPropertyAnimation* fadeOut(CToast* t) { return animationTo(t, 0.0); }
QPropertyAnimation* fadeIn(CToast* t) { return animationTo(t, 1.0); }

bool waitUntil(const std::function<bool()>& done, int ms = 10000) {
  const QDeadlineTimer deadline(ms);
  while (!done() && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return done();
}

CToast* newToast(int displayMs, bool deleteOnHide) {
  auto* toast = new CToast(nullptr);
  toast->SetContentWidget(new QLabel(QStringLiteral("Snapshot Success!")));
  toast->resize(200, 40);
  toast->SetDuration(displayMs);
  toast->SetDeleteOnHide(deleteOnHide);
  toast->SetRelativePos(0.5, 0.8);
  return toast;
}

TEST(Toast, FadesInStaysFadesOutAndIsDeletedOnce) {
  ManualAnimationDriver driver;
  QPointer<CToast> toast = newToast(1500, true);
  ASSERT_EQ(animationsOf(toast).size(), 2);
  ASSERT_NE(fadeOut(toast), nullptr);
  ASSERT_NE(fadeIn(toast), nullptr);
  QPointer<QWidget> content = toast->findChild<QLabel*>();
  QSignalSpy destroyed(toast.data(), &QObject::destroyed);
  QSignalSpy fadedOut(fadeOut(toast), &QAbstractAnimation::finished);
  EXPECT_FALSE(toast->isVisible());
  EXPECT_EQ(opacityOf(toast), 0.0);  // transparent until the fade-in runs

  QElapsedTimer sinceShown;
  sinceShown.start();
  toast->StartShowAnimation();
  EXPECT_TRUE(toast->isVisible());
  // The fade-in rises linearly over 1.2 s of animation time.
  double previous = opacityOf(toast);
  for (int ms = 200; ms <= 1200; ms += 200) {
    driver.step(200);
    EXPECT_NEAR(opacityOf(toast), ms / 1200.0, 1e-6) << ms;
    EXPECT_GT(opacityOf(toast), previous);
    previous = opacityOf(toast);
  }
  EXPECT_EQ(fadeIn(toast)->state(), QAbstractAnimation::Stopped);

  // The display time ends 1.5 s after showing: the fade-out starts then.
  ASSERT_TRUE(waitUntil([&] { return fadeOut(toast)->state() == QAbstractAnimation::Running; }));
  EXPECT_GE(sinceShown.elapsed(), 1500);
  EXPECT_TRUE(toast->isVisible());
  driver.step(600);
  EXPECT_NEAR(opacityOf(toast), 0.5, 1e-6);
  EXPECT_TRUE(toast->isVisible());
  driver.step(600);
  EXPECT_EQ(fadedOut.count(), 1);
  ASSERT_FALSE(toast.isNull());  // hidden now, deleted by the event loop
  EXPECT_FALSE(toast->isVisible());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(toast.isNull());
  EXPECT_TRUE(content.isNull());  // the content goes with it
  EXPECT_EQ(destroyed.count(), 1);
}

// The display time counts from showing, not from the end of the fade-in:
// with animation time frozen, the fade-out still starts on time, and it
// takes over from the fade-in where that got to.
TEST(Toast, DisplayTimeCountsFromShowing) {
  ManualAnimationDriver driver;
  QPointer<CToast> toast = newToast(300, false);
  toast->StartShowAnimation();
  driver.step(300);
  EXPECT_NEAR(opacityOf(toast), 0.25, 1e-6);
  ASSERT_TRUE(waitUntil([&] { return fadeOut(toast)->state() == QAbstractAnimation::Running; }));
  EXPECT_EQ(fadeIn(toast)->state(), QAbstractAnimation::Stopped);
  driver.step(600);
  EXPECT_NEAR(opacityOf(toast), 0.125, 1e-6);  // from 0.25 toward 0, half way
  driver.step(600);
  EXPECT_FALSE(toast->isVisible());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_FALSE(toast.isNull());  // not deleted: delete-on-hide is off

  // Shown again, it fades in from where the fade-out left it.
  toast->StartShowAnimation();
  EXPECT_TRUE(toast->isVisible());
  EXPECT_EQ(opacityOf(toast), 0.0);
  driver.step(600);
  EXPECT_NEAR(opacityOf(toast), 0.5, 1e-6);
  delete toast;
}

// Without fading out the toast disappears at once, at the opacity it had.
TEST(Toast, WithoutFadeOutHidesAtOnce) {
  ManualAnimationDriver driver;
  CToast* toast = newToast(200, false);
  toast->SetFadeOut(false);
  toast->StartShowAnimation();
  driver.step(600);
  ASSERT_TRUE(waitUntil([&] { return !toast->isVisible(); }));
  EXPECT_NEAR(opacityOf(toast), 0.5, 1e-6);
  EXPECT_EQ(fadeOut(toast)->state(), QAbstractAnimation::Stopped);
  delete toast;
}

// A display time of -1 or 0 never hides the toast: a toast with a short
// display time, shown at the same moment, is gone while they stay.
TEST(Toast, NoDisplayTimeStaysShown) {
  ManualAnimationDriver driver;
  QPointer<CToast> reference = newToast(100, true);
  QPointer<CToast> never = newToast(-1, true);
  QPointer<CToast> zero = newToast(0, true);
  reference->SetFadeOut(false);
  for (CToast* t : {never.data(), zero.data(), reference.data()}) t->StartShowAnimation();
  ASSERT_TRUE(waitUntil([&] {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return reference.isNull();
  }));
  driver.step(5000);
  QCoreApplication::processEvents();
  for (CToast* t : {never.data(), zero.data()}) {
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(t->isVisible());
    EXPECT_EQ(fadeOut(t)->state(), QAbstractAnimation::Stopped);
    EXPECT_EQ(opacityOf(t), 1.0);
  }
  delete never;
  delete zero;
}

TEST(Toast, RelativeValuesAreClamped) {
  const struct {
    double in, stored;
  } cases[] = {{-0.2, -1.0}, {-1.0, -1.0}, {0.0, 0.0}, {0.5, 0.5}, {0.8, 0.8},
               {1.0, 1.0},   {1.7, 1.0},   {kNaN, -1.0}};
  for (const auto& c : cases) EXPECT_EQ(toast_relativeValue(c.in), c.stored) << c.in;
}

TEST(Toast, PositionPutsTheCentreAtTheFraction) {
  const struct {
    double x, y;
    QSize reference, own;
    bool placed;
    QPoint topLeft;
  } cases[] = {
      {0.5, 0.8, {400, 300}, {100, 50}, true, {150, 215}},
      {0.0, 0.0, {400, 300}, {100, 50}, true, {-50, -25}},
      {1.0, 1.0, {400, 300}, {100, 50}, true, {350, 275}},
      {0.5, 0.5, {401, 301}, {100, 51}, true, {150, 125}},  // 150.5 and 125 cut
      {0.1, 0.1, {100, 100}, {41, 41}, true, {-10, -10}},  // -10.5 cut toward zero
      {0.5, 0.8, {1920, 1080}, {200, 40}, true, {860, 844}},
      {0.5, 0.5, {1920, 1080}, {201, 41}, true, {859, 519}},  // 859.5, 519.5 cut
      {0.0, 0.0, {800, 600}, {201, 41}, true, {-100, -20}},   // toward zero, not down
      {0.5, 0.8, {3840, 2160}, {0, 0}, true, {1920, 1728}},
      {-1.0, 0.5, {400, 300}, {100, 50}, false, {}},
      {0.5, -1.0, {400, 300}, {100, 50}, false, {}},
      // Values that did not pass through toast_relativeValue place nothing.
      {-0.2, 0.5, {400, 300}, {100, 50}, false, {}},
      {kNaN, 0.5, {400, 300}, {100, 50}, false, {}},
      {0.5, kNaN, {400, 300}, {100, 50}, false, {}},
      {1.7, 0.5, {400, 300}, {100, 50}, false, {}},
  };
  for (const auto& c : cases) {
    const auto position = toast_position(c.x, c.y, c.reference, c.own);
    ASSERT_EQ(position.has_value(), c.placed) << c.x << "," << c.y;
    if (c.placed) {
      EXPECT_EQ(*position, c.topLeft) << c.x << "," << c.y;
    }
  }
}

// Placed inside its parent, or on the primary screen without one; an
// out-of-range fraction keeps the position it has.
TEST(Toast, PlacementOnShowing) {
  ManualAnimationDriver driver;
  QWidget parent;
  parent.resize(400, 300);
  parent.show();
  const QSize screen = QGuiApplication::primaryScreen()->size();
  const struct {
    bool parented;
    double x, y;
    QPoint expected;
  } cases[] = {
      {true, 0.5, 0.8, {150, 215}},
      {true, 0.0, 0.0, {-50, -25}},
      {true, 0.5, 1.7, {150, 275}},
      {true, -0.2, 0.5, {33, 44}},
      {true, kNaN, 0.5, {33, 44}},
      {false, 0.5, 0.8, {screen.width() / 2 - 50, static_cast<int>(screen.height() * 0.8) - 25}},
  };
  for (const auto& c : cases) {
    CToast toast(c.parented ? &parent : nullptr);
    EXPECT_EQ(toast.isWindow(), !c.parented);
    toast.resize(100, 50);
    toast.move(33, 44);
    toast.SetRelativePos(c.x, c.y);
    toast.StartShowAnimation();
    EXPECT_EQ(toast.pos(), c.expected) << c.parented << " " << c.x << "," << c.y;
  }
  CToast centred(&parent);
  centred.resize(100, 50);
  centred.SetCenterPos();
  centred.StartShowAnimation();
  EXPECT_EQ(centred.pos(), QPoint(150, 125));
}

// A toast of its own raised for a window sits over that window, wherever
// it is and whatever its size: its centre at the fraction of the window's
// frame. With that window hidden or gone, or none given, the primary
// screen is the reference as before.
TEST(Toast, PlacementOverTheWindowThatRaisedIt) {
  ManualAnimationDriver driver;
  const QRect screen(QPoint(0, 0), QGuiApplication::primaryScreen()->size());
  enum class Window { Shown, Hidden, Deleted, None };
  const struct {
    const char* name;
    QRect window;
    Window state;
    double x, y;
  } cases[] = {
      {"right lower part", {300, 200, 400, 300}, Window::Shown, 0.5, 0.8},
      {"left upper part", {10, 20, 200, 100}, Window::Shown, 0.5, 0.8},
      {"corner fractions", {120, 80, 500, 400}, Window::Shown, 0.0, 1.0},
      {"hidden", {300, 200, 400, 300}, Window::Hidden, 0.5, 0.8},
      {"deleted", {300, 200, 400, 300}, Window::Deleted, 0.5, 0.8},
      {"none", {}, Window::None, 0.5, 0.8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto* window = new QWidget;
    window->setGeometry(c.window);
    if (c.state != Window::Hidden) window->show();
    const QRect reference = c.state == Window::Shown ? window->frameGeometry() : screen;
    if (c.state == Window::Shown) {
      ASSERT_TRUE(reference.intersects(c.window));  // where the test put it (and its frame)
      ASSERT_LT(reference.width(), screen.width());
    }
    CToast toast(nullptr);
    toast.resize(100, 50);
    toast.SetRelativePos(c.x, c.y);
    if (c.state != Window::None) toast.SetReferenceWindow(window);
    if (c.state == Window::Deleted) delete window;
    toast.StartShowAnimation();
    const QPoint centre = toast.pos() + QPoint(50, 25);
    const QPoint expected(reference.x() + int(c.x * reference.width()),
                          reference.y() + int(c.y * reference.height()));
    EXPECT_LE((centre - expected).manhattanLength(), 1)
        << "toast centre " << centre.x() << "," << centre.y() << ", expected " << expected.x()
        << "," << expected.y();
    if (c.state != Window::Deleted) delete window;
  }
}

TEST(Toast, PositionInAnAreaOfTheDesktop) {
  const struct {
    QRect area;
    QSize own;
    QPoint topLeft;
  } cases[] = {
      {{0, 0, 1920, 1080}, {200, 40}, {860, 844}},
      {{640, 360, 1920, 1080}, {200, 40}, {1500, 1204}},
      {{-800, 100, 800, 600}, {201, 41}, {-501, 559}},  // 299.5 and 459.5 cut toward zero
  };
  for (const auto& c : cases) {
    const auto position = toast_position(0.5, 0.8, c.area, c.own);
    ASSERT_TRUE(position.has_value());
    EXPECT_EQ(*position, c.topLeft) << c.area.x() << "," << c.area.y();
  }
  EXPECT_FALSE(toast_position(-1.0, 0.8, QRect(10, 10, 100, 100), QSize(10, 10)).has_value());
}

TEST(Toast, ContentWidget) {
  CToast toast(nullptr);
  QPointer<QLabel> first = new QLabel(QStringLiteral("first"));
  toast.SetContentWidget(first);
  EXPECT_EQ(first->parentWidget(), &toast);
  toast.SetContentWidget(nullptr);  // keeps the content
  EXPECT_EQ(first->parentWidget(), &toast);
  QPointer<QLabel> second = new QLabel(QStringLiteral("second"));
  toast.SetContentWidget(second);  // replaces it, in the same layout
  EXPECT_EQ(second->parentWidget(), &toast);
  EXPECT_EQ(toast.layout()->count(), 1);
  EXPECT_EQ(toast.layout()->itemAt(0)->widget(), second.data());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(first.isNull());
}

}  // namespace
