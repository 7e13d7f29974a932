// Linked into every test program: a test program refuses to run outside a
// private network namespace, whatever its tests do, so no test can reach
// the host's network when it is started by hand. scripts/test.sh and
// scripts/netns.sh make the namespace.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "private_netns.h"

namespace {

const bool gInsidePrivateNamespace = [] {
  std::string why;
  if (netns::inPrivateNamespace(&why)) return true;
  std::fprintf(stderr,
               "test program refused: not inside a private network namespace (%s).\n"
               "Run the tests through scripts/test.sh, or the program through scripts/netns.sh.\n",
               why.c_str());
  std::exit(3);
}();

}  // namespace
