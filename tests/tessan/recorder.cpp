#include "recorder.h"

#include <cstring>

namespace linktest {

int ctxTag = 0;

Recorder& recorder() {
  static Recorder r;
  return r;
}

std::function<void(const Event&)>& messageHook() {
  static std::function<void(const Event&)> hook;
  return hook;
}

int recordMsg(const HCHAR* sn, HUINT32 type, HCHAR* data, HUINT32 len, HCHAR* name, HINT32 ft, void* ctx) {
  EXPECT_EQ(ctx, &ctxTag);
  Event e{sn, false, type, {}, name ? std::string(name, strnlen(name, 18)) : "", ft, 0, 0,
          std::this_thread::get_id()};
  const uint8_t* p = reinterpret_cast<const uint8_t*>(data);
  e.data.assign(p, p + len);
  if (type == E_MSG_CONN_STATUS) {
    EXPECT_EQ(len, 56u);
    EXPECT_EQ(name, nullptr);
    EXPECT_EQ(ft, 127);
    MSG_CONN_STATUS st;
    std::memcpy(&st, data, sizeof st);
    e.status = st.nStatus;
    e.linkMode = st.nLinkMode;
  }
  if (type != E_MSG_CONN_STATUS && messageHook()) messageHook()(e);
  recorder().add(std::move(e));
  return 0;
}

int recordAv(const HCHAR* sn, HCHAR* frame, HUINT32 len, void* ctx, HUCHAR ft) {
  EXPECT_EQ(ctx, &ctxTag);
  const uint8_t* p = reinterpret_cast<const uint8_t*>(frame);
  recorder().add(Event{sn, true, ft, std::vector<uint8_t>(p, p + len), "", ft, 0, 0, std::this_thread::get_id()});
  return 0;
}

std::vector<int> statuses(const std::vector<Event>& ev, const std::string& sn) {
  std::vector<int> out;
  for (const Event& e : ev)
    if (!e.av && e.sn == sn && e.type == E_MSG_CONN_STATUS) out.push_back(e.status);
  return out;
}

std::vector<Event> avFrames(const std::vector<Event>& ev, const std::string& sn) {
  std::vector<Event> out;
  for (const Event& e : ev)
    if (e.av && e.sn == sn) out.push_back(e);
  return out;
}

MSG_AUTH_REQ token(bool authenticate) {
  MSG_AUTH_REQ t{};
  for (int i = 0; i < 16; ++i) t.digest[i] = uint8_t(0xA0 + i);
  t.nTime = t.nTime2 = 0x12345678;
  t.nAuthFlag = authenticate ? 1 : 0;
  return t;
}

APP_INIT_PARAM recordingParam(uint8_t encMsg, uint8_t encAV) {
  APP_INIT_PARAM p{};
  p.nEncMsg = encMsg;
  p.nEncAV = encAV;
  p.pfnRecvMsg = recordMsg;
  p.pMsgCtx = &ctxTag;
  p.pfnRecvAV = recordAv;
  p.pAVCtx = &ctxTag;
  return p;
}

}  // namespace linktest
