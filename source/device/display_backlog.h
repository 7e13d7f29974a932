// How the display keeps a live view live. The display tick shows one
// picture each period (1000 / (fps + 3) ms), which drains a backlog by only
// three pictures a second: whatever piled up behind a stall (the start of a
// play, a busy GUI thread, a burst off the network) would be shown late for
// seconds, and the sound, held to the picture shown, dropped all that time.
// So:
//   - while a picture waits behind the next one, the display is behind: it
//     ticks every kCatchUpMs until it has caught up, showing every picture;
//   - the oldest picture is dropped, not shown, while a newer one waits that
//     the camera stamped more than kBacklogFrames frame intervals later
//     (320 ms at 25 fps), and never more than kBacklogFrames + 1 wait: the
//     view is never further behind than that, and the decode thread keeps
//     no more pictures than the display would show.
//
// Only differences of time stamps count, so any time-stamp base will do
// (milliseconds since the camera started, since the Unix epoch). Stamps
// that cannot be compared (the newest older than the oldest, or further
// apart than the decoded queue can hold: a camera that started its clock
// again) are judged by the number of pictures waiting alone.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kBacklogFrames = 8;
constexpr int kCatchUpMs = 10;

// `oldestMs`, `newestMs`: the time stamps of the oldest and the newest
// picture waiting; `waiting`: how many wait; `fps`: the camera's announced
// rate (0 or less counts as 25).
bool dropOldestPicture(uint64_t oldestMs, uint64_t newestMs, size_t waiting, int fps);

// The display tick's period with `waiting` pictures left after a tick:
// `periodMs` (the stream's), or kCatchUpMs while it is behind.
int displayPeriodMs(size_t waiting, int periodMs);
