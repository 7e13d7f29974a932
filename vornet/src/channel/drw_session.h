// What the session code calls of the reliable data channels, and the
// channel calls behind the KV_ exports.
//
// Session life, as the session code drives it:
//   claim:  drw_reset(record.drw, 0)             (sequences 0, lists empty)
//   link:   drw_reset(record.drw, drwAlgorithm); drwStop := 0;
//           drw_start_threads(index)             (starts both data threads)
//   close:  drw_drain(index)      waits, while drwStop is clear, until every
//                                 channel's staging and send lists are empty,
//                                 3 s at most (then it sets drwStop: a peer
//                                 that stops taking data)
//           ZORP_MSG_CLOSE to the peer
//           drw_stop_threads(index)  drwStop := 1 under the main mutex, joins
//                                    both threads
//           under the main mutex: drw_free_lists(record.drw)
//
// None of these may be called with the main mutex held, except
// drw_reset() and drw_free_lists(), which expect it held (or the slot not
// yet visible to other threads).
#pragma once

#include <cstdint>

#include "channel/drw_state.h"

namespace vornet {
namespace channel {

// Empties all sixteen lists (freeing their packets), zeroes sequences,
// stagings and acknowledgement lists, and sets the algorithm's starting
// window (110 for algorithm 1, 0 for algorithm 0) and round period (8 ms).
void drw_reset(DrwSessionState& state, uint8_t algorithm);

// Frees every packet of the sixteen lists and the bytes framed reads held.
void drw_free_lists(DrwSessionState& state);

// Starts ZORP_thread_recv_DRW and ZORP_thread_send_DRW for a linked
// session. 0, or -1 when a thread could not be started (the session is
// then marked broken and drwStop set).
int drw_start_threads(int session);

// Close path, see above.
void drw_drain(int session);
void drw_stop_threads(int session);

// Thread procedures; each runs its loop until drwStop and returns 0.
int ZORP_thread_recv_DRW(int session);
int ZORP_thread_send_DRW(int session);

// Appends len bytes to a channel. len, or -1 -5 -11 -14 -20 -13 -12.
int channel_write(int session, int channel, const void* data, int len);

// Reads up to *len in-order bytes, waiting up to timeoutMs (0: one pass,
// no sleeping). 0 with *len = bytes delivered; -3 nothing in time; -1 -5
// -11 -14 -20; -13 / -12 when the session timed out / was closed by the
// peer while the next packet is missing.
int channel_read(int channel, int session, void* buf, int* len, uint32_t timeoutMs);

// sendSide: unacknowledged bytes, those of sendQueue + ready + inFlight
// (bytes still in the write staging are not counted);
// readSide: bytes readable in order now: those a framed read took and
// holds (the payload of a message that has not all arrived), the unread
// rest of the read staging and the run of received packets that starts at
// nextRecvSeq (packets behind a gap are not counted). Either pointer may
// be null.
// 0, or -1 -5 -11 -14 -20 -13 -12.
int channel_buffer_used(int session, int channel, int* sendSide, int* readSide);

}  // namespace channel
}  // namespace vornet
