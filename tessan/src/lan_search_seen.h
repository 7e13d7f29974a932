// The devices already reported in the current search, by MAC text.
// Bounded: a LAN full of answering hosts (or one host inventing MACs) cannot
// make it grow; a device beyond the bound is not reported, so every device
// reaches the callback at most once per search. Not locked: the owner holds
// the LAN lock around every call.
#pragma once

#include <array>
#include <cstddef>

#include "lan_search_reply.h"

namespace tessan::lan {

constexpr size_t kMaxLanDevices = 210;

class SeenTable {
 public:
  // Forgets every device (a new search starts).
  void clear();
  // True when `mac` was not seen yet and is now remembered; false for a
  // device seen before, or when the table is full.
  bool remember(const MacText& mac);
  size_t size() const { return used_; }

 private:
  std::array<MacText, kMaxLanDevices> entries_{};
  size_t used_ = 0;
};

}  // namespace tessan::lan
