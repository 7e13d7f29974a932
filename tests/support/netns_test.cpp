#include "netns_test.h"

#include "private_netns.h"

namespace testsupport {

std::string privateNamespaceProblem() {
  std::string why;
  if (netns::inPrivateNamespace(&why)) return {};
  return why.empty() ? std::string("unknown") : why;
}

}  // namespace testsupport
