// Cameras going away: deleted while the fake link's thread keeps firing
// frames and statuses at them (clean under ASan and TSan: no callback
// reaches a deleted camera), the link ended by the destructor, and the main
// window's sign-out and close.
#include <QMessageBox>

#include "../app/message_box_answer.h"
#include "av_frame_bytes.h"
#include "camera_fixture.h"

namespace {

using fake_tessan::Bytes;

Bytes videoFrame() {
  return testsupport::avFrameBytes(E_CODECID_VIDEO_H264, 640, 360, 40, 0, 25,
                              Bytes{0, 0, 0, 1, 0x65, 0x88, 0x84, 0x00, 0x10, 0x20});
}

TEST_F(CameraTest, DeletedWhileTheLinkFiresAtItFromItsThread) {
  captureLog();
  for (int round = 0; round < 4; ++round) {
    SCOPED_TRACE(round);
    const QString id = QStringLiteral("CAMDEL%1").arg(round);
    const std::string sn = id.toStdString();
    oneWindowDevice* camera = addCamera(id);
    report(camera, 10);
    window_->playState = round % 2 ? E_MAINWINDOW_QUADWINDOW_PLAYING : E_MAINWINDOW_ONEWINDOW_PLAYING;
    if (round % 2) camera->video_start_play(); else camera->avideo_start_play();
    for (int i = 0; i < 300; ++i) {
      fake_tessan::postAvFrame(sn, videoFrame());
      fake_tessan::postPause(1);
      if (i % 50 == 0) fake_tessan::postStatus(sn, 10);
      if (i % 70 == 0) fake_tessan::postMessage(sn, E_MSG_DEV_PARAM_SET, Bytes(16, 1));
    }
    // Delete while the fake is in the middle of them.
    ASSERT_TRUE(waitUntil([&] { return camera->counters.videoPacketsQueued.load() >= 20; }));
    log_->clear();
    deleteCamera(camera);
    ASSERT_TRUE(fake_tessan::flush(30000));
    QCoreApplication::sendPostedEvents();
    // Frames that came after the delete found no camera.
    EXPECT_GT(log_->count(QStringLiteral("not find %1 from list").arg(id)), 0);
  }
}

TEST_F(CameraTest, TheDestructorEndsTheLinkAndItsLastReportFindsNoCamera) {
  oneWindowDevice* camera = addCamera("CAM1");
  report(camera, 10);
  oneWindowDevice* other = addCamera("CAM2");
  report(other, 10);
  deleteCamera(camera);
  const auto disconnects = fake_tessan::calls("APP_disconnect");
  ASSERT_EQ(disconnects.size(), 1u);
  EXPECT_EQ(disconnects[0].sn, "CAM1");
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(other->get_p2pState(), 10);
  EXPECT_EQ(other->stateLabel.text(), "Online");
}

TEST_F(CameraTest, ClosingTheWindowWithYesEndsEveryLinkInListOrder) {
  oneWindowDevice* cameras[] = {addCamera("CAM1"), addCamera("CAM2"), addCamera("CAM3")};
  for (oneWindowDevice* c : cameras) report(c, 10);
  cameras[1]->ownPlayView().ptzWindow.show();
  window_->show();

  auto no = testsupport::answerNextMessageBox(QMessageBox::No);
  window_->close();
  ASSERT_TRUE(waitUntil([&] { return no->answered; }));
  EXPECT_TRUE(fake_tessan::calls("APP_disconnect").empty());
  EXPECT_TRUE(window_->isVisible());

  auto yes = testsupport::answerNextMessageBox(QMessageBox::Yes);
  window_->close();
  ASSERT_TRUE(waitUntil([&] { return yes->answered; }));
  const auto disconnects = fake_tessan::calls("APP_disconnect");
  ASSERT_EQ(disconnects.size(), 3u);
  EXPECT_EQ(disconnects[0].sn, "CAM1");
  EXPECT_EQ(disconnects[1].sn, "CAM2");
  EXPECT_EQ(disconnects[2].sn, "CAM3");
  EXPECT_FALSE(cameras[1]->ownPlayView().ptzWindow.isVisible());
  // The link reported each end on this thread: the badges say so.
  QCoreApplication::sendPostedEvents();
  for (oneWindowDevice* c : cameras) EXPECT_EQ(c->get_p2pState(), 6);
}

TEST_F(CameraTest, SignOutStopsEveryCameraThatPlays) {
  oneWindowDevice* a = addCamera("CAM1");
  oneWindowDevice* b = addCamera("CAM2");
  report(a, 10);
  report(b, 10);
  window_->playState = E_MAINWINDOW_ONEWINDOW_PLAYING;
  a->avideo_start_play();
  const size_t mark = fake_tessan::calls("APP_send").size();
  window_->user_singout_Handler();
  EXPECT_EQ(window_->playState, E_MAINWINDOW_NOT_PLAYING);
  EXPECT_FALSE(a->get_isPlaying());
  EXPECT_FALSE(b->get_isPlaying());
  std::vector<std::pair<std::string, int>> sent;
  const auto all = fake_tessan::calls("APP_send");
  for (size_t i = mark; i < all.size(); ++i) sent.emplace_back(all[i].sn, all[i].msgType);
  const std::vector<std::pair<std::string, int>> expected = {
      {"CAM1", 258}, {"CAM1", 262}, {"CAM2", 258}, {"CAM2", 262}};
  EXPECT_EQ(sent, expected);
  window_->device = nullptr;  // the sign-out freed the cloud client's container (not this one)
}

TEST_F(CameraTest, StopAfterThumbnailReachesTheNamedCameraOnly) {
  oneWindowDevice* a = addCamera("CAM1");
  oneWindowDevice* b = addCamera("CAM2");
  report(a, 10);
  report(b, 10);
  a->video_start_play();
  b->video_start_play();
  emit window_->device_stop_play(QStringLiteral("CAM2"));
  emit window_->device_stop_play(QStringLiteral("CAM9"));
  QCoreApplication::sendPostedEvents();
  EXPECT_TRUE(a->get_isPlaying());
  EXPECT_FALSE(b->get_isPlaying());
}

}  // namespace
