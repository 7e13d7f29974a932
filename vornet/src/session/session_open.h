// Steps shared by KV_Listen and KV_Connect between the claim and the
// returned handle.
#pragma once

#include <netinet/in.h>

#include <cstdint>

#include "session/session.h"

namespace vornet {

// Copies the id's three server addresses under the main mutex; the record
// is handed back for the back-link.  0 or -24.
struct ZORP_ServerRecord;
int copy_servers(const char* id, sockaddr_in out[3], ZORP_ServerRecord** record);

// local := local address text, public := public address text, both with
// the bound port; role; protoStop and connected 0; the socket published.
void session_bind_addresses(ZORP_Session& s, int sock, const sockaddr_in& bound, uint8_t role,
                            const sockaddr_in servers[3]);

void start_proto_thread(int index);
void stop_proto_thread(int index);

// HELLO / SESSION_DONE to each server whose address is not 0.
void send_hello_to_servers(const ZORP_Session& s);
void send_session_done_to_servers(const ZORP_Session& s);

// Failure after the socket was opened: close it, release the slot.
int fail_open(int index, int sock, int code);

// Success: channels reset for the peer's algorithm, data threads started,
// slot linked.  Returns index.
int finish_link(int index);

}  // namespace vornet
