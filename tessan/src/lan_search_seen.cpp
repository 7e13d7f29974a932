#include "lan_search_seen.h"

namespace tessan::lan {

void SeenTable::clear() {
  entries_ = {};
  used_ = 0;
}

bool SeenTable::remember(const MacText& mac) {
  for (size_t i = 0; i < used_; ++i) {
    if (entries_[i] == mac) return false;
  }
  if (used_ == entries_.size()) return false;
  entries_[used_++] = mac;
  return true;
}

}  // namespace tessan::lan
