#include "device/audio_sync.h"

#include <gtest/gtest.h>

namespace {

constexpr quint64 kV = 1626570303000ULL;  // a camera's millisecond time

}  // namespace

TEST(AudioSync, DecisionTable) {
  using C = AudioSyncCase;
  const struct {
    qint64 audioMinusVideo;
    bool speaker;
    bool inSync;
    bool play;
    bool pause;
    bool inSyncAfter;
    C logCase;
  } cases[] = {
      {300, true, false, true, false, true, C::InWindow},      // 300 ms ahead: played
      {450, true, true, false, true, false, C::AudioAhead},    // 450 ms ahead: dropped, pause
      {-250, true, true, false, false, false, C::VideoAhead},  // 250 ms behind: dropped
      {400, true, false, true, false, true, C::InWindow},
      {401, true, true, false, true, false, C::AudioAhead},
      {-200, true, false, true, false, true, C::InWindow},
      {-201, true, true, false, false, false, C::VideoAhead},
      {100, false, false, false, false, true, C::InWindow},  // speaker off: dropped, in sync
      {-100, false, true, false, false, true, C::InWindow},
      {0, true, true, true, false, true, C::Equal},
      {0, true, false, false, false, false, C::Equal},
      {0, false, true, false, false, true, C::Equal},
      {0, false, false, false, false, false, C::Equal},
  };
  for (const auto& c : cases) {
    const quint64 a = kV + static_cast<quint64>(c.audioMinusVideo);
    const AudioSyncDecision d = decideAudioSync(a, kV, c.speaker, c.inSync);
    EXPECT_EQ(d.play, c.play) << c.audioMinusVideo << " speaker " << c.speaker;
    EXPECT_EQ(d.pause5ms, c.pause) << c.audioMinusVideo;
    EXPECT_EQ(d.inSync, c.inSyncAfter) << c.audioMinusVideo << " speaker " << c.speaker;
    EXPECT_EQ(d.logCase, c.logCase) << c.audioMinusVideo;
  }
}

TEST(AudioSync, NoPictureYetHoldsTheSound) {
  const AudioSyncDecision d = decideAudioSync(kV, 0, true, true);
  EXPECT_FALSE(d.play);
  EXPECT_TRUE(d.pause5ms);
  EXPECT_EQ(d.logCase, AudioSyncCase::AudioAhead);
}

TEST(AudioSync, PacingTable) {
  const struct {
    qint64 bytes;
    int rate, bits, channels;
    qint64 perMs;
    int sleepMs;
  } cases[] = {
      {320, 8000, 16, 1, 16, 15},  // 20 ms
      {96, 8000, 16, 1, 16, 1},    // 6 ms
      {80, 8000, 16, 1, 16, 0},    // 5 ms: no sleep
      {0, 8000, 16, 1, 16, 0},
      {17640, 44100, 16, 2, 176, 95},  // 100 ms (17640 / 176 = 100)
      {4000, 0, 16, 1, 0, 0},          // no rate: no sleep
      {4000, 8000, 0, 1, 0, 0},
      {4000, 8000, 16, 0, 0, 0},
      {4000, -8000, 16, 1, 0, 0},
      {4000, 100, 8, 1, 0, 0},                // 0.1 bytes per ms rounds to 0
      {1000000, 65535, 255, 255, 532676, 0},  // large parameters stay exact
  };
  for (const auto& c : cases) {
    EXPECT_EQ(pcmBytesPerMs(c.rate, c.bits, c.channels), c.perMs) << c.rate;
    EXPECT_EQ(pcmSleepMs(c.bytes, c.rate, c.bits, c.channels), c.sleepMs) << c.bytes;
  }
}
