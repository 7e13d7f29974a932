// How the display keeps a live view live, and sleeps while it has nothing to
// show. A display tick that ticked at a fixed period (1000 / (fps + 3) ms)
// would drain a backlog by only three pictures a second, and one that
// polled often would wake a hundred times a second for nothing. So:
//   - after each tick the display sleeps until the next waiting picture is
//     due (the pacer knows when, device/display_pacer.h), at most a stream
//     period, at least 1 ms;
//   - with no picture waiting it sleeps until the decode thread hands one
//     over (the hand-over wakes it), and looks anyway after kIdleLookMs;
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
constexpr int kIdleLookMs = 1000;

// `oldestMs`, `newestMs`: the time stamps of the oldest and the newest
// picture waiting; `waiting`: how many wait; `fps`: the camera's announced
// rate (0 or less counts as 25).
bool dropOldestPicture(uint64_t oldestMs, uint64_t newestMs, size_t waiting, int fps);

// How long the display sleeps after a tick that left `waiting` pictures,
// the first of them due at `nextDueMs` (the pacer's clock; `nowMs` now),
// for a stream of period `periodMs`: until that picture is due (1 ms at
// least, `periodMs` at most); kIdleLookMs when none waits (the next
// picture's hand-over wakes it earlier).
int displaySleepMs(size_t waiting, int64_t nextDueMs, int64_t nowMs, int periodMs);
