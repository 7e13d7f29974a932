#include "lists_fixture.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QImage>
#include <QTimer>

#include "group_file_rows.h"
#include "sql/group_file.h"

namespace liststest {

void PrintTo(const Sent& s, std::ostream* os) { *os << s.sn << ":" << s.msgType; }

void ListsTest::SetUp() {
  CameraTest::SetUp();
  captureLog();
  // What the sign-in dialog makes: the user's folder and its group table.
  ASSERT_TRUE(QDir().mkpath(window_->userName_private_dir));
  window_->device_groupInfodb_init();
}

void ListsTest::TearDown() {
  // Groups deleted with their delete button go once the event loop runs.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  CameraTest::TearDown();
}

void ListsTest::listDevices(std::initializer_list<Listed> entries) {
  device_ = deviceListing(entries);
  window_->device = device_.get();
}

void ListsTest::listCameras(const QStringList& ids) {
  device_ = cameraListing(ids);
  window_->device = device_.get();
}

void ListsTest::buildList() {
  emit window_->localPictureLoad_singnal();
  // A long list is made in slices on the event loop.
  ASSERT_TRUE(waitUntil([this] { return !window_->listBuildRunning(); }, 60000));
  deliver();
}

void ListsTest::storeGroup(const QString& name, const QStringList& ids) {
  QuadWindowDevice_local_file_node row;
  row.groupName = name;
  QString* places[] = {&row.device_1, &row.device_2, &row.device_3, &row.device_4};
  for (int i = 0; i < ids.size() && i < 4; ++i) *places[i] = ids[i];
  ASSERT_TRUE(::device_groupInfodb_insert(window_->userName_private_dir, row));
}

QString ListsTest::groupRows() const {
  return testsupport::groupFileRows(window_->userName_private_dir);
}

int ListsTest::signOut() {
  // QApplication::exec (not a bare event loop): exit() from inside it is
  // over when it returns, and later dialogs run their own loops again.
  QTimer::singleShot(0, window_, &MainWindow::user_singout_Handler);
  return QApplication::exec();
}

oneWindowDevice* ListsTest::camera(const QString& id) const {
  return find_oneWindowDevice(window_->oneWindowDevice_list, id);
}

QuadWindowDevice* ListsTest::group(const QString& name) const {
  return find_quadWindowDevice(window_->quadWindowDevice_List, name);
}

void ListsTest::online(const QString& id) {
  fake_tessan::postStatus(id.toStdString(), E_CONN_STATUS_ONLINE);
  deliver();
}

std::vector<Sent> ListsTest::sent(size_t since) const {
  std::vector<Sent> out;
  const std::vector<fake_tessan::Call> all = fake_tessan::calls();
  for (size_t i = since; i < all.size(); ++i) {
    if (all[i].function == "APP_send") out.push_back({all[i].sn, all[i].msgType});
  }
  return out;
}

std::vector<std::string> ListsTest::callsOf(const std::string& function, size_t since) const {
  std::vector<std::string> out;
  const std::vector<fake_tessan::Call> all = fake_tessan::calls();
  for (size_t i = since; i < all.size(); ++i) {
    if (all[i].function == function) out.push_back(all[i].sn);
  }
  return out;
}

bool ListsTest::showsIcon(const QAbstractButton& button, const char* name) {
  const QSize size(38, 38);
  const QImage expected = QIcon(mainwindow->picturePath(QLatin1String(name))).pixmap(size).toImage();
  EXPECT_FALSE(expected.isNull()) << "no program picture " << name;
  return button.icon().pixmap(size).toImage() == expected;
}

std::vector<Sent> ListsTest::only(const std::vector<Sent>& all, std::initializer_list<int> types) {
  std::vector<Sent> out;
  for (const Sent& s : all) {
    for (int t : types) {
      if (s.msgType == t) out.push_back(s);
    }
  }
  return out;
}

}  // namespace liststest
