// The tour's chapters: each tour_<family>.cpp registers one chapter, run in the order of its rank.
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

}  // namespace tour

#endif  // QVOBASE_EXAMPLES_TOUR_H
