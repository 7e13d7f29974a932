// The camera label: which button emits, what each mode asks the main window
// for, and the selection rule of the group creation dialog.
#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "event/group_selection.h"
#include "log_capture.h"
#include "mainwindow.h"
#include "view/MyLabel.h"

namespace {

void release(QWidget* w, Qt::MouseButton button) {
  QMouseEvent event(QEvent::MouseButtonRelease, QPointF(5, 5), button, Qt::NoButton,
                    Qt::NoModifier);
  QApplication::sendEvent(w, &event);
}

TEST(MyLabelTest, OnlyTheLeftButtonEmits) {
  MyLabel label;
  QSignalSpy clicked(&label, SIGNAL(clicked_oneWindow_and_quaWindow(int)));
  const struct {
    Qt::MouseButton button;
    int emitted;
  } cases[] = {{Qt::RightButton, 0}, {Qt::MiddleButton, 0}, {Qt::BackButton, 0},
               {Qt::LeftButton, 1}};
  for (const auto& c : cases) {
    clicked.clear();
    release(&label, c.button);
    ASSERT_EQ(clicked.count(), c.emitted) << c.button;
    if (c.emitted) {
      EXPECT_EQ(clicked.at(0).at(0).toInt(), 0);
    }
  }
  // A real click through the toolkit ends in the same single emission.
  clicked.clear();
  label.resize(50, 50);
  QTest::mouseClick(&label, Qt::LeftButton);
  EXPECT_EQ(clicked.count(), 1);
}

TEST(MyLabelTest, ModesAskForTheirPlay) {
  QString group = QStringLiteral("garden");
  const struct {
    const char* mode;
    bool camera;  // else group mode
    const char* groupName;
    const char* deviceId;
  } cases[] = {{"camera", true, "", "CAM-0001"}, {"group", false, "garden", ""}};
  for (const auto& c : cases) {
    MyLabel label;
    label.setObjectName(QStringLiteral("CAM-0001"));
    label.set_deviceId(group);
    if (c.camera) {
      label.connect_oneWindow_click();
    } else {
      label.connect_quadWindow_click();
    }
    QSignalSpy request(&label, SIGNAL(set_single_toMainWindow(QString,QString)));
    release(&label, Qt::LeftButton);
    ASSERT_EQ(request.count(), 1) << c.mode;
    EXPECT_EQ(request.at(0).at(0).toString(), QString::fromLatin1(c.groupName)) << c.mode;
    EXPECT_EQ(request.at(0).at(1).toString(), QString::fromLatin1(c.deviceId)) << c.mode;
    release(&label, Qt::RightButton);
    EXPECT_EQ(request.count(), 1) << c.mode;
  }
  // A label in no mode asks for nothing.
  MyLabel idle;
  QSignalSpy request(&idle, SIGNAL(set_single_toMainWindow(QString,QString)));
  release(&idle, Qt::LeftButton);
  EXPECT_EQ(request.count(), 0);
}

// Play requests reach the main window's play slot of the label's kind: the
// slot's log line shows which one ran.
TEST(MyLabelTest, PlayRequestsReachTheMainWindow) {
  QTemporaryDir data;
  qputenv("CAMVIEWER_DATA_DIR", data.path().toUtf8());
  qputenv("CAMVIEWER_PROGRAM_DIR", data.path().toUtf8());
  MainWindow window;
  mainwindow = &window;
  const struct {
    int type;
    const char* slot;  // null: no slot runs
  } cases[] = {{1, "oneWindowPlay_video_Handler"}, {4, "quadWindowPlay_video_Handler"},
               {0, nullptr}, {2, nullptr}, {3, nullptr}, {5, nullptr}, {-1, nullptr}};
  for (const auto& c : cases) {
    MyLabel label;
    label.setObjectName(QStringLiteral("CAM-0002"));
    label.connect_oneWindow_click();
    label.connect_play_request(c.type);
    testsupport::LogCapture log;
    release(&label, Qt::LeftButton);
    const QStringList lines = log.lines();
    if (c.slot) {
      // The slot logs its name first, then what it was asked (a play slot
      // goes on to log that no camera has the id).
      ASSERT_GE(lines.size(), 2) << c.type;
      EXPECT_TRUE(lines[0].startsWith(QLatin1String(c.slot))) << lines[0].toStdString();
      EXPECT_TRUE(lines[1].contains(QLatin1String("CAM-0002"))) << lines[1].toStdString();
    } else {
      EXPECT_TRUE(lines.isEmpty()) << c.type << ": " << lines.join('|').toStdString();
    }
  }
  mainwindow = nullptr;
  qunsetenv("CAMVIEWER_DATA_DIR");
  qunsetenv("CAMVIEWER_PROGRAM_DIR");
}

// Selecting A, B, C, deselecting A, selecting D: counts and titles as the
// dialog shows them; a fifth camera waits until one is deselected.
TEST(GroupSelection, ToggleUpToFour) {
  QStringList selected;
  const struct {
    const char* id;
    GroupSelectionStep::Result result;
    int count;
  } steps[] = {
      {"A", GroupSelectionStep::Selected, 1},   {"B", GroupSelectionStep::Selected, 2},
      {"C", GroupSelectionStep::Selected, 3},   {"A", GroupSelectionStep::Deselected, 2},
      {"D", GroupSelectionStep::Selected, 3},   {"E", GroupSelectionStep::Selected, 4},
      {"F", GroupSelectionStep::Refused, 4},    {"B", GroupSelectionStep::Deselected, 3},
      {"F", GroupSelectionStep::Selected, 4},   {"F", GroupSelectionStep::Deselected, 3},
  };
  for (const auto& s : steps) {
    const GroupSelectionStep step = group_selection_toggle(selected, QString::fromLatin1(s.id));
    EXPECT_EQ(step.result, s.result) << s.id;
    EXPECT_EQ(step.count, s.count) << s.id;
    EXPECT_EQ(selected.size(), s.count) << s.id;
  }
  EXPECT_EQ(selected, (QStringList{"C", "D", "E"}));
  EXPECT_EQ(group_selection_title(3), QStringLiteral("Create group  3/4"));
  EXPECT_EQ(group_selection_title(0), QStringLiteral("Create group  0/4"));
}

TEST(GroupSelection, DeselectingRemovesEveryCopy) {
  QStringList selected{"A", "B", "A"};
  const GroupSelectionStep step = group_selection_toggle(selected, QStringLiteral("A"));
  EXPECT_EQ(step.result, GroupSelectionStep::Deselected);
  EXPECT_EQ(selected, QStringList{"B"});
}

}  // namespace
