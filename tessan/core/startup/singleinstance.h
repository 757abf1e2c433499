// One client per program folder: a new copy ends the other running copies of this program owned by
// the same user, then claims a lock file in the program folder; a copy that cannot claim it ends
// and says why.
#pragma once

#include "unique_fd.h"

#include <QString>

#include <chrono>
#include <optional>

namespace tessan {

// Sends SIGTERM to every other process of the same user whose executable is this program's, then
// waits until they have ended, at most `timeout`. Returns how many were signalled.
int EndOtherCopies(std::chrono::milliseconds timeout);

// The held lock. It is released when the object (or the process) goes.
class InstanceLock {
  public:
    // "<appDir>/tessan.lock", or whatever path a test names. Empty when another process holds it
    // or it cannot be created; `whyNot` (when given) then says which, for the user. The descriptor
    // is not inherited by programs the client starts.
    static std::optional<InstanceLock> Claim(const QString& lockPath, QString* whyNot = nullptr);

  private:
    explicit InstanceLock(tessnet::UniqueFd fd) : fd_(std::move(fd)) {}
    tessnet::UniqueFd fd_;
};

// Start-up up to the main window, in order: end other copies, claim the lock, create the working
// folders. Empty when this copy must end (also when the program folder is unknown); `whyNot` then
// says why, for the user.
std::optional<InstanceLock> PrepareStartUp(const QString& appDir, QString* whyNot = nullptr);

}  // namespace tessan
