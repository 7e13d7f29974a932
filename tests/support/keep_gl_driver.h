// Mesa's software GL driver (swrast_dri.so) under the sanitizers:
// - it is loaded and unloaded again by Qt and SDL; once unloaded, what it
//   still holds at exit can no longer be traced by LeakSanitizer and is
//   reported as leaked from an unknown module: programs that draw on Xvfb
//   keep it loaded for their whole life;
// - its llvmpipe rasteriser registers JIT code with libgcc's unwinder while
//   holding the unwinder's lock; AddressSanitizer's full-stack unwinding on
//   malloc (fast_unwind_on_malloc=0) then takes that lock again and the
//   program hangs. Under AddressSanitizer the driver uses softpipe (no JIT).
#pragma once

#include <dlfcn.h>

#include <cstdlib>

namespace testsupport {

inline void keepGlDriverLoaded() {
#if defined(__SANITIZE_ADDRESS__)
  setenv("GALLIUM_DRIVER", "softpipe", 1);
#endif
  static const char* const paths[] = {"/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so",
                                      "/usr/lib/aarch64-linux-gnu/dri/swrast_dri.so",
                                      "/usr/lib/dri/swrast_dri.so"};
  for (const char* p : paths)
    if (dlopen(p, RTLD_NOW | RTLD_NODELETE)) return;
}

}  // namespace testsupport
