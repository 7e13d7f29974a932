#include "ffmpeg/FFmpeg_AudioDecode_thread.h"

#include <QDebug>

#include <memory>
#include <new>
#include <vector>

#include "KV_AudioCodec.h"
#include "device/camera_media.h"
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
  qDebug() << media->deviceId << "FFmpeg_AudioDecode_thread  thread start ";
  KVAudio_Create(AUDIO_CODE_TYPE_AAC, media->a_nSampleRate.load(), 1, &audioDecoder);
  while (gate.continueRun()) {
    std::unique_ptr<P2P_AudioNode_noDecode> node = media->audioPacketQueue.take();
    if (!node) {
      gate.waitForWork([this] { return !media->audioPacketQueue.empty(); }, kIdleWait);
      continue;
    }
    if (!node->data || node->size > uint32_t(kMaxAdtsPayload)) {  // nothing to frame
      media->counters.audioDecodeFailed++;
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
      media->audioFrameQueue.pushDroppingOldest(
          std::make_unique<P2P_AudioNode_Decode>(node->nTimeStamp, pcm.get(), uint32_t(pcmLength)),
          kMaxAudioNodes);
      media->audioPlayThread.gate.notify();
    }
    // Counted once the frame is wholly handled (tests wait on these).
    if (decoded)
      media->counters.audioDecoded++;
    else
      media->counters.audioDecodeFailed++;
  }
  if (audioDecoder) KVAudio_Destroy(&audioDecoder);
  audioDecoder = nullptr;
  media->clear_audioFrameQueue();
  media->clear_audioPacketQueue();
  qDebug() << media->deviceId << "FFmpeg_AudioDecode_thread exit";
  gate.handOver();
}
