#include "record_log.h"

#include "wire/zorp_wire.h"

namespace rendezvous {

namespace w = vornet::wire;

FileRecorder::FileRecorder(const std::string& path) : file_(std::fopen(path.c_str(), "w")) {}

FileRecorder::~FileRecorder() {
  if (file_) std::fclose(file_);
}

void FileRecorder::write(const std::string& line) {
  if (!file_) return;
  std::fputs(line.c_str(), file_);
  std::fputc('\n', file_);
  std::fflush(file_);
}

std::string message_name(uint8_t type) {
  switch (type) {
    case w::ZORP_MSG_HELLO: return "HELLO";
    case w::ZORP_MSG_HELLO_ACK: return "HELLO_ACK";
    case w::ZORP_MSG_DEV_REG_RESULT: return "DEV_REG_RESULT";
    case w::ZORP_MSG_DEV_REG: return "DEV_REG";
    case w::ZORP_MSG_DEV_REG_ACK: return "DEV_REG_ACK";
    case w::ZORP_MSG_P2P_REQ: return "P2P_REQ";
    case w::ZORP_MSG_P2P_REQ_ACK: return "P2P_REQ_ACK";
    case w::ZORP_MSG_LAN_SEARCH: return "LAN_SEARCH";
    case w::ZORP_MSG_LAN_NOTIFY: return "LAN_NOTIFY";
    case w::ZORP_MSG_PUNCH_TO: return "PUNCH_TO";
    case w::ZORP_MSG_PUNCH: return "PUNCH";
    case w::ZORP_MSG_PUNCH_ACK: return "PUNCH_ACK";
    case w::ZORP_MSG_LAN_PUNCH: return "LAN_PUNCH";
    case w::ZORP_MSG_RLY_QUERY: return "RLY_QUERY";
    case w::ZORP_MSG_RLY_LIST: return "RLY_LIST";
    case w::ZORP_MSG_RLY_PROBE: return "RLY_PROBE";
    case w::ZORP_MSG_RLY_PROBE_ACK: return "RLY_PROBE_ACK";
    case w::ZORP_MSG_RLY_ALLOC: return "RLY_ALLOC";
    case w::ZORP_MSG_RLY_ALLOC_ACK: return "RLY_ALLOC_ACK";
    case w::ZORP_MSG_SESSION_DONE: return "SESSION_DONE";
    case w::ZORP_MSG_RLY_REQ: return "RLY_REQ";
    case w::ZORP_MSG_RLY_REQ_ACK: return "RLY_REQ_ACK";
    case w::ZORP_MSG_RLY_TO: return "RLY_TO";
    case w::ZORP_MSG_RLY_HELLO: return "RLY_HELLO";
    case w::ZORP_MSG_RLY_READY: return "RLY_READY";
    case w::ZORP_MSG_DRW: return "DRW";
    case w::ZORP_MSG_DRW_ACK: return "DRW_ACK";
    case w::ZORP_MSG_ALIVE: return "ALIVE";
    case w::ZORP_MSG_ALIVE_ACK: return "ALIVE_ACK";
    case w::ZORP_MSG_CLOSE: return "CLOSE";
    default: {
      char text[8];
      std::snprintf(text, sizeof text, "0x%02X", type);
      return text;
    }
  }
}

namespace {

void add_identity(JsonLine& j, const w::PeerIdentity& who) {
  j.add("id", who.id).add("prefix", who.prefix).add("tag", static_cast<long long>(who.tag));
}

void add_body(JsonLine& j, uint8_t type, const uint8_t* body, size_t len) {
  switch (type) {
    case w::ZORP_MSG_DEV_REG: {
      const auto r = w::read_dev_reg(body, len);
      add_identity(j, r.who);
      j.add("nat", r.natType)
          .add("version", std::to_string(r.version[0]) + "." + std::to_string(r.version[1]) + "." +
                              std::to_string(r.version[2]))
          .add("local", address_text(r.local));
      break;
    }
    case w::ZORP_MSG_P2P_REQ: {
      const auto r = w::read_p2p_req(body, len);
      add_identity(j, r.who);
      j.add("loop", r.loopFlag).add("local", address_text(r.local));
      break;
    }
    case w::ZORP_MSG_RLY_QUERY:
      add_identity(j, w::read_identity(body, len));
      break;
    case w::ZORP_MSG_RLY_REQ: {
      const auto r = w::read_relay_req(body, len);
      add_identity(j, r.who);
      j.add("relay", address_text(r.relay)).add("rtag", static_cast<long long>(r.relayTag));
      break;
    }
    case w::ZORP_MSG_RLY_HELLO: {
      const auto r = w::read_relay_hello(body, len);
      j.add("rtag", static_cast<long long>(r.relayTag));
      add_identity(j, r.who);
      j.add("rrole", r.role);
      break;
    }
    case w::ZORP_MSG_SESSION_DONE: {
      const auto r = w::read_session_done(body, len);
      j.add("rtag", static_cast<long long>(r.relayTag));
      add_identity(j, r.who);
      break;
    }
    case w::ZORP_MSG_PUNCH:
    case w::ZORP_MSG_PUNCH_ACK:
    case w::ZORP_MSG_LAN_PUNCH:
    case w::ZORP_MSG_RLY_READY: {
      const auto r = w::read_peer(body, len);
      add_identity(j, r.who);
      j.add("flag", r.flag);
      break;
    }
    case w::ZORP_MSG_DRW: {
      w::DrwView v;
      if (w::read_drw(body, len, &v)) j.add("ch", v.channel).add("seq", v.sequence).add("dlen", static_cast<long long>(v.length));
      break;
    }
    case w::ZORP_MSG_DRW_ACK: {
      w::DrwAckView v;
      if (w::read_drw_ack(body, len, &v)) j.add("ch", v.channel).add("count", v.count);
      break;
    }
    default:
      break;
  }
}

}  // namespace

std::string describe_received(const Datagram& d, const sockaddr_in& at, const char* role, Millis t) {
  JsonLine j;
  j.add("t", static_cast<long long>(t)).add("at", address_text(at)).add("role", role).add("from", address_text(d.peer));
  w::ZORP_HEADER h;
  if (!w::read_header(d.bytes.data(), d.bytes.size(), &h) || h.magic != w::ZORP_MAGIC) {
    j.add("size", static_cast<long long>(d.bytes.size())).add("bad", d.bytes.size() < w::ZORP_HEADER_SIZE ? "short" : "magic");
    return j.str();
  }
  j.add("type", h.type).add("name", message_name(h.type)).add("len", h.bodyLength).add("size", static_cast<long long>(d.bytes.size()));
  if (d.bytes.size() != h.bodyLength + w::ZORP_HEADER_SIZE) {
    j.add("bad", "length");
    return j.str();
  }
  add_body(j, h.type, d.bytes.data() + w::ZORP_HEADER_SIZE, h.bodyLength);
  return j.str();
}

}  // namespace rendezvous
