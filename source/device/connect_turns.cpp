#include "device/connect_turns.h"

#include <algorithm>

bool ConnectTurns::queued(const std::string& id) const {
  return std::any_of(queue_.begin(), queue_.end(), [&](const Waiting& w) { return w.id == id; });
}

bool ConnectTurns::ask(const std::string& id, Rank rank) {
  if (running(id)) return false;
  const auto at = std::find_if(queue_.begin(), queue_.end(), [&](const Waiting& w) { return w.id == id; });
  const bool fresh = at == queue_.end();
  if (!fresh) {
    if (rank >= at->rank) return false;
    queue_.erase(at);  // raised: it moves to the end of its new rank
  }
  const auto behind =
      std::find_if(queue_.begin(), queue_.end(), [&](const Waiting& w) { return w.rank > rank; });
  queue_.insert(behind, Waiting{id, rank});
  return fresh;
}

std::optional<std::string> ConnectTurns::take(int64_t nowMs) {
  if (queue_.empty() || int(running_.size()) >= atOnce_) return std::nullopt;
  std::string id = std::move(queue_.front().id);
  queue_.pop_front();
  running_[id] = nowMs;
  return id;
}

void ConnectTurns::ended(const std::string& id) { running_.erase(id); }

void ConnectTurns::remove(const std::string& id) {
  running_.erase(id);
  queue_.erase(std::remove_if(queue_.begin(), queue_.end(), [&](const Waiting& w) { return w.id == id; }),
               queue_.end());
}

std::vector<std::string> ConnectTurns::expire(int64_t nowMs) {
  std::vector<std::string> ended;
  for (auto it = running_.begin(); it != running_.end();) {
    if (nowMs - it->second >= kAttemptBoundMs) {
      ended.push_back(it->first);
      it = running_.erase(it);
    } else {
      ++it;
    }
  }
  return ended;
}

std::optional<int64_t> ConnectTurns::nextExpiry() const {
  if (running_.empty()) return std::nullopt;
  int64_t oldest = running_.begin()->second;
  for (const auto& r : running_) oldest = std::min(oldest, r.second);
  return oldest + kAttemptBoundMs;
}
