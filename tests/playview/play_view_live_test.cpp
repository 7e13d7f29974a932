// A camera's own play view against the simulated camera, over the real
// transport and device link, in the main window on a private X server at
// 3840 x 2160: the quality change round trip (270/271) and the picture size
// it brings, the PTZ pad driven by the real pointer (272/273 seen by the
// camera), snapshot and record buttons on the live stream (libjpeg,
// ffprobe), and a screenshot of the view with the pad over the video.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <QDir>
#include <QLabel>
#include <QSet>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <set>
#include <string>
#include <vector>

#include <cjson/cJSON.h>

#include "Tessan.h"
#include "adapter_hardWare/AdapterHardware.h"
#include "child_process.h"
#include "device/OneWindowDevice.h"
#include "http_command/device_container.h"
#include "http_command/fetch_infos.h"
#include "http_command/record_parsing.h"
#include "libjpeg_reference.h"
#include "log_capture.h"
#include "manual_animation_driver.h"
#include "mainwindow.h"
#include "media_assets.h"
#include "netns_test.h"
#include "playview_support.h"
#include "test_artifacts.h"

namespace {

using namespace playviewtest;

// Qt's own event dispatcher (GLib's wake-ups across threads are opaque to
// ThreadSanitizer). Set before main() creates the application.
const int kNoGlib = setenv("QT_NO_GLIB", "1", 1);

const char* const kId = "CAMVIEW01";
const char* const kKey = "view-key-01";

// The camera's record as fetch-infos gives it: its key, its LAN address and
// a pan-tilt head.
FetchInfos* fetchInfos() {
  const std::string json = std::string("{\"info\":{\"base\":{\"deviceId\":\"") + kId +
                           "\",\"accessKey\":\"" + kKey +
                           "\"},\"capability\":{\"ptz\":\"1\"},"
                           "\"networkConfig\":{\"localIp\":\"127.0.0.1\"}}}";
  cJSON* entry = cJSON_Parse(json.c_str());
  FetchInfos* record = FetchInfos_fromInfosEntry(entry);
  cJSON_Delete(entry);
  return record;
}

// Passes every picture on to the render widget and keeps the size of the
// last one (the decoded size).
class SizeTap : public VideoRenderTarget {
 public:
  explicit SizeTap(VideoRenderTarget* next) : next_(next) {}
  void PresentFrame(const unsigned char* yuv, int width, int height) override {
    size.store(width << 16 | height);
    next_->PresentFrame(yuv, width, height);
  }
  void start_render() override { next_->start_render(); }
  void stop_render() override { next_->stop_render(); }
  QSize last() const { return QSize(size.load() >> 16, size.load() & 0xFFFF); }
  std::atomic<int> size{0};

 private:
  VideoRenderTarget* next_;
};

class LiveView : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_PRIVATE_NETNS();  // the program's own, entered by its main
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    adapterHardware.set_screen();
    name_ = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    dir_ = QString::fromStdString(testsupport::artifactsDir("playview_live/" + name_));
    QDir(dir_).removeRecursively();
    QDir().mkpath(dir_ + "/camera");
    qputenv("CAMVIEWER_DATA_DIR", dir_.toUtf8());

    std::string error;
    ASSERT_TRUE(cameraProcess_.start(PLAYVIEW_SIM_CAMERA,
                                     {"--id", kId, "--key", kKey, "--lifetime", "180", "--codec",
                                      "h264", "--work-dir", testsupport::cameraClipCache()},
                                     &error))
        << error;
    ASSERT_TRUE(cameraSays("listening 1", 180000)) << "the camera did not start";

    window_ = new MainWindow(nullptr);
    mainwindow = window_;
    window_->userName_private_dir = dir_ + "/user/";
    device_.fetchInfosList.append(fetchInfos());
    window_->device = &device_;
    camera = new oneWindowDevice(QString::fromLatin1(kId), QStringLiteral("Door"), 1);
    window_->oneWindowDevice_list.append(camera);
    camera->capability_init();
    ASSERT_TRUE(camera->ownPlayView().renderWnd.ptzWindow_exist());
    window_->playState = E_MAINWINDOW_ONEWINDOW_PLAYING;
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_, 60000));

    ASSERT_EQ(camera->P2P_connect(), 0);
    camera->P2P_connect_ahead_Thread_timer_start();  // tries again every 5 s
    ASSERT_TRUE(pump([&] { return camera->get_p2pState() == E_CONN_STATUS_ONLINE; }, 120000))
        << "state " << camera->get_p2pState();
    view().playButton.click();
    ASSERT_TRUE(camera->get_isPlaying());
    ASSERT_TRUE(pump([&] { return camera->counters.picturesPresented.load() >= 25; }, 60000))
        << "presented " << camera->counters.picturesPresented.load();
    ASSERT_TRUE(camera->ownPlayView().isVisible()) << "the view is not in the play area";
    // The pointer rests outside the video.
    QCursor::setPos(3000, 2000);
    pumpFor(100);
  }

  void TearDown() override {
    if (camera) {
      if (camera->get_isPlaying()) camera->avideo_stop_play();
      window_->oneWindowDevice_list.removeAll(camera);
      delete camera;
    }
    dropToasts();
    if (window_) {
      window_->device = nullptr;
      delete window_;
    }
    mainwindow = nullptr;
    APP_uninit();  // no library thread outlives the test
    cameraProcess_.stop();
    qunsetenv("CAMVIEWER_DATA_DIR");
  }

  WholeRenderWindow& view() { return camera->ownPlayView(); }

  // Runs Qt while reading what the camera reports, until `done`.
  bool pump(const std::function<bool()>& done, int ms) {
    return pumpUntil([&] {
      readCamera();
      return done();
    }, ms);
  }
  bool cameraSays(const std::string& line, int ms) {
    return pump([&] { return cameraLines_.count(line) > 0; }, ms);
  }
  void readCamera() {
    for (std::string line; cameraProcess_.readLine(&line, 1);) {
      if (line.rfind("event ", 0) == 0) line = line.substr(6);
      cameraLines_.insert(line);
      cameraEvents_.push_back(line);
    }
  }
  std::vector<std::string> ptzEvents() {
    readCamera();
    std::vector<std::string> out;
    for (const std::string& e : cameraEvents_)
      if (e.rfind("ptz ", 0) == 0) out.push_back(e);
    return out;
  }

  // One snapshot through the button: the JPEG written for it.
  libjpeg_reference::Decoded snapshot() {
    dropToasts();
    const int before = filesUnder(dir_ + "/user/snapshot", "*.jpg").size();
    now_ += 1;  // a name of its own
    view().snapshotButton.click();
    EXPECT_TRUE(pump([] { return !toastTexts().empty(); }, 60000));
    EXPECT_EQ(toastTexts(), (std::vector<QString>{"Snapshot Success!"}));
    const QStringList shots = filesUnder(dir_ + "/user/snapshot", "*.jpg");
    EXPECT_EQ(shots.size(), before + 1);
    if (shots.size() != before + 1) return {};
    QString newest;
    for (const QString& s : shots) newest = std::max(newest, s);
    return libjpeg_reference::decode(media_assets::readFile(newest.toStdString()));
  }

  // The screen around the main window and the pad.
  QImage screenshot(const std::string& file) {
    const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0, 0, 0, 1920, 1080).toImage();
    shot.save(QString::fromStdString(testsupport::artifactsDir("playview_live") + "/" + file));
    return shot;
  }

  oneWindowDevice* camera = nullptr;
  std::atomic<qint64> now_{1700000000};

 private:
  std::string name_;
  QString dir_;
  testworld::ChildProcess cameraProcess_;
  std::set<std::string> cameraLines_;
  std::vector<std::string> cameraEvents_;
  MainWindow* window_ = nullptr;
  Device device_;

 protected:
  QString folder() const { return dir_; }
};

TEST_F(LiveView, QualityChangeRoundTripSwitchesThePictureSize) {
  testsupport::LogCapture log;
  SizeTap tap(&view().renderWnd);
  camera->setRenderTarget(&tap);
  ASSERT_TRUE(pump([&] { return tap.last() == QSize(640, 360); }, 60000)) << "FHD first";

  view().resolutionButton.click();  // FHD -> HD
  EXPECT_EQ(view().resolutionButton.text(), "HD");
  ASSERT_TRUE(cameraSays("quality 1", 60000));
  ASSERT_TRUE(pump([&] { return log.count("E_VQUALITY_HD") > 0; }, 60000)) << "no 271 answer";
  EXPECT_EQ(log.count("MSG_CHG_VIDEO_QUALITY_RESP err"), 0);
  ASSERT_TRUE(pump([&] { return tap.last() == QSize(320, 180); }, 60000))
      << "pictures still " << tap.last().width() << "x" << tap.last().height();

  view().resolutionButton.click();  // HD -> FHD
  EXPECT_EQ(view().resolutionButton.text(), "FHD");
  ASSERT_TRUE(cameraSays("quality 5", 60000));
  ASSERT_TRUE(pump([&] { return log.count("E_VQUALITY_FHD") > 0; }, 60000));
  ASSERT_TRUE(pump([&] { return tap.last() == QSize(640, 360); }, 60000));
  view().renderWnd.show();
  camera->setRenderTarget(&view().renderWnd);
}

TEST_F(LiveView, PtzPadFollowsThePointerAndTheCameraMoves) {
  PTZcontrolWindow& pad = view().ptzWindow;
  const QRect videoOnScreen(view().mapToGlobal(QPoint(0, 0)), view().size());
  // Into the video: the pad shows on the button bar, against the left edge.
  QCursor::setPos(videoOnScreen.center());
  ASSERT_TRUE(pump([&] { return pad.isVisible(); }, 60000)) << "no pad over the video";
  EXPECT_EQ(pad.pos(), QPoint(videoOnScreen.left(), videoOnScreen.bottom() + 1 - view().barHeight -
                                                         pad.height()));
  // Onto the pad: it stays.
  QCursor::setPos(pad.mapToGlobal(pad.rect().center()));
  pumpFor(300);
  ASSERT_TRUE(pad.isVisible());
  const QImage shot = screenshot("play_view_with_pad.png");
  // The pad is drawn over the video where it was placed.
  const QImage padPicture = pad.grab().toImage().convertToFormat(QImage::Format_ARGB32);
  int opaque = 0, same = 0;
  for (int y = 0; y < padPicture.height(); y += 4) {
    for (int x = 0; x < padPicture.width(); x += 4) {
      const QColor p = padPicture.pixelColor(x, y);
      if (p.alpha() < 255) continue;
      ++opaque;
      const QColor s = shot.pixelColor(pad.x() + x, pad.y() + y);
      same += std::abs(s.red() - p.red()) < 24 && std::abs(s.green() - p.green()) < 24 &&
              std::abs(s.blue() - p.blue()) < 24;
    }
  }
  EXPECT_GT(opaque, 100);
  EXPECT_GT(same, opaque * 9 / 10) << "the pad is not on screen where it was placed";
  // The video beside the pad shows the camera's picture (not one colour).
  QSet<QRgb> colours;
  for (int x = videoOnScreen.center().x(); x < videoOnScreen.right() - 10; x += 37)
    colours.insert(shot.pixel(x, videoOnScreen.center().y()) & 0xF0F0F0);
  EXPECT_GT(colours.size(), 3) << "no picture in the video";

  // A tap: one step up. A hold: a continuous move left, then a stop. (Each
  // time the view was laid out, the camera was told to stop: the pad is
  // placed again and hidden with a stop while the pointer is elsewhere.)
  const size_t before = ptzEvents().size();
  const auto since = [&] {
    const std::vector<std::string> all = ptzEvents();
    return std::vector<std::string>(all.begin() + long(std::min(before, all.size())), all.end());
  };
  QTest::mouseClick(pad.upButton, Qt::LeftButton);
  ASSERT_TRUE(pump([&] { return since().size() == 1; }, 60000));
  QTest::mousePress(pad.leftButton, Qt::LeftButton);
  ASSERT_TRUE(pump([&] { return since().size() == 2; }, 60000));
  pumpFor(500);
  QTest::mouseRelease(pad.leftButton, Qt::LeftButton);
  ASSERT_TRUE(pump([&] { return since().size() == 3; }, 60000));
  pumpFor(400);
  EXPECT_EQ(since(), (std::vector<std::string>{"ptz 1 0", "ptz 3 1", "ptz 0 1"}));

  // Out of the view: the pad goes and the camera is told to stop.
  QCursor::setPos(3000, 2000);
  ASSERT_TRUE(pump([&] { return !pad.isVisible(); }, 60000)) << "the pad stayed";
  ASSERT_TRUE(pump([&] { return since().size() >= 4; }, 60000));
  for (size_t i = 3; i < since().size(); ++i) EXPECT_EQ(since()[i], "ptz 0 1");
}

// Full screen detaches the view into a window of its own and Escape puts it
// back; the video goes on being drawn in both places (the render widget's
// native window survives both moves).
TEST_F(LiveView, FullScreenAndBackKeepsTheVideoDrawn) {
  QWidget* playArea = view().parentWidget();
  ASSERT_NE(playArea, nullptr);
  const auto drawsPictures = [&](const std::string& file) {
    const uint64_t before = camera->counters.picturesPresented.load();
    EXPECT_TRUE(pump([&] { return camera->counters.picturesPresented.load() >= before + 10; }, 60000));
    QImage shot;
    const auto colourful = [&] {
      const QRect r(view().renderWnd.mapToGlobal(QPoint(0, 0)), view().renderWnd.size());
      shot = QGuiApplication::primaryScreen()->grabWindow(0, r.x(), r.y(), r.width(), r.height()).toImage();
      QSet<QRgb> colours;
      for (int x = 0; x < shot.width(); x += 17) colours.insert(shot.pixel(x, shot.height() / 2) & 0xF0F0F0);
      return colours.size() > 3;
    };
    const bool drawn = pump(colourful, 60000);  // the X server shows what was presented
    shot.save(QString::fromStdString(testsupport::artifactsDir("playview_live") + "/" + file));
    return drawn;
  };
  view().maxButton.click();
  ASSERT_TRUE(view().fullScreen);
  ASSERT_TRUE(view().isWindow());
  view().resize(1280, 800);  // no window manager here to maximise it
  EXPECT_TRUE(drawsPictures("full_screen.png")) << "no picture in the detached view";
  QTest::keyClick(&view(), Qt::Key_Escape);
  EXPECT_FALSE(view().fullScreen);
  EXPECT_FALSE(view().isWindow());
  EXPECT_EQ(view().parentWidget(), playArea);
  EXPECT_TRUE(drawsPictures("back_in_place.png")) << "no picture after coming back";
}

// The toast's text as the program draws it: a label set up as the toast's
// own (font, alignment, colours), showing `text`, at the toast's size.
QImage toastRendering(const QLabel& toastLabel, const QString& text, QSize size) {
  QLabel label;
  label.setFrameStyle(toastLabel.frameStyle());
  label.setAlignment(toastLabel.alignment());
  label.setWordWrap(toastLabel.wordWrap());
  label.setFont(toastLabel.font());
  label.setStyleSheet(toastLabel.styleSheet());
  label.setText(text);
  label.resize(size);
  label.ensurePolished();
  return label.grab().toImage();
}

// Pixels where one picture has ink (light text) and the other has none.
int inkDifference(const QImage& a, const QImage& b) {
  int differ = 0;
  for (int y = 0; y < std::min(a.height(), b.height()); ++y)
    for (int x = 0; x < std::min(a.width(), b.width()); ++x)
      differ += (a.pixelColor(x, y).lightness() > 128) != (b.pixelColor(x, y).lightness() > 128);
  return differ;
}

// Every video packet the camera link delivered to the camera so far.
uint64_t videoArrived(const oneWindowDevice& camera) {
  return camera.counters.videoPacketsQueued.load() + camera.counters.videoPacketsDropped.load();
}

TEST_F(LiveView, SnapshotAndRecordButtonsOnTheLiveStream) {
  camera->setClock([this] { return now_.load(); });
  {
    // The toast fades on animation time of the test's own, so what is on
    // screen does not depend on how fast this machine runs.
    testsupport::ManualAnimationDriver animations;
    const libjpeg_reference::Decoded shot = snapshot();
    ASSERT_TRUE(shot.ok) << shot.error;
    EXPECT_EQ(shot.width, 640);
    EXPECT_EQ(shot.height, 360);
    // The notice on screen once it has faded in: its own text, white on
    // black, told apart from the other notice's text by its ink.
    animations.step(1200);
    const QRect notice = toastGeometry();
    ASSERT_FALSE(notice.isEmpty());
    const QLabel* label = toastLabel();
    ASSERT_NE(label, nullptr);
    const QImage success = toastRendering(*label, "Snapshot Success!", notice.size());
    const QImage failed = toastRendering(*label, "Snapshot failed!", notice.size());
    ASSERT_GT(inkDifference(success, failed), 100) << "the two texts must differ in ink";
    QImage toast;
    const bool drawn = pump(
        [&] {
          toast = QGuiApplication::primaryScreen()
                      ->grabWindow(0, notice.x(), notice.y(), notice.width(), notice.height())
                      .toImage();
          return inkDifference(toast, success) * 10 < inkDifference(success, failed);
        },
        60000);
    toast.save(QString::fromStdString(testsupport::artifactsDir("playview_live") + "/snapshot_notice.png"));
    EXPECT_TRUE(drawn) << "the notice on screen is not \"Snapshot Success!\": "
                       << inkDifference(toast, success) << " pixels differ from it, "
                       << inkDifference(toast, failed) << " from \"Snapshot failed!\"";
    int black = 0, text = 0;
    for (int y = 0; y < toast.height(); ++y) {
      for (int x = 0; x < toast.width(); ++x) {
        const QColor c = toast.pixelColor(x, y);
        black += c.lightness() < 40;
        text += c.lightness() > 215;
      }
    }
    EXPECT_GT(black, toast.width() * toast.height() / 2) << "no black notice";
    EXPECT_GT(text, 20) << "no text on the notice";
  }

  // The recording holds what the camera link delivered between the
  // program's own start and stop (its recording flag), from the first key
  // frame on: counted on the camera's own counters, read on both sides of
  // each click.
  const uint64_t beforeStart = videoArrived(*camera);
  const auto started = std::chrono::steady_clock::now();
  view().recordButton.click();
  const uint64_t afterStart = videoArrived(*camera);
  ASSERT_TRUE(camera->isRecording.load());
  EXPECT_TRUE(view().labRecordTime.isVisible());
  const QString path = camera->recordFilePath();
  // Two badge ticks (the badge counts its own timer).
  ASSERT_TRUE(pump([&] { return view().recordSeconds >= 2; }, 60000));
  EXPECT_EQ(view().labRecordTime.text(), "00:00:02");
  const QImage screen = screenshot("recording_badge.png");
  // The badge shows above the video: white, with dark text.
  const QRect badge(view().labRecordTime.mapToGlobal(QPoint(0, 0)), view().labRecordTime.size());
  int white = 0, dark = 0;
  for (int y = badge.top() + 4; y < badge.bottom() - 4; y += 2) {
    for (int x = badge.left() + 12; x < badge.right() - 12; x += 2) {
      const QColor c = screen.pixelColor(x, y);
      white += c.red() > 240 && c.green() > 240 && c.blue() > 240;
      dark += c.red() < 90 && c.green() < 90 && c.blue() < 90;
    }
  }
  EXPECT_GT(white, 200) << "no badge over the video";
  EXPECT_GT(dark, 20) << "no time on the badge";
  const uint64_t beforeStop = videoArrived(*camera);
  view().recordButton.click();
  const uint64_t afterStop = videoArrived(*camera);
  const double span = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  EXPECT_FALSE(camera->isRecording.load());
  EXPECT_FALSE(view().labRecordTime.isVisible());
  // The snapshot's notice may still show beside it.
  EXPECT_TRUE(pump(
      [] {
        const std::vector<QString> toasts = toastTexts();
        return std::find(toasts.begin(), toasts.end(), "Record Success!") != toasts.end();
      },
      60000));

  const std::vector<pipelinetest::ProbePacket> packets = pipelinetest::probePackets(path.toStdString());
  ASSERT_FALSE(packets.empty()) << path.toStdString();
  std::vector<const pipelinetest::ProbePacket*> video;
  for (const pipelinetest::ProbePacket& p : packets)
    if (p.type == "video") video.push_back(&p);
  ASSERT_FALSE(video.empty());
  EXPECT_TRUE(video.front()->key) << "the first picture is no key frame";
  for (size_t i = 1; i < video.size(); ++i)
    EXPECT_GT(video[i]->time, video[i - 1]->time) << "picture " << i << " goes back in time";
  // The camera sends a key frame every 25 pictures: at most 24 pictures
  // before the first one are left out.
  const uint64_t inFile = video.size();
  std::cout << "recording: " << inFile << " pictures in the file, " << (beforeStop - afterStart)
            << " to " << (afterStop - beforeStart) << " delivered while recording, over "
            << span << " s" << std::endl;
  EXPECT_LE(inFile, afterStop - beforeStart) << "pictures from outside the recording";
  EXPECT_GE(inFile + 24, beforeStop - afterStart) << "pictures delivered while recording are missing";
  EXPECT_EQ(pipelinetest::decodedVideoFrames(path.toStdString()), int(inFile))
      << "every picture in the file decodes";
}

}  // namespace
