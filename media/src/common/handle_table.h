// The C interfaces hand out heap objects as opaque handles; these helpers keep
// the create/destroy plumbing in one place.
#pragma once

#include <memory>
#include <new>

#include "KV_MediaResult.h"

namespace kvmedia {

template <typename T>
int publishHandle(std::unique_ptr<T> object, void** handle) {
  if (!handle) return KV_MEDIA_ERR_ARG;
  *handle = object.release();
  return *handle ? KV_MEDIA_OK : KV_MEDIA_ERR_NOMEM;
}

template <typename T>
int destroyHandle(void** handle) {
  if (!handle) return KV_MEDIA_ERR_ARG;
  delete static_cast<T*>(*handle);
  *handle = nullptr;
  return KV_MEDIA_OK;
}

}  // namespace kvmedia
