// The server directory: one record of rendezvous servers per device id, in
// a string-keyed open-addressing hash table (8 probes, growth at half load).
// The table itself takes no lock; the library calls it under the main mutex.
#pragma once

#include <netinet/in.h>

#include <cstdint>

namespace vornet {

constexpr int kServerSlots = 3;
constexpr int kServerTextSize = 40;
constexpr int kRecordIdSize = 32;

struct ZORP_ServerRecord {
  char id[kRecordIdSize];                       // the key, at most 31 characters
  char server[kServerSlots][kServerTextSize];   // dotted texts as listed
  sockaddr_in serverAddr[kServerSlots];         // port 60722; address 0 where the text is empty
  int16_t session;                              // last claimed slot for this id, -1 none
};

struct DirectoryEntry {
  const char* key;
  int inUse;
  ZORP_ServerRecord* value;
};

struct ServerDirectory {
  int size;
  int count;
  DirectoryEntry* entries;
};

constexpr int kDirectoryInitialSize = 256;
constexpr int kDirectoryProbes = 8;

// CRC-32 (reflected 0xEDB88320) from 0 without final inversion.
uint32_t directory_crc(const char* key);
// Start index of a key in a table of `size` entries.
uint32_t directory_hash(const char* key, int size);

ServerDirectory* directory_create();
// Index of the place for key, or -1 when "full".
int directory_find_place(const ServerDirectory* d, const char* key);
int directory_insert(ServerDirectory* d, const char* key, ZORP_ServerRecord* value);  // 0 or -1
int directory_grow(ServerDirectory* d);                                                // 0 or -1
int directory_lookup(const ServerDirectory* d, const char* key, ZORP_ServerRecord** value);  // 0 or -3
int directory_remove(ServerDirectory* d, const char* key);                                   // 0 or -3
// Frees every record; -3 when the table is missing or empty.
int directory_free_all(ServerDirectory* d);
// Frees the records, the entries and the table.
void directory_destroy(ServerDirectory* d);

// Fills three zeroed 40-byte texts from "p=<list>;"; 0 or -2.
int parse_server_list(const char* text, char out[kServerSlots][kServerTextSize]);
// Dotted text to the address field (no name lookup); 0.
int ZORP___ResolveHostName(const char* text, sockaddr_in* address);
// Body of KV_SetServInfo on a directory (the caller holds the main mutex):
// 0, -5 (text null or empty), -2 (parse error).
int directory_set_server_info(ServerDirectory* d, const char* id, const char* text);
// KV_SetServInfo's body: -1 not initialised, -5, -2, else 0.
int set_server_info(const char* id, const char* text);

}  // namespace vornet
