// What the widget test programs' application leaves behind when it goes:
// nothing of what a plain QApplication of Qt 5.15 leaves (and LeakSanitizer
// then reports at exit): an animation whose target went first, an object
// whose deletion was asked for, the offscreen platform's screen.
#include "test_application.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPointer>
#include <QPropertyAnimation>
#include <QScreen>
#include <QWidget>

#include <functional>

namespace {

// Runs `during` inside an application of its own on the offscreen platform.
void withApplication(const std::function<void()>& during) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  int argc = 1;
  char arg0[] = "test_application_test";
  char* argv[] = {arg0, nullptr};
  testsupport::TestApplication app(argc, argv);
  during();
}

// As a line edit's clear button fades: a parentless animation that deletes
// itself when it stops, whose target goes before the animation's first step.
TEST(TestApplication, EndsAnAnimationWhoseTargetIsGone) {
  QPointer<QPropertyAnimation> animation;
  withApplication([&] {
    auto* target = new QWidget;
    animation = new QPropertyAnimation(target, "minimumWidth");
    animation->setDuration(160);
    animation->setEndValue(100);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
    delete target;
  });
  EXPECT_TRUE(animation.isNull());
}

TEST(TestApplication, DoesTheDeletionsAskedFor) {
  QPointer<QObject> later;
  withApplication([&] {
    later = new QObject;
    later->deleteLater();
  });
  EXPECT_TRUE(later.isNull());
}

TEST(TestApplication, RemovesTheOffscreenScreen) {
  QPointer<QScreen> screen;
  withApplication([&] {
    ASSERT_EQ(QGuiApplication::platformName(), "offscreen");
    screen = QGuiApplication::primaryScreen();
    ASSERT_FALSE(screen.isNull());
  });
  EXPECT_TRUE(screen.isNull());
}

}  // namespace
