// The sound thread's decisions: keep a decoded audio piece in step with the
// picture on screen, and pace the writing to the audio output.
//
// With A the piece's time stamp and V that of the picture last shown (ms):
//   V - A > 200       video ahead: drop, leave sync
//   A - V > 400       audio ahead: drop, pause 5 ms, leave sync
//   A == V            play only when the speaker is on and already in sync
//   otherwise         in the window: play when the speaker is on, drop when
//                     off; in sync either way (so switching the speaker on
//                     resumes at once)
// Differences are signed: audio ahead of the picture is not mistaken for
// video ahead.
#pragma once

#include <QtGlobal>

enum class AudioSyncCase {
  VideoAhead,  // log "out-sync video faster" with V - A
  AudioAhead,  // log the same lines with A - V, then "out-sync audio faster"
  Equal,
  InWindow,
};

struct AudioSyncDecision {
  bool play = false;
  bool pause5ms = false;
  bool inSync = false;  // the in-sync mark after this piece
  AudioSyncCase logCase = AudioSyncCase::InWindow;
};

AudioSyncDecision decideAudioSync(quint64 audioMs, quint64 videoMs, bool speakerOn, bool inSync);

// PCM bytes per millisecond: rate * bits * channels / 8000 (integer);
// 0 when any parameter is 0 or negative.
qint64 pcmBytesPerMs(int sampleRate, int sampleBits, int channels);

// How long to sleep after writing `bytes` of PCM: their playing time in
// whole ms less 5 when that is above 5, else 0. A stream parameter of 0
// gives no bytes-per-ms value and so no sleep (the writer is already bounded
// by what the output can take).
int pcmSleepMs(qint64 bytes, int sampleRate, int sampleBits, int channels);
