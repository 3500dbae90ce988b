// The tour's chapters: each tour_<family>.cpp registers one chapter, run in the order of its rank. A
// chapter that needs a second process registers a peer role too: the tour started again with the
// role's flag as its first argument runs that role instead of the chapters.
#ifndef QVOBASE_EXAMPLES_TOUR_H
#define QVOBASE_EXAMPLES_TOUR_H

#include <string>
#include <vector>

namespace tour {

struct Chapter {
  int rank;            // chapters run from the lowest rank up
  const char* title;   // printed as the chapter's heading
  void (*run)(const std::vector<std::string>& args);  // args: the tour's own command line
};

std::vector<Chapter>& chapters();

struct Register {
  explicit Register(Chapter c) { chapters().push_back(c); }
};

struct PeerRole {
  const char* flag;                                  // the first argument that selects the role
  int (*run)(const std::vector<std::string>& args);  // its result is the process's exit code
};

std::vector<PeerRole>& peerRoles();

struct RegisterPeer {
  explicit RegisterPeer(PeerRole r) { peerRoles().push_back(r); }
};

}  // namespace tour

#endif  // QVOBASE_EXAMPLES_TOUR_H
