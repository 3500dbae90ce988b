// The tour: runs every chapter in rank order and prints what each family did; started with a peer
// role's flag, it plays that role for a chapter instead.
#include <algorithm>
#include <cstdio>
#include <exception>

#include "tour.h"

namespace tour {
std::vector<Chapter>& chapters() {
  static std::vector<Chapter> all;
  return all;
}
std::vector<PeerRole>& peerRoles() {
  static std::vector<PeerRole> all;
  return all;
}
}  // namespace tour

int main(int argc, char** argv) {
  std::vector<std::string> args(argv, argv + argc);
  for (const auto& role : tour::peerRoles()) {
    if (args.size() > 1 && args[1] == role.flag) return role.run(args);
  }
  auto& list = tour::chapters();
  std::stable_sort(list.begin(), list.end(),
                   [](const tour::Chapter& a, const tour::Chapter& b) { return a.rank < b.rank; });
  for (const auto& c : list) {
    std::printf("\n== %s ==\n", c.title);
    std::fflush(stdout);
    try {
      c.run(args);
    } catch (const std::exception& e) {
      std::printf("chapter failed: %s\n", e.what());
      return 1;
    }
    std::fflush(stdout);
  }
  std::printf("\nTour complete: %zu chapters.\n", list.size());
  return 0;
}
