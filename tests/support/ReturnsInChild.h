#pragma once

#include <gtest/gtest.h>

#include <functional>

namespace testsupport {

// Runs the call in a forked child and says whether it returned: a call that would wait for
// good (an open of a FIFO) fails the test instead of hanging it. The child's bound only
// decides the failure, never a pass; the child is killed by its pid when it is reached.
::testing::AssertionResult returnsInChild(const std::function<void()>& call);

}  // namespace testsupport
