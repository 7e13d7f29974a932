#include "camera_fixture.h"

#include <QThread>

#include <cstdlib>

#include "http_command/cloud_config.h"

namespace {
// Qt's own event dispatcher instead of GLib's, whose eventfd wake-ups across
// Qt's own threads ThreadSanitizer cannot see into. Set before main() makes
// the application.
const int kNoGlib = setenv("QT_NO_GLIB", "1", 1);
}  // namespace

void CameraTest::SetUp() {
  ASSERT_TRUE(data_.isValid());
  qputenv("CAMVIEWER_DATA_DIR", data_.path().toUtf8());
  qputenv("CAMVIEWER_PROGRAM_DIR", QByteArray(CAMVIEWER_TEST_PROGRAM_DIR));
  qputenv(cloud_config::kUrlVariable, "https://127.0.0.1:9");  // nothing answers there
  fake_tessan::reset();
  window_ = new MainWindow(nullptr);
  mainwindow = window_;
  window_->userName_private_dir = data_.path() + "/user_private_dir/tester_private_dir/";
  device_ = std::make_unique<Device>();
  window_->device = device_.get();
}

void CameraTest::TearDown() {
  for (oneWindowDevice* c : cameras_) {
    window_->oneWindowDevice_list.removeAll(c);
    delete c;
  }
  cameras_.clear();
  EXPECT_TRUE(fake_tessan::flush());
  QCoreApplication::sendPostedEvents();
  window_->device = nullptr;
  device_.reset();
  delete window_;
  window_ = nullptr;
  mainwindow = nullptr;
  fake_tessan::reset();
  qunsetenv("CAMVIEWER_DATA_DIR");
  qunsetenv("CAMVIEWER_PROGRAM_DIR");
  qunsetenv(cloud_config::kUrlVariable);
}

oneWindowDevice* CameraTest::addCamera(const QString& id, const QString& name) {
  auto* camera = new oneWindowDevice(id, name, 1);
  window_->oneWindowDevice_list.append(camera);
  cameras_.push_back(camera);
  return camera;
}

void CameraTest::deleteCamera(oneWindowDevice* camera) {
  window_->oneWindowDevice_list.removeAll(camera);
  cameras_.erase(std::remove(cameras_.begin(), cameras_.end(), camera), cameras_.end());
  delete camera;
}

void CameraTest::deliver() {
  ASSERT_TRUE(fake_tessan::flush());
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
}

void CameraTest::report(oneWindowDevice* camera, int status) {
  fake_tessan::postStatus(camera->deviceId.toStdString(), status);
  deliver();
}

bool CameraTest::waitUntil(const std::function<bool()>& done, int ms) {
  const QDeadlineTimer deadline(ms);
  while (!done() && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(1);
  }
  return done();
}
