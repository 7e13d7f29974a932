// The six media queues of one camera and their clear operations. The camera
// object holds one of these; its threads hand nodes through it:
//   videoPacketQueue  A/V callback       -> video decode thread
//   videoFrameQueue   video decode       -> display timer
//   audioPacketQueue  A/V callback       -> audio decode thread
//   audioFrameQueue   audio decode       -> audio play thread
//   recordVideoQueue  A/V callback       -> record thread (packets from a key frame on)
//   recordAudioQueue  A/V callback       -> record thread (ADTS frames)
// No operation here holds two queue mutexes at once.
#pragma once

#include "p2p/frame_nodes.h"
#include "p2p/frame_queue.h"

struct CameraMediaQueues {
  FrameQueue<P2P_VideoNode_noDecode> videoPacketQueue;
  FrameQueue<P2P_VideoNode_Decode> videoFrameQueue;
  FrameQueue<P2P_AudioNode_noDecode> audioPacketQueue;
  FrameQueue<P2P_AudioNode_Decode> audioFrameQueue;
  FrameQueue<P2P_VideoNode_noDecode> recordVideoQueue;
  FrameQueue<P2P_AudioNode_noDecode> recordAudioQueue;

  void clear_videoPacketQueue() { videoPacketQueue.clear(); }
  void clear_videoFrameQueue() { videoFrameQueue.clear(); }
  void clear_audioPacketQueue() { audioPacketQueue.clear(); }
  void clear_audioFrameQueue() { audioFrameQueue.clear(); }
  void clear_recordVideoQueue() { recordVideoQueue.clear(); }
  void clear_recordAudioQueue() { recordAudioQueue.clear(); }

  // Every queue, one after the other (the camera's destructor).
  void clear_allQueues() {
    clear_videoPacketQueue();
    clear_videoFrameQueue();
    clear_audioPacketQueue();
    clear_audioFrameQueue();
    clear_recordVideoQueue();
    clear_recordAudioQueue();
  }
};
