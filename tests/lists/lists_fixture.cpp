#include "lists_fixture.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <QImage>
#include <QProcess>

#include <cstdlib>

#include "http_command/cloud_config.h"
#include "sql/group_file.h"

namespace {
// Qt's own event dispatcher instead of GLib's, whose eventfd wake-ups across
// Qt's own threads ThreadSanitizer cannot see into. Set before main() makes
// the application.
const int kNoGlib = setenv("QT_NO_GLIB", "1", 1);
}  // namespace

namespace liststest {

void PrintTo(const Sent& s, std::ostream* os) { *os << s.sn << ":" << s.msgType; }

void ListsTest::SetUp() {
  ASSERT_TRUE(data_.isValid());
  log_ = std::make_unique<testsupport::LogCapture>();
  qputenv("CAMVIEWER_DATA_DIR", data_.path().toUtf8());
  qputenv("CAMVIEWER_PROGRAM_DIR", QByteArray(CAMVIEWER_TEST_PROGRAM_DIR));
  qputenv(cloud_config::kUrlVariable, "https://127.0.0.1:9");  // nothing answers there
  fake_tessan::reset();
  window_ = new MainWindow(nullptr);
  mainwindow = window_;
  QString user = QStringLiteral("tester");
  window_->userPrivate_dir_init(user);
  window_->device_groupInfodb_init();
}

void ListsTest::TearDown() {
  window_->mainWindow_deleteAllDevice();
  EXPECT_TRUE(fake_tessan::flush());
  QCoreApplication::sendPostedEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  window_->device = nullptr;
  device_.reset();
  delete window_;
  window_ = nullptr;
  mainwindow = nullptr;
  fake_tessan::reset();
  log_.reset();
  qunsetenv("CAMVIEWER_DATA_DIR");
  qunsetenv("CAMVIEWER_PROGRAM_DIR");
  qunsetenv(cloud_config::kUrlVariable);
}

void ListsTest::listDevices(std::initializer_list<Listed> entries) {
  device_ = std::make_unique<Device>();
  device_->devlist = new Device_list;
  for (const Listed& e : entries) {
    auto* c = new Con_device;
    c->deviceId = QString::fromLatin1(e.id);
    c->aliasName = QStringLiteral("Cam ") + c->deviceId;
    c->deviceType = e.type;
    c->conStatus = e.status;
    device_->devlist->conDevices->append(c);
  }
  window_->device = device_.get();
}

void ListsTest::buildList() {
  emit window_->localPictureLoad_singnal();
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
  QProcess p;
  p.start(QStringLiteral(SQLITE3_CLI),
          {window_->userName_private_dir + "group.dat",
           "SELECT groupName,device_1,device_2,device_3,device_4 FROM groups ORDER BY rowid"});
  EXPECT_TRUE(p.waitForFinished(30000));
  EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  return QString::fromUtf8(p.readAllStandardOutput());
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

void ListsTest::deliver() {
  ASSERT_TRUE(fake_tessan::flush());
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
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
