// camviewer entry point.
#include "app_entry.h"

#if CAMVIEWER_REQUIRE_NETNS
#include "private_netns.h"
#endif

int main(int argc, char* argv[]) {
#if CAMVIEWER_REQUIRE_NETNS
  // The program links the device link and its P2P transport, which
  // broadcast and punch: on these machines it runs only inside a private
  // network namespace (scripts/netns.sh).
  netns::requirePrivateNamespaceOrExit("camviewer");
#endif
  return app_entry::run(argc, argv);
}
