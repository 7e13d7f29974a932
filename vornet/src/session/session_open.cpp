#include "session/session_open.h"

#include <arpa/inet.h>
#include <unistd.h>

#include <mutex>

#include "channel/drw_session.h"
#include "core/library_state.h"
#include "directory/server_directory.h"
#include "net/zorp_socket.h"
#include "proto/proto_handler.h"
#include "session/session_table.h"
#include "wire/zorp_send.h"

namespace vornet {

int copy_servers(const char* id, sockaddr_in out[3], ZORP_ServerRecord** record) {
  std::lock_guard<std::recursive_mutex> lock(mainMutex());
  ZORP_ServerRecord* r = nullptr;
  if (lib().directory == nullptr || directory_lookup(lib().directory, id, &r) != 0) return -24;
  for (int i = 0; i < 3; ++i) out[i] = r->serverAddr[i];
  if (record != nullptr) *record = r;
  return 0;
}

void session_bind_addresses(ZORP_Session& s, int sock, const sockaddr_in& bound, uint8_t role,
                            const sockaddr_in servers[3]) {
  char local[16], pub[16];
  copy_local_address_text(local);
  copy_public_address_text(pub);
  std::lock_guard<std::recursive_mutex> lock(mainMutex());
  s.local = net::address_from_text(local, ntohs(bound.sin_port));
  s.publicAddr = net::address_from_text(pub, ntohs(bound.sin_port));
  s.role = role;
  s.protoStop = 0;
  s.connected = 0;
  for (int i = 0; i < 3; ++i) s.servers[i] = servers[i];
  s.ioSocket = sock;
}

void start_proto_thread(int index) {
  session_at(index).protoThread = std::thread(ZORP_thread_recv_Proto, index);
}

void stop_proto_thread(int index) {
  ZORP_Session& s = session_at(index);
  s.protoStop = 1;
  if (s.protoThread.joinable()) s.protoThread.join();
}

void send_hello_to_servers(const ZORP_Session& s) {
  for (const sockaddr_in& server : s.servers)
    if (server.sin_addr.s_addr != 0) wire::send_hello(s.ioSocket.load(), server);
}

void send_session_done_to_servers(const ZORP_Session& s) {
  for (const sockaddr_in& server : s.servers)
    if (server.sin_addr.s_addr != 0) wire::send_session_done(s.ioSocket.load(), server, 0, s.prefix, s.tag, s.id);
}

int fail_open(int index, int sock, int code) {
  if (sock >= 0) close(sock);
  release_slot(index);
  return code;
}

int finish_link(int index) {
  ZORP_Session& s = session_at(index);
  {
    std::lock_guard<std::recursive_mutex> lock(mainMutex());
    s.drwStop = 0;
    channel::drw_reset(s.drw, s.drwAlgorithm);
    s.socket = s.ioSocket.load();
  }
  channel::drw_start_threads(index);
  s.linked = 1;
  return index;
}

}  // namespace vornet
