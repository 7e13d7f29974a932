// How the device link's callbacks reach the cameras: APP_init as the
// library keeps it, frames routed by device id from the link's own
// thread, frames for no camera dropped, and the start of a play (the first
// frame) brought to the GUI thread.
#include <QGridLayout>

#include "av_frame_bytes.h"
#include "camera_fixture.h"

namespace {

using fake_tessan::Bytes;

Bytes h264Frame(int flag = 0, int fps = 25) {
  return testsupport::avFrameBytes(E_CODECID_VIDEO_H264, 640, 360, 40, flag, fps,
                              Bytes{0, 0, 0, 1, 0x65, 0x88, 0x84, 0x00});
}

TEST_F(CameraTest, EveryCameraCallsAppInitTheLinkKeepsTheFirstAndAllAreServed) {
  oneWindowDevice* a = addCamera("CAMA");
  oneWindowDevice* b = addCamera("CAMB");
  oneWindowDevice* c = addCamera("CAMC");
  const auto inits = fake_tessan::calls("APP_init");
  ASSERT_EQ(inits.size(), 3u);
  for (const auto& i : inits) {
    EXPECT_EQ(i.msgCallback, &oneWindowDevice::callback_P2P_PCB_RECV_MSG);
    EXPECT_EQ(i.avCallback, &oneWindowDevice::callback_P2P_PCB_RECV_AV);
  }
  fake_tessan::postStatus("CAMA", 10);
  fake_tessan::postStatus("CAMB", 4);
  fake_tessan::postStatus("CAMC", 2);
  deliver();
  EXPECT_EQ(a->get_p2pState(), 10);
  EXPECT_EQ(b->get_p2pState(), 4);
  EXPECT_EQ(c->get_p2pState(), 2);
}

TEST_F(CameraTest, FramesGoToTheirOwnCameraAndUnknownIdsAreDropped) {
  oneWindowDevice* a = addCamera("CAMA");
  oneWindowDevice* b = addCamera("CAMB");
  for (oneWindowDevice* cam : {a, b}) {
    report(cam, 10);
    cam->video_start_play();  // gates open; no window shows it
  }
  captureLog();
  fake_tessan::postAvFrames("CAMA", h264Frame(), 5);
  fake_tessan::postAvFrames("CAMB", h264Frame(), 2);
  fake_tessan::postAvFrames("CAMX", h264Frame(), 3);
  fake_tessan::postAvFrames("camA", h264Frame(), 1);
  deliver();
  EXPECT_EQ(a->counters.videoPacketsQueued.load(), 5u);
  EXPECT_EQ(b->counters.videoPacketsQueued.load(), 2u);
  EXPECT_EQ(log_->count("not find CAMX from list"), 3);
  EXPECT_EQ(log_->count("not find camA from list"), 1);
}

TEST_F(CameraTest, FramesThatAreNoWholeHhFrameAreNotRead) {
  oneWindowDevice* a = addCamera("CAMA");
  report(a, 10);
  a->video_start_play();
  Bytes frame = h264Frame();
  Bytes longer = frame;
  longer[12] = 200;  // nDataLen beyond the frame's end
  fake_tessan::postAv("CAMA", frame, 0);             // a length-prefixed frame
  fake_tessan::postAv("CAMA", Bytes(frame.begin(), frame.begin() + 47), 127);  // no whole head
  fake_tessan::postAvFrame("CAMA", longer);
  deliver();
  EXPECT_EQ(a->counters.videoPacketsQueued.load(), 0u);
  fake_tessan::postAvFrame("CAMA", frame);
  deliver();
  EXPECT_EQ(a->counters.videoPacketsQueued.load(), 1u);
}

TEST_F(CameraTest, StreamParametersReachTheirCamera) {
  oneWindowDevice* a = addCamera("CAMA");
  oneWindowDevice* b = addCamera("CAMB");
  fake_tessan::postMessage("CAMA", E_MSG_DEV_PARAM_SET,
                           {0x80, 0x07, 0x38, 0x04, 0x19, 0, 0, 0, 0, 0, 0, 0, 0x40, 0x1F, 16, 1});
  fake_tessan::postMessage("CAMB", E_MSG_DEV_PARAM_SET, {1, 2, 3});  // cut short: not read
  deliver();
  EXPECT_EQ(a->a_nSampleRate.load(), 8000);
  EXPECT_EQ(a->a_nSampleBits.load(), 16);
  EXPECT_EQ(a->a_nChn.load(), 1);
  EXPECT_EQ(a->videoParams[0].load(), 1920);
  EXPECT_EQ(a->videoParams[1].load(), 1080);
  EXPECT_EQ(b->a_nSampleRate.load(), 0);
}

TEST_F(CameraTest, FirstFrameOfASingleViewPlayShowsThePlayViewInThePlayArea) {
  oneWindowDevice* camera = addCamera("CAMA");
  report(camera, 10);
  window_->playState = E_MAINWINDOW_ONEWINDOW_PLAYING;
  camera->avideo_start_play();
  fake_tessan::postAvFrames("CAMA", h264Frame(0, 25), 3);
  deliver();
  ASSERT_TRUE(waitUntil([&] { return camera->videoTimer.isActive(); }));
  EXPECT_EQ(camera->videoTimer.interval(), 35);  // 1000 / (25 + 3)
  EXPECT_EQ(camera->sdlRenderWnd, &camera->ownPlayView().renderWnd);
  EXPECT_EQ(camera->ownPlayView().renderWnd.m_pDevice, camera);
  int row = -1, column = -1, rowSpan = 0, columnSpan = 0;
  const int index = window_->centralGrid->indexOf(&camera->ownPlayView());
  ASSERT_GE(index, 0);
  window_->centralGrid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
  EXPECT_EQ(row, 0);
  EXPECT_EQ(column, 2);
  EXPECT_FALSE(camera->ownPlayView().isHidden());
  EXPECT_FALSE(camera->gifLabel.isHidden());  // connecting animation until the picture shows

  camera->avideo_stop_play();
  EXPECT_FALSE(camera->videoTimer.isActive());
  EXPECT_TRUE(camera->gifLabel.isHidden());
  EXPECT_FALSE(camera->videoFirstFrame.load());
}

TEST_F(CameraTest, FirstFrameOfAGroupPlayStartsTheTickOnTheGroupsTarget) {
  oneWindowDevice* camera = addCamera("CAMA");
  report(camera, 10);
  window_->playState = E_MAINWINDOW_QUADWINDOW_PLAYING;
  SDLRenderWnd cell;
  camera->setRenderTarget(&cell);
  camera->video_start_play();
  fake_tessan::postAvFrame("CAMA", h264Frame(0, 15));
  deliver();
  ASSERT_TRUE(waitUntil([&] { return camera->videoTimer.isActive(); }));
  EXPECT_EQ(camera->videoTimer.interval(), 55);
  EXPECT_EQ(camera->sdlRenderWnd, &cell);
  EXPECT_EQ(window_->centralGrid->indexOf(&camera->ownPlayView()), -1);
  EXPECT_TRUE(camera->gifLabel.isHidden());
  camera->video_stop_play();
  camera->setRenderTarget(nullptr);
}

TEST_F(CameraTest, ATickStartArrivingAfterTheStopOrTheSignOutStartsNothing) {
  oneWindowDevice* camera = addCamera("CAMA");
  report(camera, 10);
  window_->playState = E_MAINWINDOW_ONEWINDOW_PLAYING;
  camera->avideo_start_play();
  // The first frame is taken on the link's thread; the GUI thread stops the
  // play before the queued start of the tick is handled.
  fake_tessan::postAvFrame("CAMA", h264Frame());
  ASSERT_TRUE(fake_tessan::flush());
  camera->avideo_stop_play();
  QCoreApplication::sendPostedEvents();
  EXPECT_FALSE(camera->videoTimer.isActive());
  EXPECT_EQ(window_->centralGrid->indexOf(&camera->ownPlayView()), -1);

  camera->avideo_start_play();
  fake_tessan::postAvFrame("CAMA", h264Frame());
  ASSERT_TRUE(fake_tessan::flush());
  window_->playState = E_MAINWINDOW_NOT_PLAYING;  // signed out meanwhile
  QCoreApplication::sendPostedEvents();
  EXPECT_FALSE(camera->videoTimer.isActive());
  EXPECT_EQ(window_->centralGrid->indexOf(&camera->ownPlayView()), -1);
}

}  // namespace
