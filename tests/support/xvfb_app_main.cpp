// main() for tests of real windows: a private Xvfb (default 3840 x 2160, so
// design units equal pixels; CAMVIEWER_XVFB_SIZE=WxH for another size),
// DISPLAY pointed at it, Qt on the xcb platform, then the tests. The X
// server ends with the program.
// Built with XVFB_MAIN_FRESH_NETNS (camviewer_xvfb_fresh_netns_main), the
// program first enters a network namespace of its own (for tests that bind
// the protocol's fixed ports) and starts Xvfb there: a client reaches the X
// server through its abstract socket, which belongs to the namespace. The
// path socket under /tmp/.X11-unix is shared by every namespace, so a
// client in another namespace than its Xvfb could reach another server of
// the same display number.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "fresh_netns.h"
#include "netns_test.h"
#include "test_application.h"
#include "xvfb_server.h"

namespace testsupport {
// The X server of this test program (see xvfb_app_main.cpp).
XvfbServer* xvfbServer = nullptr;
}  // namespace testsupport

int main(int argc, char** argv) {
  // Xvfb's socket is only private inside a private network namespace.
  const std::string problem = testsupport::privateNamespaceProblem();
  if (!problem.empty()) {
    std::fprintf(stderr, "window tests run only inside a private network namespace: %s\n",
                 problem.c_str());
    return 3;
  }
#ifdef XVFB_MAIN_FRESH_NETNS
  const std::string fresh = testsupport::enterFreshNetworkNamespace();
  if (!fresh.empty()) {
    std::fprintf(stderr, "cannot enter a network namespace of its own: %s\n", fresh.c_str());
    return 3;
  }
#endif
  int width = 3840, height = 2160;
  if (const char* size = getenv("CAMVIEWER_XVFB_SIZE")) std::sscanf(size, "%dx%d", &width, &height);
  testsupport::XvfbServer xvfb;
  std::string error;
  if (!xvfb.start(width, height, &error)) {
    std::fprintf(stderr, "cannot start Xvfb: %s\n", error.c_str());
    return 1;
  }
  xvfb.exportDisplay();
  testsupport::xvfbServer = &xvfb;
  QTemporaryDir runtimeDir;
  setenv("XDG_RUNTIME_DIR", runtimeDir.path().toUtf8().constData(), 1);
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  QCoreApplication::setAttribute(Qt::AA_DisableHighDpiScaling);
  int rc = 0;
  {
    testsupport::TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    rc = RUN_ALL_TESTS();
  }
  testsupport::xvfbServer = nullptr;
  return rc;
}
