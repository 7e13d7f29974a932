// Open-addressing hash map from a device's serial text to its session.
// Linear probing over at most 8 slots; grows by doubling.
#pragma once

#include <cstdint>

namespace tessan {

struct DeviceSession;

uint32_t snHash(const char* sn);

class SessionTable {
 public:
  struct Slot {
    const char* key;  // points at the session's own copy of its serial
    int occupied;     // 1 occupied, 0 free
    DeviceSession* value;
  };

  explicit SessionTable(int capacity = 256);
  ~SessionTable();
  SessionTable(const SessionTable&) = delete;
  SessionTable& operator=(const SessionTable&) = delete;

  // False when the grown slot array could not be allocated.
  bool insert(const char* key, DeviceSession* value);
  DeviceSession* find(const char* key) const;
  void remove(const char* key);

  int used() const { return used_; }
  int capacity() const { return capacity_; }
  const Slot& slot(int index) const { return slots_[index]; }

 private:
  static constexpr int kProbes = 8;
  int home(const char* key) const;
  bool place(const char* key, DeviceSession* value);
  bool grow();

  Slot* slots_;
  int used_ = 0;
  int capacity_;
};

}  // namespace tessan
