#include "session_table.h"

#include <cstring>
#include <new>

namespace tessan {
namespace {

struct Crc32Table {
  uint32_t t[256];
  Crc32Table() {
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
  }
};

const Crc32Table kCrc;

}  // namespace

uint32_t snHash(const char* sn) {
  uint32_t h = 0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(sn); *p; ++p)
    h = (h >> 8) ^ kCrc.t[(*p ^ h) & 0xFF];
  uint32_t a = h * 0x1001u;
  a ^= a >> 22;
  a *= 17u;
  a ^= a >> 9;
  a *= 0x401u;
  a ^= a >> 2;
  a *= 0x81u;
  a = (a ^ (a >> 12)) >> 3;
  return a;
}

SessionTable::SessionTable(int capacity)
    : slots_(new Slot[capacity]()), capacity_(capacity) {}

SessionTable::~SessionTable() { delete[] slots_; }

int SessionTable::home(const char* key) const {
  return int((uint64_t(snHash(key) * 0x9E3779B1u)) % uint32_t(capacity_));
}

bool SessionTable::place(const char* key, DeviceSession* value) {
  int s = home(key);
  for (int n = 0; n < kProbes; ++n, s = (s + 1) % capacity_) {
    Slot& slot = slots_[s];
    if (!slot.occupied || std::strcmp(slot.key, key) == 0) {
      if (!slot.occupied) ++used_;
      slot.key = key;
      slot.occupied = 1;
      slot.value = value;
      return true;
    }
  }
  return false;
}

bool SessionTable::grow() {
  const int oldCapacity = capacity_;
  Slot* old = slots_;
  Slot* fresh = new (std::nothrow) Slot[size_t(oldCapacity) * 2]();
  if (!fresh) return false;
  slots_ = fresh;
  capacity_ = oldCapacity * 2;
  used_ = 0;
  for (int i = 0; i < oldCapacity; ++i)
    if (old[i].occupied && !insert(old[i].key, old[i].value)) {
      delete[] old;
      return false;
    }
  delete[] old;
  return true;
}

bool SessionTable::insert(const char* key, DeviceSession* value) {
  for (;;) {
    if (used_ >= capacity_ / 2) {
      if (!grow()) return false;
    }
    if (place(key, value)) return true;
    if (!grow()) return false;
  }
}

DeviceSession* SessionTable::find(const char* key) const {
  int s = home(key);
  for (int n = 0; n < kProbes; ++n, s = (s + 1) % capacity_) {
    const Slot& slot = slots_[s];
    if (slot.occupied && std::strcmp(slot.key, key) == 0) return slot.value;
  }
  return nullptr;
}

void SessionTable::remove(const char* key) {
  int s = home(key);
  for (int n = 0; n < kProbes; ++n, s = (s + 1) % capacity_) {
    Slot& slot = slots_[s];
    if (slot.occupied && std::strcmp(slot.key, key) == 0) {
      slot = Slot{};
      --used_;
      return;
    }
  }
}

}  // namespace tessan
