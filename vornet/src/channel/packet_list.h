// Operations on a PacketList kept in circular sequence order. The caller
// holds the main mutex.
#pragma once

#include "channel/drw_state.h"

namespace vornet {
namespace channel {

// A zeroed node of `length` data bytes (copied from `data` when not null),
// or null when memory runs out.
PacketNode* packet_new(int sequence, const uint8_t* data, int length);
void packet_free(PacketNode* node);

enum class InsertResult { Inserted, Duplicate, Rejected };

// Ordered insert. A duplicate, or a node more than a third of the sequence
// space ahead of the first or behind the last node, is freed.
InsertResult list_insert(PacketList& list, PacketNode* node);

// Appends a node whose sequence follows the last one (cutting packets).
void list_push_back(PacketList& list, PacketNode* node);

PacketNode* list_find(const PacketList& list, int sequence);

// Unlinks the node with that sequence and returns it (null when absent).
PacketNode* list_unlink(PacketList& list, int sequence);
void list_unlink_node(PacketList& list, PacketNode* node);

PacketNode* list_pop_first(PacketList& list);

void list_free_all(PacketList& list);

}  // namespace channel
}  // namespace vornet
