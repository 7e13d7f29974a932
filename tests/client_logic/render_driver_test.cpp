#include "view/render_driver.h"

#include <gtest/gtest.h>

// GL_RENDERER strings as the drivers give them.
TEST(RenderDriver, SoftwareRasterizersAreToldFromGpus) {
  const struct {
    const char* renderer;
    bool software;
  } cases[] = {
      {"llvmpipe (LLVM 15.0.6, 256 bits)", true},
      {"softpipe", true},
      {"Mesa DRI swrast", true},
      {"Software Rasterizer", true},
      {"Mesa Intel(R) UHD Graphics 620 (KBL GT2)", false},
      {"AMD Radeon RX 6600 (navi23, LLVM 15.0.6, DRM 3.49, 6.1.0-13-amd64)", false},
      {"NVIDIA GeForce GTX 1650/PCIe/SSE2", false},
      {"virgl (Intel(R) UHD Graphics)", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(isSoftwareRasterizer(c.renderer), c.software) << c.renderer;
  EXPECT_FALSE(isSoftwareRasterizer(nullptr));
}
