#include "link_fixture.h"

#include <chrono>
#include <thread>

namespace linktest {

void LinkTest::SetUp() {
  fakekv::reset();
  recorder().clear();
  reinit(0, 0);
}

void LinkTest::TearDown() {
  APP_uninit();
  messageHook() = nullptr;
  fakekv::reset();
}

void LinkTest::reinit(uint8_t encMsg, uint8_t encAV) {
  APP_uninit();
  const APP_INIT_PARAM p = recordingParam(encMsg, encAV);
  ASSERT_EQ(0, APP_init(&p));
}

void LinkTest::connectTo(const std::string& sn, int handle, bool auth, const std::string& key) {
  fakekv::scriptConnect(sn, handle);
  const MSG_AUTH_REQ t = token(auth);
  ASSERT_EQ(0, APP_connect(sn.c_str(), key.empty() ? nullptr : key.data(), int(key.size()), &t, 7, "127.0.0.1"));
  if (!auth) {
    ASSERT_TRUE(waitStatuses(sn, {1, 10}));
  } else {
    // This session's token went out: its connect thread has its handle.
    const auto tokenSent = [handle] {
      for (const fakekv::Sent& s : fakekv::sent())
        if (s.handle == handle) return true;
      return false;
    };
    for (int i = 0; i < 6000 && !tokenSent(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(tokenSent());
  }
}

bool LinkTest::waitStatuses(const std::string& sn, const std::vector<int>& want, int ms) {
  const bool ok = recorder().waitFor([&](const std::vector<Event>& ev) { return statuses(ev, sn).size() >= want.size(); }, ms);
  EXPECT_EQ(statuses(recorder().events(), sn), want);
  return ok && statuses(recorder().events(), sn) == want;
}

}  // namespace linktest
