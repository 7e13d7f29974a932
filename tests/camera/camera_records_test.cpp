// Which of the signed-in user's cloud records belong to a camera: the first
// configuration, every fetch-infos answer in arrival order, the last one.
#include <gtest/gtest.h>

#include "camera_test_records.h"
#include "device/camera_records.h"
#include "http_command/device_container.h"
#include "http_command/fetch_infos.h"

namespace {

TEST(CameraRecords, FirstConfigurationAndEveryAnswerInOrder) {
  Device device;
  device.devConfigList << cameratest::devConfig("CAM1", "https://gw/1", "10.0.0.1")
                       << cameratest::devConfig("CAM2", "https://gw/2", "10.0.0.2")
                       << cameratest::devConfig("CAM1", "https://gw/other", "10.0.0.9");
  device.fetchInfosList << cameratest::fetchInfos("CAM1", "k1") << cameratest::fetchInfos("CAM2", "x")
                        << cameratest::fetchInfos("CAM1", "k2");
  const Dev_config* c = camera_records::devConfigFor(&device, "CAM1");
  ASSERT_TRUE(c);
  EXPECT_EQ(c->gatewayUrl, "https://gw/1");
  const auto all = camera_records::fetchInfosFor(&device, "CAM1");
  ASSERT_EQ(all.size(), 2);
  EXPECT_EQ(all[0]->accessKey, "k1");
  EXPECT_EQ(all[1]->accessKey, "k2");
  EXPECT_EQ(camera_records::lastFetchInfosFor(&device, "CAM1")->accessKey, "k2");
  EXPECT_EQ(camera_records::devConfigFor(&device, "cam1"), nullptr);
  EXPECT_EQ(camera_records::lastFetchInfosFor(&device, "CAM3"), nullptr);
  EXPECT_EQ(camera_records::devConfigFor(nullptr, "CAM1"), nullptr);
  EXPECT_TRUE(camera_records::fetchInfosFor(nullptr, "CAM1").isEmpty());
}

}  // namespace
