#include "device/audio_sync.h"

#include <limits>

AudioSyncDecision decideAudioSync(quint64 audioMs, quint64 videoMs, bool speakerOn, bool inSync) {
  AudioSyncDecision d;
  // Unsigned differences read as signed: the lead of one over the other.
  const qint64 videoLead = static_cast<qint64>(videoMs - audioMs);
  const qint64 audioLead = static_cast<qint64>(audioMs - videoMs);
  if (videoLead > 200) {
    d.logCase = AudioSyncCase::VideoAhead;
  } else if (audioLead > 400) {
    d.logCase = AudioSyncCase::AudioAhead;
    d.pause5ms = true;
  } else if (videoLead == 0) {
    d.logCase = AudioSyncCase::Equal;
    d.play = speakerOn && inSync;
    d.inSync = inSync;
  } else {
    d.logCase = AudioSyncCase::InWindow;
    d.play = speakerOn;
    d.inSync = true;
  }
  return d;
}

qint64 pcmBytesPerMs(int sampleRate, int sampleBits, int channels) {
  if (sampleRate <= 0 || sampleBits <= 0 || channels <= 0) return 0;
  return qint64{sampleRate} * sampleBits * channels / 8000;
}

int pcmSleepMs(qint64 bytes, int sampleRate, int sampleBits, int channels) {
  const qint64 perMs = pcmBytesPerMs(sampleRate, sampleBits, channels);
  if (perMs <= 0 || bytes <= 0) return 0;
  const qint64 ms = bytes / perMs;
  if (ms <= 5) return 0;
  return static_cast<int>(qMin<qint64>(ms - 5, std::numeric_limits<int>::max()));
}
