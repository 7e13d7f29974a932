/* Tessan: the device link. One session per camera (keyed by its serial
 * string), opened over Vornet on a connect thread of its own and optionally
 * authenticated; framed messages and audio/video frames go out through
 * APP_send / APPT_send and come back through two callbacks called from one
 * receive thread.
 *
 * Every function but APP_uninit returns an int: zero or positive on
 * success, a negative code on failure (the E_APP_ERR_ values below, or
 * Vornet's KV_ERR_ codes passed through). */
#ifndef TESSAN_H
#define TESSAN_H

#include <stddef.h>
#include <stdint.h>

#include "tessan_lan_search.h"

#ifdef __cplusplus
extern "C" {
#endif

#define TESSAN_API __attribute__((visibility("default")))

typedef char HCHAR;
typedef uint32_t HUINT32;
typedef int32_t HINT32;
typedef uint8_t HUCHAR;

#define TESSAN_API_VERSION 0x01001000

/* Result codes. */
#define E_APP_ERR_NOT_INIT (-201)
#define E_APP_ERR_INVALID_PARAM (-202)
#define E_APP_ERR_NO_SESSION (-204)
#define E_APP_ERR_ALREADY_CONNECTED (-205)
#define E_APP_ERR_LAN_NOT_INIT (-1000)
#define E_APP_ERR_LAN_NO_SOCKET (-1006)

/* Message types. */
enum E_MSG_TYPE {
  E_MSG_DEV_PARAM_SET = 149,
  E_MSG_AUTH_REQ = 150,
  E_MSG_AUTH_RESP = 151,
  E_MSG_CONN_STATUS = 153,
  E_MSG_VIDEO_START_REQ = 256,
  E_MSG_VIDEO_START_RESP = 257,
  E_MSG_VIDEO_STOP_REQ = 258,
  E_MSG_AUDIO_START_REQ = 260,
  E_MSG_AUDIO_START_RESP = 261,
  E_MSG_AUDIO_STOP_REQ = 262,
  E_MSG_AV_FRAME = 266,
  E_MSG_CHG_VIDEO_QUALITY_REQ = 270,
  E_MSG_CHG_VIDEO_QUALITY_RESP = 271,
  E_MSG_PTZ_REQ = 272,
  E_MSG_PTZ_RESP = 273
};

/* Connection states carried in MSG_CONN_STATUS. */
enum E_CONN_STATUS {
  E_CONN_STATUS_CONNECTING = 1,
  E_CONN_STATUS_WRONG_TOKEN = 2,
  E_CONN_STATUS_3 = 3,
  E_CONN_STATUS_OFFLINE = 4,
  E_CONN_STATUS_CONNECT_FAILED = 5,
  E_CONN_STATUS_DISCONNECTED = 6,
  E_CONN_STATUS_ONLINE = 10
};

/* Frame types: 0 and 1 raw (transport-framed), 127 carries its own HH header. */
#define E_FRAME_TYPE_HH 127

/* Codecs and frame flags of AV_HEAD. */
#define E_CODECID_VIDEO_H264 2
#define E_CODECID_VIDEO_H265 3
#define E_CODECID_AUDIO_AAC 259
#define E_VIDEO_FRAME_FLAG_I 0
#define E_VIDEO_FRAME_FLAG_P 1
#define E_VIDEO_FRAME_FLAG_B 2

/* Magic words ("HH01", "HH02", "HH03" in byte order). */
#define TESSAN_MAGIC_MSG 0x31304848u
#define TESSAN_MAGIC_AV 0x32304848u
#define TESSAN_MAGIC_AV3 0x33304848u

/* Bytes a session's receive buffer holds. */
#define MAX_AV_BUF 0x80000

typedef int (*P2P_PCB_RECV_MSG)(const HCHAR* sn, HUINT32 nMsgType, HCHAR* pData, HUINT32 nDataLen,
                                HCHAR* szName, HINT32 nFrameType, void* pMsgCtx);
typedef int (*P2P_PCB_RECV_AV)(const HCHAR* sn, HCHAR* pFrame, HUINT32 nFrameLen, void* pAVCtx,
                               HUCHAR nFrameType);

typedef struct APP_INIT_PARAM {
  uint8_t reserved0;
  uint8_t nEncMsg; /* 1 = RC4 on HH01 payloads */
  uint8_t nEncAV;  /* 1 = RC4 on the first payload bytes of A/V and channel-1 frames */
  uint8_t reserved1;
  uint32_t reserved2;
  P2P_PCB_RECV_MSG pfnRecvMsg;
  void* pMsgCtx;
  P2P_PCB_RECV_AV pfnRecvAV;
  void* pAVCtx;
} APP_INIT_PARAM;

/* Message frame header; nDataLen payload bytes follow. Little-endian. */
typedef struct MSG_HEAD {
  uint32_t nMagic;
  uint8_t nEncMsg;
  uint8_t nEncAV;
  uint16_t nMsgType;
  uint32_t nDataLen;
  char szName[18];
  uint8_t nFrameType;
  uint8_t reserved[17];
} MSG_HEAD;

/* Audio/video frame header; the payload follows. */
typedef struct AV_HEAD {
  uint32_t nMagic;
  uint8_t nFrameType;
  uint8_t reserved0;
  uint16_t nCodecType;
  uint16_t nWidth;
  uint16_t nHeight;
  uint32_t nDataLen;
  uint64_t nTimeStamp;
  uint8_t nFlag;
  uint8_t nFPSOfVideo;
  char szName[18];
  uint8_t reserved1[4];
} AV_HEAD;

/* Authentication token: digest = MD5 of "T:T:key" (T decimal). */
typedef struct MSG_AUTH_REQ {
  uint8_t digest[16];
  uint32_t nTime;
  uint32_t nTime2;
  uint32_t nAuthFlag; /* low byte non-zero: authenticate, HH frames only */
  uint32_t reserved;
} MSG_AUTH_REQ;

/* Payload of every status report (message 153). */
typedef struct MSG_CONN_STATUS {
  int32_t nStatus;
  uint8_t nLinkMode; /* 0 none, 1 direct, 2 relayed or not yet settled */
  uint8_t reserved[51];
} MSG_CONN_STATUS;

#ifdef __cplusplus
#define TESSAN_STATIC_ASSERT(c, m) static_assert(c, m)
#else
#define TESSAN_STATIC_ASSERT(c, m) _Static_assert(c, m)
#endif
TESSAN_STATIC_ASSERT(sizeof(MSG_HEAD) == 48, "MSG_HEAD is 48 bytes");
TESSAN_STATIC_ASSERT(offsetof(MSG_HEAD, nEncMsg) == 4, "nEncMsg at 4");
TESSAN_STATIC_ASSERT(offsetof(MSG_HEAD, nEncAV) == 5, "nEncAV at 5");
TESSAN_STATIC_ASSERT(offsetof(MSG_HEAD, nMsgType) == 6, "nMsgType at 6");
TESSAN_STATIC_ASSERT(offsetof(MSG_HEAD, nDataLen) == 8, "nDataLen at 8");
TESSAN_STATIC_ASSERT(offsetof(MSG_HEAD, szName) == 12, "szName at 12");
TESSAN_STATIC_ASSERT(offsetof(MSG_HEAD, nFrameType) == 30, "nFrameType at 30");
TESSAN_STATIC_ASSERT(sizeof(AV_HEAD) == 48, "AV_HEAD is 48 bytes");
TESSAN_STATIC_ASSERT(offsetof(AV_HEAD, nFrameType) == 4, "nFrameType at 4");
TESSAN_STATIC_ASSERT(offsetof(AV_HEAD, nCodecType) == 6, "nCodecType at 6");
TESSAN_STATIC_ASSERT(offsetof(AV_HEAD, nWidth) == 8, "nWidth at 8");
TESSAN_STATIC_ASSERT(offsetof(AV_HEAD, nHeight) == 10, "nHeight at 10");
TESSAN_STATIC_ASSERT(offsetof(AV_HEAD, nDataLen) == 12, "nDataLen at 12");
TESSAN_STATIC_ASSERT(offsetof(AV_HEAD, nTimeStamp) == 16, "nTimeStamp at 16");
TESSAN_STATIC_ASSERT(offsetof(AV_HEAD, nFlag) == 24, "nFlag at 24");
TESSAN_STATIC_ASSERT(offsetof(AV_HEAD, nFPSOfVideo) == 25, "nFPSOfVideo at 25");
TESSAN_STATIC_ASSERT(offsetof(AV_HEAD, szName) == 26, "szName at 26");
TESSAN_STATIC_ASSERT(sizeof(MSG_AUTH_REQ) == 32, "MSG_AUTH_REQ is 32 bytes");
TESSAN_STATIC_ASSERT(offsetof(MSG_AUTH_REQ, nTime) == 16, "nTime at 16");
TESSAN_STATIC_ASSERT(offsetof(MSG_AUTH_REQ, nTime2) == 20, "nTime2 at 20");
TESSAN_STATIC_ASSERT(offsetof(MSG_AUTH_REQ, nAuthFlag) == 24, "nAuthFlag at 24");
TESSAN_STATIC_ASSERT(sizeof(MSG_CONN_STATUS) == 56, "MSG_CONN_STATUS is 56 bytes");
TESSAN_STATIC_ASSERT(offsetof(MSG_CONN_STATUS, nLinkMode) == 4, "nLinkMode at 4");
#undef TESSAN_STATIC_ASSERT

TESSAN_API int APP_init(const APP_INIT_PARAM* pParam);
TESSAN_API void APP_uninit(void);
TESSAN_API int APP_getAPIVersion(void);
TESSAN_API int APP_setServInfo(const char* sn, const char* servList);
TESSAN_API int APP_connect(const char* sn, const char* accessKey, int keyLen, const MSG_AUTH_REQ* pAuth,
                           uint32_t connectMode, const char* lanAddr);
TESSAN_API int APP_disconnect(const char* sn);
TESSAN_API int APP_send(const char* sn, const char* szName, int nMsgType, void* pData, uint32_t nDataLen,
                        int nFrameType);
TESSAN_API int APPT_send(const char* sn, const void* data, int len, int type);
/* A framed read of channel 1 (KV_RecvWithChannel): returns within timeoutMs;
 * a message still arriving comes whole from a later call. */
TESSAN_API int APPT_recv(const char* sn, void* buf, int* pLen, int timeoutMs, uint8_t* pType);
TESSAN_API int UTI_md5(const void* data, int len, uint8_t out[16]);
TESSAN_API int testStart(const char* pServArea);
TESSAN_API int testStop(void);

#ifdef __cplusplus
}
#endif

#endif /* TESSAN_H */
