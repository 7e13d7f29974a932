// Fixture for the library against the scripted transport: APP_init with
// recording callbacks, helpers to connect a session and wait for statuses.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_kv.h"
#include "recorder.h"

namespace linktest {

class LinkTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Initialises with these flags (SetUp uses 0, 0).
  void reinit(uint8_t encMsg, uint8_t encAV);

  // Connects `sn` to transport handle `handle`; waits for status 10
  // (without authentication) or for the token frame to go out.
  void connectTo(const std::string& sn, int handle, bool auth = false, const std::string& key = "");

  bool waitStatuses(const std::string& sn, const std::vector<int>& want, int ms = 60000);
};

}  // namespace linktest
