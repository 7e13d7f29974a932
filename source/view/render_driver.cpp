#include "view/render_driver.h"

#include <cstring>
#include <initializer_list>

bool isSoftwareRasterizer(const char* glRenderer) {
  if (!glRenderer) return false;
  for (const char* name : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer", "SWR "}) {
    if (std::strstr(glRenderer, name)) return true;
  }
  return false;
}
