#include "status_report.h"

#include "Tessan.h"
#include "global_state.h"

namespace tessan {

void reportStatusTo(const APP_INIT_PARAM& p, const char* sn, int32_t status, uint8_t linkMode) {
  if (!p.pfnRecvMsg) return;
  MSG_CONN_STATUS st{};
  st.nStatus = status;
  st.nLinkMode = linkMode;
  p.pfnRecvMsg(sn, E_MSG_CONN_STATUS, reinterpret_cast<HCHAR*>(&st), sizeof st, nullptr, E_FRAME_TYPE_HH,
               p.pMsgCtx);
}

void reportStatus(const char* sn, int32_t status, uint8_t linkMode) { reportStatusTo(g().param, sn, status, linkMode); }

}  // namespace tessan
