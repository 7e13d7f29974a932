// The camera list and the group panel as the device configuration's arrival
// builds them, and as a sign-out empties them for the next user: tiles and
// the "N devices" title from the device list, the stored groups, one
// "Create Group" connection however often the panel is built, a group file
// that cannot be read said on the group page, and nothing left of the last
// user (tiles, groups, dialogs) at the next sign-in.
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <functional>

#include "adapter_hardWare/AdapterHardware.h"
#include "lists_fixture.h"
#include "view/group_geometry.h"
#include "view/QuadWindowCreateWindow.h"

namespace {

using liststest::ListsTest;

QStringList tileIds(QVBoxLayout* layout) {
  QStringList ids;
  for (int i = 0; i < layout->count(); ++i) {
    if (auto* c = qobject_cast<oneWindowDevice*>(layout->itemAt(i)->widget())) ids << c->deviceId;
  }
  return ids;
}

QStringList groupNames(QVBoxLayout* layout) {
  QStringList names;
  for (int i = 0; i < layout->count(); ++i) {
    if (auto* g = qobject_cast<QuadWindowDevice*>(layout->itemAt(i)->widget()))
      names << g->get_groupName();
  }
  return names;
}

// Clicks "Create Group" once and closes every group creation dialog that
// opens meanwhile; the number that opened.
int dialogsOpenedByOneClick(QPushButton* button) {
  int opened = 0;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (auto* d = qobject_cast<QuadWindowCreateWindow*>(QApplication::activeModalWidget())) {
      ++opened;
      d->reject();
    }
  });
  closer.start(5);
  QTest::mouseClick(button, Qt::LeftButton);
  return opened;
}

TEST_F(ListsTest, DeviceListsToTilesAndTitle) {
  const struct {
    const char* what;
    std::initializer_list<liststest::Listed> entries;
    QStringList tiles;
    const char* title;
  } cases[] = {
      {"a door bell and an unconnected camera get no tile",
       {{"A"}, {"BELL", 2, 1}, {"B", 1, 0}}, {"A"}, "1 device"},
      {"two cameras", {{"B"}, {"A"}}, {"B", "A"}, "2 devices"},
      {"none", {}, {}, "0 device"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    listDevices(c.entries);
    buildList();
    EXPECT_EQ(tileIds(window_->deviceListLayout), c.tiles);
    QStringList listed;
    for (const oneWindowDevice* cam : window_->oneWindowDevice_list) listed << cam->deviceId;
    EXPECT_EQ(listed, c.tiles);
    EXPECT_EQ(window_->listTitleLabel->text(), QLatin1String(c.title));
    EXPECT_TRUE(window_->load_deviceList_succeed);
    // n tiles fill n tile heights; each tile shows its camera's name.
    EXPECT_EQ(window_->deviceListWidget->height(),
              AdapterHardware::scaled(c.tiles.size() * 232, adapterHardware.heightScale));
    for (const QString& id : c.tiles) EXPECT_EQ(camera(id)->nameLabel.text(), "Cam " + id);
    // The camera page is the one shown.
    EXPECT_FALSE(window_->quadListScroll->isVisibleTo(window_));
    window_->mainWindow_deleteAllDevice();
  }
  EXPECT_EQ(log_->count("BELL is not  DEVICE_TYPE_GENERAL_CAMREA "), 1);
  EXPECT_EQ(log_->count("BconStatus == 0 not create"), 1);
}

// A tile's picture is the camera's play request (checked with the plays);
// here: a second arrival of the configuration in one session builds nothing twice.
TEST_F(ListsTest, OneBuildPerSession) {
  listDevices({{"A"}, {"B"}});
  storeGroup("g", {"A"});
  buildList();
  buildList();
  EXPECT_EQ(tileIds(window_->deviceListLayout), (QStringList{"A", "B"}));
  EXPECT_EQ(groupNames(window_->quadListLayout), (QStringList{"g"}));
  EXPECT_EQ(window_->quadWindowDevice_List.size(), 1);
}

TEST_F(ListsTest, NoDeviceContainerBuildsAnEmptyList) {
  window_->device = nullptr;
  buildList();
  EXPECT_EQ(window_->listTitleLabel->text(), "0 device");
  EXPECT_TRUE(window_->oneWindowDevice_list.isEmpty());
  EXPECT_EQ(log_->count("no device container"), 1);
}

// Stored groups become group items in stored order, their members from
// the camera list (member j in mosaic and grid cell j); the panel is as high
// as its groups plus the "Create Group" room.
TEST_F(ListsTest, StoredGroupsJoinTheGroupPanel) {
  listDevices({{"A"}, {"B"}, {"C"}});
  storeGroup("pair", {"B", "A"});
  storeGroup("gone", {"X"});
  storeGroup("three", {"C", "X", "A", "B"});
  buildList();
  EXPECT_EQ(groupNames(window_->quadListLayout), (QStringList{"pair", "gone", "three"}));
  const AdapterHardware& a = adapterHardware;
  EXPECT_EQ(window_->quadListWidget->height(),
            AdapterHardware::scaled(3 * 232, a.heightScale) + groupPanelTopMargin(a.heightScale));
  EXPECT_EQ(window_->quadListLayout->contentsMargins().top(), groupPanelTopMargin(a.heightScale));

  const struct {
    const char* group;
    QStringList members;
  } cases[] = {{"pair", {"B", "A"}}, {"gone", {}}, {"three", {"C", "A", "B"}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.group);
    QuadWindowDevice* g = group(c.group);
    ASSERT_NE(g, nullptr);
    QStringList members;
    for (const oneWindowDevice* m : g->memberDevices) members << m->deviceId;
    EXPECT_EQ(members, c.members);
    for (int j = 0; j < 4; ++j) {
      const WholeRenderWindow& cell = g->playGrid().tiles[j];
      const QString expected = j < c.members.size() ? c.members[j] : QString();
      EXPECT_EQ(cell.deviceId, expected) << j;
      EXPECT_EQ(cell.ownerDevice, j < c.members.size() ? camera(expected) : nullptr) << j;
      EXPECT_EQ(cell.renderWnd.m_pDevice, cell.ownerDevice) << j;
      // Cells keep only play and HD/FHD; mosaic cells without a member stay plain.
      EXPECT_TRUE(cell.recordButton.isHidden()) << j;
      EXPECT_EQ(!g->pictureCells[j].pixmap(Qt::ReturnByValue).isNull(), j < c.members.size())
          << j;
    }
  }
  EXPECT_EQ(camera("A")->get_quadGroupName(), "pair") << "a camera names the first group it joins";
  EXPECT_EQ(camera("C")->get_quadGroupName(), "three");
}

// Sign-out and a second sign-in of the same user: every tile, group and
// connection of the first session is gone, nothing is doubled, and one
// click on "Create Group" opens one dialog.
TEST_F(ListsTest, SecondSignInShowsEachCameraAndGroupOnce) {
  listDevices({{"A"}, {"B"}});
  storeGroup("g", {"A", "B"});
  buildList();
  EXPECT_EQ(dialogsOpenedByOneClick(window_->createGroupButton), 1);
  QPointer<oneWindowDevice> firstA = camera("A");
  QPointer<QuadWindowDevice> firstG = group("g");

  EXPECT_EQ(signOut(), 1);
  window_->mainWindow_deleteAllDevice();
  EXPECT_TRUE(firstA.isNull()) << "cameras are deleted at once";
  EXPECT_TRUE(firstG.isNull());
  EXPECT_TRUE(window_->oneWindowDevice_list.isEmpty());
  EXPECT_TRUE(window_->quadWindowDevice_List.isEmpty());
  EXPECT_EQ(window_->deviceListLayout->count(), 0);
  EXPECT_EQ(window_->quadListLayout->count(), 0);
  EXPECT_EQ(oneWindowDevice::registry().size(), 0u) << "no callback finds an old camera";
  EXPECT_FALSE(window_->load_deviceList_succeed);
  EXPECT_EQ(log_->count("cameraButton_Handler not response"), 0)
      << "the camera page came back while the list still counted as built";
  EXPECT_EQ(dialogsOpenedByOneClick(window_->createGroupButton), 0)
      << "no dialog is offered without cameras";

  listDevices({{"A"}, {"B"}});
  buildList();
  EXPECT_EQ(tileIds(window_->deviceListLayout), (QStringList{"A", "B"}));
  EXPECT_EQ(groupNames(window_->quadListLayout), (QStringList{"g"}));
  EXPECT_EQ(window_->listColumnLayout->indexOf(window_->deviceListScroll) >= 0, true);
  int panels = 0;
  for (int i = 0; i < window_->listColumnLayout->count(); ++i) {
    QWidget* w = window_->listColumnLayout->itemAt(i)->widget();
    panels += w == window_->deviceListScroll || w == window_->quadListScroll;
  }
  EXPECT_EQ(panels, 2);
  EXPECT_EQ(dialogsOpenedByOneClick(window_->createGroupButton), 1);
}

// The page buttons act once the list exists, and again only after the
// next user's list was built.
// A group.dat that is no database, or a database too large to be ours
// (above 16 MiB): the group page says its groups could not be read (the
// camera page says nothing), no group of it is made, and the file stays
// exactly as it was.
TEST_F(ListsTest, UnreadableGroupFileIsSaidOnTheGroupPageAndLeftAlone) {
  const QString file = window_->userName_private_dir + "group.dat";
  const auto junk = [&file] {
    QByteArray bytes(4096, '\0');
    for (int i = 0; i < bytes.size(); ++i) bytes[i] = char((i * 131 + 7) & 0xFF);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
  };
  const auto tooLarge = [this, &file] {
    // A good row of camera A, and 17 MiB beside it.
    window_->device_groupInfodb_init();
    storeGroup("g", {"A"});
    QProcess sqlite;
    sqlite.start(QStringLiteral(SQLITE3_CLI),
                 {file, "CREATE TABLE pad(b); INSERT INTO pad VALUES (zeroblob(17825792));"});
    ASSERT_TRUE(sqlite.waitForFinished(30000));
    ASSERT_EQ(sqlite.exitCode(), 0) << sqlite.readAllStandardError().toStdString();
    ASSERT_GT(QFileInfo(file).size(), 16 << 20);
  };
  const struct {
    const char* what;
    std::function<void()> make;
  } cases[] = {{"no database", junk}, {"above 16 MiB", tooLarge}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    QFile::remove(file);
    ASSERT_NO_FATAL_FAILURE(c.make());
    QByteArray before;
    {
      QFile f(file);
      ASSERT_TRUE(f.open(QIODevice::ReadOnly));
      before = f.readAll();
    }
    const int noticesBefore = log_->count("list notice:");
    listDevices({{"A"}});
    buildList();
    EXPECT_TRUE(window_->quadWindowDevice_List.isEmpty());
    EXPECT_FALSE(window_->listNoticeLabel->isVisibleTo(window_)) << "the camera page has its list";
    window_->screenButton_4->click();
    EXPECT_TRUE(window_->listNoticeLabel->isVisibleTo(window_));
    EXPECT_EQ(window_->listNoticeLabel->text(), ListNotices::kGroupsUnreadable);
    EXPECT_EQ(log_->count("list notice:") - noticesBefore, 1);
    window_->cameraButton->click();
    EXPECT_FALSE(window_->listNoticeLabel->isVisibleTo(window_));
    // The next sign-in initialises the file first: that leaves it too.
    window_->device_groupInfodb_init();
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll() == before) << "group.dat was changed";
    window_->mainWindow_deleteAllDevice();
  }
}

TEST_F(ListsTest, PageButtonsFollowTheList) {
  listDevices({{"A"}});
  buildList();
  window_->screenButton_4->click();
  EXPECT_TRUE(window_->quadListScroll->isVisibleTo(window_));
  EXPECT_FALSE(window_->deviceListScroll->isVisibleTo(window_));
  EXPECT_EQ(signOut(), 1);
  window_->mainWindow_deleteAllDevice();
  EXPECT_TRUE(window_->deviceListScroll->isVisibleTo(window_)) << "the camera page is back";
  EXPECT_FALSE(window_->quadListScroll->isVisibleTo(window_));
  window_->screenButton_4->click();
  EXPECT_FALSE(window_->quadListScroll->isVisibleTo(window_));
  EXPECT_EQ(log_->count("quadButton_Handler not response"), 1);
}

}  // namespace
