// Exported C interface of KV_MP4.
#include "KV_MP4.h"

#include <cerrno>
#include <memory>
#include <new>

#include "handle_table.h"
#include "mp4_writer.h"

using kvmedia::Mp4Writer;

namespace {
Mp4Writer* writer(void* handle) { return static_cast<Mp4Writer*>(handle); }

// A write the file system refused leaves its reason in errno for the caller.
int withErrno(const Mp4Writer* w, int rc) {
  if (rc == KV_MEDIA_ERR_IO && w->lastErrno() != 0) errno = w->lastErrno();
  return rc;
}
}  // namespace

extern "C" int KVMP4_Create(void** handle) {
  if (!handle) return KV_MEDIA_ERR_ARG;
  return kvmedia::publishHandle(std::unique_ptr<Mp4Writer>(new (std::nothrow) Mp4Writer), handle);
}

extern "C" int KVMP4_Destroy(void** handle) { return kvmedia::destroyHandle<Mp4Writer>(handle); }

extern "C" int KVMP4_Open(void* handle, const char* path, int width, int height, int videoCodec,
                          int audioSampleRate, int audioChannels, int audioCodec, int /*reserved*/) {
  if (!handle) return KV_MEDIA_ERR_ARG;
  return withErrno(writer(handle), writer(handle)->open(path, width, height, videoCodec,
                                                      audioSampleRate, audioChannels, audioCodec));
}

extern "C" int KVMP4_Close(void* handle) {
  if (!handle) return KV_MEDIA_ERR_ARG;
  return withErrno(writer(handle), writer(handle)->close());
}

extern "C" int KVMP4_WriteVideo(void* handle, const uint8_t* frame, int /*reserved*/, int length,
                                uint32_t timestamp, int keyFrame) {
  if (!handle) return KV_MEDIA_ERR_ARG;
  return withErrno(writer(handle), writer(handle)->writeVideo(frame, length, timestamp, keyFrame != 0));
}

extern "C" int KVMP4_WriteAudio(void* handle, const uint8_t* adtsFrame, int /*reserved*/,
                                int length, uint32_t timestamp) {
  if (!handle) return KV_MEDIA_ERR_ARG;
  return withErrno(writer(handle), writer(handle)->writeAudio(adtsFrame, length, timestamp));
}
