// The server directory: list parsing, the hash, probing and growth.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "directory/server_directory.h"

using namespace vornet;

namespace {

TEST(ServerDirectory, RawCrcOfTheCheckStringHasNoFinalInversion) {
  // The standard CRC-32 of "123456789" is 0xCBF43926 with pre- and
  // post-inversion; from 0 without the final inversion it is 0x2DFD2D88.
  EXPECT_EQ(directory_crc("123456789"), 0x2DFD2D88u);
  EXPECT_EQ(directory_crc(""), 0u);
}

TEST(ServerDirectory, ParsesTheWrappedList) {
  const struct {
    const char* wrapped;
    int result;
    std::vector<std::string> places;
  } rows[] = {
      {"p=1.2.3.4,5.6.7.8;", 0, {"1.2.3.4", "5.6.7.8", ""}},
      {"p=1.2.3.4,,9.9.9.9;", 0, {"1.2.3.4", "", "9.9.9.9"}},
      {"p=1.1.1.1,2.2.2.2,3.3.3.3,4.4.4.4;", 0, {"1.1.1.1", "2.2.2.2", "3.3.3.3"}},
      {"p=1.1.1.1,2.2.2.2,3.3.3.3;", 0, {"1.1.1.1", "2.2.2.2", "3.3.3.3"}},
      {"p=7.7.7.7;", 0, {"7.7.7.7", "", ""}},
      {"p=;", 0, {"", "", ""}},
      {"p= 1.2.3.4;", 0, {" 1.2.3.4", "", ""}},  // spaces are kept
      {"p=1.2.3.4", -2, {"", "", ""}},            // no ";"
      {"1.2.3.4;", -2, {"", "", ""}},             // no "p="
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.wrapped);
    char out[kServerSlots][kServerTextSize];
    EXPECT_EQ(parse_server_list(r.wrapped, out), r.result);
    for (int i = 0; i < kServerSlots; ++i) EXPECT_EQ(std::string(out[i]), r.places[static_cast<size_t>(i)]);
  }
  // An entry longer than 39 characters is cut to 39.
  char out[kServerSlots][kServerTextSize];
  const std::string wrapped = "p=" + std::string(50, '1') + ",2.2.2.2;";
  ASSERT_EQ(parse_server_list(wrapped.c_str(), out), 0);
  EXPECT_EQ(std::string(out[0]), std::string(39, '1'));
  EXPECT_EQ(std::string(out[1]), "2.2.2.2");
}

class DirectoryFixture : public ::testing::Test {
 protected:
  void SetUp() override { d = directory_create(); }
  void TearDown() override { directory_destroy(d); }
  ZORP_ServerRecord* record(const char* id) {
    ZORP_ServerRecord* r = nullptr;
    return directory_lookup(d, id, &r) == 0 ? r : nullptr;
  }
  ZORP_ServerRecord* fresh(const std::string& id) {
    auto* r = static_cast<ZORP_ServerRecord*>(std::calloc(1, sizeof(ZORP_ServerRecord)));
    snprintf(r->id, sizeof(r->id), "%s", id.c_str());
    r->session = -1;
    return r;
  }
  ServerDirectory* d = nullptr;
};

TEST_F(DirectoryFixture, SetServerInfoFillsAndReplacesTheRecord) {
  ASSERT_EQ(directory_set_server_info(d, "DEV1", "p=1.2.3.4,5.6.7.8;"), 0);
  ZORP_ServerRecord* r = record("DEV1");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->session, -1);
  EXPECT_EQ(r->serverAddr[0].sin_family, AF_INET);
  EXPECT_EQ(r->serverAddr[0].sin_port, htons(60722));
  EXPECT_EQ(r->serverAddr[0].sin_addr.s_addr, inet_addr("1.2.3.4"));
  EXPECT_EQ(r->serverAddr[1].sin_addr.s_addr, inet_addr("5.6.7.8"));
  EXPECT_EQ(r->serverAddr[2].sin_addr.s_addr, 0u);

  r->session = 42;  // the back-link survives a re-set
  ASSERT_EQ(directory_set_server_info(d, "DEV1", "p=9.9.9.9;"), 0);
  EXPECT_EQ(record("DEV1"), r);
  EXPECT_EQ(r->session, 42);
  EXPECT_STREQ(r->server[0], "9.9.9.9");
  EXPECT_STREQ(r->server[1], "");
  EXPECT_EQ(r->serverAddr[0].sin_addr.s_addr, inet_addr("9.9.9.9"));
  EXPECT_EQ(r->serverAddr[1].sin_addr.s_addr, 0u);
  EXPECT_EQ(d->count, 1);
}

TEST_F(DirectoryFixture, EmptyListHostNameAndParseError) {
  ASSERT_EQ(directory_set_server_info(d, "EMPTY", "p=;"), 0);
  ASSERT_NE(record("EMPTY"), nullptr);
  for (const auto& a : record("EMPTY")->serverAddr) EXPECT_EQ(a.sin_addr.s_addr, 0u);

  ASSERT_EQ(directory_set_server_info(d, "NAMED", "p=rendezvous.example;"), 0);
  EXPECT_EQ(record("NAMED")->serverAddr[0].sin_addr.s_addr, 0xFFFFFFFFu);  // no lookup

  EXPECT_EQ(directory_set_server_info(d, "BROKEN", "p=1.2.3.4"), -2);
  EXPECT_EQ(record("BROKEN"), nullptr);  // the record made for it is gone again
  EXPECT_EQ(d->count, 2);

  EXPECT_EQ(directory_set_server_info(d, std::string(32, 'L').c_str(), "p=;"), -5);  // does not fit the key
  EXPECT_EQ(directory_set_server_info(d, "X", ""), -5);
}

TEST_F(DirectoryFixture, LookupIsExactAndCaseSensitive) {
  ASSERT_EQ(directory_set_server_info(d, "Cam", "p=;"), 0);
  EXPECT_NE(record("Cam"), nullptr);
  EXPECT_EQ(record("cam"), nullptr);
  EXPECT_EQ(record("Ca"), nullptr);
  EXPECT_EQ(directory_remove(d, "cam"), -3);
  ZORP_ServerRecord* removed = record("Cam");
  EXPECT_EQ(directory_remove(d, "Cam"), 0);  // empties the entry; the record is the caller's
  std::free(removed);
  EXPECT_EQ(record("Cam"), nullptr);
  EXPECT_EQ(d->count, 0);
  EXPECT_EQ(directory_free_all(d), -3);  // empty table
}

TEST_F(DirectoryFixture, GrowsAtHalfLoadKeepingEveryRecord) {
  // 128 ids that fit a 256 table without a probe overflow (the others
  // would grow it early, which is tested below).
  std::vector<std::string> ids;
  for (int i = 0; ids.size() < 128 && i < 100000; ++i) {
    const std::string id = "ID" + std::to_string(i);
    if (directory_find_place(d, id.c_str()) < 0) continue;
    ASSERT_EQ(directory_set_server_info(d, id.c_str(), "p=;"), 0);
    ids.push_back(id);
  }
  ASSERT_EQ(ids.size(), 128u);
  ids.push_back("ID-129th");
  EXPECT_EQ(d->size, 256);  // 128 is half of 256: still room
  ASSERT_EQ(directory_set_server_info(d, ids[128].c_str(), "p=;"), 0);
  EXPECT_EQ(d->size, 512);
  EXPECT_EQ(d->count, 129);
  for (const auto& id : ids) EXPECT_NE(record(id.c_str()), nullptr) << id;
}

TEST_F(DirectoryFixture, EightTakenProbePlacesForceGrowthBelowHalfLoad) {
  // Eight keys whose start index in a 256 table is 152, the place of
  // "target" too, worked out apart from the library (CRC-32 without
  // inversions, the mixing steps, the golden-ratio multiply); in a 512
  // table they part: 152 or 408. The ninth key finds its 8 probe places
  // 152..159 all taken.
  const struct {
    const char* key;
    uint32_t at512;
  } places[] = {{"b101", 408}, {"b152", 152}, {"b328", 152}, {"b574", 408},
                {"b1069", 152}, {"b1142", 408}, {"b1325", 408}, {"b1401", 152}};
  ASSERT_EQ(directory_hash("target", 256), 152u);
  ASSERT_EQ(directory_hash("target", 512), 152u);
  std::vector<std::string> blockers;
  for (const auto& p : places) {
    EXPECT_EQ(directory_hash(p.key, 256), 152u) << p.key;
    EXPECT_EQ(directory_hash(p.key, 512), p.at512) << p.key;
    blockers.push_back(p.key);
  }
  for (const auto& key : blockers) {
    ZORP_ServerRecord* r = fresh(key);
    ASSERT_EQ(directory_insert(d, r->id, r), 0);
  }
  ASSERT_EQ(d->size, 256);
  EXPECT_EQ(directory_find_place(d, "target"), -1);  // "full" with 8 of 256 used
  ZORP_ServerRecord* t = fresh("target");
  ASSERT_EQ(directory_insert(d, t->id, t), 0);
  EXPECT_EQ(d->size, 512);
  EXPECT_EQ(d->count, 9);
  EXPECT_EQ(record("target"), t);
  for (const auto& key : blockers) {
    ZORP_ServerRecord* r = nullptr;
    EXPECT_EQ(directory_lookup(d, key.c_str(), &r), 0) << key;
  }
}

}  // namespace
