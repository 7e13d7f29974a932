// The camera object in the simulated world with the real device link: its
// fetch-infos request accepted by the strict cloud (signature, headers,
// body) and its answer parsed, the connection made from the cloud's data
// (badge offline -> Online, or the wrong-token state with a key the camera
// refuses), the tile thumbnail stored as served, and what is refused.
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonDocument>

#include "camera_world.h"
#include "http_command/device_container.h"
#include "http_command/fetch_infos.h"

namespace {

const QString kCam = QStringLiteral("CAM0001");

QString thumbnailFile(const MainWindow* w, const QString& name) {
  return w->userName_private_dir + "device_picture/" + name + ".jpeg";
}

TEST_F(CameraWorld, FetchInfosIsAcceptedParsedAndTheCameraGoesOnlineWithTheCloudsKey) {
  ASSERT_NO_FATAL_FAILURE(startWorld({"--camera", "CAM0001:Front door:1:cloud-key-1"}));
  ASSERT_NO_FATAL_FAILURE(startCamera("CAM0001", "cloud-key-1"));
  oneWindowDevice* camera = addCamera(kCam);
  EXPECT_EQ(camera->stateLabel.text(), "offline");
  camera->send_fetchInfo_instruct();
  ASSERT_TRUE(waitForRecords(kCam));

  // The strict cloud took the request as it came: posted to the camera's
  // own gateway, signed, answered 200 without a complaint.
  const QList<QJsonObject> requests = logged("/v1/fetch-infos");
  ASSERT_EQ(requests.size(), 1);
  EXPECT_EQ(requests[0]["path"].toString(), "/gw/1/v1/fetch-infos");
  EXPECT_EQ(requests[0]["status"].toInt(), 200);
  EXPECT_TRUE(requests[0]["violations"].toArray().isEmpty())
      << QJsonDocument(requests[0]["violations"].toArray()).toJson().toStdString();

  // Its answer, parsed.
  const FetchInfos* record = window_->device->fetchInfosList.last();
  EXPECT_EQ(record->deviceId, kCam);
  EXPECT_EQ(record->objectName(), kCam);
  EXPECT_EQ(record->accessKey, "cloud-key-1");
  EXPECT_EQ(record->ptz, "1");
  EXPECT_EQ(record->localIp, "127.0.0.1");
  EXPECT_EQ(record->aliasName, "Front door");
  EXPECT_TRUE(record->snapshotUrl.startsWith(cloud_.baseUrl() + "/thumb/"));
  ASSERT_FALSE(record->streams.isEmpty());
  for (const Stream_config* s : record->streams) {
    EXPECT_FALSE(s->resWidth.isEmpty());
    EXPECT_FALSE(s->resHeight.isEmpty());
    EXPECT_FALSE(s->quality.isEmpty());
  }
  EXPECT_TRUE(camera->ownPlayView().renderWnd.ptzWindow_exist());
  EXPECT_TRUE(camera->connectTimerActive);

  // The connect timer's first tick connects with the cloud's key.
  ASSERT_TRUE(waitUntil([&] { return camera->get_p2pState() == E_CONN_STATUS_ONLINE; }, 120000))
      << "state " << camera->get_p2pState();
  EXPECT_EQ(camera->stateLabel.text(), "Online");
  EXPECT_FALSE(camera->P2P_connect_ahead_Thread_timer.isActive());

  // The thumbnail is the file the cloud serves, byte for byte.
  const QString file = thumbnailFile(window_, "Front door");
  ASSERT_TRUE(waitUntil([&] { return QFile::exists(file); }, 60000));
  const QList<QJsonObject> gets = logged("/thumb/CAM0001.jpeg");
  ASSERT_EQ(gets.size(), 1);
  EXPECT_TRUE(gets[0]["violations"].toArray().isEmpty());
  const QByteArray served = fetch(record->snapshotUrl);
  ASSERT_FALSE(served.isEmpty());
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), served);
  EXPECT_EQ(QImage(file).pixelColor(5, 5), camera->pictureImage.pixelColor(5, 5));
}

TEST_F(CameraWorld, AKeyTheCameraRefusesShowsTheWrongTokenState) {
  ASSERT_NO_FATAL_FAILURE(startWorld({"--camera", "CAM0001:Front door:0:not-the-key"}));
  ASSERT_NO_FATAL_FAILURE(startCamera("CAM0001", "the-real-key"));
  oneWindowDevice* camera = addCamera(kCam);
  camera->send_fetchInfo_instruct();
  ASSERT_TRUE(waitForRecords(kCam));
  EXPECT_FALSE(camera->ownPlayView().renderWnd.ptzWindow_exist());
  ASSERT_TRUE(waitUntil([&] { return camera->get_p2pState() == E_CONN_STATUS_WRONG_TOKEN; }, 60000))
      << "state " << camera->get_p2pState();
  EXPECT_EQ(camera->stateLabel.text(), "conecting");
  EXPECT_TRUE(camera->P2P_connect_ahead_Thread_timer.isActive());
}

TEST_F(CameraWorld, TheLastOfTwoAnswersHoldsTheKeyAFailedAttemptIsSentAgainSigned) {
  ASSERT_NO_FATAL_FAILURE(startWorld({"--camera", "CAM0001:Front door:0:key-now:infos=2",
                                      "--fail", "/gw/1/v1/fetch-infos=status:1:500"}));
  ASSERT_NO_FATAL_FAILURE(startCamera("CAM0001", "key-now"));
  oneWindowDevice* camera = addCamera(kCam);
  camera->send_fetchInfo_instruct();
  ASSERT_TRUE(waitForRecords(kCam, 2));
  const QList<QJsonObject> requests = logged("/v1/fetch-infos");
  ASSERT_EQ(requests.size(), 2);
  EXPECT_EQ(requests[0]["status"].toInt(), 500);
  EXPECT_EQ(requests[1]["status"].toInt(), 200);
  EXPECT_TRUE(requests[1]["violations"].toArray().isEmpty());
  ASSERT_TRUE(waitUntil([&] { return camera->get_p2pState() == E_CONN_STATUS_ONLINE; }, 120000))
      << "state " << camera->get_p2pState();
}

struct RefusedThumbnail {
  const char* name;
  const char* cameraSwitch;
  bool fetched;  // the cloud sees the GET (the body is what is refused)
};

class CameraWorldThumbnail : public CameraWorld,
                             public ::testing::WithParamInterface<RefusedThumbnail> {};

TEST_P(CameraWorldThumbnail, ChangesNothing) {
  const RefusedThumbnail& c = GetParam();
  captureLog();
  ASSERT_NO_FATAL_FAILURE(
      startWorld({"--camera", QStringLiteral("CAM0001:Door:0:k:%1").arg(c.cameraSwitch)}));
  // A picture the tile had before.
  const QString file = thumbnailFile(window_, "Door");
  QDir().mkpath(QFileInfo(file).absolutePath());
  QImage old(64, 36, QImage::Format_RGB32);
  old.fill(Qt::magenta);
  ASSERT_TRUE(old.save(file, "JPG"));
  QFile before(file);
  ASSERT_TRUE(before.open(QIODevice::ReadOnly));
  const QByteArray oldBytes = before.readAll();

  oneWindowDevice* camera = addCamera(kCam);
  const QImage tile = camera->pictureImage;
  camera->send_fetchInfo_instruct();
  ASSERT_TRUE(waitForRecords(kCam));
  if (c.fetched) {
    ASSERT_TRUE(waitUntil([&] { return log_->count("snapshot dowoload picture not stored") > 0; }, 60000));
    EXPECT_EQ(logged("/thumb/CAM0001.jpeg").size(), 1);
  } else {
    EXPECT_GT(log_->count("snapshot url not fetched"), 0);
    waitUntil([] { return false; }, 500);  // a request that should not come
    EXPECT_EQ(logged(".jpeg").size(), 0);
  }
  QFile after(file);
  ASSERT_TRUE(after.open(QIODevice::ReadOnly));
  EXPECT_EQ(after.readAll(), oldBytes);
  EXPECT_EQ(QDir(QFileInfo(file).absolutePath()).entryList(QDir::Files | QDir::Hidden).size(), 1);
  EXPECT_EQ(camera->pictureImage, tile);
}

INSTANTIATE_TEST_SUITE_P(
    Refused, CameraWorldThumbnail,
    ::testing::Values(RefusedThumbnail{"notImage", "thumb=notimage", true},
                      // A picture that decodes, padded to one byte past 16 MiB.
                      RefusedThumbnail{"pictureOverTheCap", "pad=16777217", true},
                      RefusedThumbnail{"fileUrl", "snapurl=file:///etc/hostname", false},
                      RefusedThumbnail{"ftpUrl", "snapurl=ftp://127.0.0.1/thumb/CAM0001.jpeg", false}),
    [](const ::testing::TestParamInfo<RefusedThumbnail>& i) { return std::string(i.param.name); });

// The same padded picture at exactly 16 MiB is taken, whole: the refusal
// above is the size cap's.
TEST_F(CameraWorld, APaddedPictureAtTheCapIsStoredWhole) {
  ASSERT_NO_FATAL_FAILURE(startWorld({"--camera", "CAM0001:Door:0:k:pad=16777216"}));
  oneWindowDevice* camera = addCamera(kCam);
  camera->send_fetchInfo_instruct();
  ASSERT_TRUE(waitForRecords(kCam));
  const QString file = thumbnailFile(window_, "Door");
  ASSERT_TRUE(waitUntil([&] { return QFile::exists(file); }, 60000));
  const QByteArray served = fetch(window_->device->fetchInfosList.last()->snapshotUrl);
  ASSERT_EQ(served.size(), 16 * 1024 * 1024);
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_TRUE(f.readAll() == served);
}

TEST_F(CameraWorld, WithoutADeviceConfigurationNothingIsPosted) {
  captureLog();
  ASSERT_NO_FATAL_FAILURE(startWorld({"--camera", "CAM0001:Front door:0"}));
  oneWindowDevice* camera = addCamera(QStringLiteral("CAM0099"));  // no configuration for it
  camera->send_fetchInfo_instruct();
  camera->send_fetchInfo_instruct();
  waitUntil([] { return false; }, 500);
  EXPECT_EQ(logged("/v1/fetch-infos").size(), 0);
  EXPECT_EQ(log_->count("fetch-infos: no device configuration yet"), 1);
}

}  // namespace
