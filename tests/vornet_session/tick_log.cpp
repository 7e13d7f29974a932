#include "tick_log.h"

#include <map>
#include <mutex>
#include <thread>

#include "platform/clock.h"

namespace world_test {

namespace {

constexpr size_t kSleepsKept = 200000;  // per name: far beyond any wait of a test

struct Book {
  std::mutex m;
  std::map<std::thread::id, std::string> watched;
  std::map<std::string, std::vector<LibrarySleep>> sleeps;
};

// Lives as long as the process: library threads may still be inside the
// watcher while a TickLog goes away.
Book& book() {
  static Book* b = new Book;
  return *b;
}

void on_library_sleep(unsigned ms) {
  const SteadyTime now = std::chrono::steady_clock::now();
  Book& b = book();
  std::lock_guard<std::mutex> lock(b.m);
  const auto w = b.watched.find(std::this_thread::get_id());
  if (w == b.watched.end()) return;
  std::vector<LibrarySleep>& list = b.sleeps[w->second];
  if (list.size() < kSleepsKept) list.push_back(LibrarySleep{ms, now});
}

size_t count_of(const std::vector<LibrarySleep>& list, unsigned ms, SteadyTime since) {
  size_t n = 0;
  for (const LibrarySleep& s : list)
    if (s.ms == ms && s.began > since) ++n;
  return n;
}

}  // namespace

TickLog::Watch::Watch(const std::string& name) {
  Book& b = book();
  std::lock_guard<std::mutex> lock(b.m);
  b.watched[std::this_thread::get_id()] = name;
}

TickLog::Watch::~Watch() {
  Book& b = book();
  std::lock_guard<std::mutex> lock(b.m);
  b.watched.erase(std::this_thread::get_id());
}

TickLog::TickLog() {
  {
    Book& b = book();
    std::lock_guard<std::mutex> lock(b.m);
    b.sleeps.clear();
  }
  vornet::set_sleep_watcher(on_library_sleep);
}

TickLog::~TickLog() { vornet::set_sleep_watcher(nullptr); }

std::vector<LibrarySleep> TickLog::of(const std::string& name) const {
  Book& b = book();
  std::lock_guard<std::mutex> lock(b.m);
  const auto it = b.sleeps.find(name);
  return it == b.sleeps.end() ? std::vector<LibrarySleep>{} : it->second;
}

size_t TickLog::countAfter(const std::string& name, unsigned ms, SteadyTime since) const {
  return count_of(of(name), ms, since);
}

bool TickLog::await(const std::string& name, unsigned ms, size_t count, int timeoutMs) const {
  const SteadyTime start = std::chrono::steady_clock::now();
  const SteadyTime deadline = start + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (count_of(of(name), ms, SteadyTime::min()) >= count) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

long long ms_between(SteadyTime a, SteadyTime b) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(b - a).count();
}

}  // namespace world_test
