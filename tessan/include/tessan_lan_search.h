/* LAN device search: a 4-byte UDP probe broadcast to port 8602 from port
 * 8603; every distinct device that answers is reported once per search
 * through a callback with its 272-byte device record. */
#ifndef TESSAN_LAN_SEARCH_H
#define TESSAN_LAN_SEARCH_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#ifndef TESSAN_LAN_EXPORT
#define TESSAN_LAN_EXPORT __attribute__((visibility("default")))
#endif

/* Device record as the device sends it. Only the fields named here are read
 * or written by the library; every other byte is passed on as received. */
typedef struct LAN_DEVICE_INFO {
  unsigned char reserved0[80];
  unsigned char mac[6];          /* 80: device MAC address (bytes) */
  unsigned char reserved1[163];
  char vendorTag[2];             /* 249: "QZ" */
  unsigned char nFlag;           /* 251: set to 4 by the library before the callback */
  unsigned char reserved2[20];
} LAN_DEVICE_INFO;

#ifdef __cplusplus
static_assert(sizeof(LAN_DEVICE_INFO) == 272, "LAN_DEVICE_INFO is 272 bytes");
static_assert(offsetof(LAN_DEVICE_INFO, mac) == 80, "MAC at 80");
static_assert(offsetof(LAN_DEVICE_INFO, vendorTag) == 249, "vendor tag at 249");
static_assert(offsetof(LAN_DEVICE_INFO, nFlag) == 251, "flag at 251");
#else
_Static_assert(sizeof(LAN_DEVICE_INFO) == 272, "LAN_DEVICE_INFO is 272 bytes");
_Static_assert(offsetof(LAN_DEVICE_INFO, mac) == 80, "MAC at 80");
_Static_assert(offsetof(LAN_DEVICE_INFO, vendorTag) == 249, "vendor tag at 249");
_Static_assert(offsetof(LAN_DEVICE_INFO, nFlag) == 251, "flag at 251");
#endif

/* Called on the search's receiver thread, once per distinct device and
 * search. pInfo is the library's copy, valid during the call; nSize is
 * always 272. */
typedef void (*P2P_PCB_LAN_SEARCH)(LAN_DEVICE_INFO* pInfo, int nSize, void* context);

/* 0 on success (also when a search already runs: then only the callback and
 * context are replaced); -1000 before APP_init; -1006 when no UDP socket
 * could be opened. */
TESSAN_LAN_EXPORT int APP_LANSearchStart(P2P_PCB_LAN_SEARCH callback, void* context);

/* Ends a search: closes its socket and waits for both threads. Returns 0. */
TESSAN_LAN_EXPORT int APP_LANSearchStop(void);

#ifdef __cplusplus
}
#endif

#endif /* TESSAN_LAN_SEARCH_H */
