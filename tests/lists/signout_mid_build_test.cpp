// A sign-out while the list of 200 cameras and 300 groups is still being
// built: the build ends with the session,
// nothing of the signed-out user stays (no tile, no group item, no camera
// object), and the next user's list is built whole, with only that user's
// cameras and groups.
#include <QApplication>

#include "lists_fixture.h"

namespace {

using namespace liststest;  // the fixture

constexpr int kCameras = 200;
constexpr int kGroups = 300;

QString cameraId(const char* prefix, int i) {
  return QStringLiteral("%1%2").arg(QLatin1String(prefix)).arg(i, 3, 10, QLatin1Char('0'));
}

// Every camera tile and group item there is as a widget, by what it shows.
int widgetsOf(const QString& prefix) {
  int n = 0;
  for (QWidget* w : QApplication::allWidgets()) {
    if (auto* camera = qobject_cast<oneWindowDevice*>(w)) n += camera->deviceId.startsWith(prefix);
    if (auto* group = qobject_cast<QuadWindowDevice*>(w)) n += group->get_groupName().startsWith(prefix);
  }
  return n;
}

// Signed out right after the build's first slice (its tiles, or some of
// them on a busy machine), or a few slices later, among the group items.
enum class Stage { AfterTheFirstSlice, LaterInTheGroups };

class SignOutMidBuild : public ListsTest, public ::testing::WithParamInterface<Stage> {
 protected:
  void SetUp() override {
    ListsTest::SetUp();
    window_->show();
    // Two items a turn, however fast the machine: the build takes many
    // turns, so a sign-out meets it half-way.
    window_->listBuildPace = {2, 0};
  }
  // The user's cameras ("<prefix>000" ...) and groups ("<prefix> group N"
  // of four of them) in the folder of `user`.
  void signIn(const QString& user, const char* prefix, int cameras, int groups) {
    QString name = user;
    window_->userPrivate_dir_init(name);
    window_->device_groupInfodb_init();
    QStringList ids;
    for (int i = 0; i < cameras; ++i) ids << cameraId(prefix, i);
    listCameras(ids);
    for (int g = 0; g < groups; ++g) {
      QStringList members;
      for (int k = 0; k < 4; ++k) members << ids[(g * 4 + k) % cameras];
      storeGroup(QStringLiteral("%1 group %2").arg(QLatin1String(prefix)).arg(g), members);
    }
  }
};

TEST_P(SignOutMidBuild, NothingOfTheUserStaysAndTheNextListIsWhole) {
  signIn(QStringLiteral("ann@example.com"), "A", kCameras, kGroups);
  emit window_->localPictureLoad_singnal();  // the first slice runs at once
  ASSERT_TRUE(window_->listBuildRunning());
  if (GetParam() == Stage::LaterInTheGroups) {
    // A few more slices: the tiles are made, the group items under way.
    const int first = window_->quadWindowDevice_List.size();
    ASSERT_TRUE(waitUntil([&] { return window_->quadWindowDevice_List.size() > first; }, 60000));
  }
  // Mid-build: more to come.
  ASSERT_TRUE(window_->listBuildRunning());
  ASSERT_LT(window_->quadWindowDevice_List.size(), kGroups);
  ASSERT_GT(window_->oneWindowDevice_list.size(), 0);

  EXPECT_EQ(signOut(), 1);
  window_->mainWindow_deleteAllDevice();  // as the program entry does next
  // However long the event loop runs now, the build makes nothing more.
  EXPECT_TRUE(waitUntil([this] { return !window_->listBuildRunning(); }, 60000));
  deliver();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(window_->oneWindowDevice_list.isEmpty()) << window_->oneWindowDevice_list.size();
  EXPECT_TRUE(window_->quadWindowDevice_List.isEmpty()) << window_->quadWindowDevice_List.size();
  EXPECT_EQ(window_->deviceListLayout->count(), 0);
  EXPECT_EQ(window_->quadListLayout->count(), 0);
  EXPECT_EQ(widgetsOf("A"), 0);

  // The next user: 50 cameras, 7 groups, all of them, and only them.
  signIn(QStringLiteral("bob@example.com"), "B", 50, 7);
  buildList();
  ASSERT_EQ(window_->oneWindowDevice_list.size(), 50);
  ASSERT_EQ(window_->quadWindowDevice_List.size(), 7);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(window_->oneWindowDevice_list[i]->deviceId, cameraId("B", i));
  for (int g = 0; g < 7; ++g) {
    EXPECT_EQ(window_->quadWindowDevice_List[g]->get_groupName(), QStringLiteral("B group %1").arg(g));
  }
  EXPECT_EQ(window_->deviceListLayout->count(), 50);
  EXPECT_EQ(window_->quadListLayout->count(), 7);
  EXPECT_EQ(widgetsOf("A"), 0);
  EXPECT_FALSE(window_->listBuildRunning());
}

INSTANTIATE_TEST_SUITE_P(Stages, SignOutMidBuild,
                         ::testing::Values(Stage::AfterTheFirstSlice, Stage::LaterInTheGroups),
                         [](const ::testing::TestParamInfo<Stage>& i) {
                           return std::string(i.param == Stage::AfterTheFirstSlice ? "AfterTheFirstSlice"
                                                                                   : "LaterInTheGroups");
                         });

}  // namespace
