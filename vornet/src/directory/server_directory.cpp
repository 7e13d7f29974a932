#include "directory/server_directory.h"

#include <arpa/inet.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "core/library_state.h"
#include "wire/zorp_wire.h"

namespace vornet {

namespace {

struct CrcTable {
  uint32_t v[256];
  CrcTable() {
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
      v[i] = c;
    }
  }
};

const CrcTable& crc_table() {
  static const CrcTable table;
  return table;
}

bool key_matches(const DirectoryEntry& e, const char* key) {
  return e.inUse != 0 && e.key != nullptr && std::strcmp(e.key, key) == 0;
}

// The used entry for key within the 8 probes, or -1.
int probe_for(const ServerDirectory* d, const char* key) {
  uint32_t at = directory_hash(key, d->size);
  for (int i = 0; i < kDirectoryProbes; ++i) {
    if (key_matches(d->entries[at], key)) return static_cast<int>(at);
    at = (at + 1) % static_cast<uint32_t>(d->size);
  }
  return -1;
}

}  // namespace

uint32_t directory_crc(const char* key) {
  uint32_t h = 0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(key); *p != 0; ++p)
    h = (h >> 8) ^ crc_table().v[(*p ^ h) & 0xFF];
  return h;
}

uint32_t directory_hash(const char* key, int size) {
  uint32_t a = directory_crc(key) * 4097u;
  a ^= a >> 22;
  a *= 17u;
  a ^= a >> 9;
  a *= 1025u;
  a ^= a >> 2;
  a *= 129u;
  a = (a ^ (a >> 12)) >> 3;
  a *= 0x9E3779B1u;
  return a % static_cast<uint32_t>(size);
}

ServerDirectory* directory_create() {
  auto* d = static_cast<ServerDirectory*>(std::calloc(1, sizeof(ServerDirectory)));
  if (d == nullptr) return nullptr;
  d->entries = static_cast<DirectoryEntry*>(std::calloc(kDirectoryInitialSize, sizeof(DirectoryEntry)));
  if (d->entries == nullptr) {
    std::free(d);
    return nullptr;
  }
  d->size = kDirectoryInitialSize;
  return d;
}

int directory_find_place(const ServerDirectory* d, const char* key) {
  if (d->count >= d->size / 2) return -1;
  uint32_t at = directory_hash(key, d->size);
  for (int i = 0; i < kDirectoryProbes; ++i) {
    const DirectoryEntry& e = d->entries[at];
    if (e.inUse == 0 || key_matches(e, key)) return static_cast<int>(at);
    at = (at + 1) % static_cast<uint32_t>(d->size);
  }
  return -1;
}

int directory_insert(ServerDirectory* d, const char* key, ZORP_ServerRecord* value) {
  int at = directory_find_place(d, key);
  while (at < 0) {
    if (directory_grow(d) != 0) return -1;
    at = directory_find_place(d, key);
  }
  DirectoryEntry& e = d->entries[at];
  const bool fresh = e.inUse == 0;
  e.key = key;
  e.value = value;
  e.inUse = 1;
  if (fresh) ++d->count;
  return 0;
}

int directory_grow(ServerDirectory* d) {
  const int newSize = d->size * 2;
  auto* fresh = static_cast<DirectoryEntry*>(std::calloc(static_cast<size_t>(newSize), sizeof(DirectoryEntry)));
  if (fresh == nullptr) return -1;
  DirectoryEntry* old = d->entries;
  const int oldSize = d->size;
  d->entries = fresh;
  d->size = newSize;
  d->count = 0;
  for (int i = 0; i < oldSize; ++i) {
    if (old[i].inUse != 0 && directory_insert(d, old[i].key, old[i].value) != 0) {
      // Cannot happen at double size with at most half the old load; keep
      // the old table rather than lose records.
      std::free(fresh);
      d->entries = old;
      d->size = oldSize;
      d->count = 0;
      for (int k = 0; k < oldSize; ++k) d->count += old[k].inUse != 0 ? 1 : 0;
      return -1;
    }
  }
  std::free(old);
  return 0;
}

int directory_lookup(const ServerDirectory* d, const char* key, ZORP_ServerRecord** value) {
  const int at = probe_for(d, key);
  if (at < 0) {
    *value = nullptr;
    return -3;
  }
  *value = d->entries[at].value;
  return 0;
}

int directory_remove(ServerDirectory* d, const char* key) {
  const int at = probe_for(d, key);
  if (at < 0) return -3;
  d->entries[at] = DirectoryEntry{nullptr, 0, nullptr};
  --d->count;
  return 0;
}

int directory_free_all(ServerDirectory* d) {
  if (d == nullptr || d->count == 0) return -3;
  for (int i = 0; i < d->size; ++i) {
    if (d->entries[i].inUse == 0) continue;
    std::free(d->entries[i].value);
    d->entries[i] = DirectoryEntry{nullptr, 0, nullptr};
  }
  d->count = 0;
  return 0;
}

void directory_destroy(ServerDirectory* d) {
  if (d == nullptr) return;
  directory_free_all(d);
  std::free(d->entries);
  std::free(d);
}

int parse_server_list(const char* text, char out[kServerSlots][kServerTextSize]) {
  std::memset(out, 0, sizeof(char) * kServerSlots * kServerTextSize);
  const char* start = std::strstr(text, "p=");
  if (start == nullptr) return -2;
  start += 2;
  const char* end = std::strchr(start, ';');
  if (end == nullptr) return -2;
  int place = 0;
  const char* entry = start;
  for (const char* p = start; p < end && place < kServerSlots; ++p) {
    if (*p != ',') continue;
    const size_t n = static_cast<size_t>(p - entry);
    std::memcpy(out[place], entry, n < kServerTextSize - 1 ? n : kServerTextSize - 1);
    ++place;
    entry = p + 1;
  }
  if (place < kServerSlots && entry < end) {
    const size_t n = static_cast<size_t>(end - entry);
    std::memcpy(out[place], entry, n < kServerTextSize - 1 ? n : kServerTextSize - 1);
  }
  return 0;
}

int ZORP___ResolveHostName(const char* text, sockaddr_in* address) {
  address->sin_addr.s_addr = inet_addr(text);
  return 0;
}

int directory_set_server_info(ServerDirectory* d, const char* id, const char* text) {
  if (text == nullptr || text[0] == '\0') return -5;
  if (id == nullptr || std::strlen(id) >= kRecordIdSize) return -5;  // would not fit the key
  // Parsed first: a list that does not parse leaves the directory as it was.
  char parsed[kServerSlots][kServerTextSize];
  if (parse_server_list(text, parsed) != 0) return -2;
  ZORP_ServerRecord* record = nullptr;
  if (directory_lookup(d, id, &record) != 0) {
    record = static_cast<ZORP_ServerRecord*>(std::calloc(1, sizeof(ZORP_ServerRecord)));
    if (record == nullptr) return -2;
    wire::put_text(reinterpret_cast<uint8_t*>(record->id), kRecordIdSize, id);
    record->session = -1;
    if (directory_insert(d, record->id, record) != 0) {
      std::free(record);
      return -2;
    }
  }
  std::memcpy(record->server, parsed, sizeof(parsed));
  for (int i = 0; i < kServerSlots; ++i) {
    sockaddr_in& a = record->serverAddr[i];
    if (record->server[i][0] != '\0') {
      a.sin_family = AF_INET;
      a.sin_port = htons(wire::kServerPort);
      ZORP___ResolveHostName(record->server[i], &a);
    } else {
      a.sin_addr.s_addr = 0;
    }
  }
  return 0;
}

int set_server_info(const char* id, const char* text) {
  if (!lib().initialized.load()) return -1;
  std::lock_guard<std::recursive_mutex> lock(mainMutex());
  if (lib().directory == nullptr) return -1;
  return directory_set_server_info(lib().directory, id, text);
}

}  // namespace vornet
