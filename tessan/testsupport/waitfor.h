// Waiting on a condition with a deadline, for tests that watch other processes or the file system.
#pragma once

#include <chrono>
#include <functional>

namespace tessan {

// True as soon as `condition` holds; false when it still does not at the deadline.
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

}  // namespace tessan
