// Device id -> camera, for the device link's callbacks. The callbacks run
// on the library's threads while the GUI thread creates and deletes
// cameras; they look a camera up here instead of walking the main window's
// list, and use it only inside visit*(), under the registry's lock. A
// camera removes itself before anything of it is torn down, and remove()
// waits for a visit in progress, so no callback reaches a deleted camera.
//
// Several cameras may carry the same id (the cloud's list is not checked
// for repeats): messages go to the first registered, frames to the last,
// as the main window's list order had it.
//
// Lock order: the registry's lock is always taken last. A visitor must not
// call into the device link (APP_send, APP_disconnect ...) or wait for the
// GUI thread; the GUI thread never holds this lock while it calls the
// device link.
#pragma once

#include <algorithm>
#include <map>
#include <mutex>
#include <string>
#include <vector>

template <typename Camera>
class DeviceRegistry {
 public:
  void add(const std::string& id, Camera* camera) {
    std::lock_guard<std::mutex> lock(mutex_);
    cameras_[id].push_back(camera);
  }

  // Waits for a visit of any camera in progress.
  void remove(const std::string& id, Camera* camera) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = cameras_.find(id);
    if (it == cameras_.end()) return;
    std::vector<Camera*>& list = it->second;
    list.erase(std::remove(list.begin(), list.end(), camera), list.end());
    if (list.empty()) cameras_.erase(it);
  }

  // Calls visit(camera) for the first / last camera registered under `id`
  // with the lock held; false (nothing called) for an unknown id.
  template <typename Visit>
  bool visitFirst(const std::string& id, Visit&& visit) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = cameras_.find(id);
    if (it == cameras_.end()) return false;
    visit(it->second.front());
    return true;
  }
  template <typename Visit>
  bool visitLast(const std::string& id, Visit&& visit) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = cameras_.find(id);
    if (it == cameras_.end()) return false;
    visit(it->second.back());
    return true;
  }

  size_t size() const {
    std::lock_guard<std::mutex> lock(mutex_);
    size_t n = 0;
    for (const auto& entry : cameras_) n += entry.second.size();
    return n;
  }

 private:
  mutable std::mutex mutex_;
  std::map<std::string, std::vector<Camera*>> cameras_;
};
