#include "ffmpeg/FFmpeg_AudioDecode_thread.h"

#include <QDebug>

#include <memory>
#include <new>
#include <vector>

#include "KV_AudioCodec.h"
#include "ffmpeg/adts_header.h"
#include "ffmpeg/media_queue_bounds.h"

void FFmpeg_AudioDecode_thread::run() {
  std::unique_ptr<uint8_t[]> pcm(new (std::nothrow) uint8_t[kPcmCapacity]);
  if (!pcm) {
    qDebug() << "outAudio_buf new err";
    gate.endRun();
    return;
  }
  std::vector<uint8_t> adts;
  qDebug() << deviceId_ << "FFmpeg_AudioDecode_thread  thread start ";
  KVAudio_Create(AUDIO_CODE_TYPE_AAC, host_.streamParams().sampleRate, 1, &audioDecoder);
  while (gate.continueRun()) {
    std::unique_ptr<P2P_AudioNode_noDecode> node = queues_.audioPacketQueue.take();
    if (!node) {
      gate.waitForWork([this] { return !queues_.audioPacketQueue.empty(); }, kIdleWait);
      continue;
    }
    if (!node->data || node->size > uint32_t(kMaxAdtsPayload)) {  // nothing to frame
      counters_.audioDecodeFailed++;
      continue;
    }
    adts.resize(node->size + kAdtsHeaderBytes);
    write_adts_header(int(node->size), adts.data());
    std::copy(node->data.get(), node->data.get() + node->size, adts.begin() + kAdtsHeaderBytes);

    int pcmLength = kPcmCapacity;
    const int result = audioDecoder ? KVAudio_Decode(audioDecoder, adts.data(), int(adts.size()),
                                                     pcm.get(), &pcmLength)
                                    : -1;
    const bool decoded = result > 0 && pcmLength > 0;
    if (!decoded) {
      qDebug() << "audio_Decode thread decode err:" << result;
    } else {
      queues_.audioFrameQueue.pushDroppingOldest(
          std::make_unique<P2P_AudioNode_Decode>(node->nTimeStamp, pcm.get(), uint32_t(pcmLength)),
          kMaxAudioNodes);
      host_.pcmQueued();
    }
    // Counted once the frame is wholly handled (tests wait on these).
    if (decoded)
      counters_.audioDecoded++;
    else
      counters_.audioDecodeFailed++;
  }
  if (audioDecoder) KVAudio_Destroy(&audioDecoder);
  audioDecoder = nullptr;
  queues_.clear_audioFrameQueue();
  queues_.clear_audioPacketQueue();
  qDebug() << deviceId_ << "FFmpeg_AudioDecode_thread exit";
  gate.handOver();
}
