// Mesa's software GL driver (swrast_dri.so) is loaded and unloaded again by
// Qt and SDL. Once unloaded, what it still holds at exit can no longer be
// traced by LeakSanitizer and is reported as leaked from an unknown module.
// Programs that draw on Xvfb keep it loaded for their whole life.
#pragma once

#include <dlfcn.h>

namespace testsupport {

inline void keepGlDriverLoaded() {
  static const char* const paths[] = {"/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so",
                                      "/usr/lib/aarch64-linux-gnu/dri/swrast_dri.so",
                                      "/usr/lib/dri/swrast_dri.so"};
  for (const char* p : paths)
    if (dlopen(p, RTLD_NOW | RTLD_NODELETE)) return;
}

}  // namespace testsupport
