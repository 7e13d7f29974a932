// One camera's media session with recorded events, a render target in
// memory and its files in a scratch folder of the test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "device/camera_media.h"
#include "media_feed.h"

namespace pipelinetest {

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "_" + info->name();
    for (char& c : name)
      if (c == '/') c = '_';
    dir = scratchDir(name);
    media = std::make_unique<CameraMedia>(QStringLiteral("CAMTEST01"), QStringLiteral("Door"), &events);
    SaveFolders folders;
    folders.userFolder = QString::fromStdString(dir) + "/user/";
    media->setSaveFolders(folders);
    media->set_avideoParam(1920, 1080, 25, 2048, 1, 0, 8000, 16, 1);
    media->setRenderTarget(&target);
    media->setDisplayClock([this] { return displayMs.load(); });
  }

  void TearDown() override {
    if (media) media->shutdown();
    media.reset();
  }

  // One display tick a second after the last on the display's clock:
  // every picture decoded by then is due.
  void tick() {
    displayMs += 1000;
    media->videoTimerHandler();
  }
  // Ticks the display until the decoded queue is empty (bounded).
  void drainDisplay(int maxTicks = 1000) {
    for (int i = 0; i < maxTicks && !media->videoFrameQueue.empty(); ++i) tick();
  }

  std::string dir;
  EventLog events;
  MemoryTarget target;
  std::unique_ptr<CameraMedia> media;
  // The display's clock (ms): moved on by the test only.
  std::atomic<int64_t> displayMs{5000000};
};

}  // namespace pipelinetest
