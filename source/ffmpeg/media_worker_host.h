// What a camera's four media workers need of the camera beyond its queues,
// its counters and its id (which each worker is given by reference): a few
// reads and reports, grouped here by the worker that calls them. The
// camera's media session (CameraMedia) implements it; no worker sees the
// session itself, so a worker runs alone against any host (tests).
//
// Threads: every member is called on the worker thread its group names,
// never waits for the GUI thread, and reads only atomics or what the
// camera's own locks guard.
#pragma once

#include <QString>
#include <QtGlobal>

#include <cstdint>

#include "ffmpeg/record_writer_access.h"

// The stream as the camera described it: the size of the last video frame
// head, and the sound of E_MSG_DEV_PARAM_SET (0 while not known).
struct StreamParams {
  int videoWidth = 0;
  int videoHeight = 0;
  int sampleRate = 0;
  int sampleBits = 0;
  int channels = 0;
};

class MediaWorkerHost {
 public:
  virtual ~MediaWorkerHost() = default;

  // ---- video decode thread ----
  // The play a picture decoded now belongs to (every start and stop of a
  // play bumps it): a picture of an earlier play is never shown.
  virtual uint32_t playSerial() const = 0;
  // The display's clock in ms, which decoded pictures are stamped with.
  virtual int64_t displayNowMs() const = 0;
  // The size the display shows pictures at (0 x 0: not known yet); a
  // picture is scaled to it once.
  virtual void shownPictureSize(int* width, int* height) const = 0;
  // True once for each snapshot or thumbnail asked for: the picture that
  // has just decoded serves it.
  virtual bool takeSnapshotRequest() = 0;
  // A decoded picture was queued for the display (videoFrameQueue): a
  // display asleep with nothing to show is woken.
  virtual void pictureQueued() = 0;
  // The JPEG of that picture; null and 0 when it could not be encoded.
  virtual void save_vidoeImage_ToDisk(const unsigned char* jpeg, unsigned long length, int width,
                                      int height) = 0;

  // ---- all but the video decode thread ----
  virtual StreamParams streamParams() const = 0;

  // ---- audio decode thread ----
  // Decoded sound was queued (audioFrameQueue): the play thread is woken.
  virtual void pcmQueued() = 0;

  // ---- record thread ----
  // Seconds the open record file has run, on the record clock.
  virtual qint64 recordFileSeconds() const = 0;
  // The file has run for its time limit and this run ends: the next file
  // is opened once the run has ended (recordRestart).
  virtual void recordRestartDue() = 0;
  // The record queues outgrew their bound (the writer fell behind).
  virtual bool recordOverflowed() const = 0;
  // The open file's writer, under its lock while the result lives.
  virtual RecordWriterAccess recordWriter() = 0;
  // A write failed (`why`: the system's words): the recording ends, its
  // file finished as far as it was written, and the user is told.
  virtual void recordWriteFailed(const QString& why) = 0;
  // The recording has ended (a stop or a failure, not a restart): the
  // record icon goes idle. Comes after recordWriteFailed of the same run.
  virtual void recordPictureIdle() = 0;
};
