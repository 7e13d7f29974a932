#include "camera_world.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QNetworkReply>
#include <QThread>

#include <cstdlib>

#include "../cloud/request_log_reader.h"
#include "Tessan.h"
#include "fresh_netns.h"
#include "http_command/cloud_client.h"
#include "http_command/cloud_config.h"
#include "http_command/device_container.h"
#include "http_command/fetch_infos.h"
#include "http_command/http_request.h"
#include "http_command/request_context.h"
#include "netns_test.h"
#include "test_artifacts.h"

namespace {
// Qt's own event dispatcher instead of GLib's, whose eventfd wake-ups across
// Qt's own threads ThreadSanitizer cannot see into. Set before main() makes
// the application.
const int kNoGlib = setenv("QT_NO_GLIB", "1", 1);
}  // namespace

void CameraWorld::SetUp() {
  REQUIRE_PRIVATE_NETNS();
  // The protocol's ports are fixed: a namespace of this test's own (unless
  // the whole program has one, entered before its X server started).
  if (enterOwnNamespace_) {
    const std::string ns = testsupport::enterFreshNetworkNamespace();
    ASSERT_TRUE(ns.empty()) << ns;
  }
  ASSERT_TRUE(data_.isValid());
  qputenv("CAMVIEWER_DATA_DIR", data_.path().toUtf8());
  qputenv("CAMVIEWER_PROGRAM_DIR", QByteArray(CAMVIEWER_TEST_PROGRAM_DIR));
  request_context::set({QStringLiteral("en-US"), 60, QStringLiteral("host1")});
}

void CameraWorld::TearDown() {
  for (oneWindowDevice* c : cameras_) {
    if (window_) window_->oneWindowDevice_list.removeAll(c);
    delete c;
  }
  cameras_.clear();
  if (window_) {
    window_->cloud().abandonSignin();
    delete window_;
  }
  window_ = nullptr;
  mainwindow = nullptr;
  APP_uninit();  // no thread of the link outlives the test
  simCameras_.clear();
  rendezvous_.stop();
  cloud_.stop();
  qunsetenv("CAMVIEWER_DATA_DIR");
  qunsetenv("CAMVIEWER_PROGRAM_DIR");
  qunsetenv(cloud_config::kUrlVariable);
}

void CameraWorld::startWorld(const QStringList& cloudArgs) {
  std::string error;
  ASSERT_TRUE(rendezvous_.start(RENDEZVOUS_PROGRAM, {"--lifetime", "300"}, &error)) << error;
  ASSERT_TRUE(rendezvous_.waitFor("ready", 60000)) << "the rendezvous server did not start";
  QString why;
  ASSERT_TRUE(cloud_.start(QStringList{"--rendezvous", "127.0.0.1"} + cloudArgs, &why))
      << why.toStdString();
  ASSERT_TRUE(cloud_config::installCaFile(cloud_.caFile(), &why)) << why.toStdString();
  qputenv(cloud_config::kUrlVariable, cloud_.entryUrl().toUtf8());

  window_ = new MainWindow(nullptr);
  mainwindow = window_;
  window_->userName_private_dir = data_.path() + "/user_private_dir/tester_private_dir/";
  // The sign-in dialog's two calls, wired as the dialog wires them.
  CloudClient& cloud = window_->cloud();
  challengeManager_ = std::make_unique<QNetworkAccessManager>();
  signinManager_ = std::make_unique<QNetworkAccessManager>();
  cloud.attachManager(CloudCall::Challenge, challengeManager_.get());
  cloud.attachManager(CloudCall::Signin, signinManager_.get());
  QObject::connect(challengeManager_.get(), &QNetworkAccessManager::finished, &cloud,
                   &CloudClient::challengeReply);
  QObject::connect(signinManager_.get(), &QNetworkAccessManager::finished, &cloud,
                   &CloudClient::signinReply);
  bool signedIn = false;
  const QMetaObject::Connection signinSeen =
      QObject::connect(&cloud, &CloudClient::signedIn, [&](Signin*) { signedIn = true; });
  challenge_.username = QStringLiteral("user@example.com");
  challenge_.password = QStringLiteral("secret123");
  window_->challenge = &challenge_;
  cloud.beginSignin(&challenge_, QStringLiteral("02:00:00:aa:bb:cc"));
  const bool inTime = waitUntil([&] { return signedIn; }, 30000);
  QObject::disconnect(signinSeen);
  ASSERT_TRUE(inTime) << "no sign-in";
  window_->tokenInfo = cloud.tokens();
  // The tests make their camera objects themselves (addCamera), not the
  // main window's list build.
  QObject::disconnect(window_, SIGNAL(localPictureLoad_singnal()), window_,
                      SLOT(oneWindow_deviceList_create_Handler()));
  bool configured = false;
  const QMetaObject::Connection configSeen = QObject::connect(
      window_, &MainWindow::localPictureLoad_singnal, [&] { configured = true; });
  window_->HTTP_refershToken();
  const bool configuredInTime = waitUntil([&] { return configured; }, 30000);
  QObject::disconnect(configSeen);
  ASSERT_TRUE(configuredInTime) << "no device configuration";
  ASSERT_TRUE(window_->device);
}

void CameraWorld::startCamera(const std::string& id, const std::string& key,
                              const std::vector<std::string>& extra) {
  auto camera = std::make_unique<testworld::ChildProcess>();
  std::vector<std::string> args = {"--id", id, "--key", key, "--servers", "127.0.0.1",
                                   "--lifetime", "240", "--work-dir", testsupport::cameraClipCache()};
  args.insert(args.end(), extra.begin(), extra.end());
  std::string error;
  ASSERT_TRUE(camera->start(SIM_CAMERA_PROGRAM, args, &error)) << error;
  ASSERT_TRUE(camera->waitFor("listening 1", 180000, nullptr, true)) << id << " did not start";
  simCameras_.push_back(std::move(camera));
}

oneWindowDevice* CameraWorld::addCamera(const QString& id) {
  QString alias = id;
  for (const Con_device* c : *window_->device->devlist->conDevices) {
    if (c->deviceId == id) alias = c->aliasName;
  }
  auto* camera = new oneWindowDevice(id, alias, 1);
  window_->oneWindowDevice_list.append(camera);
  cameras_.push_back(camera);
  return camera;
}

bool CameraWorld::waitForRecords(const QString& id, int count, int limitMs) {
  return waitUntil(
      [&] {
        int n = 0;
        if (window_->device) {
          for (const FetchInfos* f : window_->device->fetchInfosList) n += f->deviceId == id;
        }
        return n >= count;
      },
      limitMs);
}

QJsonArray CameraWorld::cloudLog() const { return readRequestLog(cloud_.logFile()); }

QList<QJsonObject> CameraWorld::logged(const QString& pathSuffix) const {
  QList<QJsonObject> out;
  for (const QJsonValue& v : cloudLog()) {
    if (v.toObject()["path"].toString().endsWith(pathSuffix)) out << v.toObject();
  }
  return out;
}

QByteArray CameraWorld::fetch(const QString& url) {
  QNetworkAccessManager m;
  QNetworkRequest request{QUrl(url)};
  request.setSslConfiguration(HTTP_sslConfiguration());
  QNetworkReply* reply = m.get(request);
  waitUntil([&] { return reply->isFinished(); }, 60000);
  const QByteArray body = reply->readAll();
  delete reply;
  return body;
}
