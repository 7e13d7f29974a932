// Ordered lists in circular sequence order.
#include <gtest/gtest.h>

#include <vector>

#include "channel/packet_list.h"

namespace {

using namespace vornet::channel;

std::vector<int> sequences(const PacketList& list) {
  std::vector<int> out;
  for (const PacketNode* n = list.first; n != nullptr; n = n->next) out.push_back(n->sequence);
  // The back links must agree with the forward ones.
  std::vector<int> back;
  for (const PacketNode* n = list.last; n != nullptr; n = n->prev) back.insert(back.begin(), n->sequence);
  EXPECT_EQ(out, back);
  return out;
}

InsertResult insert(PacketList& list, int sequence, int length = 10) {
  return list_insert(list, packet_new(sequence, nullptr, length));
}

struct InsertCase {
  const char* name;
  std::vector<int> inserts;
  std::vector<int> expected;
  int duplicates;
  int rejected;
};

class OrderedInsert : public ::testing::TestWithParam<InsertCase> {};

TEST_P(OrderedInsert, KeepsCircularOrder) {
  const InsertCase& c = GetParam();
  PacketList list;
  int duplicates = 0;
  int rejected = 0;
  for (int s : c.inserts) {
    const InsertResult r = insert(list, s);
    duplicates += r == InsertResult::Duplicate;
    rejected += r == InsertResult::Rejected;
  }
  EXPECT_EQ(sequences(list), c.expected);
  EXPECT_EQ(duplicates, c.duplicates);
  EXPECT_EQ(rejected, c.rejected);
  EXPECT_EQ(list.count, static_cast<int>(c.expected.size()));
  EXPECT_EQ(list.bytes, 10 * static_cast<int>(c.expected.size()));
  list_free_all(list);
  EXPECT_EQ(list.count, 0);
  EXPECT_EQ(list.first, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Table, OrderedInsert,
    ::testing::Values(
        InsertCase{"ascending", {1, 2, 3}, {1, 2, 3}, 0, 0},
        InsertCase{"descending", {3, 2, 1}, {1, 2, 3}, 0, 0},
        InsertCase{"middle_from_front", {1, 9, 3, 2}, {1, 2, 3, 9}, 0, 0},
        InsertCase{"middle_from_back", {1, 9, 7, 8}, {1, 7, 8, 9}, 0, 0},
        InsertCase{"wraps", {65534, 1, 65535, 0}, {65534, 65535, 0, 1}, 0, 0},
        InsertCase{"duplicates_at_ends_and_middle", {5, 7, 9, 5, 9, 7}, {5, 7, 9}, 3, 0},
        InsertCase{"third_ahead_of_first_refused", {100, 100 + 21846}, {100}, 0, 1},
        InsertCase{"just_within_a_third", {100, 100 + 21845}, {100, 100 + 21845}, 0, 0},
        InsertCase{"third_behind_last_refused", {30000, 30000 - 21846}, {30000}, 0, 1},
        InsertCase{"behind_across_wrap", {10, 65530}, {65530, 10}, 0, 0}),
    [](const ::testing::TestParamInfo<InsertCase>& i) { return std::string(i.param.name); });

TEST(PacketList, FindAndUnlinkAcrossTheWrap) {
  PacketList list;
  for (int s : {65533, 65534, 65535, 0, 1, 2}) insert(list, s);
  for (int s : {65533, 65535, 0, 2}) {
    ASSERT_NE(list_find(list, s), nullptr) << s;
    EXPECT_EQ(list_find(list, s)->sequence, s);
  }
  EXPECT_EQ(list_find(list, 3), nullptr);
  EXPECT_EQ(list_find(list, 65532), nullptr);

  packet_free(list_unlink(list, 0));
  packet_free(list_unlink(list, 65533));
  packet_free(list_unlink(list, 2));
  EXPECT_EQ(list_unlink(list, 0), nullptr);
  EXPECT_EQ(sequences(list), (std::vector<int>{65534, 65535, 1}));
  EXPECT_EQ(list.bytes, 30);

  PacketNode* first = list_pop_first(list);
  EXPECT_EQ(first->sequence, 65534);
  packet_free(first);
  list_free_all(list);
}

TEST(PacketList, NewNodeCopiesAndZeroes) {
  const uint8_t bytes[3] = {1, 2, 3};
  PacketNode* copy = packet_new(70000, bytes, 3);  // sequences are 16-bit
  EXPECT_EQ(copy->sequence, 70000 - 65536);
  EXPECT_EQ(copy->length, 3);
  EXPECT_EQ(std::vector<uint8_t>(copy->data, copy->data + 3), std::vector<uint8_t>(bytes, bytes + 3));
  EXPECT_EQ(copy->data[2], 3);
  EXPECT_EQ(copy->sentAt, 0u);
  EXPECT_EQ(copy->next, nullptr);
  EXPECT_EQ(copy->prev, nullptr);
  packet_free(copy);
  PacketNode* zero = packet_new(1, nullptr, 4);
  EXPECT_EQ(zero->length, 4);
  EXPECT_EQ(zero->data[0] | zero->data[3], 0);
  EXPECT_EQ(std::vector<uint8_t>(zero->data, zero->data + 4), std::vector<uint8_t>(4, 0));
  packet_free(zero);
}

}  // namespace
