#include "device/AudioPlay_Thread.h"

#include <QAudioOutput>
#include <QDebug>
#include <QIODevice>

#include "device/audio_sync.h"

void AudioPlay_Thread::run() {
  qDebug() << deviceId_ << "audio play thread start ";
  queues_.clear_audioFrameQueue();  // nothing of an earlier play is heard in this one
  bool inSync = false;
  while (gate.continueRun()) {
    std::unique_ptr<P2P_AudioNode_Decode> node = queues_.audioFrameQueue.take();
    if (!node) {
      gate.waitForWork([this] { return !queues_.audioFrameQueue.empty(); }, kIdleWait);
      continue;
    }
    const quint64 a = node->nTimeStamp;
    const quint64 v = videoTimeStamp.load();
    const AudioSyncDecision d = decideAudioSync(a, v, speaker.load(), inSync);
    if (d.logCase == AudioSyncCase::VideoAhead || d.logCase == AudioSyncCase::AudioAhead) {
      counters_.audioOutOfStep++;
      const bool videoAhead = d.logCase == AudioSyncCase::VideoAhead;
      if (videoAhead) qDebug() << "out-sync video faster";
      qDebug() << "video_timeStamp:" << v << "audio_decode_tmp->nTimeStamp:" << a
               << (videoAhead ? qint64(v - a) : qint64(a - v));
    }
    if (d.pause5ms) {
      gate.sleepUnlessStopped(std::chrono::milliseconds(5));
      qDebug() << "out-sync audio faster";
    }
    inSync = d.inSync;
    if (d.play && node->data) play(reinterpret_cast<const char*>(node->data.get()), node->size);
  }
  qDebug() << deviceId_ << "audio play thread exit";
  gate.handOver();
}

void AudioPlay_Thread::play(const char* pcm, qint64 length) {
  if (!output_ || !device_) return;
  const int period = output_->periodSize();
  if (period <= 0) return;
  const int free = output_->bytesFree();
  const int pieces = (free + period - 1) / period;
  qint64 at = 0;
  for (int i = 0; i < pieces && at < length; ++i) {
    const qint64 n = std::min<qint64>(period, length - at);
    const qint64 written = device_->write(pcm + at, n);
    at += n;
    if (written > 0) {
      counters_.audioPiecesPlayed++;
      const StreamParams sound = host_.streamParams();
      const int ms = pcmSleepMs(written, sound.sampleRate, sound.sampleBits, sound.channels);
      if (ms > 0 && gate.sleepUnlessStopped(std::chrono::milliseconds(ms))) return;
    }
    if (n < period) break;  // the end of the piece
  }
}
