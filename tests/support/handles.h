// Counting the handles (Windows) or descriptors (Linux) this process holds open, for the leak tests.
#ifndef QVOBASE_TESTS_HANDLES_H
#define QVOBASE_TESTS_HANDLES_H

#include <functional>

namespace qvotest {

// Open handles (Windows) or descriptors (Linux) of this process.
long openHandleCount();

// Runs `cycle` `times` times in two halves and checks that the open handles do not grow over the second
// half. A leak of one handle in any number of cycles shows there; handles that the runtime opens once
// for good (Wine opens some lazily during the first half) do not.
void expectNoHandleGrowth(std::function<void()> const& cycle, int times);

}  // namespace qvotest

#endif  // QVOBASE_TESTS_HANDLES_H
