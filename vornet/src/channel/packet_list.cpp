#include "channel/packet_list.h"

#include <cstring>
#include <new>

#include "channel/sequence.h"

namespace vornet {
namespace channel {

PacketNode* packet_new(int sequence, const uint8_t* data, int length) {
  auto* node = new (std::nothrow) PacketNode;
  if (node == nullptr) return nullptr;
  const size_t size = static_cast<size_t>(length);
  // Zeroed only when nothing is copied over it.
  node->data = data != nullptr ? new (std::nothrow) uint8_t[size] : new (std::nothrow) uint8_t[size]();
  if (node->data == nullptr) {
    delete node;
    return nullptr;
  }
  if (data != nullptr) std::memcpy(node->data, data, size);
  node->sequence = static_cast<uint16_t>(sequence);
  node->length = length;
  return node;
}

void packet_free(PacketNode* node) {
  if (node == nullptr) return;
  delete[] node->data;
  delete node;
}

namespace {

void link_before(PacketList& list, PacketNode* at, PacketNode* node) {
  node->next = at;
  node->prev = at->prev;
  if (at->prev != nullptr) {
    at->prev->next = node;
  } else {
    list.first = node;
  }
  at->prev = node;
}

void link_after(PacketList& list, PacketNode* at, PacketNode* node) {
  node->prev = at;
  node->next = at->next;
  if (at->next != nullptr) {
    at->next->prev = node;
  } else {
    list.last = node;
  }
  at->next = node;
}

void count_in(PacketList& list, const PacketNode* node) {
  list.count += 1;
  list.bytes += node->length;
}

}  // namespace

InsertResult list_insert(PacketList& list, PacketNode* node) {
  node->next = node->prev = nullptr;
  if (list.first == nullptr) {
    list.first = list.last = node;
    count_in(list, node);
    return InsertResult::Inserted;
  }
  const int e = seq_diff(node->sequence, list.first->sequence);
  const int g = seq_diff(node->sequence, list.last->sequence);
  if (e > kSequenceReach || g < -kSequenceReach) {
    packet_free(node);
    return InsertResult::Rejected;
  }
  if (e == 0 || g == 0) {
    packet_free(node);
    return InsertResult::Duplicate;
  }
  if (e < 0) {
    link_before(list, list.first, node);
  } else if (g > 0) {
    link_after(list, list.last, node);
  } else if (e + g > 0) {
    // Nearer the end: walk back to the first node that the new one follows.
    PacketNode* at = list.last;
    int d = g;
    while (d < 0) {
      at = at->prev;
      d = seq_diff(node->sequence, at->sequence);
    }
    if (d == 0) {
      packet_free(node);
      return InsertResult::Duplicate;
    }
    link_after(list, at, node);
  } else {
    // Walk forward to the first node that the new one precedes.
    PacketNode* at = list.first;
    int d = e;
    while (d > 0) {
      at = at->next;
      d = seq_diff(node->sequence, at->sequence);
    }
    if (d == 0) {
      packet_free(node);
      return InsertResult::Duplicate;
    }
    link_before(list, at, node);
  }
  count_in(list, node);
  return InsertResult::Inserted;
}

void list_push_back(PacketList& list, PacketNode* node) {
  node->next = nullptr;
  node->prev = list.last;
  if (list.last != nullptr) {
    list.last->next = node;
  } else {
    list.first = node;
  }
  list.last = node;
  count_in(list, node);
}

PacketNode* list_find(const PacketList& list, int sequence) {
  if (list.first == nullptr) return nullptr;
  const int e = seq_diff(sequence, list.first->sequence);
  const int g = seq_diff(sequence, list.last->sequence);
  if (e < 0 || g > 0) return nullptr;
  if (e == 0) return list.first;
  if (g == 0) return list.last;
  if (e + g > 0) {
    for (PacketNode* at = list.last; at != nullptr; at = at->prev) {
      const int d = seq_diff(sequence, at->sequence);
      if (d == 0) return at;
      if (d > 0) return nullptr;
    }
  } else {
    for (PacketNode* at = list.first; at != nullptr; at = at->next) {
      const int d = seq_diff(sequence, at->sequence);
      if (d == 0) return at;
      if (d < 0) return nullptr;
    }
  }
  return nullptr;
}

void list_unlink_node(PacketList& list, PacketNode* node) {
  if (node->prev != nullptr) {
    node->prev->next = node->next;
  } else {
    list.first = node->next;
  }
  if (node->next != nullptr) {
    node->next->prev = node->prev;
  } else {
    list.last = node->prev;
  }
  node->next = node->prev = nullptr;
  list.count -= 1;
  list.bytes -= node->length;
}

PacketNode* list_unlink(PacketList& list, int sequence) {
  PacketNode* node = list_find(list, sequence);
  if (node != nullptr) list_unlink_node(list, node);
  return node;
}

PacketNode* list_pop_first(PacketList& list) {
  PacketNode* node = list.first;
  if (node != nullptr) list_unlink_node(list, node);
  return node;
}

void list_free_all(PacketList& list) {
  PacketNode* at = list.first;
  while (at != nullptr) {
    PacketNode* next = at->next;
    packet_free(at);
    at = next;
  }
  list.first = list.last = nullptr;
  list.count = 0;
  list.bytes = 0;
}

}  // namespace channel
}  // namespace vornet
