/* Vornet: peer-to-peer UDP sessions with four reliable ordered channels.
 *
 * Every function returns an int: zero or positive on success (often a session
 * handle or a byte count), a negative KV_ERR_ code on failure.  Handles are
 * the indices 0..127 of the library's session table. */
#ifndef VORNET_H
#define VORNET_H

#include <netinet/in.h>
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define KV_API __attribute__((visibility("default")))

#define KV_API_VERSION 0x03000900u /* 3.0.9.0 */
#define KV_MAX_SESSIONS 128
#define KV_CHANNELS 4

/* Error codes. */
#define KV_ERR_NOT_INITIALIZED (-1)
#define KV_ERR_TIMEOUT (-3)
#define KV_ERR_INVALID_ID (-4)
#define KV_ERR_INVALID_PARAMETER (-5)
#define KV_ERR_DEVICE_NOT_ONLINE (-6)
#define KV_ERR_ID_REFUSED (-8)
#define KV_ERR_REGISTER_REFUSED (-9)
#define KV_ERR_INVALID_SESSION (-11)
#define KV_ERR_CLOSED_BY_PEER (-12)
#define KV_ERR_SESSION_TIMEOUT (-13)
#define KV_ERR_CLOSED_BY_CALLER (-14)
#define KV_ERR_LISTEN_BROKEN (-16)
#define KV_ERR_NO_FREE_SESSION (-17)
#define KV_ERR_BIND_FAILED (-18)
#define KV_ERR_CONNECT_BROKEN (-19)
#define KV_ERR_SESSION_BROKEN (-20)
#define KV_ERR_BUFFER_TOO_SMALL (-23)
#define KV_ERR_NO_SERVER_INFO (-24)
#define KV_ERR_SOCKET (-25)

/* KV_Listen timeoutAndFlags: bits 0-23 the wait in seconds (1..86400). */
#define KV_LISTEN_WAIT_MASK 0x00FFFFFFu
#define KV_LISTEN_MAX_WAIT 86400u
#define KV_LISTEN_NO_DETECT 0x01000000u
#define KV_LISTEN_MULTICAST 0x02000000u

/* KV_Connect flags. */
#define KV_CONNECT_LAN 0x00000001u
#define KV_CONNECT_P2P 0x00000002u
#define KV_CONNECT_RELAY 0x00000004u
#define KV_CONNECT_ALT_LOOP 0x01000000u
#define KV_CONNECT_MULTICAST 0x02000000u

/* Header in front of a framed channel message: the payload length in the low
 * 24 bits (little-endian) and the message type in the top byte. */
typedef struct KV_FrameHeader {
    uint8_t length[3];
    uint8_t type;
} KV_FrameHeader;

#define KV_FRAME_MAX_PAYLOAD 0x00FFFFFF

/* Session record filled by KV_CheckSessionInfo.  Fields not listed are not
 * written: zero the whole record before the call. */
typedef struct KV_SessionInfo {
    int32_t socket;            /* the session's UDP socket */
    uint8_t role;              /* 1 listener, 0 connector */
    uint8_t linkMode;          /* 0 direct (LAN or punched), 1 relayed */
    uint8_t reserved1[2];
    int32_t secondsLinked;     /* now - link time, in seconds */
    uint8_t reserved2[4];
    struct sockaddr_in remote; /* peer, or relay when relayed */
    struct sockaddr_in local;  /* local address of the last detection, bound port */
    struct sockaddr_in publicAddr; /* address as the servers saw it, bound port */
    char id[64];               /* device id, NUL-terminated */
} KV_SessionInfo;

#ifdef __cplusplus
#define KV_STATIC_ASSERT(c, m) static_assert(c, m)
#else
#define KV_STATIC_ASSERT(c, m) _Static_assert(c, m)
#endif
KV_STATIC_ASSERT(sizeof(KV_FrameHeader) == 4, "KV_FrameHeader is 4 bytes");
KV_STATIC_ASSERT(offsetof(KV_FrameHeader, length) == 0, "length at 0");
KV_STATIC_ASSERT(offsetof(KV_FrameHeader, type) == 3, "type at 3");
KV_STATIC_ASSERT(sizeof(struct sockaddr_in) == 16, "IPv4 socket address is 16 bytes");
KV_STATIC_ASSERT(sizeof(KV_SessionInfo) == 128, "KV_SessionInfo is 128 bytes");
KV_STATIC_ASSERT(offsetof(KV_SessionInfo, socket) == 0, "socket at 0");
KV_STATIC_ASSERT(offsetof(KV_SessionInfo, role) == 4, "role at 4");
KV_STATIC_ASSERT(offsetof(KV_SessionInfo, linkMode) == 5, "linkMode at 5");
KV_STATIC_ASSERT(offsetof(KV_SessionInfo, reserved1) == 6, "reserved at 6");
KV_STATIC_ASSERT(offsetof(KV_SessionInfo, secondsLinked) == 8, "seconds at 8");
KV_STATIC_ASSERT(offsetof(KV_SessionInfo, reserved2) == 12, "reserved at 12");
KV_STATIC_ASSERT(offsetof(KV_SessionInfo, remote) == 16, "remote at 16");
KV_STATIC_ASSERT(offsetof(KV_SessionInfo, local) == 32, "local at 32");
KV_STATIC_ASSERT(offsetof(KV_SessionInfo, publicAddr) == 48, "public at 48");
KV_STATIC_ASSERT(offsetof(KV_SessionInfo, id) == 64, "id at 64");
#undef KV_STATIC_ASSERT

/* ord 1 */ KV_API int KV_GetAPIVersion(void);
/* ord 2 */ KV_API int KV_Initialize(void);
/* ord 3 */ KV_API int KV_DeInitialize(void);
/* ord 4 */ KV_API int KV_Listen(const char* id, uint16_t detectPort, uint32_t timeoutAndFlags);
/* ord 5 */ KV_API int KV_Connect(const char* id, uint16_t localPort, int reserved, uint32_t flags,
                                  const char* lanAddr);
/* ord 6 */ KV_API int KV_CheckSessionInfo(int session, KV_SessionInfo* out);
/* ord 7 */ KV_API int KV_Send(int session, const void* data, int len, uint8_t type);
/* Framed reads (KV_Recv; KV_RecvWithChannel with a time-out or a type
 * pointer) return within their time-out: a message whose payload is still
 * arriving is kept by the library (-3 meanwhile) and handed over whole by a
 * later framed read on the same channel. */
/* ord 8 */ KV_API int KV_Recv(int session, void* buf, int* len, int timeoutSeconds, uint8_t* typeOut);
/* ord 9 */ KV_API int KV_Close(int session);
/* ord 10 */ KV_API int KV_SetServInfo(const char* id, const char* serverList);
/* ord 11 */ KV_API int KV_SendWithChannel(int session, uint8_t channel, const void* data, int len);
/* ord 12 */ KV_API int KV_RecvWithChannel(int session, uint8_t channel, void* buf, int* len,
                                           int timeoutMs, uint8_t* typeOut);
/* ord 13 */ KV_API int KV_Connect_Break_By(const char* id);
/* ord 14 */ KV_API void KV_DebugTrace(const char* fmt, ...);
/* ord 15 */ KV_API int KV_GetP2PBufSizeUsed(int session, int readSide);
/* ord 16 */ KV_API int KV_GetP2PBufSizeUsedWithChannel(int session, uint8_t channel, int readSide);
/* ord 17 */ KV_API void KV_ListenBreak(void);
/* ord 18 */ KV_API int KV_Recv2(int session, void* buf, int* len, int timeoutMs);
/* ord 19 */ KV_API void KV_SetLogPath(const char* path);
/* ord 20 */ KV_API int KV_testStart(const char* pServArea);
/* ord 21 */ KV_API int KV_testStop(void);

#ifdef __cplusplus
}
#endif

#endif /* VORNET_H */
