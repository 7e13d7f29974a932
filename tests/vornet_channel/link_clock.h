// A reader's clock on the fake link: sleeping runs the link, and actions
// can be scheduled at given times (a packet that arrives while a reader waits).
#pragma once

#include <functional>
#include <map>
#include <mutex>

#include "channel/channel_reader.h"
#include "fake_link.h"

namespace fakelink {

class LinkClock : public vornet::channel::ReadClock {
 public:
  explicit LinkClock(FakeLink& link) : link_(link) {}
  uint32_t now() override { return link_.now(); }
  void sleep(uint32_t ms) override {
    for (uint32_t i = 0; i < ms; ++i) {
      link_.run(1);
      auto due = actions_.begin();
      while (due != actions_.end() && due->first <= link_.now()) {
        auto action = std::move(due->second);
        due = actions_.erase(due);
        action();
      }
    }
    slept_ += ms;
  }
  void at(uint32_t when, std::function<void()> action) { actions_.emplace(when, std::move(action)); }
  uint32_t slept() const { return slept_; }

 private:
  FakeLink& link_;
  std::multimap<uint32_t, std::function<void()>> actions_;
  uint32_t slept_ = 0;
};

// A reader of one side of the link.
struct SideReader {
  SideReader(FakeLink& link, int side)
      : clock(link), reader(link.session(side), mutex, clock, [] { return 0; }) {}
  std::recursive_mutex mutex;
  LinkClock clock;
  vornet::channel::ChannelReader reader;
};

}  // namespace fakelink
