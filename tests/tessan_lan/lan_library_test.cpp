// The search through libTessan itself: its exports, set up by APP_init and
// removed by APP_uninit.
#include <gtest/gtest.h>

#include <string>

#include "Tessan.h"
#include "lan_device_sim.h"
#include "netns_test.h"
#include "search_recorder.h"

namespace {

TEST(TessanLanLibrary, SearchLivesFromAppInitToAppUninit) {
  REQUIRE_PRIVATE_NETNS();
  SearchRecorder recorder;
  EXPECT_EQ(APP_LANSearchStart(&SearchRecorder::callback, &recorder), E_APP_ERR_LAN_NOT_INIT);
  EXPECT_EQ(APP_LANSearchStop(), 0);

  const lan_device::Mac mac{0x02, 0x42, 0x42, 0x42, 0x42, 0x42};
  lan_device::Options options;
  options.replies = {lan_device::makeReply(mac, "through-the-library")};
  options.lifetimeMs = 20000;
  lan_device::SimulatedDevice device(options);
  std::string error;
  ASSERT_TRUE(device.start(&error)) << error;

  APP_INIT_PARAM param{};
  ASSERT_EQ(APP_init(&param), 0);
  ASSERT_EQ(APP_LANSearchStart(&SearchRecorder::callback, &recorder), 0);
  EXPECT_TRUE(recorder.waitFor(mac, 60000));

  APP_uninit();  // stops the search
  EXPECT_TRUE(portFree(8603)) << "the search socket outlived APP_uninit";
  EXPECT_EQ(APP_LANSearchStart(&SearchRecorder::callback, &recorder), E_APP_ERR_LAN_NOT_INIT);

  ASSERT_EQ(APP_init(&param), 0);  // a new life of the library searches again
  ASSERT_EQ(APP_LANSearchStart(&SearchRecorder::callback, &recorder), 0);
  EXPECT_TRUE(recorder.waitForCount(2, 60000));
  APP_uninit();
  EXPECT_EQ(recorder.countOf(mac), 2u);
}

}  // namespace
