// An account of 200 cameras and 300 stored groups: the list makes every
// tile and every group item, but no play view, no render widget and no
// native window below the main window until something plays; a camera
// played then gets its own view (and only that one plays), a group played
// then gets its grid.
#include <QApplication>
#include <QTest>
#include <QVBoxLayout>

#include "lists_fixture.h"
#include "view/VideoPlayView.h"

namespace {

using namespace liststest;  // the fixture, Sent and the request types

constexpr int kCameras = 200;
constexpr int kGroups = 300;

QString cameraId(int i) { return QStringLiteral("CAM%1").arg(i, 3, 10, QLatin1Char('0')); }

// What exists of the play views: play views, render widgets, and widgets
// with a native window of their own other than top-level windows.
struct Views {
  int playViews = 0;
  int renderWidgets = 0;
  int nativeChildren = 0;
};

Views views() {
  Views v;
  for (QWidget* w : QApplication::allWidgets()) {
    v.playViews += qobject_cast<WholeRenderWindow*>(w) != nullptr;
    v.renderWidgets += qobject_cast<SDLRenderWnd*>(w) != nullptr;
    v.nativeChildren += !w->isWindow() && w->internalWinId() != 0;
  }
  return v;
}

class ManyCameras : public ListsTest {
 protected:
  void SetUp() override {
    ListsTest::SetUp();
    window_->show();
    QStringList ids;
    for (int i = 0; i < kCameras; ++i) ids << cameraId(i);
    listCameras(ids);
    for (int g = 0; g < kGroups; ++g) {
      QStringList members;
      for (int k = 0; k < 4; ++k) members << cameraId((g * 4 + k) % kCameras);
      storeGroup(QStringLiteral("group %1").arg(g), members);
    }
    buildList();
  }
};

TEST_F(ManyCameras, NoPlayViewOrNativeWindowUntilOnePlays) {
  ASSERT_EQ(window_->deviceListLayout->count(), kCameras);
  ASSERT_EQ(window_->quadListLayout->count(), kGroups);
  Views v = views();
  EXPECT_EQ(v.playViews, 0);
  EXPECT_EQ(v.renderWidgets, 0);
  EXPECT_EQ(SDLRenderWnd::renderWndCount, 0);
  EXPECT_EQ(v.nativeChildren, 0);

  // One camera plays in its own view, made now; nothing else is asked.
  const QString played = cameraId(137);
  online(played);
  size_t m = mark();
  QTest::mouseClick(&camera(played)->pictureLabel, Qt::LeftButton);
  deliver();
  EXPECT_EQ(only(sent(m), {kVideoStart, kAudioStart}),
            (std::vector<Sent>{{played.toStdString(), kVideoStart},
                               {played.toStdString(), kAudioStart}}));
  EXPECT_TRUE(camera(played)->get_isPlaying());
  ASSERT_NE(camera(played)->wholeRenderWindow, nullptr);
  EXPECT_GE(window_->centralGrid->indexOf(camera(played)->wholeRenderWindow.get()), 0);
  EXPECT_TRUE(camera(played)->wholeRenderWindow->isVisibleTo(window_));
  EXPECT_TRUE(showsIcon(camera(played)->wholeRenderWindow->playButton, "ic_stop_dark.png"));
  v = views();
  EXPECT_EQ(v.playViews, 1);
  EXPECT_EQ(v.renderWidgets, 1);
  int withView = 0;
  for (const oneWindowDevice* c : window_->oneWindowDevice_list) withView += c->wholeRenderWindow != nullptr;
  EXPECT_EQ(withView, 1);

  // A group played gets its grid of four cells; the other groups none.
  QuadWindowDevice* chosen = group(QStringLiteral("group 41"));
  ASSERT_NE(chosen, nullptr);
  online(chosen->memberDevices[0]->deviceId);
  m = mark();
  QTest::mouseClick(&chosen->groupPictureLabel, Qt::LeftButton);
  deliver();
  EXPECT_EQ(only(sent(m), {kVideoStart}),
            (std::vector<Sent>{{chosen->memberDevices[0]->deviceId.toStdString(), kVideoStart}}));
  ASSERT_NE(chosen->playWindow, nullptr);
  EXPECT_GE(window_->centralGrid->indexOf(chosen->playWindow.get()), 0);
  v = views();
  EXPECT_EQ(v.playViews, 1 + 4);
  EXPECT_EQ(v.renderWidgets, 1 + 4);
  int withGrid = 0;
  for (const QuadWindowDevice* g : window_->quadWindowDevice_List) withGrid += g->playWindow != nullptr;
  EXPECT_EQ(withGrid, 1);
}

}  // namespace
